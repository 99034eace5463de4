#include "sim/server/wire.h"

#include <cstring>

namespace vsrv {

void put_u32(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v >> 24));
  b.push_back(uint8_t(v >> 16));
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}

void put_u16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}

uint32_t get_u32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint16_t get_u16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

Bytes frame_message(uint32_t type, const Bytes& payload) {
  Bytes b;
  b.reserve(8 + payload.size());
  put_u32(b, uint32_t(payload.size() + 4));
  put_u32(b, type);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

Bytes code_message(uint32_t code) {
  Bytes p;
  put_u32(p, code);
  return frame_message(kCode, p);
}

Bytes stream_info_message(uint32_t kind, uint32_t length, const Bytes& format) {
  Bytes p;
  put_u32(p, kind);
  put_u32(p, length);
  put_u32(p, uint32_t(format.size()));
  p.insert(p.end(), format.begin(), format.end());
  return frame_message(kStreamInfo, p);
}

Bytes server_text_message(uint32_t flags, uint32_t display_ms, const std::string& text) {
  Bytes p;
  put_u32(p, flags);
  put_u32(p, display_ms);
  p.insert(p.end(), text.begin(), text.end());
  p.push_back(0);
  return frame_message(kServerText, p);
}

Bytes identity_message(uint32_t version, uint32_t kind, const Bytes& bytes) {
  Bytes p;
  put_u32(p, version);
  put_u32(p, kind);
  put_u32(p, uint32_t(bytes.size()));
  p.insert(p.end(), bytes.begin(), bytes.end());
  return frame_message(kIdentity, p);
}

bool ControlReader::feed(const uint8_t* data, std::size_t len) {
  if (broken_) return false;
  pending_.insert(pending_.end(), data, data + len);
  for (;;) {
    std::size_t avail = pending_.size() - used_;
    if (avail < 4) break;
    uint32_t n = get_u32(&pending_[used_]);
    if (n < 4 || n > kMaxControlLength) {
      broken_ = true;
      pending_.clear();
      used_ = 0;
      return false;
    }
    if (avail < 4 + std::size_t(n)) break;
    const uint8_t* m = &pending_[used_ + 4];
    ready_.push_back(Message{get_u32(m), Bytes(m + 4, m + n)});
    used_ += 4 + n;
  }
  // Keep the buffer no larger than one unfinished message.
  pending_.erase(pending_.begin(), pending_.begin() + used_);
  used_ = 0;
  return true;
}

std::optional<Message> ControlReader::next() {
  if (ready_pos_ >= ready_.size()) {
    ready_.clear();
    ready_pos_ = 0;
    return std::nullopt;
  }
  return std::move(ready_[ready_pos_++]);
}

namespace {

// A zero-terminated string starting at off; nullopt when no terminator.
std::optional<std::string> cstring_at(const Bytes& p, std::size_t& off) {
  if (off > p.size()) return std::nullopt;
  const void* z = std::memchr(p.data() + off, 0, p.size() - off);
  if (!z) return std::nullopt;
  std::size_t end = static_cast<const uint8_t*>(z) - p.data();
  std::string s(p.begin() + off, p.begin() + end);
  off = end + 1;
  return s;
}

}  // namespace

std::optional<Hello> decode_hello(const Bytes& p) {
  if (p.size() != 28) return std::nullopt;
  uint32_t l = get_u32(&p[0]);
  if (l == 0 || l > 12) return std::nullopt;
  Hello h;
  h.version.assign(p.begin() + 4, p.begin() + 4 + l);
  if (h.version.back() != '\0') return std::nullopt;
  h.version.pop_back();
  for (std::size_t i = 4 + l; i < 16; ++i)
    if (p[i] != 0) return std::nullopt;  // padding must be zeros
  h.magic.assign(p.begin() + 16, p.begin() + 24);
  h.data_port = get_u32(&p[24]);
  return h;
}

std::optional<Open> decode_open(const Bytes& p) {
  if (p.size() < 21) return std::nullopt;
  Open o;
  o.magic.assign(p.begin(), p.begin() + 8);
  o.data_port = get_u32(&p[8]);
  o.buffering = get_u32(&p[12]);
  o.bandwidth = get_u32(&p[16]);
  std::size_t off = 20;
  auto path = cstring_at(p, off);
  if (!path || off != p.size()) return std::nullopt;
  o.path = *path;
  return o;
}

std::optional<UserInfo> decode_user_info(const Bytes& p) {
  std::size_t off = 0;
  auto name = cstring_at(p, off);
  auto company = name ? cstring_at(p, off) : std::nullopt;
  auto email = company ? cstring_at(p, off) : std::nullopt;
  if (!email || off != p.size()) return std::nullopt;
  return UserInfo{*name, *company, *email};
}

std::optional<Identity> decode_identity(const Bytes& p) {
  if (p.size() < 12) return std::nullopt;
  uint32_t n = get_u32(&p[8]);
  if (n != p.size() - 12) return std::nullopt;
  return Identity{get_u32(&p[0]), get_u32(&p[4]), Bytes(p.begin() + 12, p.end())};
}

std::optional<Report> decode_report(const Bytes& p) {
  if (p.size() < 36) return std::nullopt;
  Report r;
  r.header_words = get_u16(&p[0]);
  uint16_t m = get_u16(&p[2]);
  if (p.size() != 36 + 4 * std::size_t(m)) return std::nullopt;
  uint32_t w = get_u32(&p[4]);
  r.urgent = (w & 0x80000000u) != 0;
  r.counter = w & 0x7FFFFFFFu;
  r.highest = get_u32(&p[8]);
  r.generation = get_u32(&p[12]);
  r.clock = get_u32(&p[16]);
  r.received = get_u32(&p[20]);
  r.received_bytes = get_u32(&p[24]);
  r.late = get_u32(&p[28]);
  r.late_bytes = get_u32(&p[32]);
  r.missing.reserve(m);
  for (std::size_t i = 0; i < m; ++i) r.missing.push_back(get_u32(&p[36 + 4 * i]));
  return r;
}

std::optional<uint32_t> decode_u32(const Bytes& p) {
  if (p.size() != 4) return std::nullopt;
  return get_u32(p.data());
}

std::optional<std::string> decode_text(const Bytes& p) {
  std::size_t off = 0;
  auto s = cstring_at(p, off);
  if (!s || off != p.size()) return std::nullopt;
  return s;
}

}  // namespace vsrv
