// The settings sheet of the real detector.exe, opened with its menu command
// and worked through its windows; what OK saved is read from the registry
// and from what beamhub.dll saved.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "detector/win32/detres/detres_ids.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"
#include "testing/win32/machine.h"

namespace {

using itest::answer_expected_box;
using itest::click;
using itest::control;
using itest::ExpectedBoxes;
using itest::kWindowTimeoutMs;

const char kDetectorKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Detector";
const char kLaunchKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Detector\\Launch";
const char* const kKindNames[] = {"AudioCD", "MixedModeCD", "VideoCD", "QMCD", "CDI"};
const int kMenuSettings = 40007;
const int kMenuQuit = 40003;
const int kDialogHelp = 9;  // IDHELP
// What the system posts for F1; DefWindowProc turns it into WM_HELP. Not in
// the SDK headers.
const UINT kKeyF1Message = 0x004D;

// ---- texts of the resource library ----

std::string resource_text(UINT id) {
  static HMODULE texts = LoadLibraryExA((itest::program_folder() + "detres.dll").c_str(), NULL,
                                        LOAD_LIBRARY_AS_DATAFILE);
  char text[1024] = "";
  int n = texts ? LoadStringA(texts, id, text, sizeof text) : 0;
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string with_argument(UINT id, const std::string& argument) {
  std::string text = resource_text(id);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

// ---- registry ----

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool key_exists(HKEY root, const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

std::string text_value(HKEY root, const std::string& key, const char* name) {
  itest::RegistryValue v = itest::read_value(root, key, name);
  return v.present && v.type == REG_SZ ? v.text() : "<missing>";
}

std::string play_command_key(int kind) { return std::string(kKindNames[kind]) + "\\shell\\play\\command"; }
std::string kind_key(int kind) { return std::string(kDetectorKey) + "\\" + kKindNames[kind]; }

void write_player(int kind, const std::string& subkey, const std::string& name, const std::string& path) {
  const std::string key = kind_key(kind) + "\\" + subkey;
  ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, key, "Name", name));
  ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, key, "Path", path));
}

struct Entry {
  std::string description, command_line, parameters;
};

void write_entries(const std::vector<Entry>& entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string key = std::string(kLaunchKey) + "\\App" + std::to_string(i);
    ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, key, "Description", entries[i].description));
    ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, key, "Command line", entries[i].command_line));
    ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, key, "Parameters", entries[i].parameters));
  }
}

// App0, App1, ... as saved, until a key is missing.
std::vector<Entry> saved_entries() {
  std::vector<Entry> entries;
  for (int i = 0; i < 20; ++i) {
    const std::string key = std::string(kLaunchKey) + "\\App" + std::to_string(i);
    if (!key_exists(HKEY_CURRENT_USER, key)) break;
    entries.push_back({text_value(HKEY_CURRENT_USER, key, "Description"),
                       text_value(HKEY_CURRENT_USER, key, "Command line"),
                       text_value(HKEY_CURRENT_USER, key, "Parameters")});
  }
  return entries;
}

std::vector<std::string> descriptions(const std::vector<Entry>& entries) {
  std::vector<std::string> texts;
  for (const Entry& e : entries) texts.push_back(e.description);
  return texts;
}

