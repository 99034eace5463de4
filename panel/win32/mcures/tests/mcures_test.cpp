// mcures.dll as the panel uses it: every text, picture, menu and dialog is
// found by number (the buttons' pictures by name), so a missing or
// misnumbered resource shows only as a blank control or a failed load at
// run time.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "panel/mcures_ids.h"
#include "testing/win32/driver.h"
#include "testing/win32/resource_checks.h"

namespace {

using itest::class_of;
using itest::ParentWindow;
using itest::text_of;

const char* const kStems[] = {"BPower", "BPlayL", "BPretrk", "BPause", "BSkipB",
                              "BPlay",  "BSkipF", "BStop",   "BNext",  "BEject"};
const char kStates[] = "UDFX";

// A bitmap's size and its pixels as 0x00RRGGBB, row by row from the top.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> rgb;
  DWORD at(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

Pixels read_pixels(HBITMAP bitmap) {
  Pixels p;
  BITMAP info;
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return p;
  p.width = info.bmWidth;
  p.height = info.bmHeight;
  p.rgb.resize(static_cast<size_t>(p.width * p.height));
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = p.width;
  bi.bmiHeader.biHeight = -p.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(NULL);
  int rows = GetDIBits(dc, bitmap, 0, p.height, p.rgb.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(NULL, dc);
  if (rows != p.height) p.rgb.clear();
  for (DWORD& v : p.rgb) v &= 0xFFFFFF;
  return p;
}

// The pixels of one cell of a strip.
std::vector<DWORD> cell_of(const Pixels& strip, int cell, int cell_width) {
  std::vector<DWORD> c;
  for (int y = 0; y < strip.height; ++y)
    for (int x = 0; x < cell_width; ++x) c.push_back(strip.at(cell * cell_width + x, y));
  return c;
}

class Mcures : public itest::ResourceLibraryTest {
 protected:
  Mcures() : ResourceLibraryTest("mcures.dll") {}

  Pixels bitmap(LPCSTR name) {
    HBITMAP b = LoadBitmapA(dll_, name);
    Pixels p = read_pixels(b);
    if (b) DeleteObject(b);
    return p;
  }
};

// ---------------------------------------------------------------------------
// The library itself

TEST_F(Mcures, HoldsResourcesOnly) {
  itest::expect_resources_only(dll_, "mcures.dll");
}

// ---------------------------------------------------------------------------
// Strings

TEST_F(Mcures, StringsHoldTheirTexts) {
  struct Case {
    UINT id;
    const char* text;
  };
  const Case cases[] = {
      {IDS_OPEN_AUDIO_FAILED, "Unable to open Audio player"},
      {IDS_ERROR_CAPTION, "Halvo Multimedia Deck error"},
      {IDS_AUDIO_NOT_INSERTED, "Audio CD not inserted"},
      {IDS_QMCD_NOT_INSERTED, "Quorvane Multimedia CD not inserted"},
      {IDS_REGISTER_FAILED, "failed to register application"},
      {IDS_NO_RECEIVER, "Quorvane Halvo-IR not found"},
      {IDS_OPEN_AVI_FAILED, "Unable to open Avi player"},
      {IDS_OPEN_WAVE_FAILED, "Unable to open Wave player"},
      {IDS_OPEN_MIDI_FAILED, "Unable to open Midi player"},
      {IDS_NO_TIMER, "Unable to allocate a timer"},
      // 11 + the media kind, AviFile (0) to CdiDisc (8).
      {IDS_FORMAT_FIRST + 0, "Video for Windows (*.avi)"},
      {IDS_FORMAT_FIRST + 1, "CD Audio"},
      {IDS_FORMAT_FIRST + 2, "MIDI Sequencer (*.mid)"},
      {IDS_FORMAT_FIRST + 3, "Mixed Mode CD"},
      {IDS_FORMAT_FIRST + 4, "QMCD (*.avi, *.wav, *.mid)"},
      {IDS_FORMAT_FIRST + 5, "Video CD (*.dat)"},
      {IDS_FORMAT_FIRST + 6, "Sound (*.wav)"},
      {IDS_FORMAT_FIRST + 7, "No Disc"},
      {IDS_FORMAT_FIRST + 8, "CDI"},
      {IDS_TIP_PAUSE, "Pause"},
      {IDS_TIP_SKIP_BACK, "Skip backwards"},
      {IDS_TIP_PLAY, "Play"},
      {IDS_TIP_SKIP_FORWARD, "Skip forwards"},
      {IDS_TIP_STOP, "Stop"},
      {IDS_TIP_NEXT, "Next track"},
      {IDS_TIP_EJECT, "Eject"},
      {IDS_TIP_REPEAT, "Continuous play"},
      {IDS_TIP_VOLUME, "Volume"},
      {IDS_OPEN_VIDEO_FAILED, "Unable to open Video player"},
      {IDS_TIP_MUTE, "Mute"},
      {IDS_TIP_DISC_TYPE, "Disc Type"},
      {IDS_TIP_POWER, "System Menu"},
      {IDS_TIP_PLAY_LIST, "Edit playlist"},
      {IDS_TIP_PREVIOUS, "Previous track"},
      {IDS_FOLDER_WAVE, "WAVE"},
      {IDS_FOLDER_MIDI, "MIDI"},
      {IDS_FOLDER_AVI, "AVI"},
      {IDS_EXT_WAVE, "WAV"},
      {IDS_EXT_MIDI, "MID"},
      {IDS_EXT_AVI, "AVI"},
      {IDS_CONFIRM_DELETE, "Confirm Delete"},
      {IDS_DELETE_ALBUM, "Delete album %1 ?"},
      {IDS_CDI_NOT_INSERTED, "CD-I not inserted"},
      {IDS_MIXED_NOT_INSERTED, "Mixed Mode CD not inserted"},
      {IDS_VIDEO_NOT_INSERTED, "Video CD not inserted"},
      {IDS_BAD_SWITCH,
       "Unable to activate player. Please check your registry setting and try again."},
      {IDS_PANEL_TITLE, "Halvo Multimedia Deck"},
      {IDS_NO_HELP, "Unable to activate help"},
      {IDS_OPEN_CDI_FAILED, "Unable to open CD-I player"},
      {IDS_NO_ALBUM_NAME, "Please enter an album name."},
      {IDS_CDI_MOVIE, "CD-I movie"},
      {IDS_ALBUM_EXISTS, "Album name %1 already exists. Overwrite ?"},
      {IDS_CONFIRM_REPLACE, "Confirm Replace"},
      {IDS_DRIVE_IN_USE, "The drive is in use by another application"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, string(c.id)) << "string " << c.id;

  // The status line's text of every menu command, and of the ids below them.
  for (UINT id = IDS_MENU_STATUS_FIRST; id <= IDS_MENU_STATUS_LAST; ++id)
    EXPECT_FALSE(string(id).empty()) << "status text " << id;
}

// ---------------------------------------------------------------------------
// The pop-up menu

TEST_F(Mcures, PowerPopupHoldsItsCommandsInOrder) {
  HMENU menu = LoadMenuA(dll_, MAKEINTRESOURCEA(IDM_POWER_POPUP));
  ASSERT_TRUE(menu != NULL);
  char name[64] = "";
  GetMenuStringA(menu, 0, name, sizeof name, MF_BYPOSITION);
  EXPECT_STREQ("PowerPopup", name);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_TRUE(popup != NULL);

  struct Item {
    UINT id;  // 0: a separator
    const char* text;
  };
  const Item items[] = {{IDM_MINIMIZE, "Mi&nimize"}, {0, ""},
                        {IDM_HELP, "&Help"},         {IDM_ABOUT, "&About"},
                        {0, ""},                     {IDM_CLOSE, "&Close"}};
  ASSERT_EQ(int(sizeof items / sizeof items[0]), GetMenuItemCount(popup));
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    MENUITEMINFOA info = {};
    char text[64] = "";
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info)) << "item " << i;
    EXPECT_TRUE(info.hSubMenu == NULL) << "item " << i;
    if (items[i].id == 0) {
      EXPECT_NE(0u, info.fType & MFT_SEPARATOR) << "item " << i << " is a separator";
    } else {
      EXPECT_EQ(0u, info.fType & MFT_SEPARATOR) << "item " << i;
      EXPECT_EQ(items[i].id, info.wID) << "item " << i;
      EXPECT_STREQ(items[i].text, text) << "item " << i;
    }
  }
  DestroyMenu(menu);
}

// ---------------------------------------------------------------------------
// Dialog templates

// What a DLGTEMPLATEEX header says about the dialog itself.
struct Template {
  DWORD style = 0;
  short cx = 0, cy = 0;
  std::wstring caption, font;
  WORD point_size = 0;
};

bool read_template(const BYTE* p, DWORD size, Template& t) {
  if (!p || size < 26) return false;
  const WORD* w = reinterpret_cast<const WORD*>(p);
  if (w[0] != 1 || w[1] != 0xFFFF) return false;  // DIALOGEX
  memcpy(&t.style, p + 12, 4);
  memcpy(&t.cx, p + 22, 2);
  memcpy(&t.cy, p + 24, 2);
  const WORD* end = reinterpret_cast<const WORD*>(p + size);
  w = reinterpret_cast<const WORD*>(p + 26);
  // Menu and class: none, an ordinal or a string.
  for (int field = 0; field < 2; ++field) {
    if (w >= end) return false;
    if (*w == 0xFFFF) {
      w += 2;
    } else {
      while (w < end && *w) ++w;
      ++w;
    }
  }
  auto read_string = [&](std::wstring& s) {
    while (w < end && *w) s += static_cast<wchar_t>(*w++);
    ++w;
    return w <= end;
  };
  if (!read_string(t.caption)) return false;
  if (t.style & DS_SETFONT) {
    if (w + 3 > end) return false;
    t.point_size = w[0];
    w += 3;  // size, weight, italic and character set
    if (!read_string(t.font)) return false;
  }
  return true;
}

struct Control {
  int id;
  const char* window_class;
  DWORD style_mask;  // the bits of the style that must equal style
  DWORD style;
  const char* text;  // nullptr: not checked
};

const DWORD kButtonType = 0x0F;  // BS_TYPEMASK
// Scroll bars come and go with the content; see PlayListsScrollSideways.
const DWORD kListStyle = LBS_EXTENDEDSEL | LBS_NOTIFY;

Control push(int id, const char* text) {
  return {id, "Button", kButtonType & ~1u, BS_PUSHBUTTON, text};
}
Control owner_drawn(int id, const char* text) {
  return {id, "Button", kButtonType, BS_OWNERDRAW, text};
}

struct Dialog {
  int id;
  const char* caption;
  std::vector<Control> controls;
  std::vector<std::string> labels;  // texts of static controls
};

std::vector<Dialog> dialogs() {
  return {
      {IDD_PANEL,
       "",
       {owner_drawn(IDC_POWER, "BPower"), owner_drawn(IDC_PLAY_LIST, "BPlayL"),
        owner_drawn(IDC_PREVIOUS, "BPretrk"), owner_drawn(IDC_PAUSE, "BPause"),
        owner_drawn(IDC_SKIP_BACK, "BSkipB"), owner_drawn(IDC_PLAY, "BPlay"),
        owner_drawn(IDC_SKIP_FORWARD, "BSkipF"), owner_drawn(IDC_STOP, "BStop"),
        owner_drawn(IDC_NEXT, "BNext"), owner_drawn(IDC_EJECT, "BEject"),
        owner_drawn(IDC_REPEAT, "BRepeat"), owner_drawn(IDC_DISC_TYPE, "BDiscType"),
        owner_drawn(IDC_MUTE, "BMute"), owner_drawn(IDC_VOLUME, "BVolume")},
       {}},
      {IDD_ABOUT,
       "About Halvo Multimedia Deck",
       {{IDOK, "Button", kButtonType & ~1u, BS_PUSHBUTTON, "OK"}},
       {"Halvo Multimedia Deck", "Version 1.00"}},
      {IDD_PLAY_LIST,
       "Play List",
       {{IDC_DRIVE, "Edit", ES_READONLY, ES_READONLY, nullptr},
        {IDC_FORMAT, "Edit", ES_READONLY, ES_READONLY, nullptr},
        {IDC_ALBUM_LIST, "ComboBox", 0x3, CBS_DROPDOWNLIST, nullptr},
        push(IDC_SAVE, "&Save"),
        push(IDC_SAVE_AS, "Sa&ve As"),
        push(IDC_DELETE, "&Delete"),
        {IDC_SOURCE, "ListBox", kListStyle, kListStyle, nullptr},
        {IDC_DESTINATION, "ListBox", kListStyle, kListStyle, nullptr},
        push(IDC_ADD, "&Add ->"),
        push(IDC_ADD_ALL, "Add Al&l"),
        push(IDC_REMOVE, "<- &Remove"),
        push(IDC_REMOVE_ALL, "Re&move All"),
        push(IDOK, "OK"),
        push(IDCANCEL, "Cancel"),
        push(IDC_PLAY_LIST_HELP, "&Help")},
       {"CD-ROM Drive :", "CD Format :", "Ope&n List :", "Source :", "Destination :"}},
      {IDD_NEW_ALBUM,
       "New Album",
       {{IDC_ALBUM_NAME, "Edit", ES_AUTOHSCROLL, ES_AUTOHSCROLL, nullptr}, push(IDOK, "OK"),
        push(IDCANCEL, "Cancel")},
       {"Enter a new Album name :"}},
  };
}

TEST_F(Mcures, EveryDialogCreatesWithItsControls) {
  for (const Dialog& d : dialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    ParentWindow parent;
    ASSERT_TRUE(parent.window() != NULL);
    HWND dialog = create_dialog(d.id, parent.window());
    ASSERT_TRUE(dialog != NULL) << GetLastError();
    EXPECT_EQ(d.caption, text_of(dialog));

    for (const Control& c : d.controls) {
      HWND control = itest::expect_control(dialog, c.id, c.window_class, c.style_mask, c.style);
      if (control && c.text) {
        EXPECT_EQ(c.text, text_of(control)) << "control " << c.id;
      }
    }
    itest::expect_children_fit(dialog, d.id);
    std::vector<std::string> labels;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (lstrcmpiA(class_of(child).c_str(), "Static") == 0 &&
          (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) <= SS_RIGHT)
        labels.push_back(text_of(child));
    }
    EXPECT_EQ(d.labels, labels);
    DestroyWindow(dialog);
  }
}

