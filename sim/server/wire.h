// The server's side of the control connection and the data channel: message
// builders, a length-framed reader for the client's messages, and decoders of
// the messages a client sends. Written apart from the client's codec so the
// two readings of the wire format check each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vsrv {

using Bytes = std::vector<uint8_t>;

enum MsgType : uint32_t {
  kOpen = 1,
  kCode = 2,
  kCommand = 4,
  kStreamInfo = 5,
  kHello = 6,
  kUserInfo = 7,
  kNotice = 8,
  kReport = 10,
  kServerText = 14,
  kSlideMode = 15,
  kIdentity = 16,
};

// Longest control message the server accepts from a client; anything longer
// is treated as lost framing.
constexpr uint32_t kMaxControlLength = 64 * 1024;

void put_u32(Bytes& b, uint32_t v);
void put_u16(Bytes& b, uint16_t v);
uint32_t get_u32(const uint8_t* p);
uint16_t get_u16(const uint8_t* p);

// A framed control message: [u32 length N][u32 type][payload of N - 4].
Bytes frame_message(uint32_t type, const Bytes& payload);
Bytes code_message(uint32_t code);
Bytes stream_info_message(uint32_t kind, uint32_t length, const Bytes& format);
Bytes server_text_message(uint32_t flags, uint32_t display_ms, const std::string& text);
Bytes identity_message(uint32_t version, uint32_t kind, const Bytes& bytes);

struct Message {
  uint32_t type = 0;
  Bytes payload;
};

// Collects length-framed messages from a byte stream. A length word below 4
// (no room for the type) or above kMaxControlLength breaks the framing for
// good: feed() then returns false and keeps returning false.
class ControlReader {
 public:
  bool feed(const uint8_t* data, std::size_t len);
  std::optional<Message> next();
  bool broken() const { return broken_; }

 private:
  Bytes pending_;
  std::size_t used_ = 0;
  std::vector<Message> ready_;
  std::size_t ready_pos_ = 0;
  bool broken_ = false;
};

// Decoded client messages. Each decoder returns nullopt when the payload
// does not have the layout of its type.
struct Hello {
  std::string version;  // "VTP 0.9.0" from a well-formed client
  std::string magic;    // "QEM Live"
  uint32_t data_port = 0;
};
struct Open {
  std::string magic;
  uint32_t data_port = 0;
  uint32_t buffering = 0;  // BufferSize << 16 | transport tag
  uint32_t bandwidth = 0;
  std::string path;
};
struct UserInfo {
  std::string name, company, email;
};
struct Identity {
  uint32_t version = 0, kind = 0;
  Bytes bytes;
};
struct Report {
  uint16_t header_words = 0;
  bool urgent = false;
  uint32_t counter = 0;
  uint32_t highest = 0;
  uint32_t generation = 0;
  uint32_t clock = 0;
  uint32_t received = 0, received_bytes = 0, late = 0, late_bytes = 0;
  std::vector<uint32_t> missing;
};

std::optional<Hello> decode_hello(const Bytes& p);
std::optional<Open> decode_open(const Bytes& p);
std::optional<UserInfo> decode_user_info(const Bytes& p);
std::optional<Identity> decode_identity(const Bytes& p);
std::optional<Report> decode_report(const Bytes& p);
std::optional<uint32_t> decode_u32(const Bytes& p);  // CODE, NOTICE, SLIDE_MODE
std::optional<std::string> decode_text(const Bytes& p);  // COMMAND

}  // namespace vsrv