// A double click at the middle of a rectangle of a control, given in its
// client coordinates.
void double_click(HWND control_window, const RECT& r) {
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(control_window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(control_window, WM_LBUTTONUP, 0, at);
}

// A control's rectangle message answered into a buffer of its process; the
// first bytes of the RECT carry the message's input.
bool remote_rect(HWND control_window, UINT message, WPARAM wparam, const void* input, size_t size, RECT& r) {
  itest::RemoteBuffer buffer(control_window, sizeof(RECT));
  if (!buffer.ok() || !buffer.write(input, size)) return false;
  if (!SendMessageA(control_window, message, wparam, buffer.at())) return false;
  return buffer.read(&r, sizeof r);
}

// ---- the detector and its sheet ----

class Detector {
 public:
  // Starts detector.exe of the build in folder (NULL: the test's own) and
  // opens its sheet with the menu command; the sheet is on page 0.
  ::testing::AssertionResult open_sheet(const char* folder = NULL) {
    const std::string program = itest::program_folder() + "detector.exe";
    if (!process_.start("\"" + program + "\"", folder)) return ::testing::AssertionFailure() << "not started";
    bool found = itest::wait_until(
        [&] { return (main_ = itest::find_window("MmcdDetectorClass", "Mmcd Detector", process_.pid())) != NULL; },
        kWindowTimeoutMs);
    if (!found) return ::testing::AssertionFailure() << "no main window";
    // Posted: the main loop takes it once the capture is held.
    itest::post_command(main_, kMenuSettings);
    sheet_ = itest::wait_for_window("#32770", resource_text(IDS_SHEET_CAPTION).c_str(), kWindowTimeoutMs,
                                    process_.pid());
    if (!sheet_) return ::testing::AssertionFailure() << "no settings sheet";
    return ::testing::AssertionSuccess();
  }

  HWND sheet() const { return sheet_; }
  HWND main() const { return main_; }
  DWORD pid() const { return process_.pid(); }
  HWND item(int id) const { return control(sheet_, id); }

  ::testing::AssertionResult show_page(int index) {
    if (!itest::select_page(sheet_, index) || itest::current_page_index(sheet_) != index)
      return ::testing::AssertionFailure() << "page " << index << " not shown";
    return ::testing::AssertionSuccess();
  }

  // OK, and the sheet closes.
  ::testing::AssertionResult press_ok() {
    click(sheet_, IDOK);
    if (!itest::wait_for_window_gone(sheet_, kWindowTimeoutMs))
      return ::testing::AssertionFailure() << "the sheet stayed open after OK";
    return ::testing::AssertionSuccess();
  }

  // A dialog the sheet opened: the top-level dialog holding this control.
  HWND wait_for_dialog(int control_id) {
    HWND found = NULL;
    itest::wait_until(
        [&] {
          for (HWND w : itest::find_windows("#32770", NULL, process_.pid()))
            if (w != sheet_ && itest::is_visible(w) && GetDlgItem(w, control_id)) found = w;
          return found != NULL;
        },
        kWindowTimeoutMs);
    return found;
  }

  // Quits through its menu so that it gives the capture back as it ends.
  void quit() {
    if (main_ && process_.running()) {
      itest::post_command(main_, kMenuQuit);
      process_.wait(kWindowTimeoutMs);
    }
  }

  ~Detector() { quit(); }

 private:
  itest::Process process_;
  HWND main_ = NULL;
  HWND sheet_ = NULL;
};

class SettingsSheetTest : public itest::MachineTest {
 protected:
  void SetUp() override {
    for (const char* kind : kKindNames) SHDeleteKeyA(HKEY_CLASSES_ROOT, kind);
    itest::MachineTest::SetUp();
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, kDetectorKey);
    for (const char* kind : kKindNames) SHDeleteKeyA(HKEY_CLASSES_ROOT, kind);
  }
  // What beamhub.dll saved under the suite key.
  DWORD saved_number(const char* name) {
    itest::RegistryValue v = itest::read_value(HKEY_CURRENT_USER, itest::kSuiteKey, name);
    return v.present && v.type == REG_DWORD ? v.number() : 0xFFFFFFFF;
  }
};

// ---- information page ----

TEST_F(SettingsSheetTest, InformationPageShowsTheCommandLineAndCentresTheSheet) {
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  // Started as "<folder>detector.exe" in quotes: shown without them.
  EXPECT_EQ(itest::text_of(detector.item(IDC_INFO_PROGRAM)),
            with_argument(IDS_INFO_PROGRAM, itest::program_folder() + "detector.exe"));
  EXPECT_EQ(itest::text_of(detector.item(IDC_INFO_VERSION)), with_argument(IDS_INFO_VERSION, "1.00"));
  EXPECT_EQ(itest::text_of(detector.item(IDC_INFO_COPYRIGHT)), resource_text(IDS_INFO_COPYRIGHT));

  RECT sheet = itest::window_rect(detector.sheet()), desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_LE(std::abs((sheet.left + sheet.right) - (desk.left + desk.right)), 2);
  EXPECT_LE(std::abs((sheet.top + sheet.bottom) - (desk.top + desk.bottom)), 2);

  // A second open while the sheet shows is refused: the Cancel posted after
  // it closes the one sheet, and no other comes up.
  itest::post_command(detector.main(), kMenuSettings);
  click(detector.sheet(), IDCANCEL);
  ASSERT_TRUE(itest::wait_for_window_gone(detector.sheet(), kWindowTimeoutMs));
  DWORD_PTR answer;
  ASSERT_TRUE(SendMessageTimeoutA(detector.main(), WM_NULL, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &answer));
  EXPECT_EQ(itest::find_window("#32770", resource_text(IDS_SHEET_CAPTION).c_str(), detector.pid()), nullptr);
}

