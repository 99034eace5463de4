// Where the player draws: the output area of a window, the video rectangle
// inside it, the status strip, the own window's size for a video size, and
// the position in thousandths of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qem {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

enum class WindowMode : int {
  own_child = 1,  // created by the stand-alone player's dialog
  own_popup = 2,  // created through QemCreate
  hosted = 3,     // drawing into a caller's window (SetOutPutWindow)
};

constexpr int kOutputMargin = 4;
constexpr int kStatusStripHeight = 12;
constexpr Size kInitialVideoSize{160, 112};
constexpr Size kOwnWindowSize{200, 200};
constexpr int kOwnWindowOffset = 25;  // up and left of the screen centre
constexpr int kBevelWidth = 4;

// GetOutPutRect: an explicit rectangle (Hosted only) as it is; Hosted
// without one, the client rectangle less the status strip, shrunk by 4;
// other modes, the client rectangle shrunk by 4.
Rect output_area(WindowMode mode, const Rect& client, const std::optional<Rect>& explicit_rect);

// The 12-pixel strip at the bottom of the explicit rectangle or the client
// rectangle, where Hosted mode shows its status text.
Rect status_strip(const Rect& client, const std::optional<Rect>& explicit_rect);

// Stretched: the whole area. Otherwise the video size (doubled when
// zoomed) centred in the area, its bottom clipped to the area's.
Rect video_rect(const Rect& area, bool stretch, bool zoom, Size video);

// The rectangle the bevel is drawn around: the video rectangle grown by 1.
Rect bevel_rect(const Rect& video);

// The own window's new outer size for a video size: frame and caption kept,
// client (zoom ? 2 w : w - 1) + 8 wide, likewise high.
Size own_window_size(Size window, Size client, bool zoom, Size video);

// Where the own window starts: 200 x 200, its corner 25 pixels up and left
// of the screen centre.
Rect initial_own_window(Size screen);

// GetPos1000: frame numbers for servers older than version 257 (or of
// unknown version), frame times otherwise. 0 while the stream length is not
// known or not positive; computed without overflow and clamped to int.
int pos1000(std::optional<uint32_t> server_version, uint32_t last_number, uint32_t last_time_ms,
            std::optional<uint32_t> stream_length);

// The script path argument of QemCreate and Open: at most 200 bytes, UTF-16
// (narrowed by taking every other byte) when the second byte is zero. The
// text ends at its terminator, so a short argument is never read past.
constexpr std::size_t kMaxScriptArgument = 200;
std::string script_path_argument(const char* argument);

// The bandwidth figure after a play: the measured rate, or the mean of the
// old figure and a lower measured rate; a measured 0 keeps the old one.
int bandwidth_after_play(int figure, int measured);
// What Destroy writes to BandWidth: the current figure, or the mean with
// the stored one when the current figure is lower.
int bandwidth_to_store(int stored, int current);

}  // namespace qem
