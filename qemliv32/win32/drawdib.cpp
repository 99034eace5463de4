#include "qemliv32/win32/drawdib.h"

#include "qemliv32/video_format.h"

namespace qem {
namespace {

template <class Fn>
bool take(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return fn != nullptr;
}

}  // namespace

DrawDib::DrawDib(const char* library) {
  module_ = LoadLibraryA(library);
  if (!module_) return;
  if (load(module_)) hdd_ = f_.open();
  if (!hdd_) {
    FreeLibrary(module_);
    module_ = NULL;
  }
}

DrawDib::~DrawDib() {
  if (hdd_) f_.close(hdd_);
  if (module_) FreeLibrary(module_);
}

bool DrawDib::load(HMODULE m) {
  return take(m, "DrawDibOpen", f_.open) && take(m, "DrawDibBegin", f_.begin) &&
         take(m, "DrawDibDraw", f_.draw) && take(m, "DrawDibEnd", f_.end) &&
         take(m, "DrawDibClose", f_.close) && take(m, "DrawDibRealize", f_.realize) &&
         take(m, "DrawDibSetPalette", f_.set_palette) &&
         take(m, "DrawDibGetPalette", f_.get_palette) &&
         take(m, "DrawDibChangePalette", f_.change_palette) &&
         take(m, "DrawDibGetBuffer", f_.get_buffer) && take(m, "DrawDibStart", f_.start) &&
         take(m, "DrawDibStop", f_.stop) && take(m, "DrawDibProfileDisplay", f_.profile_display);
}

BOOL DrawDib::draw(HDC hdc, int x, int y, int dx, int dy, const BITMAPINFOHEADER* header,
                   const void* bits, int src_x, int src_y, int src_dx, int src_dy, UINT flags) {
  if (!hdd_) return FALSE;
  return f_.draw(hdd_, hdc, x, y, dx, dy, const_cast<BITMAPINFOHEADER*>(header),
                 const_cast<void*>(bits), src_x, src_y, src_dx, src_dy, flags);
}

BOOL DrawDib::set_palette(HPALETTE palette) {
  return hdd_ ? f_.set_palette(hdd_, palette) : FALSE;
}

bool DrawDib::draw_picture(HDC hdc, const RECT& rect, const BITMAPINFOHEADER* header,
                           const void* bits, bool interlaced) {
  if (!hdd_ || !header || header->biWidth <= 0 || header->biHeight <= 0) return false;
  const UINT same_hdc = hdc == last_hdc_ ? DDF_SAME_HDC : 0;
  last_hdc_ = hdc;
  const int width = header->biWidth, height = header->biHeight;
  if (!interlaced)
    return draw(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, header,
                bits, 0, 0, width, height, same_hdc);
  bool ok = true;
  for (const LineDraw& d :
       interlaced_plan(rect.left, rect.top, rect.right, rect.bottom, uint32_t(height))) {
    // The first row sets the drawer up for one-row draws; the rest are alike.
    UINT flags = d.first ? same_hdc : DDF_SAME_HDC | DDF_SAME_DRAW;
    if (!draw(hdc, d.dst_x, d.dst_y, d.dst_width, 1, header, bits, 0, d.src_y, width, 1, flags))
      ok = false;
  }
  return ok;
}

}  // namespace qem