// ---- general page ----

// Button-map files of a folder in the order the file system lists them.
std::vector<std::string> folder_order(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.rcb").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

TEST_F(SettingsSheetTest, RemoteListShowsTheCurrentModelFirstThenTheFolder) {
  itest::TestFolder maps("settings-rcb");
  ASSERT_TRUE(maps.ok());
  const char* const files[][2] = {{"alpha.rcb", "Alpha remote"}, {"beta.rcb", "Beta remote"},
                                  {"gamma.rcb", "Gamma remote"}};
  for (const auto& f : files) {
    std::FILE* file = std::fopen((maps.path() + f[0]).c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "[Control]\nDescription=%s\n", f[1]);
    std::fclose(file);
  }
  std::vector<std::string> order = folder_order(maps.path());
  ASSERT_EQ(order.size(), 3u);
  auto description = [&](const std::string& name) -> std::string {
    for (const auto& f : files)
      if (upper(name) == upper(f[0])) return f[1];
    return "?";
  };

  std::string folder = maps.path().substr(0, maps.path().size() - 1);
  ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, itest::kSuiteKey, "RcbPath", folder));
  ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, itest::kSuiteKey, "RemoteController",
                                  folder + "\\" + order[1]));

  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(1));
  HWND list = detector.item(IDC_REMOTE_LIST);
  EXPECT_EQ(itest::combo_items(list),
            (std::vector<std::string>{description(order[1]), description(order[0]), description(order[2])}));
  EXPECT_EQ(itest::combo_selection(list), 0);

  // The model chosen reaches the library, which saves it.
  ASSERT_TRUE(itest::select_combo(itest::current_page(detector.sheet()), IDC_REMOTE_LIST, 2));
  ASSERT_TRUE(detector.press_ok());
  EXPECT_EQ(upper(text_value(HKEY_CURRENT_USER, itest::kSuiteKey, "RemoteController")),
            upper(folder + "\\" + order[2]));
}

