// panel.exe under Xvfb with Wine's X11 driver, read back from the screen:
// the LED cells of a held position, and the mute indicator and volume bar
// after the remote-control library changed them.
#include <windows.h>

#include <string>
#include <vector>

#include "panel/mci.h"
#include "panel/mcures_ids.h"
#include "panel/seven_segment.h"
#include "panel/win32/tests/panel_machine.h"
#include "panel/window_settings.h"
#include "sim/mci/win32/mci_log_reader.h"

namespace itest {
namespace {

constexpr unsigned kDiscAudio = 4;
constexpr unsigned kDiscMixed = 5;
constexpr int kPlaying = 5;

constexpr COLORREF kLit = RGB(0, 255, 255);
constexpr COLORREF kDark = RGB(0, 0, 0);  // the panel's unlit and background alike
constexpr COLORREF kRed = RGB(255, 0, 0);

// The panel's controls in its client area.
constexpr RECT kMuteIndicator = {82, 10, 82 + 22, 10 + 9};
constexpr RECT kVolumeBar = {37, 23, 37 + 68, 23 + 3};
constexpr int kVolumeWidth = 68;

// A part of the screen: pixels of a rectangle, row by row.
struct Shot {
  RECT area = {};
  std::vector<COLORREF> pixels;
  int width() const { return area.right - area.left; }
  bool ok() const { return !pixels.empty(); }
  COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y * width() + x)]; }
};

// What the screen shows of a rectangle of the panel's client area.
Shot shoot(HWND panel, const RECT& client) {
  Shot shot;
  POINT origin = {0, 0};
  if (!panel || !ClientToScreen(panel, &origin)) return shot;
  shot.area = client;
  OffsetRect(&shot.area, origin.x, origin.y);
  shot.pixels = screen_pixels(shot.area);
  return shot;
}

// A bitmap's pixels, row by row from the top.
std::vector<COLORREF> bitmap_pixels(HBITMAP bitmap, int& width, int& height) {
  std::vector<COLORREF> out;
  BITMAP b;
  if (!bitmap || GetObjectA(bitmap, sizeof b, &b) != sizeof b) return out;
  width = b.bmWidth;
  height = b.bmHeight;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> bits(static_cast<size_t>(width) * height);
  HDC dc = GetDC(NULL);
  int rows = GetDIBits(dc, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(NULL, dc);
  if (rows != height) return out;
  for (DWORD v : bits) out.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  return out;
}

// A colour as a letter, for pictures in failure messages.
char letter(COLORREF c) { return c == kLit ? '#' : c == kDark ? '.' : c == kRed ? 'R' : '?'; }

class PanelDisplayTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    // Placed away from the screen's corner, the pointer outside it: no
    // tooltip covers what is read.
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, panel::kSettingsKey, "PanelX", 120));
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, panel::kSettingsKey, "PanelY", 140));
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  }

  HWND start_panel(const char* folder, unsigned disc_type, const char* arguments) {
    put_in(folder, disc_type);
    if (HasFatalFailure() || !panel_.start(arguments)) return NULL;
    HWND panel = panel_.wait_for_window();
    if (panel && !eventually([&] { return drive_play_status() == kPlaying; })) return NULL;
    return panel;
  }
};

// ---------------------------------------------------------------------------
// The LED display

struct LedCell {
  const char* name;
  int left;
  int digit;
};

// Pixels of one cell that differ from what its digit lights, with a picture
// of the cell as the screen shows it.
int led_mismatches(const Shot& shot, const LedCell& cell, std::string* picture) {
  const int top = panel::kTimeCellTop;
  std::vector<panel::CellPixel> want =
      panel::cell_pixels(cell.digit, panel::kTimeCellWidth, panel::kTimeCellHeight);
  int wrong = 0;
  for (int y = 0; y < panel::kTimeCellHeight; ++y) {
    for (int x = 0; x < panel::kTimeCellWidth; ++x) {
      COLORREF got = shot.at(cell.left + x, top + y);
      bool lit = want[static_cast<size_t>(y * panel::kTimeCellWidth + x)] == panel::CellPixel::Lit;
      wrong += got != (lit ? kLit : kDark);
      if (picture) *picture += letter(got);
    }
    if (picture) *picture += '\n';
  }
  return wrong;
}

