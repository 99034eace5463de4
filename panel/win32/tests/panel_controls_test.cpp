// The panel's own controls drawn into memory: the LED cells read back pixel
// by pixel against the segment geometry, the indicators, the volume bar,
// the bitmap buttons' four states, and the About box run modally.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/mcures_ids.h"
#include "panel/seven_segment.h"
#include "panel/win32/about_dialog.h"
#include "panel/win32/bitmap_button.h"
#include "panel/win32/indicator.h"
#include "panel/win32/seven_segment_digit.h"
#include "panel/win32/volume_bar.h"
#include "testing/win32/canvas.h"

namespace panel {
namespace {

const COLORREF kMarker = RGB(12, 34, 56);

// Canvases start in the marker colour, so what a control left alone shows.
class Canvas : public itest::Canvas {
 public:
  Canvas(int width, int height) : itest::Canvas(width, height, kMarker) {}
};

// Counts the pixels of a cell that differ from what the geometry says.
int cell_mismatches(const Canvas& canvas, int left, int top, int digit, COLORREF lit,
                    COLORREF unlit, COLORREF background, std::string* first) {
  std::vector<CellPixel> want = cell_pixels(digit, kTimeCellWidth, kTimeCellHeight);
  int wrong = 0;
  for (int y = 0; y < kTimeCellHeight; ++y) {
    for (int x = 0; x < kTimeCellWidth; ++x) {
      CellPixel p = want[static_cast<size_t>(y * kTimeCellWidth + x)];
      COLORREF expected = p == CellPixel::Lit ? lit : p == CellPixel::Unlit ? unlit : background;
      COLORREF got = canvas.at(left + x, top + y);
      if (got != expected && wrong++ == 0 && first) {
        char text[96];
        wsprintfA(text, "cell pixel %d,%d is %06lX, not %06lX", x, y, got, expected);
        *first = text;
      }
    }
  }
  return wrong;
}

std::string library_path() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1) + "mcures.dll";
}

// A bitmap's pixels as COLORREFs, row by row from the top.
std::vector<COLORREF> pixels_of(HBITMAP bitmap, int& width, int& height) {
  BITMAP info;
  std::vector<COLORREF> out;
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return out;
  width = info.bmWidth;
  height = info.bmHeight;
  Canvas canvas(width, height);
  HDC memory = CreateCompatibleDC(canvas.dc());
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(canvas.dc(), 0, 0, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(canvas.at(x, y));
  return out;
}

INT_PTR CALLBACK plain_dialog(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class WithResources : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_ = LoadLibraryA(library_path().c_str());
    ASSERT_TRUE(dll_ != NULL) << library_path();
    owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, NULL,
                             NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(owner_ != NULL);
    // The panel's own template, for controls as the panel has them.
    panel_ = CreateDialogParamA(dll_, MAKEINTRESOURCEA(IDD_PANEL), owner_, plain_dialog, 0);
    ASSERT_TRUE(panel_ != NULL);
  }
  void TearDown() override {
    if (panel_) DestroyWindow(panel_);
    if (owner_) DestroyWindow(owner_);
    if (dll_) FreeLibrary(dll_);
  }

  DRAWITEMSTRUCT item_for(HWND control, HDC dc, UINT state) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = GetDlgCtrlID(control);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = control;
    item.hDC = dc;
    GetClientRect(control, &item.rcItem);
    return item;
  }

  HMODULE dll_ = NULL;
  HWND owner_ = NULL;
  HWND panel_ = NULL;
};

// ---------------------------------------------------------------------------
// The LED display