TEST_F(SettingsSheetTest, MouseStepIsCheckedByThePageAndByTheLibrary) {
  struct Case {
    const char* typed;
    bool refused_by_page;
    DWORD saved_step;  // beamhub's MouseInterval after OK
    DWORD page_value;  // "Mouse movement"
  };
  const Case cases[] = {
      {"11", true, 0, 0},
      {"0", false, 4, 0},  // the page takes it, the library keeps its step
      {"7", false, 7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed ") + c.typed);
    SHDeleteKeyA(HKEY_CURRENT_USER, kDetectorKey);
    ASSERT_TRUE(itest::write_dword(HKEY_CURRENT_USER, itest::kSuiteKey, "MouseInterval", 4));

    Detector detector;
    ASSERT_TRUE(detector.open_sheet());
    ASSERT_TRUE(detector.show_page(1));
    EXPECT_EQ(itest::text_of(detector.item(IDC_MOUSE_STEP)), "4");
    ASSERT_TRUE(itest::set_text(detector.item(IDC_MOUSE_STEP), c.typed));

    if (c.refused_by_page) {
      ExpectedBoxes boxes;
      click(detector.sheet(), IDOK);
      ASSERT_TRUE(answer_expected_box(boxes, resource_text(IDS_DETECTOR_CAPTION),
                                      resource_text(IDS_BAD_MOUSE_STEP).c_str(), IDOK));
      // Still open, on this page, with nothing saved.
      DWORD_PTR answer;
      ASSERT_TRUE(SendMessageTimeoutA(detector.sheet(), WM_NULL, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &answer));
      EXPECT_TRUE(itest::is_visible(detector.sheet()));
      EXPECT_EQ(itest::current_page_index(detector.sheet()), 1);
      EXPECT_FALSE(itest::read_value(HKEY_CURRENT_USER, kDetectorKey, "Mouse movement").present);
      click(detector.sheet(), IDCANCEL);
      EXPECT_TRUE(itest::wait_for_window_gone(detector.sheet(), kWindowTimeoutMs));
      continue;
    }
    ASSERT_TRUE(detector.press_ok());
    EXPECT_EQ(saved_number("MouseInterval"), c.saved_step);
    itest::RegistryValue page = itest::read_value(HKEY_CURRENT_USER, kDetectorKey, "Mouse movement");
    EXPECT_EQ(page.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(page.data.size(), 4u);
    EXPECT_EQ(page.number(), c.page_value);
  }
}

TEST_F(SettingsSheetTest, UpDownClickSetsTheMouseStepAtOnce) {
  ASSERT_TRUE(itest::write_dword(HKEY_CURRENT_USER, itest::kSuiteKey, "MouseInterval", 4));
  {
    Detector detector;
    ASSERT_TRUE(detector.open_sheet());
    ASSERT_TRUE(detector.show_page(1));
    HWND spin = detector.item(IDC_MOUSE_SPIN);
    RECT r;
    GetClientRect(spin, &r);
    // The upper arrow.
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, r.top + (r.bottom - r.top) / 4);
    PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(spin, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(itest::wait_until([&] { return itest::text_of(detector.item(IDC_MOUSE_STEP)) == "5"; },
                                  kWindowTimeoutMs));
    // Cancelled: the page saves nothing, yet the library has the step, and
    // saves it as the detector lets go of it.
    click(detector.sheet(), IDCANCEL);
    ASSERT_TRUE(itest::wait_for_window_gone(detector.sheet(), kWindowTimeoutMs));
    EXPECT_FALSE(itest::read_value(HKEY_CURRENT_USER, kDetectorKey, "Mouse movement").present);
  }
  EXPECT_EQ(saved_number("MouseInterval"), 5u);
}

TEST_F(SettingsSheetTest, MixedModeChoiceAndVoiceAreSaved) {
  ASSERT_TRUE(itest::write_dword(HKEY_CURRENT_USER, itest::kSuiteKey, "IntelligentVoice", 0));
  {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDetectorKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL),
              ERROR_SUCCESS);
    const BYTE play = 1;
    ASSERT_EQ(RegSetValueExA(key, "Mixed Mode Disc", 0, REG_BINARY, &play, 1), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(1));
  EXPECT_TRUE(itest::is_checked(detector.item(IDC_MIXED_PLAY)));
  EXPECT_FALSE(itest::is_checked(detector.item(IDC_MIXED_ASK)));
  EXPECT_FALSE(itest::is_checked(detector.item(IDC_VOICE)));

  HWND page = itest::current_page(detector.sheet());
  SendMessageA(detector.item(IDC_MIXED_PLAY), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(detector.item(IDC_MIXED_ASK), BM_SETCHECK, BST_CHECKED, 0);
  ASSERT_TRUE(itest::set_check(page, IDC_VOICE, true));
  ASSERT_TRUE(detector.press_ok());

  itest::RegistryValue mixed = itest::read_value(HKEY_CURRENT_USER, kDetectorKey, "Mixed Mode Disc");
  EXPECT_EQ(mixed.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(mixed.data, (std::vector<BYTE>{2}));
  EXPECT_EQ(saved_number("IntelligentVoice"), 1u);
}

// ---- players page ----

// The image of the tree item with this text; -1 when there is none.
int image_of(HWND tree, const std::string& text) {
  for (const auto& i : itest::tree_items(tree))
    if (i.text == text) return i.image;
  return -1;
}

TEST_F(SettingsSheetTest, PlayersTreeShowsKindsInOrderWithTheirPlayers) {
  write_player(0, "Default", "Disc Player", "C:\\p\\disc.exe %1");
  write_player(0, "Player0", "Other Player", "C:\\p\\other.exe %1");
  write_player(4, "Default", "Interactive", "C:\\p\\cdi.exe %1");

  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(2));
  HWND tree = detector.item(IDC_PLAYER_TREE);
  std::vector<itest::TreeItem> items = itest::tree_items(tree);
  std::vector<std::string> shown;
  for (const auto& i : items) shown.push_back(std::to_string(i.depth) + " " + i.text + " " + std::to_string(i.image));
  // Images: 0 kind, 1 player, 2 root, 3 default.
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "0 " + resource_text(IDS_PLAYERS_ROOT) + " 2", "1 " + resource_text(IDS_KIND_MIXED) + " 0",
                       "1 " + resource_text(IDS_KIND_AUDIO) + " 0", "2 Disc Player 3", "2 Other Player 1",
                       "1 " + resource_text(IDS_KIND_VIDEO) + " 0", "1 " + resource_text(IDS_KIND_QMCD) + " 0",
                       "1 " + resource_text(IDS_KIND_CDI) + " 0", "2 Interactive 3"}));
  EXPECT_EQ(itest::tree_selection(tree), itest::tree_find(tree, resource_text(IDS_KIND_AUDIO), 1));
  EXPECT_FALSE(itest::is_enabled(detector.item(IDC_MAKE_DEFAULT)));
  EXPECT_FALSE(itest::is_enabled(detector.item(IDC_REMOVE_PLAYER)));

  // A player selected: make default swaps the images.
  ASSERT_TRUE(itest::tree_select(tree, itest::tree_find(tree, "Other Player", 2)));
  EXPECT_TRUE(itest::is_enabled(detector.item(IDC_MAKE_DEFAULT)));
  EXPECT_TRUE(itest::is_enabled(detector.item(IDC_REMOVE_PLAYER)));
  click(itest::current_page(detector.sheet()), IDC_MAKE_DEFAULT);
  ASSERT_TRUE(itest::wait_until([&] { return image_of(tree, "Other Player") == 3; }, kWindowTimeoutMs));
  EXPECT_EQ(image_of(tree, "Disc Player"), 1);

  ASSERT_TRUE(detector.press_ok());
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Default", "Name"), "Other Player");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Player0", "Name"), "Disc Player");
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(0), ""), "C:\\p\\other.exe %1");
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(4), ""), "C:\\p\\cdi.exe %1");
}

