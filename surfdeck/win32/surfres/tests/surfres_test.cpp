// surfres.dll as the web front end uses it: every text, the menu, the About
// box and the icon are found by number, and several texts are written to
// the registry or compared as they stand, so a missing or changed resource
// shows only as a wrong value or a blank window at run time.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surfdeck/surfres_ids.h"
#include "testing/win32/driver.h"
#include "testing/win32/resource_checks.h"

namespace {

using itest::class_of;
using itest::ParentWindow;
using itest::text_of;

class Surfres : public itest::ResourceLibraryTest {
 protected:
  Surfres() : ResourceLibraryTest("surfres.dll") {}
};

TEST_F(Surfres, HoldsResourcesOnly) {
  itest::expect_resources_only(dll_, "surfres.dll");
}

// ---------------------------------------------------------------------------
// Strings

TEST_F(Surfres, StringsHoldTheirExactTexts) {
  struct Case {
    UINT id;
    const char* text;
  };
  const Case cases[] = {
      {IDS_TITLE, "Halvo Web"},
      {IDS_PAGE_TYPE_BOOKMARK, "Quorvane Bookmark"},
      {IDS_REMOTE_LIBRARY, "beamhub.dll"},
      {IDS_PROGRAM_FILE, "surfdeck.exe"},
      {IDS_TILE_FILE, "zk_tile0.gif"},
      {IDS_DEFAULT_TYPE_USED, "01,02,00"},
      {IDS_SHEET_CAPTION, "Halvo Web Properties"},
      {IDS_FILE_EXISTS, "This file already exists.\nReplace existing file?"},
      {IDS_NO_BROWSER,
       "Unable to connect to browsers.\nEnsure that the browser's path is correct and try "
       "again.\n"},
      {IDS_NO_REMOTE, "BEAMHUB.DLL was not loaded."},
      {IDS_NO_BOOKMARK, "Unable to open Quorvane Bookmark. Please configure one."},
      {IDS_MANUAL_INTERVENTION,
       "Manual Intervention Required.\n\nProblems connecting to the browser. Please clear the "
       "browser error and try again."},
      {IDS_ALREADY_RUNNING, "Application is already running."},
      // Two blanks before "try".
      {IDS_OPEN_FILE_FAILED,
       "Unable to open file. Please ensure that the filename is valid and  try again.\n"},
      {IDS_NO_SOURCE, "Invalid choice. Please select a source.\n"},
      {IDS_LIST_FAILED, "Unable to display information"},
      {IDS_CREATE_FAILED,
       "Unable to create file.\nPlease ensure that the filename is valid and try again.\n"},
      {IDS_SAVE_FAILED, "Unable to create file. Check your Windows system resources.\n"},
      {IDS_IMPORT_FAILED, "Unable to import bookmark file."},
      {IDS_CANNOT_CUT, "The selected item cannot be cut.\nPlease select another item.\n"},
      {IDS_NO_MEMORY, "Insufficient memory to complete operation.\n"},
      {IDS_CANNOT_COPY, "The selected item cannot be copied.\nPlease select another item.\n"},
      {IDS_SAME_FOLDER,
       "Source and target folders are the same.\nPlease select another target folder.\n"},
      {IDS_NOT_BOOKMARK_FILE, "This is not a Quorvane bookmark file.\n"},
      {IDS_NEW_BOOKMARK, "new bookmark"},
      {IDS_NEW_URL, "http://"},
      {IDS_NEW_FOLDER, "New Folder"},
      {IDS_NO_ADDRESS, "none"},
      {IDS_FLAG_ICON, "icon"},
      {IDS_FLAG_VERBOSE, "verbose"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, string(c.id)) << "string " << c.id;
}

// The verbose title shows these, one for each button the program handles.
TEST_F(Surfres, ButtonLabelsFillTheirRange) {
  const char* const labels[] = {
      "..",    "Enter", "Home", "Save As", "Print", "Back", "Forward", "Page Up",
      "Page Down", "Reload", "Cancel",
      ".",     ".",     ".",    ".",       ".",     ".",    ".",       ".",      ".", ".",
      "Up",    "Down",  "Left", "Right",   "Menu",  "Activate", "Exit", "Shift",
  };
  ASSERT_EQ(IDS_LAST_LABEL - IDS_FIRST_LABEL + 1, int(sizeof labels / sizeof labels[0]));
  for (UINT id = IDS_FIRST_LABEL; id <= IDS_LAST_LABEL; ++id)
    EXPECT_EQ(labels[id - IDS_FIRST_LABEL], string(id)) << "label " << id;
}

// ---------------------------------------------------------------------------
// The main frame's menu

TEST_F(Surfres, MenuHoldsItsCommandsInOrder) {
  HMENU menu = LoadMenuA(dll_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_TRUE(menu != NULL) << GetLastError();

  struct Item {
    UINT id;  // 0: a separator
    const char* text;
  };
  struct Popup {
    const char* text;
    std::vector<Item> items;
  };
  const Popup popups[] = {
      {"&Configure",
       {{ID_CONFIGURE_PROPERTIES, "&Properties"},
        {ID_CONFIGURE_CONVERTER, "&Bookmark Converter"},
        {0, ""},
        {ID_APP_EXIT, "&Exit"}}},
      {"&Help", {{ID_HELP_TOPICS, "&Help Topics"}, {0, ""}, {ID_APP_ABOUT, "&About Halvo Web"}}},
  };
  ASSERT_EQ(2, GetMenuItemCount(menu));
  for (int p = 0; p < 2; ++p) {
    char name[64] = "";
    GetMenuStringA(menu, p, name, sizeof name, MF_BYPOSITION);
    EXPECT_STREQ(popups[p].text, name);
    HMENU popup = GetSubMenu(menu, p);
    ASSERT_TRUE(popup != NULL) << popups[p].text;
    const std::vector<Item>& items = popups[p].items;
    ASSERT_EQ(int(items.size()), GetMenuItemCount(popup)) << popups[p].text;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      MENUITEMINFOA info = {};
      char text[64] = "";
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
      info.dwTypeData = text;
      info.cch = sizeof text;
      ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info)) << popups[p].text << " item " << i;
      EXPECT_TRUE(info.hSubMenu == NULL) << popups[p].text << " item " << i;
      if (items[i].id == 0) {
        EXPECT_NE(0u, info.fType & MFT_SEPARATOR) << popups[p].text << " item " << i;
        continue;
      }
      EXPECT_EQ(0u, info.fType & MFT_SEPARATOR) << popups[p].text << " item " << i;
      EXPECT_EQ(items[i].id, info.wID) << popups[p].text << " item " << i;
      EXPECT_STREQ(items[i].text, text) << popups[p].text << " item " << i;
    }
  }
  DestroyMenu(menu);
}