TEST_F(Mcures, PanelTemplateIsACaptionlessStripOfTheGivenSize) {
  auto bytes = data(MAKEINTRESOURCEA(IDD_PANEL), (LPCSTR)RT_DIALOG);
  Template t;
  ASSERT_TRUE(read_template(bytes.first, bytes.second, t));
  EXPECT_EQ(240, t.cx);
  EXPECT_EQ(39, t.cy);
  const DWORD wanted = WS_POPUP | WS_VISIBLE | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX |
                       DS_3DLOOK | DS_SETFOREGROUND | DS_SETFONT;
  EXPECT_EQ(wanted, t.style) << std::hex << t.style;
  EXPECT_EQ(0u, t.style & WS_DLGFRAME) << "no caption";
  EXPECT_TRUE(t.caption.empty());
  EXPECT_EQ(L"MS Sans Serif", t.font);
  EXPECT_EQ(8, t.point_size);

  // Dialogs the panel runs modally over itself are ordinary captioned boxes.
  for (int id : {IDD_ABOUT, IDD_PLAY_LIST, IDD_NEW_ALBUM}) {
    auto b = data(MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    Template other;
    ASSERT_TRUE(read_template(b.first, b.second, other)) << "dialog " << id;
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              other.style & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME))
        << "dialog " << id;
  }
}