TEST_F(SettingsSheetTest, RemovingTheDefaultPlayerMakesTheOtherTheDefault) {
  write_player(0, "Default", "First", "C:\\p\\first.exe %1");
  write_player(0, "Player0", "Second", "C:\\p\\second.exe %1");
  write_player(2, "Default", "Only", "C:\\p\\only.exe %1");

  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(2));
  HWND tree = detector.item(IDC_PLAYER_TREE);
  HWND page = itest::current_page(detector.sheet());
  const std::string caption = resource_text(IDS_DETECTOR_CAPTION);
  {
    ExpectedBoxes boxes;
    // The last player of a kind stays.
    ASSERT_TRUE(itest::tree_select(tree, itest::tree_find(tree, "Only", 2)));
    click(page, IDC_REMOVE_PLAYER);
    ASSERT_TRUE(answer_expected_box(boxes, caption, resource_text(IDS_LAST_PLAYER).c_str(), IDOK));
    // No: nothing removed.
    ASSERT_TRUE(itest::tree_select(tree, itest::tree_find(tree, "First", 2)));
    click(page, IDC_REMOVE_PLAYER);
    ASSERT_TRUE(answer_expected_box(boxes, caption, resource_text(IDS_REMOVE_PLAYER).c_str(), IDNO));
    EXPECT_NE(itest::tree_find(tree, "First", 2), nullptr);
    click(page, IDC_REMOVE_PLAYER);
    ASSERT_TRUE(answer_expected_box(boxes, caption, resource_text(IDS_REMOVE_PLAYER).c_str(), IDYES));
  }
  ASSERT_TRUE(itest::wait_until([&] { return itest::tree_find(tree, "First", 2) == NULL; }, kWindowTimeoutMs));
  EXPECT_EQ(image_of(tree, "Second"), 3);
  EXPECT_NE(itest::tree_find(tree, "Only", 2), nullptr);

  ASSERT_TRUE(detector.press_ok());
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Default", "Name"), "Second");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Default", "Path"), "C:\\p\\second.exe %1");
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kind_key(0) + "\\Player0"));
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(0), ""), "C:\\p\\second.exe %1");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(2) + "\\Default", "Name"), "Only");
}

// Fills dialog 144 and presses its OK; OK is enabled only with a path.
void add_player(Detector& detector, const std::string& name, const std::string& path) {
  click(itest::current_page(detector.sheet()), IDC_ADD_PLAYER);
  HWND dialog = detector.wait_for_dialog(IDC_PLAYER_NAME);
  ASSERT_NE(dialog, nullptr) << "no player dialog";
  EXPECT_FALSE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_PLAYER_NAME), EM_GETLIMITTEXT, 0, 0), 24);
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_PLAYER_NAME), name));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_PLAYER_PATH), path));
  EXPECT_TRUE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  click(dialog, IDOK);
  ASSERT_TRUE(itest::wait_for_window_gone(dialog, kWindowTimeoutMs));
}

