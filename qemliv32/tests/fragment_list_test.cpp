#include "qemliv32/fragment_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace qem;

namespace {

// A fragment whose bytes are `piece` in a block of `block` bytes.
Fragment piece(uint32_t number, uint8_t index, bool last, uint32_t time, const std::string& bytes,
               MediaStream stream = MediaStream::video, std::size_t block = 0) {
  PacketBuffer b = PacketBuffer::allocate(std::max(block, bytes.size()), PacketBuffer::Channel::data);
  std::copy(bytes.begin(), bytes.end(), b.data());
  return Fragment{stream, number, index, last, time, PacketView(b, 0, bytes.size())};
}

std::string content(const MediaFrame& f) {
  return std::string(reinterpret_cast<const char*>(f.data()), f.length());
}

TEST(FragmentList, AssemblesARunWhateverTheArrivalOrder) {
  struct Case {
    const char* name;
    std::vector<int> order;  // indexes 1..3; 3 is the last
  } cases[] = {{"1,2,3", {1, 2, 3}}, {"3,1,2", {3, 1, 2}}, {"2,3,1", {2, 3, 1}}, {"3,2,1", {3, 2, 1}}};
  const char* parts[] = {"", "ab", "cd", "e"};
  for (const Case& c : cases) {
    FragmentList list;
    list.add(piece(8, 1, false, 999, "other frame"), *std::make_unique<MediaFrame>());
    int assembled_at = -1;
    MediaFrame frame;
    for (std::size_t i = 0; i < c.order.size(); ++i) {
      int idx = c.order[i];
      if (list.add(piece(9, uint8_t(idx), idx == 3, 100 + idx, parts[idx]), frame)) assembled_at = int(i);
    }
    EXPECT_EQ(assembled_at, 2) << c.name << ": assembled when the last piece arrives";
    EXPECT_EQ(content(frame), "abcde") << c.name;
    EXPECT_EQ(frame.number, 10u) << c.name;
    EXPECT_EQ(frame.time, 101u) << c.name << ": time of fragment 1";
    EXPECT_EQ(list.size(), 1u) << c.name << ": the run is gone, the other frame stays";
  }
}

TEST(FragmentList, IncompleteOrForeignRunsStay) {
  struct Case {
    const char* name;
    std::vector<Fragment> pieces;
  } cases[] = {
      {"gap", {piece(1, 1, false, 0, "a"), piece(1, 3, true, 0, "c")}},
      {"no first", {piece(1, 2, false, 0, "b"), piece(1, 3, true, 0, "c")}},
      {"no last bit", {piece(1, 1, false, 0, "a"), piece(1, 2, false, 0, "b")}},
      {"other stream", {piece(1, 1, false, 0, "a"), piece(1, 2, true, 0, "b", MediaStream::audio)}},
      {"other frame", {piece(1, 1, false, 0, "a"), piece(2, 2, true, 0, "b")}},
  };
  for (Case& c : cases) {
    FragmentList list;
    MediaFrame frame;
    bool any = false;
    std::size_t n = c.pieces.size();
    for (Fragment& f : c.pieces) any |= list.add(std::move(f), frame);
    EXPECT_FALSE(any) << c.name;
    EXPECT_EQ(list.size(), n) << c.name;
  }
}

TEST(FragmentList, DuplicateIsDroppedAndDoesNotDoubleTheFrame) {
  FragmentList list;
  MediaFrame frame;
  EXPECT_FALSE(list.add(piece(4, 1, false, 0, "ab"), frame));
  EXPECT_FALSE(list.add(piece(4, 1, false, 0, "XX"), frame));
  EXPECT_EQ(list.size(), 1u);
  ASSERT_TRUE(list.add(piece(4, 2, true, 0, "cd"), frame));
  EXPECT_EQ(content(frame), "abcd");
  EXPECT_EQ(list.held_bytes(), 0u);
}

TEST(FragmentList, PurgeDropsFragmentsUpToTheCutoff) {
  FragmentList list;
  MediaFrame frame;
  list.add(piece(1, 1, false, 1000, "a"), frame);
  list.add(piece(2, 1, false, 2000, "b"), frame);
  list.add(piece(3, 1, false, 2001, "c"), frame);
  list.purge(2000);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(list.held_bytes(), 1u);
  list.clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_EQ(list.held_bytes(), 0u);
}

TEST(FragmentList, BoundedInEntriesAndBytesOldestFramesGoFirst) {
  FragmentList list;
  MediaFrame frame;
  // Unfinished runs, numbers ascending: one more than the entry bound.
  for (uint32_t n = 0; n <= FragmentList::kMaxFragments; ++n) list.add(piece(n, 1, false, n, "x"), frame);
  EXPECT_EQ(list.size(), FragmentList::kMaxFragments);
  // Frame 0 was evicted: its last piece finds no run, frame 1's does.
  EXPECT_FALSE(list.add(piece(0, 2, true, 0, "y"), frame));
  EXPECT_TRUE(list.add(piece(1, 2, true, 1, "y"), frame));

  FragmentList big;
  const std::size_t block = 64 * 1024;
  for (uint32_t n = 0; n < 200; ++n) big.add(piece(n, 1, false, n, "z", MediaStream::video, block), frame);
  EXPECT_LE(big.held_bytes(), FragmentList::kMaxBytes);
  EXPECT_EQ(big.size(), FragmentList::kMaxBytes / block);
  EXPECT_TRUE(big.add(piece(199, 2, true, 0, "z"), frame)) << "the newest run survives";
}

}  // namespace