TEST_F(PanelDisplayTest, HeldPositionLightsExactlyItsSegments) {
  HWND panel = start_panel("mixed12", kDiscMixed, "/play /mix");
  ASSERT_TRUE(panel != NULL);
  mcilog::clear();
  ASSERT_TRUE(press("Button5"));
  ASSERT_TRUE(press("Enter"));
  // Held only once the track plays: a play from its start after the hold
  // would show 0:00.
  std::vector<mcilog::Entry> log;
  ASSERT_TRUE(mcilog::wait_for(
      [](const std::vector<mcilog::Entry>& l) {
        for (const mcilog::Entry& e : mcilog::of_type(l, "cdaudio"))
          if (e.message == panel::mci::kPlay && e.error() == 0 && e.from == panel::mci::tmsf(5, 0, 0, 0))
            return true;
        return false;
      },
      kPanelWaitMs, &log))
      << mcilog::dump(log);
  EXPECT_EQ(5ul, query(2)) << "current track";
  std::string output;
  ASSERT_TRUE(run_remote("position D 5 0:03:07 --hold", &output)) << output;

  // Track 5 at 0:03:07: 005, 0, 03, 07.
  const LedCell cells[] = {
      {"track hundreds", 115, 0}, {"track tens", 128, 0},   {"track units", 141, 5},
      {"hours", 175, 0},          {"minutes tens", 194, 0}, {"minutes units", 207, 3},
      {"seconds tens", 228, 0},   {"seconds units", 241, 7},
  };
  const RECT display = {0, 0, panel::kTimeCellLeft.back() + panel::kTimeCellWidth,
                        panel::kTimeCellTop + panel::kTimeCellHeight};
  Shot shot;
  auto shows_it = [&] {
    shot = shoot(panel, display);
    if (!shot.ok()) return false;
    for (const LedCell& c : cells)
      if (led_mismatches(shot, c, NULL) != 0) return false;
    return true;
  };
  if (eventually(shows_it)) return;
  ASSERT_TRUE(shot.ok()) << "the screen could not be read";
  for (const LedCell& c : cells) {
    std::string picture;
    int wrong = led_mismatches(shot, c, &picture);
    EXPECT_EQ(0, wrong) << c.name << " (x " << c.left << ") should show " << c.digit
                        << "; the screen shows (# lit, . dark):\n"
                        << picture;
  }
}

// ---------------------------------------------------------------------------
// Mute and volume

// The bar as it must show a level: red up to the level, with two-pixel dark
// notches ending at level - 3, level - 11, ... while the end is above 0.
std::string volume_row(int level) {
  std::string row(kVolumeWidth, '.');
  for (int x = 0; x < level && x < kVolumeWidth; ++x) row[static_cast<size_t>(x)] = 'R';
  for (int end = level - 3; end > 0; end -= 8)
    for (int x = end - 2; x < end; ++x)
      if (x >= 0 && x < kVolumeWidth) row[static_cast<size_t>(x)] = '.';
  return row;
}

