// A stand-in video decoder with the ordinal-2/3 contract. The picture is a
// function of the pixel's place and the frame's first byte (the "seed"),
// written at the depth and size the output header asks for; the seed is
// also the result code. Length 0 gives 128, a first byte of 0xFF an error.
// The last input header, the calls and the closes are there to look at.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {
BITMAPINFOHEADER g_last_in;
int g_decodes = 0;
int g_closes = 0;
bool g_bits_twice = true;
}  // namespace

extern "C" {

short WINAPI FakeDecode(void* bits, const void* in_header, void* out_info, const void* frame,
                        void* bits2) {
  ++g_decodes;
  std::memcpy(&g_last_in, in_header, sizeof g_last_in);
  if (bits2 != bits) g_bits_twice = false;
  if (g_last_in.biSizeImage == 0) return 128;
  const uint8_t seed = *static_cast<const uint8_t*>(frame);
  if (seed == 0xFF) return -1;
  auto* out = static_cast<BITMAPINFOHEADER*>(out_info);
  const int w = out->biWidth, h = out->biHeight, depth = out->biBitCount;
  const int stride = (w * depth + 31) / 32 * 4;
  if (depth == 8) {
    auto* colours = reinterpret_cast<RGBQUAD*>(out + 1);
    for (int i = 0; i < 256; ++i) colours[i] = {uint8_t(seed), uint8_t(255 - i), uint8_t(i), 0};
  }
  for (int y = 0; y < h; ++y) {
    // Rows bottom-up: y counts from the top.
    uint8_t* row = static_cast<uint8_t*>(bits) + (h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      if (depth == 8) {
        row[x] = uint8_t(x * 8 + y);
      } else if (depth == 16) {
        uint16_t v = uint16_t((x & 31) << 10 | (y & 31) << 5 | (seed & 31));
        row[2 * x] = uint8_t(v);
        row[2 * x + 1] = uint8_t(v >> 8);
      } else {
        row[3 * x] = seed;
        row[3 * x + 1] = uint8_t(y * 8);
        row[3 * x + 2] = uint8_t(x * 8);
      }
    }
  }
  return seed;
}

void WINAPI FakeClose(void) { ++g_closes; }

const BITMAPINFOHEADER* WINAPI FakeLastInput(void) { return &g_last_in; }
int WINAPI FakeDecodes(void) { return g_decodes; }
int WINAPI FakeCloses(void) { return g_closes; }
int WINAPI FakeBitsTwice(void) { return g_bits_twice; }

}  // extern "C"
