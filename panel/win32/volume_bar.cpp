#include "panel/win32/volume_bar.h"

namespace panel {

namespace {

void fill(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  RECT r = {left, top, right, bottom};
  if (r.right > r.left) FillRect(dc, &r, brush);
}

int held(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

}  // namespace

bool VolumeBar::attach(HWND dialog, int id) {
  control_ = GetDlgItem(dialog, id);
  level_ = 0;
  return control_ != NULL;
}

int VolumeBar::width() const {
  RECT r = {0, 0, 0, 0};
  if (control_) GetClientRect(control_, &r);
  return r.right - r.left;
}

void VolumeBar::set_level(int level) {
  if (!control_) return;
  level_ = held(level, 0, width());
  RedrawWindow(control_, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool VolumeBar::draw(const DRAWITEMSTRUCT& item) const {
  if (!control_ || item.hwndItem != control_) return false;
  paint(item.hDC, item.rcItem, level_);
  return true;
}

int VolumeBar::level_of(DWORD volume, int width) {
  if (width <= 0) return 0;
  return static_cast<int>(static_cast<long long>(width) * (volume & 0xFFFF) / 0xFFFF);
}

DWORD VolumeBar::volume_at(int level, int width) {
  if (width <= 0) return 0;
  DWORD channel = static_cast<DWORD>(held(level, 0, width)) * 0xFFFFu / static_cast<DWORD>(width);
  return channel * 0x10001u;
}

void VolumeBar::paint(HDC dc, const RECT& bar, int level) {
  const int width = bar.right - bar.left;
  level = held(level, 0, width);
  HBRUSH empty = CreateSolidBrush(kEmptyColour);
  HBRUSH full = CreateSolidBrush(kLevelColour);
  fill(dc, bar.left, bar.top, bar.right, bar.bottom, empty);
  fill(dc, bar.left, bar.top, bar.left + level, bar.bottom, full);
  for (int end = level - 3; end > 0; end -= 8)
    fill(dc, bar.left + (end >= 2 ? end - 2 : 0), bar.top, bar.left + end, bar.bottom, empty);
  DeleteObject(full);
  DeleteObject(empty);
}

}  // namespace panel
