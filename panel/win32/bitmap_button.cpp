#include "panel/win32/bitmap_button.h"

namespace panel {

BitmapButton::~BitmapButton() { release(); }

void BitmapButton::release() {
  for (HBITMAP* b : {&up_, &down_, &focused_, &disabled_}) {
    if (*b) DeleteObject(*b);
    *b = NULL;
  }
  button_ = NULL;
  size_ = {0, 0};
}

bool BitmapButton::attach(HWND dialog, int id, HINSTANCE module) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return false;
  char text[64] = "";
  GetWindowTextA(control, text, sizeof text);
  return attach(dialog, id, module, text);
}

bool BitmapButton::attach(HWND dialog, int id, HINSTANCE module, const std::string& stem) {
  release();
  HWND control = GetDlgItem(dialog, id);
  if (!control || stem.empty()) return false;
  if ((GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) != BS_OWNERDRAW) return false;
  up_ = LoadBitmapA(module, (stem + "U").c_str());
  BITMAP info;
  if (!up_ || !GetObjectA(up_, sizeof info, &info)) {
    release();
    return false;
  }
  down_ = LoadBitmapA(module, (stem + "D").c_str());
  focused_ = LoadBitmapA(module, (stem + "F").c_str());
  disabled_ = LoadBitmapA(module, (stem + "X").c_str());
  button_ = control;
  size_ = {info.bmWidth, info.bmHeight};
  SetWindowPos(control, NULL, 0, 0, size_.cx, size_.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

HBITMAP BitmapButton::picture_for(UINT state) const {
  HBITMAP chosen = NULL;
  if (state & ODS_DISABLED) {
    chosen = disabled_;
  } else if (state & ODS_SELECTED) {
    chosen = down_;
  } else if (state & ODS_FOCUS) {
    chosen = focused_;
  }
  return chosen ? chosen : up_;
}

bool BitmapButton::draw(const DRAWITEMSTRUCT& item) const {
  if (!button_ || item.hwndItem != button_) return false;
  HDC memory = CreateCompatibleDC(item.hDC);
  if (!memory) return true;
  HGDIOBJ old = SelectObject(memory, picture_for(item.itemState));
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, size_.cx, size_.cy, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  return true;
}

}  // namespace panel
