// The driver against real processes under Wine: a window of controls in a
// child process (this executable run with --controls), worked and read
// across the process boundary; the recorder and the help viewer stand-ins
// placed and started as a program under test would start them; message
// boxes expected by caption and text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "testing/win32/driver.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

const char kTargetClass[] = "DriverTarget";
const char kTargetTitle[] = "Driver target";
const char kSheetCaption[] = "Driver sheet";
enum {
  kCheckId = 101,
  kEditId,
  kComboId,
  kTreeId,
  kListId,
  kStatusId,
  kGoId,
  kOptionId = 211,
};
const int kStatusEdges[] = {120, 240, -1};

// ---- the child: controls that say in the status bar what reached them ----

HWND g_target = NULL;

void report(const std::string& text) {
  SendMessageA(GetDlgItem(g_target, kStatusId), SB_SETTEXTA, 0,
               reinterpret_cast<LPARAM>(text.c_str()));
}

HWND make_control(HWND parent, const char* class_name, const char* text, DWORD style, int id,
                  int x, int y, int width, int height) {
  return CreateWindowA(class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), NULL, NULL);
}

HTREEITEM add_tree_item(HWND tree, HTREEITEM parent, const char* text, int image, int selected) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = image;
  insert.item.iSelectedImage = selected;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void fill_controls(HWND window) {
  make_control(window, "BUTTON", "Check", BS_AUTOCHECKBOX, kCheckId, 5, 5, 100, 20);
  make_control(window, "EDIT", "first", WS_BORDER, kEditId, 110, 5, 100, 20);
  make_control(window, "BUTTON", "Go", BS_PUSHBUTTON, kGoId, 215, 5, 60, 20);
  HWND combo = make_control(window, "COMBOBOX", "", CBS_DROPDOWNLIST, kComboId, 5, 30, 100, 120);
  for (const char* item : {"one", "two", "three"})
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(combo, CB_SETCURSEL, 0, 0);

  HWND tree = make_control(window, WC_TREEVIEWA, "", WS_BORDER, kTreeId, 5, 60, 150, 120);
  HTREEITEM audio = add_tree_item(tree, TVI_ROOT, "Audio CD", 1, 2);
  add_tree_item(tree, audio, "Panel", 3, 3);
  add_tree_item(tree, audio, "Other player", 4, 4);
  HTREEITEM video = add_tree_item(tree, TVI_ROOT, "Video CD", 5, 6);
  add_tree_item(tree, video, "Player", 7, 7);

  HWND list = make_control(window, WC_LISTVIEWA, "", WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS,
                           kListId, 160, 60, 200, 120);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 90;
  for (const char* name : {"Name", "Path"}) {
    column.pszText = const_cast<char*>(name);
    SendMessageA(list, LVM_INSERTCOLUMNA, name[0] == 'N' ? 0 : 1,
                 reinterpret_cast<LPARAM>(&column));
  }
  const char* rows[][2] = {{"App0", "C:\\a0.exe"}, {"App1", "C:\\a1.exe"}, {"App2", "C:\\a2.exe"}};
  for (int i = 0; i < 3; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<char*>(rows[i][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(rows[i][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
  }

  HWND bar = make_control(window, STATUSCLASSNAMEA, "", 0, kStatusId, 0, 0, 0, 0);
  SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(kStatusEdges));
  SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("idle"));
  SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Ready"));
  SendMessageA(bar, SB_SETTEXTA, 2 | SBT_OWNERDRAW, 0x1234);
}

std::string tree_text(HWND tree, HTREEITEM handle) {
  char text[64] = "";
  TVITEMA item = {};
  item.mask = TVIF_HANDLE | TVIF_TEXT;
  item.hItem = handle;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return text;
}

LRESULT on_notify(const NMHDR* header) {
  if (header->idFrom == kTreeId && header->code == TVN_SELCHANGEDA) {
    const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
    report("tree " + tree_text(header->hwndFrom, change->itemNew.hItem));
  } else if (header->idFrom == kListId && header->code == LVN_ITEMCHANGED) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uNewState & LVIS_SELECTED) report("list " + std::to_string(change->iItem));
  }
  return 0;
}

LRESULT CALLBACK target_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_target = window;
      fill_controls(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kGoId && HIWORD(wparam) == BN_CLICKED &&
          reinterpret_cast<HWND>(lparam) == GetDlgItem(window, kGoId))
        report("clicked Go");
      else if (LOWORD(wparam) == kCheckId && HIWORD(wparam) == BN_CLICKED)
        report(IsDlgButtonChecked(window, kCheckId) ? "check on" : "check off");
      else if (LOWORD(wparam) == kComboId && HIWORD(wparam) == CBN_SELCHANGE)
        report("combo " + std::to_string(SendMessageA(reinterpret_cast<HWND>(lparam),
                                                      CB_GETCURSEL, 0, 0)));
      else if (LOWORD(wparam) == 40007)
        report("menu 40007");
      return 0;
    case WM_NOTIFY:
      return on_notify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