TEST(SevenSegmentDigit, DrawsEachDigitPixelForPixel) {
  SevenSegmentDigit fresh;
  EXPECT_EQ(RGB(0, 255, 255), fresh.lit());
  EXPECT_EQ(RGB(0, 128, 128), fresh.unlit());
  EXPECT_EQ(RGB(0, 0, 0), fresh.background());

  Canvas canvas(20, 25);
  ASSERT_TRUE(canvas.ok());
  for (int digit = 0; digit <= 9; ++digit) {
    canvas.fill(kMarker);
    ASSERT_TRUE(fresh.draw(canvas.dc(), 4, 3, kTimeCellWidth, kTimeCellHeight, digit));
    std::string first;
    EXPECT_EQ(0, cell_mismatches(canvas, 4, 3, digit, fresh.lit(), fresh.unlit(),
                                 fresh.background(), &first))
        << "digit " << digit << ": " << first;
    // Nothing outside the cell is touched.
    for (int y = 0; y < 25; ++y) {
      for (int x = 0; x < 20; ++x) {
        bool inside = x >= 4 && x < 4 + kTimeCellWidth && y >= 3 && y < 3 + kTimeCellHeight;
        if (!inside) {
          ASSERT_EQ(kMarker, canvas.at(x, y)) << "digit " << digit << " at " << x << "," << y;
        }
      }
    }
  }

  // Colours of the caller's choosing, as the panel sets them (and a
  // background that is not black, so it shows where it is painted).
  SevenSegmentDigit chosen;
  chosen.set_colours(RGB(255, 255, 0), RGB(40, 40, 40), RGB(0, 0, 90));
  for (int digit : {1, 8, 11}) {
    canvas.fill(kMarker);
    ASSERT_TRUE(chosen.draw(canvas.dc(), 0, 0, kTimeCellWidth, kTimeCellHeight, digit));
    std::string first;
    EXPECT_EQ(0, cell_mismatches(canvas, 0, 0, digit, RGB(255, 255, 0), RGB(40, 40, 40),
                                 RGB(0, 0, 90), &first))
        << "digit " << digit << ": " << first;
  }
}

TEST(SevenSegmentDigit, TimeDisplayShowsTrackFiveAtThreeMinutesSeven) {
  Canvas canvas(369, 37);
  ASSERT_TRUE(canvas.ok());
  SevenSegmentDigit led;
  led.set_colours(RGB(0, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0));
  ASSERT_TRUE(draw_time_display(canvas.dc(), led, 5, 0, 3, 7));

  struct Cell {
    int left, digit;
  };
  // 005 0 03 07: track hundreds, tens, units; hours; minutes; seconds.
  const Cell cells[] = {{115, 0}, {128, 0}, {141, 5}, {175, 0},
                        {194, 0}, {207, 3}, {228, 0}, {241, 7}};
  for (const Cell& c : cells) {
    std::string first;
    EXPECT_EQ(0, cell_mismatches(canvas, c.left, 9, c.digit, RGB(0, 255, 255), RGB(0, 0, 0),
                                 RGB(0, 0, 0), &first))
        << "cell at x " << c.left << ": " << first;
  }
  int outside = 0;
  for (int y = 0; y < 37; ++y) {
    for (int x = 0; x < 369; ++x) {
      bool in_cell = false;
      for (const Cell& c : cells)
        in_cell |= x >= c.left && x < c.left + 11 && y >= 9 && y < 28;
      if (!in_cell) outside += canvas.at(x, y) != kMarker;
    }
  }
  EXPECT_EQ(0, outside) << "pixels drawn outside the eight cells";
}

// ---------------------------------------------------------------------------
// Indicators

