#include "qemliv32/win32/logo_animation.h"

#include <algorithm>
#include <cstdio>

namespace qem {

LogoAnimation::~LogoAnimation() {
  for (HBITMAP& b : frames_)
    if (b) DeleteObject(b);
}

void LogoAnimation::load(HINSTANCE module) {
  for (int i = 0; i < kLogoFrames; ++i) {
    if (frames_[i]) continue;
    char name[16];
    std::snprintf(name, sizeof name, "LOGO%d", i + 1);
    frames_[i] = LoadBitmapA(module, name);
  }
}

void LogoAnimation::draw(HDC dc, const Rect& r) {
  draw_bitmap_centred(dc, frames_[next_], r);
  next_ = (next_ + 1) % kLogoFrames;
}

void draw_bitmap_centred(HDC dc, HBITMAP bitmap, const Rect& r) {
  RECT all = {r.left, r.top, r.right, r.bottom};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  BITMAP info;
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || r.width() <= 0 || r.height() <= 0)
    return;
  int w = info.bmWidth, h = info.bmHeight;
  if (w > r.width() || h > r.height()) {
    // Keep the aspect while shrinking to fit.
    double scale = std::min(double(r.width()) / w, double(r.height()) / h);
    w = std::max(1, int(w * scale));
    h = std::max(1, int(h * scale));
  }
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bitmap);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, r.left + (r.width() - w) / 2, r.top + (r.height() - h) / 2, w, h, mem, 0, 0,
             info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

}  // namespace qem