TEST_F(SettingsSheetTest, PlayersAddedOnAFreshRegistryAreSaved) {
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(2));
  HWND tree = detector.item(IDC_PLAYER_TREE);
  // The AudioCD node is selected at the start.
  add_player(detector, "Audio One", "C:\\p\\a1.exe %1");
  add_player(detector, "Audio Two", "C:\\p\\a2.exe %1");
  // Under the kind of a selected player too.
  ASSERT_TRUE(itest::tree_select(tree, itest::tree_find(tree, resource_text(IDS_KIND_QMCD), 1)));
  add_player(detector, "Quick", "C:\\p\\q.exe %1");
  ASSERT_TRUE(itest::wait_until([&] { return itest::tree_find(tree, "Quick", 2) != NULL; }, kWindowTimeoutMs));
  ASSERT_TRUE(itest::tree_select(tree, itest::tree_find(tree, "Quick", 2)));
  add_player(detector, "Quicker", "C:\\p\\q2.exe %1");
  ASSERT_TRUE(detector.press_ok());

  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Default", "Name"), "Audio One");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Player0", "Name"), "Audio Two");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(0) + "\\Player0", "Path"), "C:\\p\\a2.exe %1");
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(0), ""), "C:\\p\\a1.exe %1");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(3) + "\\Default", "Name"), "Quick");
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(3) + "\\Player0", "Name"), "Quicker");
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(3), ""), "C:\\p\\q.exe %1");
  // Kinds nobody chose a player for get nothing.
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kind_key(1)));
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, play_command_key(2)));
}

TEST_F(SettingsSheetTest, DoubleClickOnAPlayerEditsIt) {
  write_player(2, "Default", "Video", "C:\\p\\video.exe %1");
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(2));
  HWND tree = detector.item(IDC_PLAYER_TREE);
  HTREEITEM player = itest::tree_find(tree, "Video", 2);
  ASSERT_NE(player, nullptr);
  // The first click of a double click selects the player.
  ASSERT_TRUE(itest::tree_select(tree, player));
  RECT r;
  ASSERT_TRUE(remote_rect(tree, TVM_GETITEMRECT, TRUE, &player, sizeof player, r));
  double_click(tree, r);

  HWND dialog = detector.wait_for_dialog(IDC_PLAYER_NAME);
  ASSERT_NE(dialog, nullptr) << "no player dialog";
  EXPECT_EQ(itest::text_of(GetDlgItem(dialog, IDC_PLAYER_NAME)), "Video");
  EXPECT_EQ(itest::text_of(GetDlgItem(dialog, IDC_PLAYER_PATH)), "C:\\p\\video.exe %1");
  EXPECT_TRUE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  // An emptied path disables OK.
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_PLAYER_PATH), ""));
  EXPECT_FALSE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_PLAYER_NAME), "Video Two"));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_PLAYER_PATH), "C:\\p\\video2.exe %1"));
  click(dialog, IDOK);
  ASSERT_TRUE(itest::wait_for_window_gone(dialog, kWindowTimeoutMs));
  ASSERT_TRUE(itest::wait_until([&] { return itest::tree_find(tree, "Video Two", 2) != NULL; }, kWindowTimeoutMs));

  ASSERT_TRUE(detector.press_ok());
  EXPECT_EQ(text_value(HKEY_CURRENT_USER, kind_key(2) + "\\Default", "Name"), "Video Two");
  EXPECT_EQ(text_value(HKEY_CLASSES_ROOT, play_command_key(2), ""), "C:\\p\\video2.exe %1");
}

// ---- launch list page ----

std::vector<Entry> numbered_entries(int count) {
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({"Program " + std::to_string(i), "C:\\p\\prog" + std::to_string(i) + ".exe",
                       "/n" + std::to_string(i)});
  return entries;
}