TEST_F(WithResources, IndicatorShowsItsCellOverTheFill) {
  Indicator disc;
  ASSERT_TRUE(disc.attach(panel_, IDC_DISC_TYPE, dll_, IDB_DISC_TYPE, 9));
  EXPECT_EQ(22, disc.cell_width());
  EXPECT_EQ(0, disc.cell());

  // Larger than a cell, so the fill shows to the right and below.
  SetWindowPos(disc.hwnd(), NULL, 0, 0, 26, 12, SWP_NOMOVE | SWP_NOZORDER);
  HBITMAP strip = LoadBitmapA(dll_, MAKEINTRESOURCEA(IDB_DISC_TYPE));
  int sw = 0, sh = 0;
  std::vector<COLORREF> cells = pixels_of(strip, sw, sh);
  DeleteObject(strip);
  ASSERT_EQ(9 * 22, sw);
  ASSERT_EQ(9, sh);

  Canvas canvas(26, 12);
  for (int cell : {0, 4, 8}) {
    ASSERT_TRUE(disc.set_cell(cell));
    canvas.fill(kMarker);
    ASSERT_TRUE(disc.draw(item_for(disc.hwnd(), canvas.dc(), 0)));
    int wrong = 0;
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 26; ++x) {
        COLORREF want = x < 22 && y < 9 ? cells[static_cast<size_t>(y * sw + cell * 22 + x)]
                                        : Indicator::kFill;
        wrong += canvas.at(x, y) != want;
      }
    }
    EXPECT_EQ(0, wrong) << "cell " << cell;
  }

  // Out of range: refused, and the indicator keeps its cell.
  for (int bad : {-1, 9, 100}) {
    EXPECT_FALSE(disc.set_cell(bad)) << bad;
    EXPECT_EQ(8, disc.cell());
  }

  // Focused: a focus rectangle on the outline inset by one pixel, nothing else.
  Canvas plain(26, 12), focused(26, 12);
  disc.draw(item_for(disc.hwnd(), plain.dc(), 0));
  disc.draw(item_for(disc.hwnd(), focused.dc(), ODS_FOCUS));
  int changed = 0, off_outline = 0;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 26; ++x) {
      if (plain.at(x, y) == focused.at(x, y)) continue;
      ++changed;
      bool on_outline = (x == 1 || x == 24 || y == 1 || y == 10) && x >= 1 && x <= 24 && y >= 1 &&
                        y <= 10;
      off_outline += !on_outline;
    }
  }
  EXPECT_GT(changed, 10);
  EXPECT_EQ(0, off_outline);

  // Another control's item is not this indicator's.
  EXPECT_FALSE(disc.draw(item_for(GetDlgItem(panel_, IDC_MUTE), canvas.dc(), 0)));
}

TEST_F(WithResources, IndicatorRefusesWhatItCannotShow) {
  Indicator i;
  EXPECT_FALSE(i.attach(panel_, IDC_REPEAT, dll_, 9999, 2)) << "no such bitmap";
  EXPECT_FALSE(i.attach(panel_, IDC_REPEAT, dll_, IDB_REPEAT, 0)) << "no cells";
  EXPECT_FALSE(i.attach(panel_, 4321, dll_, IDB_REPEAT, 2)) << "no such control";
  EXPECT_FALSE(i.set_cell(0)) << "not attached";
  ASSERT_TRUE(i.attach(panel_, IDC_REPEAT, dll_, IDB_REPEAT, 2));
  EXPECT_TRUE(i.set_cell(1));
  EXPECT_FALSE(i.set_cell(2));
  EXPECT_EQ(1, i.cell());
}

// ---------------------------------------------------------------------------
// The volume bar

// "5R 2K" -> "RRRRRKK"
std::string runs(const char* text) {
  std::string out;
  int n = 0;
  for (const char* p = text; *p; ++p) {
    if (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p - '0');
    } else if (*p != ' ') {
      out.append(static_cast<size_t>(n), *p);
      n = 0;
    }
  }
  return out;
}

TEST(VolumeBar, PaintsTheLevelWithItsNotches) {
  struct Case {
    int level;
    const char* row;  // R red, K black, 68 pixels
  };
  const Case cases[] = {
      {0, "68K"},
      {3, "3R 65K"},  // the first notch would end at 0
      {4, "1K 3R 64K"},
      {11, "6R 2K 3R 57K"},
      {34, "5R 2K 6R 2K 6R 2K 6R 2K 3R 34K"},
      {68, "1K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 3R"},
      {90, "1K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 6R 2K 3R"},  // held to the bar
      {-5, "68K"},
  };
  Canvas canvas(80, 10);
  for (const Case& c : cases) {
    canvas.fill(kMarker);
    // Away from the canvas's corner: the notches count from the bar's edge.
    RECT bar = {7, 4, 75, 7};
    VolumeBar::paint(canvas.dc(), bar, c.level);
    for (int y = 4; y < 7; ++y) {
      std::string row;
      for (int x = 7; x < 75; ++x) {
        COLORREF p = canvas.at(x, y);
        row += p == RGB(255, 0, 0) ? 'R' : p == RGB(0, 0, 0) ? 'K' : '?';
      }
      EXPECT_EQ(runs(c.row), row) << "level " << c.level << " row " << y;
    }
    EXPECT_EQ(kMarker, canvas.at(6, 5)) << "level " << c.level;
    EXPECT_EQ(kMarker, canvas.at(75, 5)) << "level " << c.level;
    EXPECT_EQ(kMarker, canvas.at(30, 3)) << "level " << c.level;
    EXPECT_EQ(kMarker, canvas.at(30, 7)) << "level " << c.level;
  }
}

