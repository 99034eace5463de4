#include "qemliv32/control_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

// Feeds `stream` in pieces of `piece` bytes; returns the message contents
// in hex, or "lost" when the reader lost sync.
std::vector<std::string> read_all(ControlStreamReader& reader, const Bytes& stream,
                                  std::size_t piece) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    std::size_t n = std::min(piece, stream.size() - at);
    const uint8_t* p = stream.data() + at;
    while (n > 0) {
      std::size_t used = 0;
      PacketBuffer message;
      auto status = reader.read(p, n, used, message);
      if (status == ControlStreamReader::Status::lost_sync) {
        out.push_back("lost");
        return out;
      }
      EXPECT_LE(used, n);
      p += used;
      n -= used;
      if (status == ControlStreamReader::Status::message) {
        EXPECT_EQ(message.received(), message.size());
        EXPECT_EQ(message.channel(), PacketBuffer::Channel::control);
        out.push_back(hex(Bytes(message.data(), message.data() + message.size())));
      } else {
        EXPECT_EQ(n, 0u) << "need_more must take every byte";
      }
    }
  }
  return out;
}

TEST(ControlStream, AssemblesMessagesWhateverTheReadSizes) {
  Bytes stream = cat({framed(2, be32(7)), framed(14, cat({be32(2), be32(0), text("hi"), zeros(1)})),
                      framed(2, be32(11))});
  std::vector<std::string> expected = {hex(cat({be32(2), be32(7)})),
                                       hex(cat({be32(14), be32(2), be32(0), text("hi"), zeros(1)})),
                                       hex(cat({be32(2), be32(11)}))};
  for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(5),
                            std::size_t(7), stream.size()}) {
    ControlStreamReader reader;
    EXPECT_EQ(read_all(reader, stream, piece), expected) << "pieces of " << piece;
  }
}

TEST(ControlStream, BadLengthWordsLoseSyncWithoutAllocating) {
  struct Case {
    const char* name;
    uint32_t length;
    bool lost;
  } cases[] = {
      {"zero", 0, true},
      {"one past the cap", kMaxControlMessage + 1, true},
      {"all ones", 0xFFFFFFFF, true},
      {"at the cap", kMaxControlMessage, false},
      {"one byte (no type word)", 1, false},
  };
  for (const Case& c : cases) {
    ControlStreamReader reader;
    Bytes head = be32(c.length);
    std::vector<std::string> got = read_all(reader, head, 1);
    EXPECT_EQ(!got.empty() && got.back() == "lost", c.lost) << c.name;
    EXPECT_EQ(reader.lost(), c.lost) << c.name;
    if (c.lost) {
      // Nothing more is taken until reset.
      std::size_t used = 7;
      PacketBuffer m;
      Bytes next = framed(2, be32(7));
      EXPECT_EQ(reader.read(next.data(), next.size(), used, m),
                ControlStreamReader::Status::lost_sync)
          << c.name;
      EXPECT_EQ(used, 0u) << c.name;
      reader.reset();
      EXPECT_EQ(read_all(reader, next, 1).size(), 1u) << c.name << ": after reset";
    }
  }
}

TEST(ControlStream, ResetDropsAHalfReadMessage) {
  ControlStreamReader reader;
  Bytes first = framed(2, be32(7));
  read_all(reader, Bytes(first.begin(), first.begin() + 6), 1);
  reader.reset();
  EXPECT_EQ(read_all(reader, framed(2, be32(11)), 3), std::vector<std::string>{hex(cat({be32(2), be32(11)}))});
}

}  // namespace