TEST_F(PanelDisplayTest, MuteAndVolumeFromTheLibraryShowInTheIndicators) {
  // Half volume on both channels, sound on, before the panel reads them.
  ASSERT_EQ("80000000", field(holder_.run("setcap 1003 0x80008000"), "status"));
  ASSERT_EQ("80000000", field(holder_.run("setcap 100c 0"), "status"));
  HWND panel = start_panel("audio", kDiscAudio, "/play /cda");
  ASSERT_TRUE(panel != NULL);

  HMODULE resources = LoadLibraryA((program_folder() + "mcures.dll").c_str());
  ASSERT_TRUE(resources != NULL);
  HBITMAP strip = LoadBitmapA(resources, MAKEINTRESOURCEA(IDB_MUTE));
  int strip_width = 0, strip_height = 0;
  std::vector<COLORREF> strip_pixels = bitmap_pixels(strip, strip_width, strip_height);
  DeleteObject(strip);
  FreeLibrary(resources);
  const int cell_width = strip_width / 2;
  ASSERT_EQ(22, cell_width);
  ASSERT_EQ(9, strip_height);
  // The two cells must differ, or showing the right one proves nothing.
  int differing = 0;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < cell_width; ++x)
      differing += strip_pixels[static_cast<size_t>(y * strip_width + x)] !=
                   strip_pixels[static_cast<size_t>(y * strip_width + cell_width + x)];
  ASSERT_GT(differing, 0);

  auto shows_cell = [&](const Shot& shot, int cell) {
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < cell_width; ++x)
        if (shot.at(x, y) != strip_pixels[static_cast<size_t>(y * strip_width + cell * cell_width + x)])
          return false;
    return true;
  };
  auto shown_row = [](const Shot& shot, int y) {
    std::string row;
    for (int x = 0; x < kVolumeWidth; ++x) row += letter(shot.at(x, y));
    return row;
  };
  // The level the library's left channel calls for.
  auto level = [&](unsigned long volume) { return static_cast<int>(kVolumeWidth * (volume & 0xFFFF) / 65535); };

  struct Step {
    const char* button;  // NULL: as the panel starts
    unsigned long muted;
    int volume_change;  // sign of the change of the left channel
  };
  const Step steps[] = {
      {NULL, 0, 0},
      {"Mute", 1, 0},
      {"Mute", 0, 0},
      {"Mute", 1, 0},
      {"VolumeDown", 0, -1},  // unmutes as well
      {"VolumeUp", 0, 1},
      {"VolumeUp", 0, 1},
  };
  unsigned long volume = capability(MMCD_CAP_VOLUME);
  ASSERT_EQ(0x8000ul, volume & 0xFFFF);
  const char* previous = NULL;
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string("step ") + std::to_string(&s - steps) + ": " + (s.button ? s.button : "at start"));
    const unsigned long before = volume;
    if (s.button) {
      // The same button again within half a second counts as held; three
      // polls (200 ms each) later it is a new press.
      if (previous && std::string(previous) == s.button) {
        ASSERT_TRUE(wait_for_ticks(3));
      }
      previous = s.button;
      ASSERT_TRUE(press(s.button));
      ASSERT_TRUE(eventually([&] {
        volume = capability(MMCD_CAP_VOLUME);
        long change = static_cast<long>(volume & 0xFFFF) - static_cast<long>(before & 0xFFFF);
        return capability(MMCD_CAP_MUTE) == s.muted && (change > 0) - (change < 0) == s.volume_change;
      })) << "the library: mute " << capability(MMCD_CAP_MUTE) << ", volume " << std::hex << volume;
    }
    const int want = level(volume);
    Shot mute, bar;
    bool shown = eventually([&] {
      mute = shoot(panel, kMuteIndicator);
      bar = shoot(panel, kVolumeBar);
      if (!mute.ok() || !bar.ok() || !shows_cell(mute, static_cast<int>(s.muted))) return false;
      for (int y = 0; y < 3; ++y)
        if (shown_row(bar, y) != volume_row(want)) return false;
      return true;
    });
    if (shown) continue;
    ASSERT_TRUE(mute.ok() && bar.ok()) << "the screen could not be read";
    EXPECT_TRUE(shows_cell(mute, static_cast<int>(s.muted))) << "mute indicator not on cell " << s.muted;
    int red = 0;
    for (char p : shown_row(bar, 1)) red += p == 'R';
    EXPECT_EQ(volume_row(want), shown_row(bar, 1))
        << "volume " << std::hex << volume << std::dec << ": level " << want << ", " << red << " red pixels";
  }
}

}  // namespace
}  // namespace itest