TEST(VolumeBar, LevelsAndVolumes) {
  struct Level {
    DWORD volume;
    int level;
  };
  // Only the left channel, the low 16 bits, counts.
  for (const Level& c : {Level{0xFFFF, 68}, Level{0xFFFFFFFF, 68}, Level{0x7FFF, 33},
                         Level{0x8000, 34}, Level{0, 0}, Level{0xFFFF0000, 0}})
    EXPECT_EQ(c.level, VolumeBar::level_of(c.volume, 68)) << std::hex << c.volume;
  EXPECT_EQ(0, VolumeBar::level_of(0xFFFF, 0));

  struct Click {
    int level;
    DWORD volume;
  };
  // Half way along a 68-pixel bar: 32767 on both channels.
  for (const Click& c : {Click{34, 32767u * 0x10001u}, Click{68, 0xFFFFFFFFu}, Click{0, 0},
                         Click{1, 963u * 0x10001u}, Click{-3, 0}, Click{70, 0xFFFFFFFFu}})
    EXPECT_EQ(c.volume, VolumeBar::volume_at(c.level, 68)) << "level " << c.level;
  EXPECT_EQ(0u, VolumeBar::volume_at(10, 0)) << "a bar without width";
}

TEST_F(WithResources, VolumeBarDrawsItsLevel) {
  VolumeBar bar;
  ASSERT_TRUE(bar.attach(panel_, IDC_VOLUME));
  SetWindowPos(bar.hwnd(), NULL, 0, 0, 68, 3, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(68, bar.width());
  bar.set_level(12);
  EXPECT_EQ(12, bar.level());
  bar.set_level(500);
  EXPECT_EQ(68, bar.level());
  bar.set_level(VolumeBar::level_of(0x8000, bar.width()));
  Canvas canvas(68, 3);
  ASSERT_TRUE(bar.draw(item_for(bar.hwnd(), canvas.dc(), 0)));
  std::string row;
  for (int x = 0; x < 68; ++x) row += canvas.at(x, 1) == RGB(255, 0, 0) ? 'R' : 'K';
  EXPECT_EQ(runs("5R 2K 6R 2K 6R 2K 6R 2K 3R 34K"), row);
  EXPECT_FALSE(bar.draw(item_for(GetDlgItem(panel_, IDC_MUTE), canvas.dc(), 0)));
}

// ---------------------------------------------------------------------------
// Bitmap buttons

TEST_F(WithResources, BitmapButtonShowsTheStateOfEachDraw) {
  BitmapButton play;
  ASSERT_TRUE(play.attach(panel_, IDC_PLAY, dll_)) << "the button's text names its pictures";
  RECT r;
  GetClientRect(play.hwnd(), &r);
  HBITMAP up = LoadBitmapA(dll_, "BPlayU");
  int w = 0, h = 0;
  std::vector<COLORREF> up_pixels = pixels_of(up, w, h);
  DeleteObject(up);
  EXPECT_EQ(w, r.right) << "sized to its picture";
  EXPECT_EQ(h, r.bottom) << "sized to its picture";

  struct Case {
    UINT state;
    const char* picture;
  };
  const Case cases[] = {
      {0, "BPlayU"},
      {ODS_SELECTED, "BPlayD"},
      {ODS_FOCUS, "BPlayF"},
      {ODS_SELECTED | ODS_FOCUS, "BPlayD"},
      {ODS_DISABLED, "BPlayX"},
      {ODS_DISABLED | ODS_FOCUS, "BPlayX"},
  };
  Canvas canvas(w, h);
  for (const Case& c : cases) {
    HBITMAP picture = LoadBitmapA(dll_, c.picture);
    int pw = 0, ph = 0;
    std::vector<COLORREF> want = pixels_of(picture, pw, ph);
    DeleteObject(picture);
    ASSERT_FALSE(want.empty()) << c.picture;
    canvas.fill(kMarker);
    ASSERT_TRUE(play.draw(item_for(play.hwnd(), canvas.dc(), c.state)));
    std::vector<COLORREF> got;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) got.push_back(canvas.at(x, y));
    EXPECT_EQ(want, got) << "state " << std::hex << c.state << " should show " << c.picture;
  }
  EXPECT_FALSE(play.draw(item_for(GetDlgItem(panel_, IDC_STOP), canvas.dc(), 0)));

  // A stem given by the caller, over the button's text.
  BitmapButton other;
  ASSERT_TRUE(other.attach(panel_, IDC_STOP, dll_, "BEject"));
  canvas.fill(kMarker);
  other.draw(item_for(other.hwnd(), canvas.dc(), 0));
  HBITMAP eject = LoadBitmapA(dll_, "BEjectU");
  int ew = 0, eh = 0;
  std::vector<COLORREF> eject_pixels = pixels_of(eject, ew, eh);
  DeleteObject(eject);
  EXPECT_EQ(eject_pixels.front(), canvas.at(0, 0));
  EXPECT_EQ(eject_pixels[static_cast<size_t>(6 * ew + 12)], canvas.at(12, 6));
}

