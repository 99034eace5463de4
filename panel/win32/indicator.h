// An owner-drawn button that shows one cell of a strip bitmap whose cells
// stand side by side: the panel's continuous-play, disc-type and mute
// indicators. The dialog forwards WM_DRAWITEM to draw().
#pragma once

#include <windows.h>

namespace panel {

class Indicator {
 public:
  // The colour the control shows where the cell does not cover it.
  static constexpr COLORREF kFill = RGB(0, 255, 255);

  Indicator() = default;
  Indicator(const Indicator&) = delete;
  Indicator& operator=(const Indicator&) = delete;
  ~Indicator();

  // Loads strip bitmap_id of module, cells wide; shows cell 0. False, with
  // nothing kept, when the control or the bitmap is missing or the bitmap
  // is narrower than cells pixels.
  bool attach(HWND dialog, int id, HINSTANCE module, UINT bitmap_id, int cells);

  HWND hwnd() const { return control_; }
  int cells() const { return cells_; }
  int cell() const { return cell_; }
  int cell_width() const { return cell_width_; }
  // Shows a cell and redraws the control; a cell outside 0 .. cells - 1 is
  // refused (false) and the indicator stays as it was.
  bool set_cell(int cell);
  // Draws the item when it is this indicator's; false otherwise.
  bool draw(const DRAWITEMSTRUCT& item) const;

 private:
  void release();

  HWND control_ = NULL;
  HBITMAP strip_ = NULL;
  int cells_ = 0, cell_ = 0, cell_width_ = 0, cell_height_ = 0;
};

}  // namespace panel
