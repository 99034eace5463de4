// detres.dll as the detector and its settings pages use it: they find every
// text, picture and dialog by number, so a missing or misnumbered resource
// shows only as an empty window or a failed load at run time.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detector/win32/detres/detres_ids.h"
#include "testing/win32/resource_checks.h"

namespace {

using itest::ParentWindow;

class Detres : public itest::ResourceLibraryTest {
 protected:
  Detres() : ResourceLibraryTest("detres.dll") {}
};

// ---------------------------------------------------------------------------
// The library itself

TEST_F(Detres, HoldsResourcesOnlyAndLoadsAsData) {
  itest::expect_resources_only(dll_, "detres.dll");

  HMODULE as_data = LoadLibraryExA(path().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(as_data != NULL) << GetLastError();
  char text[256];
  EXPECT_GT(LoadStringA(as_data, IDS_DETECTOR_CAPTION, text, sizeof text), 0);
  EXPECT_TRUE(FindResourceA(as_data, MAKEINTRESOURCEA(IDB_LAUNCHER), (LPCSTR)RT_BITMAP) != NULL);
  FreeLibrary(as_data);
}

// ---------------------------------------------------------------------------
// Strings

TEST_F(Detres, EveryStringIsThere) {
  const UINT ids[] = {
      IDS_BROWSE_FILTER,     IDS_GENERAL_TITLE,     IDS_START_FAILED,   IDS_SHEET_CAPTION,
      IDS_INFO_PROGRAM,      IDS_INFO_VERSION,      IDS_INFO_COPYRIGHT, IDS_INFO_TITLE,
      IDS_PLAYERS_TITLE,     IDS_LAUNCH_TITLE,      IDS_LAST_PLAYER,    IDS_BROWSE_TITLE,
      IDS_KIND_MIXED,        IDS_KIND_AUDIO,        IDS_KIND_QMCD,      IDS_KIND_VIDEO,
      IDS_PLAYERS_ROOT,      IDS_COLUMN_DESCRIPTION, IDS_COLUMN_COMMAND, IDS_COLUMN_PARAMETERS,
      IDS_TRAY_TIP,          IDS_NO_RECEIVER,       IDS_DETECTOR_CAPTION, IDS_ALREADY_RUNNING,
      IDS_NO_PLAY_COMMAND,   IDS_REMOVE_PLAYER,     IDS_REMOVE_ENTRIES, IDS_KIND_CDI,
      IDS_BAD_MOUSE_STEP,    IDS_RESTART,
  };
  for (UINT id : ids) EXPECT_FALSE(string(id).empty()) << "string " << id;
}

// Strings the programs format or cut up: what each use needs of them.
TEST_F(Detres, StringsFitTheirUse) {
  // The tray tooltip buffer holds 63 characters and the end.
  EXPECT_LE(string(IDS_TRAY_TIP).size(), 63u);

  // The filter's last character separates description/pattern pairs.
  std::string filter = string(IDS_BROWSE_FILTER);
  ASSERT_GE(filter.size(), 4u);
  char separator = filter.back();
  std::vector<std::string> parts;
  std::string part;
  for (char c : filter) {
    if (c == separator) {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  EXPECT_TRUE(part.empty());
  EXPECT_EQ(0u, parts.size() % 2) << filter;
  EXPECT_GE(parts.size(), 2u) << filter;
  for (const std::string& p : parts) EXPECT_FALSE(p.empty()) << filter;

  // Formatted with one string argument each: exactly one conversion, %s.
  for (UINT id : {IDS_INFO_PROGRAM, IDS_INFO_VERSION}) {
    std::string text = string(id);
    size_t first = text.find('%');
    ASSERT_NE(std::string::npos, first) << "string " << id << ": " << text;
    EXPECT_EQ('s', text[first + 1]) << "string " << id << ": " << text;
    EXPECT_EQ(std::string::npos, text.find('%', first + 1)) << "string " << id << ": " << text;
  }
}

// ---------------------------------------------------------------------------
// The tray menu

TEST_F(Detres, TrayMenuHoldsEveryCommand) {
  HMENU menu = LoadMenuA(dll_, MAKEINTRESOURCEA(IDM_TRAY));
  ASSERT_TRUE(menu != NULL);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_TRUE(popup != NULL);

  // The commands of the popup itself, and the play commands one level down,
  // together in one submenu.
  std::vector<UINT> direct, nested;
  HMENU play = NULL;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    HMENU sub = GetSubMenu(popup, i);
    if (!sub) {
      direct.push_back(GetMenuItemID(popup, i));
      continue;
    }
    EXPECT_TRUE(play == NULL) << "one submenu only";
    play = sub;
    for (int j = 0; j < GetMenuItemCount(sub); ++j) nested.push_back(GetMenuItemID(sub, j));
  }
  auto holds = [](const std::vector<UINT>& ids, UINT id) {
    for (UINT i : ids)
      if (i == id) return true;
    return false;
  };
  for (UINT id : {IDM_SETTINGS, IDM_HELP, IDM_QUIT})
    EXPECT_TRUE(holds(direct, id)) << "command " << id << " in the first popup";
  for (UINT id : {IDM_PLAY_AUDIO, IDM_PLAY_MIXED, IDM_PLAY_VIDEO, IDM_PLAY_QMCD, IDM_PLAY_CDI})
    EXPECT_TRUE(holds(nested, id)) << "command " << id << " in the play submenu";
  EXPECT_EQ(IDM_SETTINGS, direct.front());
  EXPECT_EQ(IDM_QUIT, direct.back());
  DestroyMenu(menu);
}

// ---------------------------------------------------------------------------
// Dialog templates

struct Control {
  int id;
  const char* window_class;
  DWORD style_mask;  // the bits of the style that must equal style
  DWORD style;
};

struct Dialog {
  int id;
  bool page;  // a property page: a child of the sheet
  std::vector<Control> controls;
};

const DWORD kButtonType = 0x0F;  // BS_TYPEMASK
const DWORD kListType = LVS_TYPEMASK;

const Control kOk = {IDOK, "Button", kButtonType & ~1u, BS_PUSHBUTTON};
const Control kCancel = {IDCANCEL, "Button", kButtonType, BS_PUSHBUTTON};
const Control kHelp = {IDHELP, "Button", kButtonType, BS_PUSHBUTTON};
Control browse(int id) { return {id, "Button", kButtonType | BS_ICON, BS_PUSHBUTTON | BS_ICON}; }
Control edit(int id, DWORD style = 0) { return {id, "Edit", style, style}; }
Control push(int id) { return {id, "Button", kButtonType & ~1u, BS_PUSHBUTTON}; }

std::vector<Dialog> dialogs() {
  return {
      {IDD_INFO_PAGE, true,
       {{IDC_INFO_PROGRAM, "Static", 0, 0},
        {IDC_INFO_VERSION, "Static", 0, 0},
        {IDC_INFO_COPYRIGHT, "Static", 0, 0}}},
      {IDD_GENERAL_PAGE, true,
       {{IDC_VOICE, "Button", kButtonType, BS_AUTOCHECKBOX},
        {IDC_MIXED_GROUP, "Button", kButtonType, BS_GROUPBOX},
        {IDC_MIXED_INSTALL, "Button", kButtonType | WS_GROUP, BS_AUTORADIOBUTTON | WS_GROUP},
        {IDC_MIXED_PLAY, "Button", kButtonType | WS_GROUP, BS_AUTORADIOBUTTON},
        {IDC_MIXED_ASK, "Button", kButtonType | WS_GROUP, BS_AUTORADIOBUTTON},
        edit(IDC_MOUSE_STEP, ES_NUMBER),
        {IDC_MOUSE_SPIN, UPDOWN_CLASSA, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS,
         UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS},
        {IDC_REMOTE_LIST, WC_COMBOBOXA, CBS_DROPDOWNLIST, CBS_DROPDOWNLIST}}},
      {IDD_PLAYERS_PAGE, true,
       {{IDC_PLAYER_TREE, WC_TREEVIEWA,
         TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER,
         TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER},
        push(IDC_MAKE_DEFAULT), push(IDC_ADD_PLAYER), push(IDC_REMOVE_PLAYER)}},
      {IDD_LAUNCH_PAGE, true,
       {{IDC_LAUNCH_LIST, WC_LISTVIEWA, kListType | LVS_SHOWSELALWAYS | WS_BORDER,
         LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER},
        push(IDC_ADD_ENTRY), push(IDC_REMOVE_ENTRY)}},
      {IDD_ADD_PLAYER, false,
       {edit(IDC_PLAYER_NAME), edit(IDC_PLAYER_PATH, ES_AUTOHSCROLL), browse(IDC_PLAYER_BROWSE),
        kOk, kCancel, kHelp}},
      {IDD_EDIT_PLAYER, false,
       {edit(IDC_PLAYER_NAME), edit(IDC_PLAYER_PATH, ES_AUTOHSCROLL), browse(IDC_PLAYER_BROWSE),
        kOk, kCancel, kHelp}},
      {IDD_APPLICATION, false,
       {edit(IDC_ENTRY_DESCRIPTION), edit(IDC_ENTRY_COMMAND), browse(IDC_ENTRY_BROWSE),
        edit(IDC_ENTRY_PARAMETERS), kOk, kCancel, kHelp}},
      {IDD_MIXED_MODE, false,
       {push(IDC_MIXED_INSTALL_BUTTON), push(IDC_MIXED_PLAY_BUTTON), kHelp}},
  };
}

TEST_F(Detres, EveryDialogCreatesWithItsControls) {
  for (const Dialog& d : dialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    ParentWindow parent;
    ASSERT_TRUE(parent.window() != NULL);
    HWND dialog = create_dialog(d.id, parent.window());
    ASSERT_TRUE(dialog != NULL) << GetLastError();

    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    if (d.page) {
      // What a property sheet asks of its pages' templates.
      EXPECT_EQ(DWORD(WS_CHILD), style & (WS_CHILD | WS_POPUP));
      EXPECT_EQ(DWORD(WS_CAPTION), style & WS_CAPTION) << "the page's title";
    } else {
      EXPECT_EQ(DWORD(WS_POPUP), style & (WS_CHILD | WS_POPUP));
      EXPECT_EQ(DWORD(WS_CAPTION | WS_SYSMENU), style & (WS_CAPTION | WS_SYSMENU));
    }

    for (const Control& c : d.controls)
      itest::expect_control(dialog, c.id, c.window_class, c.style_mask, c.style);
    itest::expect_children_fit(dialog, d.id);
    DestroyWindow(dialog);
  }
}

TEST_F(Detres, DialogDetailsTheCodeRelies) {
  ParentWindow parent;
  // The up-down control's buddy is the mouse-step edit.
  HWND general = create_dialog(IDD_GENERAL_PAGE, parent.window());
  ASSERT_TRUE(general != NULL);
  EXPECT_EQ(GetDlgItem(general, IDC_MOUSE_STEP),
            (HWND)SendDlgItemMessageA(general, IDC_MOUSE_SPIN, UDM_GETBUDDY, 0, 0));
  // The three mixed-mode choices form one radio group, and only they.
  std::vector<int> group;
  HWND first = GetDlgItem(general, IDC_MIXED_INSTALL);
  HWND item = first;
  do {
    group.push_back(GetDlgCtrlID(item));
    item = GetNextDlgGroupItem(general, item, FALSE);
  } while (item && item != first && group.size() < 10);
  EXPECT_EQ((std::vector<int>{IDC_MIXED_INSTALL, IDC_MIXED_PLAY, IDC_MIXED_ASK}), group);

  // The remote list drops down far enough to show several models.
  HWND list = GetDlgItem(general, IDC_REMOTE_LIST);
  RECT closed;
  GetWindowRect(list, &closed);
  SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(list, &info));
  RECT dropped;
  GetWindowRect(info.hwndList, &dropped);
  SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
  int line = (int)SendMessageA(list, CB_GETITEMHEIGHT, 0, 0);
  EXPECT_GE(dropped.bottom - dropped.top, 5 * line)
      << "the drop-down list is " << dropped.bottom - dropped.top << " pixels";
  DestroyWindow(general);

  // The Add and Edit dialogs offer the context help button.
  for (int id : {IDD_ADD_PLAYER, IDD_EDIT_PLAYER, IDD_APPLICATION}) {
    HWND dialog = create_dialog(id, parent.window());
    ASSERT_TRUE(dialog != NULL);
    EXPECT_NE(0, GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) << "dialog " << id;
    DestroyWindow(dialog);
  }
}

// ---------------------------------------------------------------------------
// Icons and bitmaps

TEST_F(Detres, IconsHoldTheirSizes) {
  itest::expect_icon_sizes(dll_, IDI_DETECTOR, {16, 32});
  itest::expect_icon_sizes(dll_, IDI_BROWSE, {16});
}

TEST_F(Detres, BitmapsHaveTheirSizes) {
  struct Case {
    UINT id;
    int width, height;
  };
  const Case cases[] = {
      {IDB_MOUSE_OFF, 15, 15}, {IDB_MOUSE_ON, 15, 15},     {IDB_SHIFT_OFF, 15, 15},
      {IDB_SHIFT_ON, 15, 15},  {IDB_TREE_KIND, 16, 16},    {IDB_TREE_PLAYER, 16, 16},
      {IDB_TREE_ROOT, 16, 16}, {IDB_TREE_DEFAULT, 16, 16},
  };
  for (const Case& c : cases) {
    auto bits = data(c.id, (LPCSTR)RT_BITMAP);
    ASSERT_GE(bits.second, sizeof(BITMAPINFOHEADER)) << "bitmap " << c.id;
    auto header = reinterpret_cast<const BITMAPINFOHEADER*>(bits.first);
    EXPECT_EQ(c.width, header->biWidth) << "bitmap " << c.id;
    EXPECT_EQ(c.height, header->biHeight) << "bitmap " << c.id;
    EXPECT_EQ(DWORD(BI_RGB), header->biCompression) << "bitmap " << c.id;
    // As the status bar and the image lists load them.
    HBITMAP bitmap = LoadBitmapA(dll_, MAKEINTRESOURCEA(c.id));
    ASSERT_TRUE(bitmap != NULL) << "bitmap " << c.id;
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(c.width, info.bmWidth) << "bitmap " << c.id;
    EXPECT_EQ(c.height, info.bmHeight) << "bitmap " << c.id;
    DeleteObject(bitmap);
  }
}

// The image lists take the mask colour from the corner; a picture must not
// be the mask all over either.
TEST_F(Detres, TreeImagesSitOnTheMaskColour) {
  for (UINT id : {IDB_TREE_KIND, IDB_TREE_PLAYER, IDB_TREE_ROOT, IDB_TREE_DEFAULT}) {
    HBITMAP bitmap = LoadBitmapA(dll_, MAKEINTRESOURCEA(id));
    ASSERT_TRUE(bitmap != NULL) << "bitmap " << id;
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, bitmap);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) drawn += GetPixel(dc, x, y) != DETRES_IMAGE_MASK;
    EXPECT_EQ(COLORREF(DETRES_IMAGE_MASK), GetPixel(dc, 0, 0)) << "bitmap " << id;
    EXPECT_EQ(COLORREF(DETRES_IMAGE_MASK), GetPixel(dc, 15, 0)) << "bitmap " << id;
    EXPECT_GT(drawn, 32) << "bitmap " << id;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}

// The launcher makes its palette from the bitmap's colour table and writes
// up to nine lines of a 26-point bold font on it from 57 pixels down.
TEST_F(Detres, LauncherBitmapCarriesItsPaletteAndRoomForNineLines) {
  const BITMAPINFOHEADER* header =
      itest::expect_palette_bitmap(data(IDB_LAUNCHER, (LPCSTR)RT_BITMAP), 256);
  ASSERT_TRUE(header != nullptr);
  DWORD colours = itest::colour_count(*header);

  HDC screen = GetDC(NULL);
  HFONT font = CreateFontA(-MulDiv(26, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD,
                           FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                           "Arial");
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICA metrics;
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(NULL, screen);
  LONG bottom = 57 + 9 * (metrics.tmHeight + metrics.tmExternalLeading);
  EXPECT_LE(bottom, header->biHeight) << "nine lines end at " << bottom;
  // Each line may be up to 24 characters and its number.
  EXPECT_GE(header->biWidth, metrics.tmAveCharWidth * 27);

  HBITMAP bitmap = (HBITMAP)LoadImageA(dll_, MAKEINTRESOURCEA(IDB_LAUNCHER), IMAGE_BITMAP, 0, 0,
                                       LR_CREATEDIBSECTION);
  ASSERT_TRUE(bitmap != NULL);
  DIBSECTION dib;
  ASSERT_EQ(int(sizeof dib), GetObjectA(bitmap, sizeof dib, &dib));
  EXPECT_EQ(8, dib.dsBmih.biBitCount);
  HDC dc = CreateCompatibleDC(NULL);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  RGBQUAD loaded[256];
  EXPECT_EQ(colours, GetDIBColorTable(dc, 0, 256, loaded));
  SelectObject(dc, old_bitmap);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

}  // namespace
