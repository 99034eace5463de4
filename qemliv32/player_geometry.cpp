#include "qemliv32/player_geometry.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qem {

namespace {
Rect shrunk(const Rect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }
}  // namespace

Rect output_area(WindowMode mode, const Rect& client, const std::optional<Rect>& explicit_rect) {
  if (mode == WindowMode::hosted) {
    if (explicit_rect) return *explicit_rect;
    Rect r = client;
    r.bottom -= kStatusStripHeight;
    return shrunk(r, kOutputMargin);
  }
  return shrunk(client, kOutputMargin);
}

Rect status_strip(const Rect& client, const std::optional<Rect>& explicit_rect) {
  Rect base = explicit_rect ? *explicit_rect : client;
  return {base.left, base.bottom - kStatusStripHeight, base.right, base.bottom};
}

Rect video_rect(const Rect& area, bool stretch, bool zoom, Size video) {
  if (stretch) return area;
  int w = zoom ? 2 * video.width : video.width;
  int h = zoom ? 2 * video.height : video.height;
  Rect r;
  r.left = area.left + (area.width() - w) / 2;
  r.top = area.top + (area.height() - h) / 2;
  r.right = r.left + w;
  r.bottom = std::min(r.top + h, area.bottom);
  return r;
}

Rect bevel_rect(const Rect& video) {
  return {video.left - 1, video.top - 1, video.right + 1, video.bottom + 1};
}

Size own_window_size(Size window, Size client, bool zoom, Size video) {
  int w = zoom ? 2 * video.width : video.width - 1;
  int h = zoom ? 2 * video.height : video.height - 1;
  return {window.width - client.width + w + 2 * kOutputMargin,
          window.height - client.height + h + 2 * kOutputMargin};
}

Rect initial_own_window(Size screen) {
  int left = screen.width / 2 - kOwnWindowOffset;
  int top = screen.height / 2 - kOwnWindowOffset;
  return {left, top, left + kOwnWindowSize.width, top + kOwnWindowSize.height};
}

int pos1000(std::optional<uint32_t> server_version, uint32_t last_number, uint32_t last_time_ms,
            std::optional<uint32_t> stream_length) {
  // The length is a signed figure on the wire's reader side; none or <= 0 gives 0.
  if (!stream_length || int32_t(*stream_length) <= 0) return 0;
  bool by_time = server_version && *server_version >= 257;
  int64_t value = int64_t(int32_t(by_time ? last_time_ms : last_number)) * 1000 /
                  int64_t(int32_t(*stream_length));
  return int(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

std::string script_path_argument(const char* argument) {
  if (!argument) return {};
  std::string out;
  if (argument[0] != 0 && argument[1] == 0) {
    // UTF-16, narrowed to every other byte; a zero low byte would end the
    // narrowed text anyway, so the walk stops there.
    for (std::size_t i = 0; i < kMaxScriptArgument && argument[i] != 0; i += 2)
      out.push_back(argument[i]);
    return out;
  }
  std::size_t n = 0;
  while (n < kMaxScriptArgument && argument[n] != 0) ++n;
  return std::string(argument, n);
}

int bandwidth_after_play(int figure, int measured) {
  if (measured == 0) return figure;
  if (measured < figure) return int((int64_t(figure) + measured) / 2);
  return measured;
}

int bandwidth_to_store(int stored, int current) {
  if (current < stored) return int((int64_t(stored) + current) / 2);
  return current;
}

}  // namespace qem
