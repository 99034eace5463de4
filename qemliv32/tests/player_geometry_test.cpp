#include "qemliv32/player_geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qem {
namespace {

std::string show(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST(PlayerGeometry, OutputArea) {
  struct Case {
    const char* name;
    WindowMode mode;
    Rect client;
    std::optional<Rect> explicit_rect;
    Rect want;
  } cases[] = {
      {"hosted 320x240, no rectangle", WindowMode::hosted, {0, 0, 320, 240}, {}, {4, 4, 316, 224}},
      {"hosted, explicit kept as is", WindowMode::hosted, {0, 0, 320, 240}, Rect{10, 20, 110, 90},
       {10, 20, 110, 90}},
      {"popup", WindowMode::own_popup, {0, 0, 200, 150}, {}, {4, 4, 196, 146}},
      {"child ignores a stale rectangle", WindowMode::own_child, {0, 0, 200, 150},
       Rect{1, 1, 2, 2}, {4, 4, 196, 146}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(show(output_area(c.mode, c.client, c.explicit_rect)), show(c.want)) << c.name;
}

TEST(PlayerGeometry, StatusStripSitsAtTheBottomOfTheRectangleInUse) {
  EXPECT_EQ(show(status_strip({0, 0, 320, 240}, {})), "0,228,320,240");
  EXPECT_EQ(show(status_strip({0, 0, 320, 240}, Rect{10, 20, 110, 90})), "10,78,110,90");
}

TEST(PlayerGeometry, VideoRectangle) {
  const Rect area{4, 4, 316, 224};  // 312 x 220
  struct Case {
    const char* name;
    bool stretch, zoom;
    Size video;
    Rect area;
    Rect want;
  } cases[] = {
      {"stretched fills the area", true, false, {176, 144}, area, area},
      {"centred", false, false, {176, 144}, area, {72, 42, 248, 186}},
      {"zoomed doubles, bottom clipped", false, true, {176, 144}, area, {-16, -30, 336, 224}},
      {"odd free space rounds down", false, false, {175, 143}, {0, 0, 200, 150}, {12, 3, 187, 146}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(show(video_rect(c.area, c.stretch, c.zoom, c.video)), show(c.want)) << c.name;
  EXPECT_EQ(show(bevel_rect({72, 42, 248, 186})), "71,41,249,187");
}

TEST(PlayerGeometry, OwnWindowFollowsTheVideoSize) {
  // A frame of 8 x 27 around the client area.
  EXPECT_EQ(own_window_size({208, 227}, {200, 200}, false, {160, 112}), (Size{175, 146}));
  EXPECT_EQ(own_window_size({208, 227}, {200, 200}, true, {176, 144}), (Size{368, 323}));
  EXPECT_EQ(show(initial_own_window({800, 600})), "375,275,575,475");
}

TEST(PlayerGeometry, PositionInThousandths) {
  struct Case {
    const char* name;
    std::optional<uint32_t> version;
    uint32_t number, time;
    std::optional<uint32_t> length;
    int want;
  } cases[] = {
      {"unknown version counts frames", {}, 50, 9999, 200, 250},
      {"version 256 counts frames", 256u, 50, 9999, 200, 250},
      {"version 257 counts ms", 257u, 50, 4000, 8000, 500},
      {"no length yet", 257u, 50, 4000, {}, 0},
      {"length 0", {}, 50, 4000, 0u, 0},
      {"before any frame", 257u, 0, 0, 8000, 0},
      // Two hours of milliseconds times 1000 does not fit 32 bits.
      {"long stream", 257u, 0, 7200000, 7200000, 1000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pos1000(c.version, c.number, c.time, c.length), c.want) << c.name;
}

TEST(PlayerGeometry, ScriptPathArgument) {
  const char wide[] = "c\0:\0\\\0a\0.\0q\0e\0m\0\0";
  EXPECT_EQ(script_path_argument(wide), "c:\\a.qem");
  EXPECT_EQ(script_path_argument("c:\\a.qem"), "c:\\a.qem");
  EXPECT_EQ(script_path_argument(nullptr), "");
  EXPECT_EQ(script_path_argument(""), "");
  std::string narrow(300, 'x');
  EXPECT_EQ(script_path_argument(narrow.c_str()), std::string(200, 'x'));
  std::string utf16;
  for (int i = 0; i < 150; ++i) utf16 += std::string("y\0", 2);
  utf16 += std::string("\0\0", 2);
  EXPECT_EQ(script_path_argument(utf16.c_str()), std::string(100, 'y'));
}

TEST(PlayerGeometry, BandwidthFigure) {
  struct Case {
    int a, b, after_play, to_store;
  } cases[] = {
      // figure/stored, measured/current
      {12, 40, 40, 40},
      {40, 12, 26, 26},
      {41, 12, 26, 26},
      {12, 0, 12, 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bandwidth_after_play(c.a, c.b), c.after_play) << c.a << " " << c.b;
    EXPECT_EQ(bandwidth_to_store(c.a, c.b), c.to_store) << c.a << " " << c.b;
  }
}

}  // namespace
}  // namespace qem
