// The LED renderer: draws one digit of the time display as seven segments
// of one-pixel lines (panel/seven_segment.h), lit or unlit, on a
// background, through a memory bitmap of the cell so the cell changes in
// one copy.
#pragma once

#include <windows.h>

namespace panel {

class SevenSegmentDigit {
 public:
  // A fresh renderer: cyan lit, dark cyan unlit, black background.
  SevenSegmentDigit() = default;

  void set_colours(COLORREF lit, COLORREF unlit, COLORREF background) {
    lit_ = lit;
    unlit_ = unlit;
    background_ = background;
  }
  COLORREF lit() const { return lit_; }
  COLORREF unlit() const { return unlit_; }
  COLORREF background() const { return background_; }

  // Draws digit (anything but 0-9 shows every segment unlit) into the
  // width x height cell at (x, y) of dc. False when the GDI objects could
  // not be made; the cell is then left as it was.
  bool draw(HDC dc, int x, int y, int width, int height, int digit) const;

 private:
  COLORREF lit_ = RGB(0, 255, 255);
  COLORREF unlit_ = RGB(0, 128, 128);
  COLORREF background_ = RGB(0, 0, 0);
};

// The eight cells of the time display in the panel's window coordinates:
// track in three cells (007), hours in one, minutes and seconds in two each.
bool draw_time_display(HDC dc, const SevenSegmentDigit& led, int track, int hours, int minutes,
                       int seconds);

}  // namespace panel
