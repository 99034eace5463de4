// Control messages of the video transport protocol: type numbers, the
// builders of everything the client sends (framed: u32 length N, u32 type,
// payload of N - 4 bytes, all big-endian) and the parsers of what it reads
// from the server (over the payload after the type word).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qemliv32/settings.h"  // kMaxUserDetail

namespace qem {

enum class MessageType : uint32_t {
  open = 1,
  code = 2,
  frame = 3,
  command = 4,
  stream_info = 5,
  hello = 6,
  user_info = 7,
  notice = 8,
  report = 10,
  server_text = 14,
  slide_mode = 15,
  identity = 16,
};

constexpr char kProtocolName[] = "VTP 0.9.0";
constexpr uint32_t kClientIdentityVersion = 257;
constexpr uint32_t kTransportTag = 5;  // low half of OPEN's buffering word
constexpr uint32_t kLagNoticeValue = 10;

// CODE values.
enum Code : uint32_t {
  kCodeOpenFailed = 1,
  kCodeReadFailed = 2,
  kCodeWriteFailed = 3,
  kCodeCreateFailed = 4,
  kCodePermissionDenied = 5,
  kCodeServerError = 6,
  kCodeAccepted = 7,
  kCodeProtocolMismatch = 8,
  kCodeTooManyClients = 10,
  kCodeStartPlayback = 11,
  kCodeBandwidth = 12,
  kCodeVideoFormat = 13,
  kCodeAudioFormat = 14,
};

struct ByteSpan {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Big-endian helpers shared by the protocol files.
inline uint32_t read_be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint16_t read_be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline void write_be32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
inline void append_be32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

// Builders: the complete bytes to write on the control connection.
std::vector<uint8_t> encode_hello(uint32_t data_port);
std::vector<uint8_t> encode_identity(uint32_t version, uint32_t kind, const uint8_t* bytes,
                                     std::size_t n);
// Each text is cut at 255 characters and at any zero byte.
std::vector<uint8_t> encode_user_info(std::string_view name, std::string_view company,
                                      std::string_view email);
// buffering word = (buffer_ms & 0xFFFF) << 16 | transport_tag.
std::vector<uint8_t> encode_open(uint32_t data_port, uint32_t buffer_ms, uint32_t transport_tag,
                                 uint32_t bandwidth, std::string_view path);
std::vector<uint8_t> encode_slide_mode(uint32_t slide_mode);
std::vector<uint8_t> encode_code(uint32_t code);
std::vector<uint8_t> encode_command(std::string_view text);
std::vector<uint8_t> encode_notice(uint32_t value);

// REPORT header fields in wire order (the header word count 8 and M are
// filled in by the builder).
struct ReportFields {
  bool urgent = false;
  uint32_t counter = 0;  // 31 bits
  uint32_t highest_sequence = 0;
  uint32_t generation = 0;
  uint32_t clock_ms = 0;
  uint32_t datagrams = 0;
  uint32_t bytes = 0;
  uint32_t late_datagrams = 0;
  uint32_t late_bytes = 0;
};
// missing: newest first; at most 65535 are written (M is 16 bits).
std::vector<uint8_t> encode_report(const ReportFields& fields, const uint32_t* missing,
                                   std::size_t missing_count);

// Parsers. Each takes the payload after the type word and returns nothing
// for a payload too short for its fixed fields or whose counted bytes run
// past the end; spans point into the payload.
std::optional<uint32_t> parse_code(const uint8_t* payload, std::size_t n);

struct StreamInfo {
  uint32_t kind = 0;    // 0 audio, otherwise video
  uint32_t length = 0;  // frames or ms
  ByteSpan format;
};
std::optional<StreamInfo> parse_stream_info(const uint8_t* payload, std::size_t n);

struct ServerText {
  static constexpr uint32_t kIgnoredBit = 0x1000;
  static constexpr uint32_t kNoAudioBit = 0x2000;
  static constexpr uint32_t kShowNowBit = 0x100;
  static constexpr std::size_t kMaxLabel = 100;

  uint32_t flags = 0;
  uint32_t display_ms = 0;
  std::string text;  // up to the first zero byte or the payload's end

  bool no_audio() const { return (flags & kNoAudioBit) != 0; }
  bool show_now() const { return (flags & kShowNowBit) != 0; }
  // 1 message box, 2-5 status line, 6 no display; 0 for any other value
  // (the message is then ignored).
  uint32_t action() const {
    uint32_t a = flags & ~(kIgnoredBit | kNoAudioBit | kShowNowBit);
    return a >= 1 && a <= 6 ? a : 0;
  }
  // Actions 2-6 also replace the buffering progress label (first 100 characters).
  bool replaces_label() const { return action() >= 2; }
};
std::optional<ServerText> parse_server_text(const uint8_t* payload, std::size_t n);

struct IdentityInfo {
  uint32_t version = 0;
  uint32_t kind = 0;
  ByteSpan bytes;
};
std::optional<IdentityInfo> parse_identity(const uint8_t* payload, std::size_t n);

}  // namespace qem
