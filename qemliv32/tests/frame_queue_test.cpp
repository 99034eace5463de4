#include "qemliv32/frame_queue.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace qem;

namespace {

MediaFrame frame(uint32_t number, uint32_t time, std::size_t length = 4, int type = kInterNormal,
                 MediaStream stream = MediaStream::video) {
  MediaFrame f;
  f.number = number;
  f.time = time;
  f.stream = stream;
  if (length) {
    std::vector<uint8_t> bytes(length, uint8_t(number));
    bytes[0] = uint8_t(type);
    f.bytes = PacketView(PacketBuffer::copy_of(bytes.data(), length, PacketBuffer::Channel::data),
                         0, length);
  }
  return f;
}

// "5@500 6_600": number, '@' for a frame with bytes or '_' for a placeholder, time.
std::string contents(const FrameQueue& q) {
  std::string out;
  for (const MediaFrame& f : q) {
    if (!out.empty()) out += ' ';
    out += std::to_string(f.number) + (f.length() ? "@" : "_") + std::to_string(f.time);
  }
  return out;
}

TEST(FrameQueue, GapsAtTheEndsGetPlaceholdersWithInterpolatedTimes) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> inserts;  // number, time
    const char* expected;
  } cases[] = {
      {"gap after the tail", {{5, 500}, {9, 900}}, "5@500 6_600 7_700 8_800 9@900"},
      {"gap before the head", {{9, 900}, {5, 500}}, "5@500 6_600 7_700 8_800 9@900"},
      {"times going back", {{5, 900}, {9, 500}}, "5@900 6_800 7_700 8_600 9@500"},
      {"the step is truncated", {{5, 0}, {8, 100}}, "5@0 6_33 7_66 8@100"},
      {"a negative step truncates toward zero", {{5, 100}, {8, 0}}, "5@100 6_67 7_34 8@0"},
      {"neighbours need none", {{5, 500}, {6, 530}, {4, 470}}, "4@470 5@500 6@530"},
      {"an equal number replaces", {{5, 500}, {5, 510}}, "5@510"},
      {"a late frame takes its placeholder's place", {{5, 500}, {8, 800}, {6, 650}},
       "5@500 6@650 7_700 8@800"},
      {"times near the top of the range", {{1, 0xFFFFFFF0u}, {3, 0xFFFFFFFEu}},
       "1@4294967280 2_4294967287 3@4294967294"},
  };
  for (const Case& c : cases) {
    FrameQueue q;
    for (auto [n, t] : c.inserts) EXPECT_NE(q.insert(frame(n, t)), FrameQueue::Insert::refused) << c.name;
    EXPECT_EQ(contents(q), c.expected) << c.name;
  }
}

TEST(FrameQueue, LateFrameReplacesItsPlaceholder) {
  FrameQueue q;
  ASSERT_EQ(q.insert(frame(5, 500)), FrameQueue::Insert::queued);
  ASSERT_EQ(q.insert(frame(9, 900)), FrameQueue::Insert::queued);
  ASSERT_EQ(q.size(), 5u);
  EXPECT_EQ(q.insert(frame(7, 700, 6, kIntraNormal)), FrameQueue::Insert::replaced);
  EXPECT_EQ(q.size(), 5u);
  auto it = std::next(q.begin(), 2);
  ASSERT_EQ(it->number, 7u);
  ASSERT_EQ(it->length(), 6u);
  EXPECT_EQ(it->data()[0], kIntraNormal);
  EXPECT_EQ(it->data()[5], 7);
}

