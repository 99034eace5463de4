#include "sim/server/wire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vsrv {
namespace {

Bytes framed(uint32_t len_word, uint32_t type, Bytes payload) {
  Bytes b;
  put_u32(b, len_word);
  put_u32(b, type);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

TEST(ControlReader, AssemblesMessagesHoweverTheBytesArrive) {
  Bytes two = frame_message(kCode, {0, 0, 0, 7});
  Bytes second = frame_message(kCommand, {'p', 'a', 'u', 's', 'e', 0});
  two.insert(two.end(), second.begin(), second.end());
  struct Case {
    const char* name;
    std::size_t chunk;
  } cases[] = {{"all at once", two.size()}, {"one byte per read", 1}, {"three bytes", 3},
               {"split in the second length word", 13}};
  for (const Case& c : cases) {
    ControlReader r;
    std::vector<Message> got;
    for (std::size_t off = 0; off < two.size(); off += c.chunk) {
      ASSERT_TRUE(r.feed(&two[off], std::min(c.chunk, two.size() - off))) << c.name;
      while (auto m = r.next()) got.push_back(*m);
    }
    ASSERT_EQ(got.size(), 2u) << c.name;
    EXPECT_EQ(got[0].type, uint32_t(kCode)) << c.name;
    EXPECT_EQ(got[0].payload, (Bytes{0, 0, 0, 7})) << c.name;
    EXPECT_EQ(got[1].type, uint32_t(kCommand)) << c.name;
    EXPECT_EQ(got[1].payload.size(), 6u) << c.name;
  }
}

TEST(ControlReader, BadLengthWordsBreakTheFramingForGood) {
  struct Case {
    const char* name;
    uint32_t len;
  } cases[] = {{"zero", 0}, {"no room for the type", 3}, {"above the limit", kMaxControlLength + 1},
               {"near 2^32", 0xFFFFFFF0u}};
  for (const Case& c : cases) {
    ControlReader r;
    Bytes b = framed(c.len, kCode, {0, 0, 0, 7});
    EXPECT_FALSE(r.feed(b.data(), b.size())) << c.name;
    EXPECT_FALSE(r.next()) << c.name;
    Bytes good = frame_message(kCode, {0, 0, 0, 7});
    EXPECT_FALSE(r.feed(good.data(), good.size())) << c.name << ": recovered";
  }
}

Bytes hello_payload(uint32_t l, const char* text, const char* magic, uint32_t port) {
  Bytes p;
  put_u32(p, l);
  Bytes s(12, 0);
  std::memcpy(s.data(), text, std::strlen(text));
  p.insert(p.end(), s.begin(), s.end());
  p.insert(p.end(), magic, magic + 8);
  put_u32(p, port);
  return p;
}

TEST(Decoders, Hello) {
  auto h = decode_hello(hello_payload(10, "VTP 0.9.0", "QEM Live", 5001));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->version, "VTP 0.9.0");
  EXPECT_EQ(h->magic, "QEM Live");
  EXPECT_EQ(h->data_port, 5001u);

  Bytes junk_padding = hello_payload(10, "VTP 0.9.0", "QEM Live", 1);
  junk_padding[4 + 11] = 'z';
  struct Case {
    const char* name;
    Bytes p;
  } bad[] = {{"length word 0", hello_payload(0, "", "QEM Live", 1)},
             {"length past the string area", hello_payload(13, "VTP 0.9.0", "QEM Live", 1)},
             {"string not terminated", hello_payload(3, "VTP 0.9.0", "QEM Live", 1)},
             {"non-zero padding", junk_padding},
             {"short", Bytes(27, 0)}};
  for (const Case& c : bad) EXPECT_FALSE(decode_hello(c.p)) << c.name;
}

TEST(Decoders, OpenAndStrings) {
  Bytes p = {'Q', 'E', 'M', ' ', 'L', 'i', 'v', 'e'};
  put_u32(p, 4000);
  put_u32(p, 7500u << 16 | 5);
  put_u32(p, 12);
  for (char c : std::string("/clip")) p.push_back(uint8_t(c));
  p.push_back(0);
  auto o = decode_open(p);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->path, "/clip");
  EXPECT_EQ(o->buffering >> 16, 7500u);
  EXPECT_EQ(o->data_port, 4000u);

  Bytes unterminated(p.begin(), p.end() - 1);
  Bytes trailing = p;
  trailing.push_back('x');
  EXPECT_FALSE(decode_open(unterminated)) << "path without terminator";
  EXPECT_FALSE(decode_open(trailing)) << "bytes after the path";

  Bytes user = {'a', 0, 'b', 0, 'c', 0};
  auto u = decode_user_info(user);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->company, "b");
  EXPECT_FALSE(decode_user_info(Bytes{'a', 0, 'b', 0})) << "two strings";
}

TEST(Decoders, ReportCountMustMatchItsLength) {
  Bytes p;
  put_u16(p, 8);
  put_u16(p, 2);
  put_u32(p, 0x80000003u);
  for (uint32_t v : {9u, 1u, 123u, 7u, 700u, 1u, 12u}) put_u32(p, v);
  put_u32(p, 8);
  put_u32(p, 6);
  auto r = decode_report(p);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->urgent);
  EXPECT_EQ(r->counter, 3u);
  EXPECT_EQ(r->highest, 9u);
  EXPECT_EQ(r->missing, (std::vector<uint32_t>{8, 6}));

  Bytes overclaim = p;
  overclaim[3] = 0xFF;  // M = 255 with two listed
  EXPECT_FALSE(decode_report(overclaim)) << "M above the listed numbers";
  EXPECT_FALSE(decode_report(Bytes(p.begin(), p.begin() + 35))) << "short header";
}

}  // namespace
}  // namespace vsrv