INT_PTR CALLBACK page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    if (reinterpret_cast<const PROPSHEETPAGEA*>(lparam)->lParam == 0)
      make_control(page, "BUTTON", "Option", BS_AUTOCHECKBOX, kOptionId, 10, 10, 100, 20);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == kOptionId && HIWORD(wparam) == BN_CLICKED) {
    report(IsDlgButtonChecked(page, kOptionId) ? "option on" : "option off");
    return TRUE;
  }
  return FALSE;
}

// An empty dialog template in memory: style, no controls, no menu, class
// or title.
struct PageTemplate {
  DLGTEMPLATE header;
  WORD menu, window_class, title;
};

// A modeless sheet of two pages; the first page holds the Option box.
HWND make_sheet(HWND owner) {
  static PageTemplate page_template = {{WS_CHILD | DS_CONTROL, 0, 0, 0, 0, 150, 80}, 0, 0, 0};
  PROPSHEETPAGEA pages[2] = {};
  const char* titles[] = {"First", "Second"};
  for (int i = 0; i < 2; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    pages[i].pResource = &page_template.header;
    pages[i].pfnDlgProc = page_proc;
    pages[i].pszTitle = titles[i];
    pages[i].lParam = i;
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW;
  header.hwndParent = owner;
  header.pszCaption = kSheetCaption;
  header.nPages = 2;
  header.ppsp = pages;
  return reinterpret_cast<HWND>(PropertySheetA(&header));
}

int controls_main(int, char**) {
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                       ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = target_proc;
  window_class.lpszClassName = kTargetClass;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassA(&window_class);
  HWND window = CreateWindowA(kTargetClass, kTargetTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              400, 260, NULL, NULL, NULL, NULL);
  if (!window || !make_sheet(window)) return 1;
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int box_main(int argc, char** argv) {
  return argc >= 4 ? MessageBoxA(NULL, argv[3], argv[2], MB_YESNOCANCEL) : 1;
}

ChildMode controls_mode("--controls", controls_main);
ChildMode box_mode("--box", box_main);

std::string self() { return "\"" + program_folder() + "driver_itest.exe\""; }

// ---- the tests ----

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(target_.start(self() + " --controls"));
    window_ = wait_for_window(kTargetClass, kTargetTitle, kWindowTimeoutMs, target_.pid());
    ASSERT_NE(window_, (HWND)NULL);
    sheet_ = wait_for_window("#32770", kSheetCaption, kWindowTimeoutMs, target_.pid());
    ASSERT_NE(sheet_, (HWND)NULL);
    bar_ = control(window_, kStatusId);
    ASSERT_NE(bar_, (HWND)NULL);
  }
  void TearDown() override { EXPECT_TRUE(target_.close()) << "the target did not close"; }

  // What the target last said it received.
  bool reported(const std::string& text) {
    return wait_until([&] { return status_text(bar_, 0) == text; }, kWindowTimeoutMs);
  }

  Process target_;
  HWND window_ = NULL;
  HWND sheet_ = NULL;
  HWND bar_ = NULL;
};

TEST_F(ControlsTest, FindsWindowsOfAProcessByClassAndTitle) {
  EXPECT_EQ(window_, find_window(kTargetClass, NULL, target_.pid()));
  EXPECT_EQ(window_, find_window(NULL, kTargetTitle));
  EXPECT_EQ((HWND)NULL, find_window(kTargetClass, kTargetTitle, GetCurrentProcessId()));
  EXPECT_EQ((HWND)NULL, find_window(kTargetClass, "Driver"));
  EXPECT_EQ(kTargetTitle, text_of(window_));
  EXPECT_EQ((HWND)NULL, control(window_, 999));
}

TEST_F(ControlsTest, ButtonsChecksAndTextsReachTheOtherProcess) {
  ASSERT_TRUE(click(window_, kGoId));
  EXPECT_TRUE(reported("clicked Go"));
  HWND check = control(window_, kCheckId);
  EXPECT_FALSE(is_checked(check));
  ASSERT_TRUE(set_check(window_, kCheckId, true));
  EXPECT_TRUE(reported("check on"));
  EXPECT_TRUE(is_checked(check));
  ASSERT_TRUE(post_command(window_, 40007));
  EXPECT_TRUE(reported("menu 40007"));

  HWND edit = control(window_, kEditId);
  EXPECT_EQ("first", text_of(edit));
  ASSERT_TRUE(set_text(edit, "second, longer than the first"));
  EXPECT_EQ("second, longer than the first", text_of(edit));
  EXPECT_TRUE(is_enabled(edit));
  EnableWindow(edit, FALSE);
  EXPECT_FALSE(is_enabled(edit));

  HWND combo = control(window_, kComboId);
  EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}), combo_items(combo));
  EXPECT_EQ(0, combo_selection(combo));
  ASSERT_TRUE(select_combo(window_, kComboId, 2));
  EXPECT_TRUE(reported("combo 2"));
  EXPECT_EQ(2, combo_selection(combo));
  EXPECT_FALSE(select_combo(window_, kComboId, 7));
}

