#include "qemliv32/vtp_message.h"

#include <cstring>

namespace qem {
namespace {

// A message under construction: room for the length word, then the type.
std::vector<uint8_t> start(MessageType type, std::size_t payload_hint) {
  std::vector<uint8_t> out;
  out.reserve(8 + payload_hint);
  append_be32(out, 0);
  append_be32(out, uint32_t(type));
  return out;
}

std::vector<uint8_t> finish(std::vector<uint8_t> out) {
  uint32_t n = uint32_t(out.size() - 4);
  out[0] = uint8_t(n >> 24);
  out[1] = uint8_t(n >> 16);
  out[2] = uint8_t(n >> 8);
  out[3] = uint8_t(n);
  return out;
}

// A zero-terminated text; a zero inside would end it early on the wire anyway.
void append_text(std::vector<uint8_t>& out, std::string_view text, std::size_t max) {
  std::size_t n = text.find('\0');
  if (n == std::string_view::npos) n = text.size();
  if (n > max) n = max;
  out.insert(out.end(), text.begin(), text.begin() + n);
  out.push_back(0);
}

constexpr char kProduct[8] = {'Q', 'E', 'M', ' ', 'L', 'i', 'v', 'e'};

}  // namespace

std::vector<uint8_t> encode_hello(uint32_t data_port) {
  std::vector<uint8_t> out = start(MessageType::hello, 28);
  append_be32(out, sizeof kProtocolName);
  uint8_t name[12] = {};
  std::memcpy(name, kProtocolName, sizeof kProtocolName);
  out.insert(out.end(), name, name + sizeof name);
  out.insert(out.end(), kProduct, kProduct + sizeof kProduct);
  append_be32(out, data_port);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_identity(uint32_t version, uint32_t kind, const uint8_t* bytes,
                                     std::size_t n) {
  std::vector<uint8_t> out = start(MessageType::identity, 12 + n);
  append_be32(out, version);
  append_be32(out, kind);
  append_be32(out, uint32_t(n));
  if (n) out.insert(out.end(), bytes, bytes + n);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_user_info(std::string_view name, std::string_view company,
                                      std::string_view email) {
  std::vector<uint8_t> out = start(MessageType::user_info, 3 * 32);
  append_text(out, name, kMaxUserDetail);
  append_text(out, company, kMaxUserDetail);
  append_text(out, email, kMaxUserDetail);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_open(uint32_t data_port, uint32_t buffer_ms, uint32_t transport_tag,
                                 uint32_t bandwidth, std::string_view path) {
  std::vector<uint8_t> out = start(MessageType::open, 21 + path.size());
  out.insert(out.end(), kProduct, kProduct + sizeof kProduct);
  append_be32(out, data_port);
  append_be32(out, (buffer_ms & 0xFFFF) << 16 | (transport_tag & 0xFFFF));
  append_be32(out, bandwidth);
  append_text(out, path, std::string_view::npos);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_slide_mode(uint32_t slide_mode) {
  std::vector<uint8_t> out = start(MessageType::slide_mode, 4);
  append_be32(out, slide_mode << 16);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_code(uint32_t code) {
  std::vector<uint8_t> out = start(MessageType::code, 4);
  append_be32(out, code);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_command(std::string_view text) {
  std::vector<uint8_t> out = start(MessageType::command, text.size() + 1);
  append_text(out, text, std::string_view::npos);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_notice(uint32_t value) {
  std::vector<uint8_t> out = start(MessageType::notice, 4);
  append_be32(out, value);
  return finish(std::move(out));
}

std::vector<uint8_t> encode_report(const ReportFields& f, const uint32_t* missing,
                                   std::size_t missing_count) {
  if (missing_count > 0xFFFF) missing_count = 0xFFFF;
  std::vector<uint8_t> out = start(MessageType::report, 36 + 4 * missing_count);
  out.push_back(0);
  out.push_back(8);
  out.push_back(uint8_t(missing_count >> 8));
  out.push_back(uint8_t(missing_count));
  append_be32(out, (f.urgent ? 0x80000000u : 0) | (f.counter & 0x7FFFFFFF));
  append_be32(out, f.highest_sequence);
  append_be32(out, f.generation);
  append_be32(out, f.clock_ms);
  append_be32(out, f.datagrams);
  append_be32(out, f.bytes);
  append_be32(out, f.late_datagrams);
  append_be32(out, f.late_bytes);
  std::size_t at = out.size();
  out.resize(at + 4 * missing_count);
  for (std::size_t i = 0; i < missing_count; ++i, at += 4) write_be32(out.data() + at, missing[i]);
  return finish(std::move(out));
}

std::optional<uint32_t> parse_code(const uint8_t* payload, std::size_t n) {
  if (n < 4) return std::nullopt;
  return read_be32(payload);
}

std::optional<StreamInfo> parse_stream_info(const uint8_t* payload, std::size_t n) {
  if (n < 12) return std::nullopt;
  StreamInfo info;
  info.kind = read_be32(payload);
  info.length = read_be32(payload + 4);
  uint32_t format_size = read_be32(payload + 8);
  if (format_size > n - 12) return std::nullopt;
  info.format = {payload + 12, format_size};
  return info;
}

std::optional<ServerText> parse_server_text(const uint8_t* payload, std::size_t n) {
  if (n < 8) return std::nullopt;
  ServerText text;
  text.flags = read_be32(payload);
  text.display_ms = read_be32(payload + 4);
  const char* p = reinterpret_cast<const char*>(payload + 8);
  const void* zero = std::memchr(p, 0, n - 8);
  std::size_t length = zero ? std::size_t(static_cast<const char*>(zero) - p) : n - 8;
  text.text.assign(p, length);
  return text;
}

std::optional<IdentityInfo> parse_identity(const uint8_t* payload, std::size_t n) {
  if (n < 12) return std::nullopt;
  IdentityInfo identity;
  identity.version = read_be32(payload);
  identity.kind = read_be32(payload + 4);
  uint32_t size = read_be32(payload + 8);
  if (size > n - 12) return std::nullopt;
  identity.bytes = {payload + 12, size};
  return identity;
}

}  // namespace qem