// The Play List's lists grow their horizontal extent with their widest
// text: each list needs its horizontal scroll bar for that to show.
TEST_F(Mcures, PlayListsScrollSideways) {
  ParentWindow parent;
  HWND dialog = create_dialog(IDD_PLAY_LIST, parent.window());
  ASSERT_TRUE(dialog != NULL);
  for (int id : {IDC_SOURCE, IDC_DESTINATION}) {
    HWND list = GetDlgItem(dialog, id);
    ASSERT_TRUE(list != NULL);
    for (int i = 0; i < 40; ++i)
      SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) "D:\\QMCD\\WAVE\\A VERY LONG FILE NAME.WAV");
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 2000, 0);
    DWORD style = GetWindowLongA(list, GWL_STYLE);
    EXPECT_NE(0u, style & WS_HSCROLL) << "list " << id;
    EXPECT_NE(0u, style & WS_VSCROLL) << "list " << id;
    // Several rows can be chosen at once.
    EXPECT_NE(LB_ERR, SendMessageA(list, LB_SELITEMRANGE, TRUE, MAKELPARAM(0, 2)));
    EXPECT_EQ(3, SendMessageA(list, LB_GETSELCOUNT, 0, 0)) << "list " << id;
  }
  DestroyWindow(dialog);
}

