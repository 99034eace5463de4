#include "qemliv32/win32/video_decoder.h"

#include <cstring>
#include <new>

namespace qem {

std::unique_ptr<VideoDecoder> VideoDecoder::create(const char* library,
                                                   const char* drawdib_library) {
  HMODULE module = LoadLibraryA(library);
  if (!module) return nullptr;
  auto decode = reinterpret_cast<QemDecodeFn>(
      reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(2))));
  auto close = reinterpret_cast<QemCloseFn>(
      reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(3))));
  if (!decode || !close) {
    FreeLibrary(module);
    return nullptr;
  }
  return std::unique_ptr<VideoDecoder>(new VideoDecoder(module, decode, close, drawdib_library));
}

VideoDecoder::VideoDecoder(HMODULE module, QemDecodeFn decode, QemCloseFn close,
                           const char* drawdib_library)
    : module_(module), decode_(decode), close_(close), drawer_(drawdib_library) {}

VideoDecoder::~VideoDecoder() {
  close_();
  if (palette_) DeleteObject(palette_);
  FreeLibrary(module_);
}

bool VideoDecoder::prepare(const uint8_t* block, std::size_t n, int screen_bits_per_pixel) {
  auto format = parse_video_format(block, n);
  if (!format) {
    buffer_.reset();
    has_picture_ = false;
    return false;
  }
  return prepare(*format, frame_depth(screen_bits_per_pixel));
}

bool VideoDecoder::prepare(const VideoFormat& format, int depth) {
  buffer_.reset();
  has_picture_ = false;
  format_ = format;
  auto layout = frame_layout(format, depth);
  if (!layout) return false;
  layout_ = *layout;
  buffer_.reset(new (std::nothrow) uint8_t[layout_.allocation]());
  if (!buffer_) return false;
  write_frame_header(layout_, buffer_.get());
  std::memcpy(header_.data(), buffer_.get(), header_.size());
  return true;
}

int VideoDecoder::decode(const uint8_t* frame, std::size_t length, int flag) {
  if (!buffer_) return -1;
  static const uint8_t kNoBytes[4] = {};
  auto in = decoder_input_header(layout_, format_.compression, uint32_t(length), flag);
  uint8_t* bits = buffer_.get() + layout_.bits_offset;
  int code = decode_(bits, in.data(), buffer_.get(), length ? frame : kNoBytes, bits);
  // The drawer reads the picture's size from this header: a decoder may
  // change the colours, never the size.
  std::memcpy(buffer_.get(), header_.data(), header_.size());
  if (code >= 0 && code != kNoPicture) has_picture_ = true;
  return code;
}

void VideoDecoder::make_palette(HDC hdc) {
  struct {
    WORD version, entries;
    PALETTEENTRY colours[kPaletteEntries];
  } lp;
  lp.version = 0x300;
  lp.entries = kPaletteEntries;
  const uint8_t* table = buffer_.get() + kBitmapHeaderSize;
  for (uint32_t i = 0; i < kPaletteEntries; ++i) {
    // RGBQUAD: blue, green, red, reserved.
    lp.colours[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
  }
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
  if (!palette) return;
  drawer_.set_palette(palette);
  SelectPalette(hdc, palette, FALSE);
  RealizePalette(hdc);
  if (palette_) DeleteObject(palette_);
  palette_ = palette;
}

void VideoDecoder::draw(HDC hdc, const RECT& video, bool interlaced, bool palette_allowed) {
  if (!buffer_) return;
  if (palette_allowed && layout_.depth == 8) make_palette(hdc);
  drawer_.draw_picture(hdc, video, reinterpret_cast<const BITMAPINFOHEADER*>(buffer_.get()),
                       buffer_.get() + layout_.bits_offset, interlaced);
}

void VideoDecoder::close() { close_(); }

}  // namespace qem