// The frame is 180 pixels wide and exactly one menu line high: a bar that
// wraps would put its second popup out of sight.
TEST_F(Surfres, MenuBarFitsOneLineOfTheNarrowFrame) {
  HMENU menu = LoadMenuA(dll_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_TRUE(menu != NULL);
  HWND frame = CreateWindowExA(0, "STATIC", "Halvo Web", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                               WS_MINIMIZEBOX, 0, 0, 180, 200, NULL, menu,
                               GetModuleHandleA(NULL), NULL);
  ASSERT_TRUE(frame != NULL) << GetLastError();
  DrawMenuBar(frame);
  RECT first, last;
  ASSERT_TRUE(GetMenuItemRect(frame, menu, 0, &first));
  ASSERT_TRUE(GetMenuItemRect(frame, menu, 1, &last));
  EXPECT_EQ(first.top, last.top) << "the menu bar wraps";
  EXPECT_GT(last.left, first.left);
  EXPECT_LE(last.right, itest::window_rect(frame).right);
  DestroyWindow(frame);  // destroys the menu with it
}

// ---------------------------------------------------------------------------
// The About box

TEST_F(Surfres, AboutBoxShowsIconVersionAndOk) {
  ParentWindow parent;
  ASSERT_TRUE(parent.window() != NULL);
  HWND dialog = create_dialog(IDD_ABOUT, parent.window());
  ASSERT_TRUE(dialog != NULL) << GetLastError();
  EXPECT_EQ("About Halvo Web", text_of(dialog));
  DWORD style = GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
            style & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));

  HWND icon = itest::expect_control(dialog, IDC_ABOUT_ICON, "Static", SS_TYPEMASK, SS_ICON);
  if (icon) {
    EXPECT_TRUE(SendMessageA(icon, STM_GETICON, 0, 0) != 0) << "the icon is not loaded";
  }
  HWND version = itest::expect_control(dialog, IDC_ABOUT_VERSION, "Static", 0, 0);
  if (version) {
    EXPECT_EQ("Halvo Web Version 1.00", text_of(version));
  }
  HWND ok = itest::expect_control(dialog, IDOK, "Button", 0x0F, BS_DEFPUSHBUTTON);
  if (ok) {
    EXPECT_EQ("OK", text_of(ok));
  }

  // Every text the box shows, and whose name it carries.
  std::vector<std::string> labels;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiA(class_of(child).c_str(), "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) <= SS_RIGHT)
      labels.push_back(text_of(child));
  }
  ASSERT_EQ(2u, labels.size());
  EXPECT_EQ("Halvo Web Version 1.00", labels[0]);
  EXPECT_NE(std::string::npos, labels[1].find("Quorvane Tech")) << labels[1];

  itest::expect_children_fit(dialog, IDD_ABOUT);

  // The suite's dialog font.
  LOGFONTA font = {};
  ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof font, &font));
  EXPECT_STREQ("MS Sans Serif", font.lfFaceName);
  DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------
// The icon

TEST_F(Surfres, IconHoldsBothSizesAndAPicture) {
  itest::expect_icon_sizes(dll_, IDR_MAINFRAME, {16, 32});

  // Neither size is blank or a solid block: its mask has both kinds of pixel.
  for (int size : {16, 32}) {
    HICON icon = (HICON)LoadImageA(dll_, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size,
                                   size, 0);
    ASSERT_TRUE(icon != NULL) << size;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info)) << size;
    EXPECT_TRUE(info.hbmColor != NULL) << size;
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, info.hbmMask);
    int opaque = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) opaque += GetPixel(dc, x, y) == RGB(0, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_GT(opaque, size * size / 3) << size << "x" << size << " is mostly transparent";
    EXPECT_LT(opaque, size * size) << size << "x" << size << " has no transparent pixel";
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyIcon(icon);
  }
}

}  // namespace