TEST_F(Mcures, AboutBoxShowsTheIcon) {
  ParentWindow parent;
  HWND dialog = create_dialog(IDD_ABOUT, parent.window());
  ASSERT_TRUE(dialog != NULL);
  int icons = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    ++icons;
    EXPECT_TRUE(SendMessageA(child, STM_GETICON, 0, 0) != 0) << "icon 128 is not loaded";
  }
  EXPECT_EQ(1, icons);
  DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------
// Icon and cursor

TEST_F(Mcures, IconHoldsBothSizes) {
  itest::expect_icon_sizes(dll_, IDI_PANEL, {16, 32});
}

TEST_F(Mcures, CursorPointsWithAVisiblePixel) {
  HCURSOR cursor = LoadCursorA(dll_, MAKEINTRESOURCEA(IDCUR_INDICATOR));
  ASSERT_TRUE(cursor != NULL) << GetLastError();
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  // Two colours: the mask holds the AND and XOR halves one above the other.
  EXPECT_TRUE(info.hbmColor == NULL);
  Pixels mask = read_pixels(info.hbmMask);
  ASSERT_EQ(32, mask.width);
  ASSERT_EQ(64, mask.height);
  int hot_x = int(info.xHotspot), hot_y = int(info.yHotspot);
  ASSERT_TRUE(hot_x < 32 && hot_y < 32);
  EXPECT_EQ(0u, mask.at(hot_x, hot_y)) << "the hot spot " << hot_x << "," << hot_y
                                       << " is on a transparent pixel";
  int opaque = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) opaque += mask.at(x, y) == 0;
  EXPECT_GT(opaque, 100);
  EXPECT_LT(opaque, 32 * 32 - 200) << "the cursor is a picture, not a block";
  DeleteObject(info.hbmMask);
  DestroyCursor(cursor);
}