TEST(FrameQueue, JumpsBeyondTheCapGetNoPlaceholders) {
  struct Case {
    const char* name;
    uint32_t first, second;
    std::size_t size;
  } cases[] = {
      {"largest gap filled", 1, 1 + FrameQueue::kMaxGap, FrameQueue::kMaxGap + 1},
      {"one more is not", 1, 2 + FrameQueue::kMaxGap, 2},
      {"hostile jump up", 1, 0x80000000u, 2},
      {"hostile jump at the head", 0x80000000u, 1, 2},
      {"to the last number", 0, 0xFFFFFFFFu, 2},
  };
  for (const Case& c : cases) {
    FrameQueue q;
    q.insert(frame(c.first, 0));
    EXPECT_EQ(q.insert(frame(c.second, 1000)), FrameQueue::Insert::queued) << c.name;
    EXPECT_EQ(q.size(), c.size) << c.name;
  }

  // After the jump the queue goes on as usual around both runs, in order.
  FrameQueue q;
  q.insert(frame(1, 0));
  q.insert(frame(0x80000000u, 100));
  q.insert(frame(0x80000003u, 400));
  q.insert(frame(2, 33));
  EXPECT_EQ(contents(q), "1@0 2@33 2147483648@100 2147483649_200 2147483650_300 2147483651@400");
}

TEST(FrameQueue, BoundsRefuseTheNewcomerAndKeepTheQueue) {
  FrameQueue::Limits limits;
  limits.max_frames = 8;
  FrameQueue q(limits);
  q.insert(frame(1, 0));
  EXPECT_EQ(q.insert(frame(10, 900)), FrameQueue::Insert::refused) << "gap needs 9 entries";
  EXPECT_EQ(contents(q), "1@0");
  EXPECT_EQ(q.insert(frame(8, 700)), FrameQueue::Insert::queued) << "exactly 8 entries";
  EXPECT_EQ(q.insert(frame(9, 800)), FrameQueue::Insert::refused);
  EXPECT_EQ(q.insert(frame(0, 0)), FrameQueue::Insert::refused);
  EXPECT_EQ(q.insert(frame(4, 300)), FrameQueue::Insert::replaced) << "replacing adds no entry";
  EXPECT_EQ(contents(q), "1@0 2_100 3_200 4@300 5_400 6_500 7_600 8@700");
  q.pop_front();
  EXPECT_EQ(q.insert(frame(9, 800)), FrameQueue::Insert::queued) << "room again";

  // Bytes: each frame charges its entry and its block.
  const std::size_t per_frame = FrameQueue::kEntryCost + 1000;
  limits.max_frames = 100;
  limits.max_bytes = 3 * per_frame + FrameQueue::kEntryCost;
  FrameQueue b(limits);
  EXPECT_EQ(b.insert(frame(1, 0, 1000)), FrameQueue::Insert::queued);
  EXPECT_EQ(b.insert(frame(3, 66, 1000)), FrameQueue::Insert::queued);  // with placeholder 2
  EXPECT_EQ(b.held_bytes(), 2 * per_frame + FrameQueue::kEntryCost);
  EXPECT_EQ(b.insert(frame(4, 99, 1000)), FrameQueue::Insert::queued);
  EXPECT_EQ(b.insert(frame(5, 132, 1000)), FrameQueue::Insert::refused);
  EXPECT_EQ(b.insert(frame(2, 33, 1000)), FrameQueue::Insert::refused) << "the placeholder stays";
  EXPECT_EQ(b.insert(frame(2, 33, 0)), FrameQueue::Insert::replaced) << "a placeholder costs no bytes";
  EXPECT_EQ(contents(b), "1@0 2_33 3@66 4@99");
  b.pop_front();
  EXPECT_EQ(b.insert(frame(5, 132, 1000)), FrameQueue::Insert::queued);
  b.clear();
  EXPECT_EQ(b.held_bytes(), 0u);
}