TEST_F(WithResources, BitmapButtonNeedsAnOwnerDrawnButtonWithPictures) {
  BitmapButton b;
  EXPECT_FALSE(b.attach(panel_, IDC_VOLUME, dll_)) << "no BVolume pictures";
  EXPECT_FALSE(b.attach(panel_, 4321, dll_)) << "no such control";
  EXPECT_FALSE(b.attach(panel_, IDC_PLAY, dll_, "")) << "no stem";
  HWND push = CreateWindowExA(0, "BUTTON", "BPlay", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10,
                              panel_, (HMENU)4000, GetModuleHandleA(NULL), NULL);
  ASSERT_TRUE(push != NULL);
  EXPECT_FALSE(b.attach(panel_, 4000, dll_)) << "a push button draws itself";
  EXPECT_TRUE(b.hwnd() == NULL);
  DestroyWindow(push);
}

// ---------------------------------------------------------------------------
// The About box

struct AboutWatch {
  HWND owner = NULL;
  int ticks = 0;
  bool seen = false;
  bool owned = false;
  std::vector<std::string> texts;
};
AboutWatch g_about;

BOOL CALLBACK collect_text(HWND child, LPARAM) {
  // An icon's text is its resource number, no text.
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
  char text[128] = "";
  GetWindowTextA(child, text, sizeof text);
  if (*text) g_about.texts.push_back(text);
  return TRUE;
}

// Finds the box while its modal loop runs, notes what it holds and presses
// OK; gives up with Cancel after about five seconds.
void CALLBACK watch_about(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowA("#32770", "About Halvo Multimedia Deck");
  if (box && !g_about.seen) {
    g_about.seen = true;
    g_about.owned = GetWindow(box, GW_OWNER) == g_about.owner;
    EnumChildWindows(box, collect_text, 0);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
  } else if (++g_about.ticks > 100) {
    HWND active = GetActiveWindow();
    if (active) PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
  }
}

TEST_F(WithResources, AboutBoxRunsOverItsOwnerUntilOk) {
  g_about = AboutWatch();
  g_about.owner = owner_;
  UINT_PTR timer = SetTimer(NULL, 0, 50, watch_about);
  ASSERT_NE(0u, timer);
  AboutDialog about;
  INT_PTR result = about.run(dll_, owner_);
  KillTimer(NULL, timer);
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(g_about.seen);
  EXPECT_TRUE(g_about.owned);
  EXPECT_EQ((std::vector<std::string>{"Halvo Multimedia Deck", "Version 1.00", "OK"}),
            g_about.texts);
  EXPECT_TRUE(about.hwnd() == NULL) << "the box is gone";
}

}  // namespace
}  // namespace panel