TEST_F(SettingsSheetTest, RemovingSelectedEntriesRewritesTheLaunchList) {
  write_entries(numbered_entries(5));
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(3));
  HWND list = detector.item(IDC_LAUNCH_LIST);
  EXPECT_EQ(itest::list_column(list, 0), descriptions(numbered_entries(5)));
  EXPECT_EQ(itest::list_text(list, 2, 1), "C:\\p\\prog2.exe");
  EXPECT_EQ(itest::list_text(list, 2, 2), "/n2");
  EXPECT_EQ(itest::list_state(list, 0), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_TRUE(itest::is_enabled(detector.item(IDC_ADD_ENTRY)));
  EXPECT_TRUE(itest::is_enabled(detector.item(IDC_REMOVE_ENTRY)));

  // Entries 1 and 3 selected.
  ASSERT_TRUE(itest::list_select(list, 1));
  {
    itest::RemoteBuffer buffer(list, sizeof(LVITEMA));
    ASSERT_TRUE(buffer.ok());
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ASSERT_TRUE(buffer.write(&state, sizeof state));
    SendMessageA(list, LVM_SETITEMSTATE, 3, buffer.at());
  }
  {
    ExpectedBoxes boxes;
    click(itest::current_page(detector.sheet()), IDC_REMOVE_ENTRY);
    ASSERT_TRUE(answer_expected_box(boxes, resource_text(IDS_DETECTOR_CAPTION),
                                    resource_text(IDS_REMOVE_ENTRIES).c_str(), IDYES));
  }
  ASSERT_TRUE(itest::wait_until([&] { return itest::list_count(list) == 3; }, kWindowTimeoutMs));
  ASSERT_TRUE(detector.press_ok());

  std::vector<Entry> saved = saved_entries();
  EXPECT_EQ(descriptions(saved), (std::vector<std::string>{"Program 0", "Program 2", "Program 4"}));
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[2].command_line, "C:\\p\\prog4.exe");
  EXPECT_EQ(saved[2].parameters, "/n4");
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, std::string(kLaunchKey) + "\\App3"));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, std::string(kLaunchKey) + "\\App4"));
}

TEST_F(SettingsSheetTest, AddIsDisabledOnceNineEntriesExist) {
  write_entries(numbered_entries(8));
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(3));
  HWND list = detector.item(IDC_LAUNCH_LIST);
  ASSERT_TRUE(itest::is_enabled(detector.item(IDC_ADD_ENTRY)));

  click(itest::current_page(detector.sheet()), IDC_ADD_ENTRY);
  HWND dialog = detector.wait_for_dialog(IDC_ENTRY_COMMAND);
  ASSERT_NE(dialog, nullptr) << "no application dialog";
  EXPECT_FALSE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), EM_GETLIMITTEXT, 0, 0), 24);
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), "Ninth"));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_COMMAND), "C:\\p\\ninth.exe"));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_PARAMETERS), "/go"));
  EXPECT_TRUE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  click(dialog, IDOK);
  ASSERT_TRUE(itest::wait_for_window_gone(dialog, kWindowTimeoutMs));

  ASSERT_TRUE(itest::wait_until([&] { return itest::list_count(list) == 9; }, kWindowTimeoutMs));
  EXPECT_FALSE(itest::is_enabled(detector.item(IDC_ADD_ENTRY)));
  EXPECT_TRUE(itest::is_enabled(detector.item(IDC_REMOVE_ENTRY)));
  ASSERT_TRUE(detector.press_ok());
  std::vector<Entry> saved = saved_entries();
  ASSERT_EQ(saved.size(), 9u);
  EXPECT_EQ(saved[8].description, "Ninth");
  EXPECT_EQ(saved[8].command_line, "C:\\p\\ninth.exe");
  EXPECT_EQ(saved[8].parameters, "/go");
}

TEST_F(SettingsSheetTest, DoubleClickOnAnEntryEditsIt) {
  write_entries(numbered_entries(3));
  Detector detector;
  ASSERT_TRUE(detector.open_sheet());
  ASSERT_TRUE(detector.show_page(3));
  HWND list = detector.item(IDC_LAUNCH_LIST);
  RECT r = {};
  r.left = LVIR_LABEL;
  ASSERT_TRUE(remote_rect(list, LVM_GETITEMRECT, 1, &r, sizeof r, r));
  double_click(list, r);

  HWND dialog = detector.wait_for_dialog(IDC_ENTRY_COMMAND);
  ASSERT_NE(dialog, nullptr) << "no application dialog";
  EXPECT_EQ(itest::text_of(dialog), "Edit Application");
  EXPECT_EQ(itest::text_of(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION)), "Program 1");
  EXPECT_EQ(itest::text_of(GetDlgItem(dialog, IDC_ENTRY_COMMAND)), "C:\\p\\prog1.exe");
  EXPECT_EQ(itest::text_of(GetDlgItem(dialog, IDC_ENTRY_PARAMETERS)), "/n1");
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_COMMAND), ""));
  EXPECT_FALSE(itest::is_enabled(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_COMMAND), "C:\\p\\edited.exe"));
  ASSERT_TRUE(itest::set_text(GetDlgItem(dialog, IDC_ENTRY_PARAMETERS), "/e"));
  click(dialog, IDOK);
  ASSERT_TRUE(itest::wait_for_window_gone(dialog, kWindowTimeoutMs));
  ASSERT_TRUE(itest::wait_until([&] { return itest::list_text(list, 1, 1) == "C:\\p\\edited.exe"; },
                                kWindowTimeoutMs));

  ASSERT_TRUE(detector.press_ok());
  std::vector<Entry> saved = saved_entries();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[1].description, "Program 1");
  EXPECT_EQ(saved[1].command_line, "C:\\p\\edited.exe");
  EXPECT_EQ(saved[1].parameters, "/e");
}