// The largest buffer a request can ask for (65535 ms), a 60 frames/s video
// stream of 4 KB frames and a 50 frames/s audio stream packed several frames
// to a datagram, with 5 % loss and neighbours swapped: nothing is refused.
TEST(FrameQueue, LegitimateStreamAtTheLargestBufferFits) {
  FrameQueue video;
  const uint32_t frames = 65535 * 60 / 1000 + 1;
  std::vector<uint32_t> order;
  for (uint32_t n = 1; n <= frames; ++n)
    if (n % 20 != 7) order.push_back(n);
  for (std::size_t i = 0; i + 1 < order.size(); i += 9) std::swap(order[i], order[i + 1]);
  for (uint32_t n : order)
    ASSERT_NE(video.insert(frame(n, n * 1000 / 60, 4096)), FrameQueue::Insert::refused) << n;
  EXPECT_EQ(video.size(), frames);

  FrameQueue audio;
  const uint32_t audio_frames = 65535 * 50 / 1000 + 1;
  std::vector<uint8_t> datagram(1400, 1);
  for (uint32_t n = 1; n <= audio_frames; n += 4) {
    PacketBuffer block = PacketBuffer::copy_of(datagram.data(), datagram.size(),
                                               PacketBuffer::Channel::data);
    for (uint32_t k = 0; k < 4; ++k) {
      MediaFrame f;
      f.number = n + k;
      f.time = (n + k) * 20;
      f.stream = MediaStream::audio;
      f.bytes = PacketView(block, 16 + k * 340, 340);
      if ((n + k) % 20 == 3) continue;
      ASSERT_NE(audio.insert(std::move(f)), FrameQueue::Insert::refused);
    }
  }
  EXPECT_GE(audio.size(), audio_frames);
}

TEST(FrameQueue, SmallViewOfALargeBlockIsCopiedOut) {
  std::vector<uint8_t> bytes(60000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
  PacketBuffer block = PacketBuffer::copy_of(bytes.data(), bytes.size(), PacketBuffer::Channel::data);

  FrameQueue q;
  MediaFrame small;
  small.number = 1;
  small.bytes = PacketView(block, 100, 10);
  q.insert(std::move(small));
  EXPECT_EQ(block.use_count(), 1) << "the queue keeps no reference to the big block";
  ASSERT_EQ(q.front()->length(), 10u);
  EXPECT_EQ(std::vector<uint8_t>(q.front()->data(), q.front()->data() + 10),
            std::vector<uint8_t>(bytes.begin() + 100, bytes.begin() + 110));
  EXPECT_EQ(q.held_bytes(), FrameQueue::kEntryCost + 10);

  MediaFrame large;
  large.number = 2;
  large.bytes = PacketView(block, 0, 30000);
  q.insert(std::move(large));
  EXPECT_EQ(block.use_count(), 2) << "half the block is worth sharing";

  MediaFrame empty_view;
  empty_view.number = 3;
  empty_view.bytes = PacketView(block, 5, 0);
  q.insert(std::move(empty_view));
  EXPECT_EQ(block.use_count(), 2) << "a placeholder keeps no block";
}

TEST(FrameQueue, FlushStopsAtTheFirstKeyFrameAtOrAfterTheTime) {
  auto filled = [] {
    FrameQueue q;
    q.insert(frame(1, 0, 4, kInterNormal));
    q.insert(frame(3, 66, 4, kIntraNormal));  // placeholder 2 at 33
    q.insert(frame(4, 100, 4, kInterNormal));
    q.insert(frame(5, 133, 4, kIntraSlide));
    q.insert(frame(6, 166, 4, kIntraAdd));
    q.insert(frame(7, 200, 4, kIntraNormal));
    return q;
  };
  struct Case {
    const char* name;
    int64_t min_time;
    std::vector<uint32_t> flushed;
    uint32_t front;  // 0: empty
  } cases[] = {
      {"the first key frame", 0, {1, 2}, 3},
      {"a time before the stream", -50, {1, 2}, 3},
      {"INTRA_ADD is a key frame, INTRA_SLIDE is not", 100, {1, 2, 3, 4, 5}, 6},
      {"exactly at its time", 200, {1, 2, 3, 4, 5, 6}, 7},
      {"none late enough", 201, {1, 2, 3, 4, 5, 6, 7}, 0},
  };
  for (const Case& c : cases) {
    FrameQueue q = filled();
    std::vector<uint32_t> flushed;
    q.flush_until_key(c.min_time, [&](MediaFrame&& f) { flushed.push_back(f.number); });
    EXPECT_EQ(flushed, c.flushed) << c.name;
    EXPECT_EQ(q.front() ? q.front()->number : 0u, c.front) << c.name;
    if (q.empty()) {
      EXPECT_EQ(q.held_bytes(), 0u) << c.name;
    }
  }
}

}  // namespace
