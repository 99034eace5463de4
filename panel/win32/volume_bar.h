// The panel's volume bar: an owner-drawn button showing the left channel's
// level as a red bar with black notches. The dialog forwards WM_DRAWITEM
// to draw(); the level comes from and goes to the remote-control library's
// volume capability (left channel in the low 16 bits, right in the high).
#pragma once

#include <windows.h>

namespace panel {

class VolumeBar {
 public:
  static constexpr COLORREF kLevelColour = RGB(255, 0, 0);
  static constexpr COLORREF kEmptyColour = RGB(0, 0, 0);

  // Keeps the control; its client width is the bar's width. False when the
  // control is missing.
  bool attach(HWND dialog, int id);

  HWND hwnd() const { return control_; }
  int width() const;
  int level() const { return level_; }
  // The level in pixels, held to 0 .. width; redraws the bar.
  void set_level(int level);
  // Draws the item when it is this bar's; false otherwise.
  bool draw(const DRAWITEMSTRUCT& item) const;

  // The level for a volume capability value: width x left channel / 65535.
  static int level_of(DWORD volume, int width);
  // The capability value for a level (a click that many pixels from the
  // bar's left edge, held to 0 .. width): both channels at level x 65535 /
  // width.
  static DWORD volume_at(int level, int width);
  // Black over the whole bar, red from its left edge to the level, then
  // two-pixel black notches ending at level - 3, level - 11, ... while the
  // end is above 0.
  static void paint(HDC dc, const RECT& bar, int level);

 private:
  HWND control_ = NULL;
  int level_ = 0;
};

}  // namespace panel