TEST_F(ControlsTest, TreeItemsAreReadWithTheirImagesAndSelected) {
  HWND tree = control(window_, kTreeId);
  const struct {
    int depth;
    const char* text;
    int image, selected_image;
  } expected[] = {
      {0, "Audio CD", 1, 2}, {1, "Panel", 3, 3},  {1, "Other player", 4, 4},
      {0, "Video CD", 5, 6}, {1, "Player", 7, 7},
  };
  std::vector<TreeItem> items = tree_items(tree);
  ASSERT_EQ(sizeof expected / sizeof expected[0], items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(expected[i].depth, items[i].depth);
    EXPECT_EQ(expected[i].text, items[i].text);
    EXPECT_EQ(expected[i].image, items[i].image);
    EXPECT_EQ(expected[i].selected_image, items[i].selected_image);
  }
  HTREEITEM player = tree_find(tree, "Player", 1);
  ASSERT_NE((HTREEITEM)NULL, player);
  EXPECT_EQ((HTREEITEM)NULL, tree_find(tree, "Player", 0));
  ASSERT_TRUE(tree_select(tree, player));
  EXPECT_TRUE(reported("tree Player"));
  EXPECT_EQ(player, tree_selection(tree));
}

TEST_F(ControlsTest, ListItemsAreReadAndSelectedOneAtATime) {
  HWND list = control(window_, kListId);
  EXPECT_EQ(3, list_count(list));
  EXPECT_EQ((std::vector<std::string>{"App0", "App1", "App2"}), list_column(list));
  EXPECT_EQ((std::vector<std::string>{"C:\\a0.exe", "C:\\a1.exe", "C:\\a2.exe"}),
            list_column(list, 1));
  EXPECT_EQ(-1, list_selection(list));
  ASSERT_TRUE(list_select(list, 0));
  ASSERT_TRUE(list_select(list, 2));
  EXPECT_TRUE(reported("list 2"));
  EXPECT_EQ(2, list_selection(list));
  EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED), list_state(list, 2));
  EXPECT_EQ(0u, list_state(list, 0));
}

TEST_F(ControlsTest, StatusBarPartsAndTexts) {
  EXPECT_EQ(std::vector<int>(kStatusEdges, kStatusEdges + 3), status_parts(bar_));
  EXPECT_EQ("idle", status_text(bar_, 0));
  EXPECT_EQ("Ready", status_text(bar_, 1));
  EXPECT_FALSE(status_owner_drawn(bar_, 1));
  EXPECT_TRUE(status_owner_drawn(bar_, 2));
  EXPECT_EQ("", status_text(bar_, 2));
  EXPECT_EQ(0x1234, status_data(bar_, 2));
}

TEST_F(ControlsTest, SheetPagesSwitchAndTheirControlsAreFound) {
  EXPECT_EQ(0, current_page_index(sheet_));
  HWND first = current_page(sheet_);
  ASSERT_NE((HWND)NULL, first);
  HWND option = control(sheet_, kOptionId);
  ASSERT_NE((HWND)NULL, option);
  EXPECT_EQ(first, GetParent(option));
  // A page's button reaches its page, not the sheet.
  ASSERT_TRUE(set_check(sheet_, kOptionId, true));
  EXPECT_TRUE(reported("option on"));

  ASSERT_TRUE(select_page(sheet_, 1));
  EXPECT_EQ(1, current_page_index(sheet_));
  EXPECT_NE(first, current_page(sheet_));
  EXPECT_FALSE(is_visible(first));
  ASSERT_TRUE(select_page(sheet_, 0));
  EXPECT_EQ(first, current_page(sheet_));
}

TEST(RecorderTest, LogsItsCommandLineAndActivationsAndShowsItsName) {
  TestFolder folder("driver-recorder");
  ASSERT_TRUE(folder.ok());
  const std::string player = folder.path() + "player.exe";
  ASSERT_TRUE(place_standin(kRecorder, player));
  const std::string command = "\"" + player + "\" /play D: \"two words\"";
  {
    Process first, second;
    ASSERT_TRUE(first.start(command));
    HWND window = wait_for_window(kRecorderClass, "player", kWindowTimeoutMs, first.pid());
    ASSERT_NE((HWND)NULL, window);
    ASSERT_TRUE(second.start("\"" + player + "\" /second", folder.path().c_str()));
    ASSERT_NE((HWND)NULL, wait_for_window(kRecorderClass, "player", kWindowTimeoutMs, second.pid()));
    EXPECT_EQ((std::vector<std::string>{command, "\"" + player + "\" /second"}),
              recorded_starts(player));

    // Brought forward again after the other one had the focus.
    auto activations = [&] {
      size_t count = 0;
      for (const std::string& line : read_lines(player + ".log")) count += line == "activated";
      return count;
    };
    const size_t before = activations();
    SetForegroundWindow(window);
    EXPECT_TRUE(wait_until([&] { return activations() > before; }, kWindowTimeoutMs));

    EXPECT_TRUE(first.close());
    EXPECT_TRUE(second.close());
    EXPECT_FALSE(IsWindow(window));
  }
}

