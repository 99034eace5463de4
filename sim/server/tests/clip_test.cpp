#include "sim/server/clip.h"

#include <gtest/gtest.h>

#include <map>

namespace vsrv {
namespace {

// Walks the packed datagrams the way a receiver would and rebuilds every
// frame; checks the entry layout on the way.
TEST(PackClip, DatagramsCarryEveryFrameWholeOrInFragments) {
  ClipShape shape;
  shape.video_frames = 40;
  for (std::size_t max : {128u, 576u, 1400u, 8192u}) {
    auto dgs = pack_clip(shape, max, 3);
    std::map<std::pair<int, uint32_t>, Bytes> frames;
    std::map<std::pair<int, uint32_t>, int> next_index;
    std::size_t fragmented = 0;
    for (const Datagram& d : dgs) {
      ASSERT_LE(d.bytes.size(), max) << "max " << max;
      ASSERT_EQ(d.bytes.size() % 4, 0u) << "max " << max;
      EXPECT_EQ(get_u32(&d.bytes[4]), 3u) << "generation";
      std::size_t off = 12, n = 0;
      while (off + 12 <= d.bytes.size()) {
        uint16_t len = get_u16(&d.bytes[off]);
        ASSERT_GE(len, 12) << "max " << max;
        ASSERT_LE(off + len, d.bytes.size()) << "max " << max;
        uint8_t stream = d.bytes[off + 2], frag = d.bytes[off + 3];
        uint32_t number = get_u32(&d.bytes[off + 8]);
        ASSERT_LT(n, d.entries.size());
        EXPECT_EQ(d.entries[n].number, number);
        EXPECT_EQ(d.entries[n].fragment, frag);
        auto key = std::make_pair(int(stream), number);
        if (frag) {
          ++fragmented;
          EXPECT_EQ(frag & 0x7F, ++next_index[key]) << "fragment order, max " << max;
        }
        Bytes& f = frames[key];
        f.insert(f.end(), d.bytes.begin() + off + 12, d.bytes.begin() + off + len);
        off += (len + 3u) & ~3u;
        ++n;
      }
      EXPECT_EQ(n, d.entries.size()) << "max " << max;
    }
    auto all = clip_frames(shape);
    ASSERT_EQ(frames.size(), all.size()) << "max " << max;
    for (const ClipFrame& f : all)
      EXPECT_EQ(frames[std::make_pair(int(f.stream), f.number)],
                frame_bytes(shape, f.stream, f.number))
          << "max " << max << " stream " << int(f.stream) << " frame " << f.number;
    if (max <= 1400) {
      EXPECT_GT(fragmented, 0u) << "max " << max << ": no fragments exercised";
    }
  }
}

TEST(ClipFrames, VideoFramesStartWithTheirType) {
  ClipShape shape;
  EXPECT_EQ(frame_bytes(shape, 0, 0)[0], 0) << "key frame";
  EXPECT_EQ(frame_bytes(shape, 0, 5)[0], 16) << "inter frame";
  EXPECT_NE(frame_bytes(shape, 0, 5), frame_bytes(shape, 0, 17)) << "frames differ";
}

TEST(ClipFrames, VideoLengthCountsFramesForOldServersAndMsForNewOnes) {
  ClipShape shape;
  shape.video_frames = 150;
  shape.fps = 25;
  EXPECT_EQ(video_length(shape, 256), 150u);
  EXPECT_EQ(video_length(shape, 257), 6000u);
}

}  // namespace
}  // namespace vsrv
