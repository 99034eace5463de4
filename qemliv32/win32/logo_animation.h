// The logo animation shown while connecting and buffering: the bitmaps
// "LOGO1" ... "LOGO31" of the engine's resources, one frame further each
// time it is drawn, centred in the video rectangle on black.
#pragma once

#include <windows.h>

#include "qemliv32/player_geometry.h"

namespace qem {

constexpr int kLogoFrames = 31;

class LogoAnimation {
 public:
  LogoAnimation() = default;
  ~LogoAnimation();
  LogoAnimation(const LogoAnimation&) = delete;
  LogoAnimation& operator=(const LogoAnimation&) = delete;

  // Loads the frames from the module; frames that are missing draw black.
  void load(HINSTANCE module);
  void restart() { next_ = 0; }
  // Draws the next frame into r.
  void draw(HDC dc, const Rect& r);

 private:
  HBITMAP frames_[kLogoFrames] = {};
  int next_ = 0;
};

// Draws a bitmap centred in r (shrunk to fit when larger), the rest black.
void draw_bitmap_centred(HDC dc, HBITMAP bitmap, const Rect& r);

}  // namespace qem
