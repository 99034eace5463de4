// The outside video decoder (ordinal 2 decodes, ordinal 3 closes), loaded at
// run time, with the frame buffer it decodes into and the drawer that puts
// the picture on screen.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "qemliv32/video_format.h"
#include "qemliv32/win32/drawdib.h"

namespace qem {

constexpr const char* kVideoDecoderLibrary = "qemdec32.dll";

// Ordinal 2: bits, the input header, the output bitmap info, the frame, the
// bits again; 128 no picture, other non-negative picture ready, negative error.
typedef short(WINAPI* QemDecodeFn)(void* bits, const void* in_header, void* out_info,
                                   const void* frame, void* bits2);
typedef void(WINAPI* QemCloseFn)(void);

constexpr int kNoPicture = 128;

class VideoDecoder {
 public:
  // Null when the library or either ordinal is missing.
  static std::unique_ptr<VideoDecoder> create(const char* library = kVideoDecoderLibrary,
                                              const char* drawdib_library = kDrawDibLibrary);
  ~VideoDecoder();  // closes the decoder, then lets the library go
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  // Makes the frame buffer for a format block at the depth for the screen
  // (frame_depth). False, with no frame buffer left, for a block too short
  // or a picture too large: "Unable to create video frame".
  bool prepare(const uint8_t* block, std::size_t n, int screen_bits_per_pixel);
  // The same for a format already read, at an output depth of 8, 16 or 24
  // (the full-screen display asks for 8).
  bool prepare(const VideoFormat& format, int depth);

  // Ordinal 2 on one frame (no bytes: a placeholder) with the render flag;
  // the decoder's code, or -1 without a frame buffer.
  int decode(const uint8_t* frame, std::size_t length, int flag);
  // The picture into the video rectangle, interlaced when asked; with
  // palette_allowed an 8-bit picture's colours are selected and realised.
  void draw(HDC hdc, const RECT& video, bool interlaced, bool palette_allowed);
  // A picture has been decoded into the frame buffer made last.
  bool has_picture() const { return has_picture_; }
  // Ordinal 3 (playback stops).
  void close();

  // The frame buffer's picture size (the format's, or 176 x 144 when it
  // gives none); 0 before a frame buffer is made.
  uint32_t width() const { return buffer_ ? layout_.width : 0; }
  uint32_t height() const { return buffer_ ? layout_.height : 0; }
  int depth() const { return buffer_ ? layout_.depth : 0; }
  const VideoFormat& format() const { return format_; }
  // Header, colours and bits, as the decoder and the drawer see them.
  const uint8_t* frame_buffer() const { return buffer_.get(); }

 private:
  VideoDecoder(HMODULE module, QemDecodeFn decode, QemCloseFn close, const char* drawdib_library);
  void make_palette(HDC hdc);

  HMODULE module_;
  QemDecodeFn decode_;
  QemCloseFn close_;
  DrawDib drawer_;
  VideoFormat format_;
  FrameLayout layout_;
  std::unique_ptr<uint8_t[]> buffer_;
  std::array<uint8_t, kBitmapHeaderSize> header_{};  // restored after every decode
  bool has_picture_ = false;
  HPALETTE palette_ = NULL;
};

}  // namespace qem
