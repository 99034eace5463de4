#include "qemliv32/packet_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "qemliv32/media_frame.h"

using namespace qem;

namespace {

TEST(PacketBuffer, ViewsShareOneBlockThatLivesUntilTheLastRelease) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  PacketView first, second;
  {
    PacketBuffer datagram = PacketBuffer::copy_of(bytes, sizeof bytes, PacketBuffer::Channel::data);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram.received(), 8u);
    first = PacketView(datagram, 2, 3);
    second = PacketView(datagram, 5, 3);
    EXPECT_EQ(datagram.use_count(), 3);
    EXPECT_EQ(first.data(), datagram.data() + 2) << "a view is not a copy";
  }
  EXPECT_EQ(first.buffer().use_count(), 2);
  EXPECT_EQ(first.data()[0], 3);
  EXPECT_EQ(second.data()[2], 8);
  second = PacketView();
  EXPECT_EQ(first.buffer().use_count(), 1);
  EXPECT_EQ(std::memcmp(first.data(), bytes + 2, 3), 0);
}

TEST(PacketBuffer, RecordsPiecesChannelAndTrim) {
  PacketBuffer b = PacketBuffer::allocate(10, PacketBuffer::Channel::data);
  ASSERT_TRUE(b);
  EXPECT_EQ(b.size(), 10u);
  EXPECT_EQ(b.received(), 0u);
  b.set_received(4);
  EXPECT_EQ(b.received(), 4u);
  b.set_received(99);
  EXPECT_EQ(b.received(), 10u) << "received never passes the size";
  b.trim(6);
  EXPECT_EQ(b.size(), 6u);
  EXPECT_EQ(b.received(), 6u);
  b.trim(20);
  EXPECT_EQ(b.size(), 6u) << "trim never grows";
  EXPECT_EQ(b.channel(), PacketBuffer::Channel::data);
  for (std::size_t i = 0; i < PacketBuffer::kSourceSize; ++i) EXPECT_EQ(b.source()[i], 0);

  PacketBuffer moved = std::move(b);
  EXPECT_FALSE(b);
  EXPECT_EQ(moved.use_count(), 1);
  PacketBuffer copy;
  copy = moved;
  copy = copy;  // self-assignment keeps the block
  EXPECT_EQ(moved.use_count(), 2);
  EXPECT_EQ(copy.size(), 6u);
}

TEST(PacketBuffer, ImpossibleSizeGivesAnEmptyBuffer) {
  EXPECT_FALSE(PacketBuffer::allocate(std::size_t(-1) - 8, PacketBuffer::Channel::control));
}

}  // namespace
