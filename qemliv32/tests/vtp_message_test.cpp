#include "qemliv32/vtp_message.h"

#include <gtest/gtest.h>

#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

TEST(VtpMessage, ClientMessagesByteForByte) {
  const uint32_t missing[] = {4, 3};
  ReportFields report;
  report.urgent = true;
  report.counter = 1;
  report.highest_sequence = 5;
  report.generation = 2;
  report.clock_ms = 0x01020304;
  report.datagrams = 3;
  report.bytes = 48;
  report.late_datagrams = 0;
  report.late_bytes = 0;
  struct Case {
    const char* name;
    Bytes built;
    Bytes expected;
  } cases[] = {
      {"HELLO", encode_hello(0x1234),
       cat({be32(32), be32(6), be32(10), text("VTP 0.9.0"), zeros(3), text("QEM Live"),
            be32(0x1234)})},
      {"IDENTITY", encode_identity(257, 0, (const uint8_t*)"xxxxxxxxxx", 10),
       cat({be32(26), be32(16), be32(257), be32(0), be32(10), text("xxxxxxxxxx")})},
      {"USER_INFO", encode_user_info("Ann", "Co", "a@b"),
       cat({be32(4 + 4 + 3 + 4), be32(7), text("Ann"), zeros(1), text("Co"), zeros(1), text("a@b"),
            zeros(1)})},
      {"OPEN", encode_open(0x1234, 7500, 5, 12, "/c:\\/a.avi"),
       cat({be32(4 + 21 + 10), be32(1), text("QEM Live"), be32(0x1234), be32(0x1D4C0005), be32(12),
            text("/c:\\/a.avi"), zeros(1)})},
      {"OPEN buffer above 16 bits", encode_open(1, 0x12345, 5, 0, ""),
       cat({be32(4 + 21), be32(1), text("QEM Live"), be32(1), be32(0x23450005), be32(0), zeros(1)})},
      {"SLIDE_MODE", encode_slide_mode(1), cat({be32(8), be32(15), be32(0x00010000)})},
      {"CODE", encode_code(11), cat({be32(8), be32(2), be32(11)})},
      {"COMMAND", encode_command("pause"), cat({be32(10), be32(4), text("pause"), zeros(1)})},
      {"NOTICE", encode_notice(10), cat({be32(8), be32(8), be32(10)})},
      {"REPORT", encode_report(report, missing, 2),
       cat({be32(4 + 36 + 8), be32(10), be16(8), be16(2), be32(0x80000001), be32(5), be32(2),
            be32(0x01020304), be32(3), be32(48), be32(0), be32(0), be32(4), be32(3)})},
  };
  for (const Case& c : cases) EXPECT_EQ(hex(c.built), hex(c.expected)) << c.name;
}

TEST(VtpMessage, UserDetailsAreCutAt255AndAtZero) {
  std::string long_name(300, 'n');
  Bytes built = encode_user_info(long_name, std::string("Co\0rp", 5), "");
  Bytes expected = cat({be32(4 + 256 + 3 + 1), be32(7), Bytes(255, 'n'), zeros(1), text("Co"),
                        zeros(1), zeros(1)});
  EXPECT_EQ(hex(built), hex(expected));
}

TEST(VtpMessage, ParsersAcceptWellFormedAndRefuseShortOrOverlongPayloads) {
  Bytes code = be32(7);
  EXPECT_EQ(parse_code(code.data(), 4), 7u);
  EXPECT_FALSE(parse_code(code.data(), 3));

  Bytes info = cat({be32(1), be32(900), be32(3), Bytes{1, 2, 3}});
  auto si = parse_stream_info(info.data(), info.size());
  ASSERT_TRUE(si);
  EXPECT_EQ(si->kind, 1u);
  EXPECT_EQ(si->length, 900u);
  ASSERT_EQ(si->format.size, 3u);
  EXPECT_EQ(si->format.data[2], 3);
  EXPECT_FALSE(parse_stream_info(info.data(), info.size() - 1)) << "format runs past the end";
  EXPECT_FALSE(parse_stream_info(info.data(), 11)) << "no room for n";
  Bytes huge = cat({be32(1), be32(0), be32(0xFFFFFFFF)});
  EXPECT_FALSE(parse_stream_info(huge.data(), huge.size())) << "n of 2^32-1";

  Bytes id = cat({be32(257), be32(6), be32(4), text("keyk")});
  auto identity = parse_identity(id.data(), id.size());
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->version, 257u);
  EXPECT_EQ(identity->kind, 6u);
  EXPECT_EQ(identity->bytes.size, 4u);
  EXPECT_FALSE(parse_identity(id.data(), id.size() - 1));

  Bytes st = cat({be32(0x102), be32(1500), text("Hello"), zeros(1), text("tail")});
  auto server_text = parse_server_text(st.data(), st.size());
  ASSERT_TRUE(server_text);
  EXPECT_EQ(server_text->text, "Hello");
  EXPECT_EQ(server_text->display_ms, 1500u);
  Bytes unterminated = cat({be32(2), be32(0), text("abc")});
  EXPECT_EQ(parse_server_text(unterminated.data(), unterminated.size())->text, "abc")
      << "text without terminator ends at the payload's end";
  EXPECT_FALSE(parse_server_text(st.data(), 7));
}

TEST(VtpMessage, ServerTextFlagBits) {
  struct Case {
    uint32_t flags;
    uint32_t action;
    bool show_now, no_audio, replaces_label;
  } cases[] = {
      {1, 1, false, false, false},
      {0x101, 1, true, false, false},
      {0x1000 | 0x100 | 2, 2, true, false, true},
      {0x2000 | 5, 5, false, true, true},
      {6, 6, false, false, true},
      {0x3106, 6, true, true, true},
      {0, 0, false, false, false},
      {7, 0, false, false, false},
      {0x4001, 0, false, false, false},
  };
  for (const Case& c : cases) {
    ServerText t;
    t.flags = c.flags;
    EXPECT_EQ(t.action(), c.action) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(t.show_now(), c.show_now) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(t.no_audio(), c.no_audio) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(t.replaces_label(), c.replaces_label) << std::hex << "flags 0x" << c.flags;
  }
}

}  // namespace