TEST(HelpViewerTest, WinHelpReachesTheStandInFromTheCurrentFolderAndItsRecordsAreLogged) {
  TestFolder folder("driver-help");
  ASSERT_TRUE(folder.ok());
  const std::string viewer = folder.path() + "winhlp32.exe";
  ASSERT_TRUE(place_standin(kHelpViewer, viewer));
  ASSERT_EQ((HWND)NULL, find_window(kHelpViewerClass, NULL)) << "a help viewer already runs";

  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
  const BOOL context = WinHelpA(NULL, "mmcu.hlp", HELP_CONTEXT, 30);
  const BOOL contents = WinHelpA(NULL, "C:\\Halvo\\mmcu.hlp", HELP_CONTENTS, 0);
  const BOOL key = WinHelpA(NULL, "mmcu.hlp", HELP_KEY, reinterpret_cast<ULONG_PTR>("Players"));
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(context);
  EXPECT_TRUE(contents);
  EXPECT_TRUE(key);

  HWND window = find_window(kHelpViewerClass, NULL);
  ASSERT_NE((HWND)NULL, window);
  // Copy data without the help record's mark is refused and not logged.
  char stray[32] = "mmcu.hlp";
  COPYDATASTRUCT other = {0x1234, sizeof stray, stray};
  EXPECT_EQ(0, SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&other)));

  EXPECT_TRUE(WinHelpA(NULL, "mmcu.hlp", HELP_QUIT, 0));
  EXPECT_TRUE(wait_until([&] { return !IsWindow(window); }, kWindowTimeoutMs));

  const struct {
    UINT command;
    DWORD data;
    const char* file;
    const char* text;
  } expected[] = {
      {HELP_CONTEXT, 30, "mmcu.hlp", ""},
      {HELP_CONTENTS, 0, "C:\\Halvo\\mmcu.hlp", ""},
      {HELP_KEY, 0, "mmcu.hlp", "Players"},
      {HELP_QUIT, 0, "mmcu.hlp", ""},
  };
  std::vector<HelpRequest> requests = help_requests(viewer);
  ASSERT_EQ(sizeof expected / sizeof expected[0], requests.size());
  for (size_t i = 0; i < requests.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].command, requests[i].command);
    EXPECT_EQ(expected[i].file, requests[i].file);
    EXPECT_EQ(expected[i].text, requests[i].text);
    // A key's data is the caller's pointer to it.
    if (expected[i].command != HELP_KEY) {
      EXPECT_EQ(expected[i].data, requests[i].data);
    }
  }
}

TEST(ExpectedBoxTest, PressesTheButtonOnTheBoxWithThisCaptionAndTextAndRefusesAnother) {
  ExpectedBoxes boxes;
  {
    Process child;
    ASSERT_TRUE(child.start(self() + " --box \"Halvo Detector\" \"Stop playing?\""));
    EXPECT_TRUE(answer_expected_box(boxes, "Halvo Detector", "Stop playing?", IDNO));
    DWORD code = 0;
    ASSERT_TRUE(child.wait(kWindowTimeoutMs, &code));
    EXPECT_EQ(static_cast<DWORD>(IDNO), code);
  }
  {
    Process child;
    ASSERT_TRUE(child.start(self() + " --box \"Halvo Detector\" \"Restart now?\""));
    FoundBox box;
    ::testing::AssertionResult answered =
        answer_expected_box(boxes, "Halvo Detector", "Stop playing?", IDYES, kWindowTimeoutMs, &box);
    EXPECT_FALSE(answered);
    EXPECT_NE(std::string::npos, std::string(answered.message()).find("Restart now?"))
        << answered.message();
    EXPECT_EQ(child.pid(), box.pid);
    DWORD code = 0;
    ASSERT_TRUE(child.wait(kWindowTimeoutMs, &code));
    EXPECT_EQ(static_cast<DWORD>(IDCANCEL), code) << "a box not expected is answered with Cancel";
  }
  EXPECT_FALSE(answer_expected_box(boxes, "Halvo Detector", NULL, IDOK, 300));
}

}  // namespace
}  // namespace itest
