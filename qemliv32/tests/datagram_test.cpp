#include "qemliv32/datagram.h"

#include <gtest/gtest.h>

#include <string>

#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

std::string walk(const Bytes& d) {
  std::string out;
  DatagramWalker walker(d.data(), d.size());
  DatagramEntry e;
  while (walker.next(e)) {
    out += std::to_string(e.stream) + "/" + std::to_string(e.fragment) + "/" +
           std::to_string(e.number) + "@" + std::to_string(e.time) + ":" + std::to_string(e.size);
    if (e.size) out += "=" + std::to_string(d[e.offset]);
    out += " ";
  }
  return out;
}

TEST(Datagram, HeaderFields) {
  Bytes d = datagram(0x01020304, 0x7FFFFFFF, {}, true);
  DatagramHeader h;
  ASSERT_TRUE(read_datagram_header(d.data(), d.size(), h));
  EXPECT_EQ(h.sequence, 0x01020304u);
  EXPECT_TRUE(h.report_request);
  EXPECT_EQ(h.generation, 0x7FFFFFFFu);
  EXPECT_FALSE(read_datagram_header(d.data(), 11, h));
}

TEST(Datagram, WalksEntriesAndStopsAtTheFirstBadOne) {
  Bytes two = datagram(1, 0, {entry(0, 0, 40, 3, {9, 9, 9, 9, 9}), entry(1, 0x81, 50, 4, {7})});
  Bytes short_entry = two;
  short_entry[12 + 20 + 1] = 11;  // second entry's length below its header
  Bytes past_end = datagram(1, 0, {entry(0, 0, 1, 1, {5}), cat({be16(200), Bytes{0, 0}, be32(0), be32(0)})});
  Bytes odd_tail = two;
  odd_tail.push_back(0xAA);  // the area is rounded down: a stray byte changes nothing
  odd_tail.push_back(0xAA);
  Bytes cut = two;
  cut.resize(two.size() - 2);  // the last entry (16 bytes with padding) now runs past the area
  struct Case {
    const char* name;
    Bytes d;
    std::string expected;
  } cases[] = {
      {"two entries, padded", two, "0/0/3@40:5=9 1/129/4@50:1=7 "},
      {"short entry", short_entry, "0/0/3@40:5=9 "},
      {"entry running past the end", past_end, "0/0/1@1:1=5 "},
      {"length not a multiple of 4", odd_tail, "0/0/3@40:5=9 1/129/4@50:1=7 "},
      {"truncated last entry", cut, "0/0/3@40:5=9 "},
      {"header only", datagram(1, 0, {}), ""},
      {"12 to 23 bytes", cat({datagram(1, 0, {}), zeros(11)}), ""},
      {"empty entry", datagram(1, 0, {entry(1, 0, 0, 0, {})}), "1/0/0@0:0 "},
  };
  for (const Case& c : cases) EXPECT_EQ(walk(c.d), c.expected) << c.name;
}

TEST(Datagram, CountedBytes) {
  struct Case {
    std::size_t length;
    uint32_t counted;
  } cases[] = {{0, 0}, {11, 0}, {12, 12}, {15, 12}, {23, 20}, {1500, 1500}, {1501, 1500}};
  for (const Case& c : cases) EXPECT_EQ(datagram_counted_bytes(c.length), c.counted) << "length " << c.length;
}

}  // namespace
