// The video decoder under Wine with a stand-in decoder library at the real
// contract (media_fakeqemdec.dll): creation without the library, the frame
// buffer from the format, the header ordinal 2 is handed, result codes,
// drawing at each depth (the 8-bit one through its colour table), ordinal 3.
#include <gtest/gtest.h>

#include <vector>

#include "qemliv32/win32/tests/media_test_canvas.h"
#include "qemliv32/win32/video_decoder.h"

namespace qem {
namespace {

using qem_test::Canvas;
using qem_test::rgb;

constexpr const char* kFake = "media_fakeqemdec.dll";
constexpr uint32_t kCompression = 0x54534551;

// What the stand-in exposes beside its ordinals.
struct FakeLibrary {
  HMODULE module = LoadLibraryA(kFake);
  ~FakeLibrary() {
    if (module) FreeLibrary(module);
  }
  template <class Fn>
  Fn fn(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
  const BITMAPINFOHEADER& last_input() const {
    return *fn<const BITMAPINFOHEADER*(WINAPI*)()>("FakeLastInput")();
  }
  int decodes() const { return fn<int(WINAPI*)()>("FakeDecodes")(); }
  int closes() const { return fn<int(WINAPI*)()>("FakeCloses")(); }
  bool bits_twice() const { return fn<int(WINAPI*)()>("FakeBitsTwice")() != 0; }
};

std::vector<uint8_t> format_block(uint32_t width, uint32_t height, std::size_t size = 40) {
  std::vector<uint8_t> b(size, 0);
  auto put = [&](std::size_t at, uint32_t v, int n) {
    for (int i = 0; i < n && at + i < size; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  put(0, 40, 4);
  put(4, width, 4);
  put(8, height, 4);
  put(12, 1, 2);
  put(14, 8, 2);
  put(16, kCompression, 4);
  return b;
}

// The stand-in's picture for a seed at (x, y from the top), by depth.
uint32_t fake_colour(int depth, int x, int y, uint8_t seed) {
  if (depth == 24) return rgb(x * 8, y * 8, seed);
  if (depth == 16) {
    auto five = [](int v) { return (v & 31) << 3 | (v & 31) >> 2; };
    return rgb(five(x), five(y), five(seed));
  }
  int index = (x * 8 + y) & 255;
  return rgb(index, 255 - index, seed);
}

TEST(MediaVideoDecoder, CreationFailsWithoutTheDecoderLibrary) {
  EXPECT_EQ(VideoDecoder::create("media-no-such-qemdec32.dll"), nullptr);
  EXPECT_NE(VideoDecoder::create(kFake), nullptr);
}

TEST(MediaVideoDecoder, Ordinal2GetsTheInputHeaderAndTheFrameBuffer) {
  FakeLibrary fake;
  ASSERT_TRUE(fake.module);
  auto dec = VideoDecoder::create(kFake);
  ASSERT_TRUE(dec);
  auto block = format_block(6, 4);
  ASSERT_TRUE(dec->prepare(block.data(), block.size(), 32));
  EXPECT_EQ(dec->depth(), 24) << "a 32-bit screen gets 24";
  EXPECT_EQ(dec->width(), 6u);
  EXPECT_EQ(dec->height(), 4u);
  EXPECT_FALSE(dec->has_picture());

  struct Case {
    const char* name;
    std::vector<uint8_t> frame;
    int flag;
    int code;
    bool picture;
  } cases[] = {
      {"a placeholder", {}, 0, 128, false},
      {"an error code", {0xFF, 1, 2}, 0, -1, false},
      {"a picture, flag 2", {7, 1, 2, 3, 4}, 2, 7, true},
      {"code 0 is a picture too", {0, 9}, 0, 0, true},
  };
  for (const Case& c : cases) {
    int before = fake.decodes();
    EXPECT_EQ(dec->decode(c.frame.data(), c.frame.size(), c.flag), c.code) << c.name;
    EXPECT_EQ(fake.decodes(), before + 1) << c.name;
    const BITMAPINFOHEADER& in = fake.last_input();
    EXPECT_EQ(in.biSize, 40u) << c.name;
    EXPECT_EQ(in.biWidth, 6) << c.name;
    EXPECT_EQ(in.biHeight, 4) << c.name;
    EXPECT_EQ(in.biPlanes, 1) << c.name;
    EXPECT_EQ(in.biBitCount, 24) << c.name << ": the output depth";
    EXPECT_EQ(in.biCompression, kCompression) << c.name;
    EXPECT_EQ(in.biSizeImage, c.frame.size()) << c.name << ": the frame length";
    EXPECT_EQ(in.biYPelsPerMeter, c.flag) << c.name << ": the render flag";
    EXPECT_EQ(dec->has_picture(), c.picture) << c.name;
  }
  EXPECT_TRUE(fake.bits_twice()) << "the output bits as first and last argument";

  const auto* out = reinterpret_cast<const BITMAPINFOHEADER*>(dec->frame_buffer());
  EXPECT_EQ(out->biCompression, 0u);
  EXPECT_EQ(out->biSizeImage, 40u + 20 * 4) << "the whole buffer";

  ASSERT_TRUE(dec->prepare(block.data(), block.size(), 32));
  EXPECT_FALSE(dec->has_picture()) << "a new frame buffer holds no picture";
}

TEST(MediaVideoDecoder, DrawsTheDecodedPictureAtEachDepth) {
  FakeLibrary fake;
  auto dec = VideoDecoder::create(kFake);
  ASSERT_TRUE(dec);
  auto block = format_block(6, 4);
  for (int screen : {8, 16, 24}) {
    ASSERT_TRUE(dec->prepare(block.data(), block.size(), screen)) << screen;
    const uint8_t frame[] = {uint8_t(0x40 + screen), 0};
    ASSERT_GE(dec->decode(frame, sizeof frame, 0), 0);
    Canvas canvas(12, 8, 0x123456);
    RECT video = {0, 0, 12, 8};
    dec->draw(canvas.dc(), video, false, screen == 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x)
        EXPECT_EQ(canvas.pixel(x, y), fake_colour(screen, x / 2, y / 2, frame[0]))
            << screen << " bits at " << x << "," << y;
  }
}

TEST(MediaVideoDecoder, InterlacedDrawLeavesEveryOtherRowBlack) {
  auto dec = VideoDecoder::create(kFake);
  ASSERT_TRUE(dec);
  auto block = format_block(6, 4);
  ASSERT_TRUE(dec->prepare(block.data(), block.size(), 24));
  const uint8_t frame[] = {0x30};
  ASSERT_EQ(dec->decode(frame, 1, 0), 0x30);
  Canvas canvas(12, 8, 0);
  RECT video = {0, 0, 12, 8};
  dec->draw(canvas.dc(), video, true, false);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(canvas.pixel(x, y), y % 2 ? 0u : fake_colour(24, x / 2, y / 2, 0x30))
          << x << "," << y;
}

TEST(MediaVideoDecoder, UnusableFormatsLeaveNoFrameBuffer) {
  auto dec = VideoDecoder::create(kFake);
  ASSERT_TRUE(dec);
  struct Case {
    const char* name;
    std::vector<uint8_t> block;
  } cases[] = {
      {"wider than 4096", format_block(4097, 144)},
      {"a top-down height", format_block(176, uint32_t(-144))},
      {"a short block", format_block(176, 144, 19)},
  };
  for (const Case& c : cases) {
    auto good = format_block(8, 8);
    ASSERT_TRUE(dec->prepare(good.data(), good.size(), 24));
    EXPECT_FALSE(dec->prepare(c.block.data(), c.block.size(), 24)) << c.name;
    EXPECT_EQ(dec->width(), 0u) << c.name;
    EXPECT_EQ(dec->frame_buffer(), nullptr) << c.name;
    const uint8_t frame[] = {1};
    EXPECT_LT(dec->decode(frame, 1, 0), 0) << c.name << ": nothing to decode into";
  }
  auto none = format_block(0, 0);
  ASSERT_TRUE(dec->prepare(none.data(), none.size(), 24));
  EXPECT_EQ(dec->width(), 176u);
  EXPECT_EQ(dec->height(), 144u);
}

TEST(MediaVideoDecoder, Ordinal3OnCloseAndWhenFreed) {
  FakeLibrary fake;
  auto dec = VideoDecoder::create(kFake);
  ASSERT_TRUE(dec);
  int before = fake.closes();
  dec->close();
  EXPECT_EQ(fake.closes(), before + 1);
  dec.reset();
  EXPECT_EQ(fake.closes(), before + 2);
}

}  // namespace
}  // namespace qem
