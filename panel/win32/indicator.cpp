#include "panel/win32/indicator.h"

namespace panel {

Indicator::~Indicator() { release(); }

void Indicator::release() {
  if (strip_) DeleteObject(strip_);
  strip_ = NULL;
  control_ = NULL;
  cells_ = cell_ = cell_width_ = cell_height_ = 0;
}

bool Indicator::attach(HWND dialog, int id, HINSTANCE module, UINT bitmap_id, int cells) {
  release();
  HWND control = GetDlgItem(dialog, id);
  if (!control || cells <= 0) return false;
  HBITMAP strip = LoadBitmapA(module, MAKEINTRESOURCEA(bitmap_id));
  BITMAP info;
  if (!strip || !GetObjectA(strip, sizeof info, &info) || info.bmWidth < cells) {
    if (strip) DeleteObject(strip);
    return false;
  }
  control_ = control;
  strip_ = strip;
  cells_ = cells;
  cell_width_ = info.bmWidth / cells;
  cell_height_ = info.bmHeight;
  return true;
}

bool Indicator::set_cell(int cell) {
  if (!control_ || cell < 0 || cell >= cells_) return false;
  cell_ = cell;
  RedrawWindow(control_, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
  return true;
}

bool Indicator::draw(const DRAWITEMSTRUCT& item) const {
  if (!control_ || item.hwndItem != control_) return false;
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  HPEN pen = CreatePen(PS_SOLID, 1, kFill);
  HBRUSH brush = CreateSolidBrush(kFill);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);

  HDC memory = CreateCompatibleDC(dc);
  if (memory) {
    HGDIOBJ old = SelectObject(memory, strip_);
    int width = r.right - r.left < cell_width_ ? r.right - r.left : cell_width_;
    int height = r.bottom - r.top < cell_height_ ? r.bottom - r.top : cell_height_;
    BitBlt(dc, r.left, r.top, width, height, memory, cell_ * cell_width_, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }
  return true;
}

}  // namespace panel
