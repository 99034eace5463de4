// An owner-drawn push button that shows one of four pictures, in the manner
// of the classic bitmap button: the bitmaps named by a stem (by default the
// button's own text) plus "U" (up), "D" (down), "F" (focused) and "X"
// (disabled). The dialog forwards WM_DRAWITEM to draw().
#pragma once

#include <windows.h>

#include <string>

namespace panel {

class BitmapButton {
 public:
  BitmapButton() = default;
  BitmapButton(const BitmapButton&) = delete;
  BitmapButton& operator=(const BitmapButton&) = delete;
  ~BitmapButton();

  // Loads the stem's pictures from module and sizes the control to the up
  // picture. False, with nothing kept, when the control is missing, is not
  // an owner-drawn button or has no up picture; a missing D, F or X picture
  // shows the up picture instead.
  bool attach(HWND dialog, int id, HINSTANCE module);
  bool attach(HWND dialog, int id, HINSTANCE module, const std::string& stem);

  HWND hwnd() const { return button_; }
  // The picture for a drawing state (ODS_* bits): disabled, else pressed,
  // else focused, else up.
  HBITMAP picture_for(UINT state) const;
  // Draws the item when it is this button's; false otherwise.
  bool draw(const DRAWITEMSTRUCT& item) const;

 private:
  void release();

  HWND button_ = NULL;
  HBITMAP up_ = NULL, down_ = NULL, focused_ = NULL, disabled_ = NULL;
  SIZE size_ = {0, 0};
};

}  // namespace panel