// ---------------------------------------------------------------------------
// Bitmaps

TEST_F(Mcures, BackgroundCarriesItsPaletteAndTheLedWindow) {
  // Room left in the colour table for the twenty static colours of a
  // 256-colour display.
  const BITMAPINFOHEADER* header =
      itest::expect_palette_bitmap(data(IDB_BACKGROUND, (LPCSTR)RT_BITMAP), 236);
  ASSERT_TRUE(header != nullptr);
  EXPECT_EQ(369, header->biWidth);
  EXPECT_EQ(37, header->biHeight);

  // The time cells paint their own black: the window behind them must be
  // black too (or the cyan of the colons), or the cells show as patches.
  Pixels face = bitmap(MAKEINTRESOURCEA(IDB_BACKGROUND));
  ASSERT_EQ(369, face.width);
  ASSERT_EQ(37, face.height);
  int black = 0, other = 0;
  for (int y = 9; y < 29; ++y) {
    for (int x = 115; x < 253; ++x) {
      DWORD c = face.at(x, y);
      if (c == 0) {
        ++black;
      } else if (c != 0x00FFFF) {
        ++other;
      }
    }
  }
  EXPECT_EQ(0, other) << "pixels of the LED window neither black nor cyan";
  EXPECT_GT(black, 20 * 130);
  // And the body around it is not black: the window reads as a window.
  EXPECT_NE(0u, face.at(60, 2));
  EXPECT_NE(0u, face.at(300, 1));
}

TEST_F(Mcures, IndicatorStripsHoldDistinctCells) {
  struct Case {
    UINT id;
    int cells;
  };
  for (const Case& c : {Case{IDB_REPEAT, 2}, Case{IDB_DISC_TYPE, 9}, Case{IDB_MUTE, 2}}) {
    Pixels strip = bitmap(MAKEINTRESOURCEA(c.id));
    ASSERT_EQ(22 * c.cells, strip.width) << "bitmap " << c.id;
    ASSERT_EQ(9, strip.height) << "bitmap " << c.id;
    ASSERT_FALSE(strip.rgb.empty());
    for (int i = 0; i < c.cells; ++i) {
      for (int j = i + 1; j < c.cells; ++j)
        EXPECT_NE(cell_of(strip, i, 22), cell_of(strip, j, 22))
            << "bitmap " << c.id << " cells " << i << " and " << j << " look alike";
    }
  }
}

TEST_F(Mcures, ButtonPicturesFitTheLayoutAndShowEachState) {
  for (const char* stem : kStems) {
    std::vector<Pixels> states;
    for (int s = 0; s < 4; ++s) {
      std::string name = std::string(stem) + kStates[s];
      states.push_back(bitmap(name.c_str()));
      ASSERT_FALSE(states.back().rgb.empty()) << name;
      EXPECT_EQ(states[0].width, states.back().width) << name;
      EXPECT_EQ(states[0].height, states.back().height) << name;
    }
    // The buttons stand 25 pixels apart in columns and 14 in rows, the
    // last column at 339 in a strip of 369.
    EXPECT_GE(states[0].width, 20) << stem;
    EXPECT_LE(states[0].width, 25) << stem;
    EXPECT_GE(states[0].height, 10) << stem;
    EXPECT_LE(states[0].height, 14) << stem;
    for (int a = 0; a < 4; ++a) {
      for (int b = a + 1; b < 4; ++b)
        EXPECT_NE(states[a].rgb, states[b].rgb)
            << stem << kStates[a] << " and " << stem << kStates[b] << " look alike";
    }
  }
  // And the ten buttons look different from each other.
  for (size_t i = 0; i < 10; ++i) {
    for (size_t j = i + 1; j < 10; ++j)
      EXPECT_NE(bitmap((std::string(kStems[i]) + "U").c_str()).rgb,
                bitmap((std::string(kStems[j]) + "U").c_str()).rgb)
          << kStems[i] << " and " << kStems[j];
  }
}

}  // namespace