// ---- help ----

TEST_F(SettingsSheetTest, HelpAsksTheViewerForTheTopicOfEachPageControlAndDialog) {
  itest::TestFolder folder("settings-help");
  ASSERT_TRUE(folder.ok());
  const std::string viewer = folder.path() + "winhlp32.exe";
  ASSERT_TRUE(itest::place_standin(itest::kHelpViewer, viewer));
  ASSERT_TRUE(itest::write_string(HKEY_CURRENT_USER, itest::kSuiteKey, "AppPath", "C:\\Suite Folder"));

  Detector detector;
  ASSERT_TRUE(detector.open_sheet(folder.path().c_str()));
  struct Case {
    int page;
    int control;  // 0: the sheet's Help button
    DWORD topic;
  };
  const Case cases[] = {
      {0, 0, 117}, {1, 0, 23}, {2, 0, 24}, {3, 0, 26},
      {1, IDC_MOUSE_STEP, 61}, {1, IDC_MIXED_ASK, 23}, {2, IDC_PLAYER_TREE, 24},
      {2, IDC_ADD_PLAYER, 20}, {3, IDC_LAUNCH_LIST, 26}, {3, IDC_REMOVE_ENTRY, 59},
  };
  size_t asked = 0;
  auto expect_request = [&](DWORD topic) {
    ++asked;
    ASSERT_TRUE(itest::wait_until([&] { return itest::help_requests(viewer).size() >= asked; }, kWindowTimeoutMs));
    const itest::HelpRequest r = itest::help_requests(viewer)[asked - 1];
    EXPECT_EQ(r.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(r.data, topic);
    EXPECT_EQ(upper(r.file), upper("C:\\Suite Folder\\mmcu.hlp"));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("page " + std::to_string(c.page) + " control " + std::to_string(c.control));
    ASSERT_TRUE(detector.show_page(c.page));
    if (c.control == 0) {
      click(detector.sheet(), kDialogHelp);
    } else {
      // F1 on the control: the system turns it into WM_HELP for the page.
      PostMessageA(detector.item(c.control), kKeyF1Message, 0, 0);
    }
    expect_request(c.topic);
  }

  // The dialogs of the pages: their Help button and F1 on a field.
  struct DialogCase {
    int page, opener, field;
    DWORD topic;
  };
  const DialogCase dialogs[] = {{2, IDC_ADD_PLAYER, IDC_PLAYER_NAME, 20}, {3, IDC_ADD_ENTRY, IDC_ENTRY_COMMAND, 25}};
  for (const DialogCase& c : dialogs) {
    SCOPED_TRACE("dialog of control " + std::to_string(c.opener));
    ASSERT_TRUE(detector.show_page(c.page));
    click(itest::current_page(detector.sheet()), c.opener);
    HWND dialog = detector.wait_for_dialog(c.field);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kDialogHelp);
    expect_request(c.topic);
    PostMessageA(GetDlgItem(dialog, c.field), kKeyF1Message, 0, 0);
    expect_request(c.topic);
    click(dialog, IDCANCEL);
    ASSERT_TRUE(itest::wait_for_window_gone(dialog, kWindowTimeoutMs));
  }
  click(detector.sheet(), IDCANCEL);
  EXPECT_TRUE(itest::wait_for_window_gone(detector.sheet(), kWindowTimeoutMs));
  // The viewer the detector started ends before the test does.
  for (HWND w : itest::find_windows(itest::kHelpViewerClass, NULL)) PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(itest::wait_until([] { return itest::find_windows(itest::kHelpViewerClass, NULL).empty(); },
                                kWindowTimeoutMs));
}

}  // namespace
