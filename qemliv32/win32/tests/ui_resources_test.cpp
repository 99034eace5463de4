// qemliv32.dll's own resources as the engine and its dialogs look them up:
// the pictures by number and name, the dialogs and the texts; and QEM_Play
// exported by its plain name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "qemliv32/win32/dll/qemliv32_ids.h"
#include "testing/win32/driver.h"
#include "testing/win32/resource_checks.h"

namespace {

class Qemliv32Resources : public itest::ResourceLibraryTest {
 protected:
  Qemliv32Resources() : ResourceLibraryTest("qemliv32.dll") {}

  SIZE bitmap_size(LPCSTR name) {
    SIZE size = {0, 0};
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(dll_, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return size;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    DeleteObject(bitmap);
    size.cx = info.bmWidth;
    size.cy = info.bmHeight;
    return size;
  }
};

TEST_F(Qemliv32Resources, ExportsQemPlayByItsPlainName) {
  EXPECT_TRUE(GetProcAddress(dll_, "QEM_Play") != NULL);
}

// The idle picture is of the video size before a format arrives; the logo
// frames share one size, and there are exactly QEM_LOGO_FRAMES of them.
TEST_F(Qemliv32Resources, IdlePictureAndLogoFrames) {
  SIZE idle = bitmap_size(MAKEINTRESOURCEA(IDB_IDLE));
  EXPECT_EQ(160, idle.cx);
  EXPECT_EQ(112, idle.cy);
  char name[16];
  std::snprintf(name, sizeof name, QEM_LOGO_NAME_FORMAT, 1);
  const SIZE first = bitmap_size(name);
  EXPECT_GT(first.cx, 0);
  for (int i = 1; i <= QEM_LOGO_FRAMES; ++i) {
    std::snprintf(name, sizeof name, QEM_LOGO_NAME_FORMAT, i);
    SIZE frame = bitmap_size(name);
    EXPECT_TRUE(frame.cx == first.cx && frame.cy == first.cy) << name;
  }
  for (int missing : {0, QEM_LOGO_FRAMES + 1}) {
    std::snprintf(name, sizeof name, QEM_LOGO_NAME_FORMAT, missing);
    EXPECT_TRUE(FindResourceA(dll_, name, RT_BITMAP) == NULL) << name;
  }
}

TEST_F(Qemliv32Resources, StringsHoldTheirExactTexts) {
  EXPECT_EQ("Setup", string(IDS_SETUP_CAPTION));
  EXPECT_EQ("Preferences", string(IDS_PAGE_PREFERENCES));
  EXPECT_EQ("Settings", string(IDS_PAGE_SETTINGS));
  EXPECT_EQ("User details", string(IDS_PAGE_USER_DETAILS));
}

// Pages are children a sheet can hold; nothing is cut off; and no dialog has
// a control numbered 0xFFFF, which would make it look like a message box.
TEST_F(Qemliv32Resources, DialogsFitAndAreWhatTheirUsersNeed) {
  const struct {
    int id;
    bool page;
  } dialogs[] = {
      {IDD_SETUP_PREFERENCES, true},
      {IDD_SETUP_SETTINGS, true},
      {IDD_SETUP_USER_DETAILS, true},
      {IDD_ABOUT, false},
  };
  itest::ParentWindow parent;
  ASSERT_TRUE(parent.window() != NULL);
  for (const auto& d : dialogs) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    HWND dialog = create_dialog(d.id, parent.window());
    ASSERT_TRUE(dialog != NULL) << GetLastError();
    const DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(DWORD(d.page ? WS_CHILD : WS_POPUP), style & (WS_CHILD | WS_POPUP));
    EXPECT_TRUE(GetDlgItem(dialog, 0xFFFF) == NULL);
    itest::expect_children_fit(dialog, d.id);
    DestroyWindow(dialog);
  }
  HWND about = create_dialog(IDD_ABOUT, parent.window());
  ASSERT_TRUE(about != NULL);
  EXPECT_EQ("About QEMLive Player", itest::text_of(about));
  const DWORD info = GetWindowLongA(GetDlgItem(about, IDC_SYSTEM_INFO), GWL_STYLE);
  EXPECT_EQ(DWORD(ES_MULTILINE | ES_READONLY), info & (ES_MULTILINE | ES_READONLY));
  DestroyWindow(about);
}

}  // namespace
