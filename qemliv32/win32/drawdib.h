// The DIB drawing library, loaded by name when the drawer is made and never
// imported, so the engine loads without it; without it (or any of its
// functions) the drawer draws nothing.
#pragma once

#include <windows.h>
#include <vfw.h>  // the functions' types only

namespace qem {

constexpr const char* kDrawDibLibrary = "MSVFW32.DLL";

class DrawDib {
 public:
  explicit DrawDib(const char* library = kDrawDibLibrary);
  ~DrawDib();
  DrawDib(const DrawDib&) = delete;
  DrawDib& operator=(const DrawDib&) = delete;

  // False: the drawer that draws nothing.
  bool available() const { return hdd_ != NULL; }

  BOOL draw(HDC hdc, int x, int y, int dx, int dy, const BITMAPINFOHEADER* header,
            const void* bits, int src_x, int src_y, int src_dx, int src_dy, UINT flags);
  BOOL set_palette(HPALETTE palette);

  // A whole picture (header followed by its colours, bits) stretched into
  // rect, or interlaced: every other row of rect from the top drawn, the
  // rows between left alone. Adds DDF_SAME_HDC while hdc is the device
  // context of the drawer's previous picture; it would draw into that
  // earlier one otherwise.
  bool draw_picture(HDC hdc, const RECT& rect, const BITMAPINFOHEADER* header, const void* bits,
                    bool interlaced);

 private:
  struct Functions {
    decltype(&::DrawDibOpen) open;
    decltype(&::DrawDibBegin) begin;
    decltype(&::DrawDibDraw) draw;
    decltype(&::DrawDibEnd) end;
    decltype(&::DrawDibClose) close;
    decltype(&::DrawDibRealize) realize;
    decltype(&::DrawDibSetPalette) set_palette;
    decltype(&::DrawDibGetPalette) get_palette;
    decltype(&::DrawDibChangePalette) change_palette;
    decltype(&::DrawDibGetBuffer) get_buffer;
    decltype(&::DrawDibStart) start;
    decltype(&::DrawDibStop) stop;
    decltype(&::DrawDibProfileDisplay) profile_display;
  };
  bool load(HMODULE module);

  HMODULE module_ = NULL;
  Functions f_ = {};
  HDRAWDIB hdd_ = NULL;
  HDC last_hdc_ = NULL;
};

}  // namespace qem
