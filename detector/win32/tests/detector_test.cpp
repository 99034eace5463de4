// detector.exe under Wine's null driver: discs put in on the virtual drive
// and buttons pressed on the virtual remote start the programs they should,
// checked by the command lines the stand-ins log; its boxes are found by
// their texts and answered.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beamhub/win32/tests/client_process.h"
#include "detector/keys.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/tests/detector_machine.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

constexpr DWORD kBoxWaitMs = 15000;

const char* const kKindPrograms[detector::kKindCount] = {"audio.exe", "mixed.exe", "video.exe", "qmcd.exe",
                                                         "cdi.exe"};

std::string discs_folder() {
  std::string discs = HALVO_DISCS_FOLDER;
  std::replace(discs.begin(), discs.end(), '/', '\\');
  return discs;
}

bool write_file(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL) && written == text.size();
  CloseHandle(file);
  return ok;
}

// Takes the disc out and puts this one in; the drive announces it.
bool change_disc(const std::string& folder) {
  std::string output;
  // As a hand would: the tray stays open for a few polls. A tray opened and
  // closed again between two polls is no disc change to the library.
  bool ok = run_remote("eject --remove", &output) && wait_for_ticks(2) &&
            run_remote("insert " + folder, &output) && run_remote("close", &output);
  EXPECT_TRUE(ok) << output;
  return ok;
}

std::vector<unsigned> codes_of(const std::vector<RemoteMessage>& messages) {
  std::vector<unsigned> codes;
  for (const RemoteMessage& m : messages)
    if (m.code != 1085) codes.push_back(m.code);
  return codes;
}

size_t count_code(const std::vector<RemoteMessage>& messages, unsigned code) {
  return static_cast<size_t>(std::count_if(messages.begin(), messages.end(),
                                           [code](const RemoteMessage& m) { return m.code == code; }));
}

// Collects a client's messages until one with this code has come.
bool wait_for_code(ClientProcess& client, unsigned code, std::vector<RemoteMessage>& got) {
  return eventually([&] {
    client.run("echo sync");
    std::vector<RemoteMessage> more = client.take_messages();
    got.insert(got.end(), more.begin(), more.end());
    return count_code(got, code) > 0;
  });
}

class DetectorTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // No announcements: sound holds the poll up.
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
    ASSERT_TRUE(stand_ins_.ok());
    for (int kind = 0; kind < detector::kKindCount; ++kind) delete_tree(HKEY_CLASSES_ROOT, detector::kind_name(kind));
  }
  void TearDown() override {
    detector_.end();
    // A help viewer the detector started goes too, also when a test failed.
    for (HWND viewer : find_windows(kHelpViewerClass, NULL)) PostMessageA(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([] { return find_windows(kHelpViewerClass, NULL).empty(); })) << "help viewer left";
    stand_ins_.end_all();
    for (int kind = 0; kind < detector::kKindCount; ++kind) delete_tree(HKEY_CLASSES_ROOT, detector::kind_name(kind));
    run_remote("reset");
    delete_tree(HKEY_CURRENT_USER, kSuiteKey);
    MachineTest::TearDown();
  }

  // Every kind's play command is a stand-in: "<folder>\<program> /play %1".
  void register_players() {
    for (int kind = 0; kind < detector::kKindCount; ++kind) {
      std::string program = stand_ins_.add(kKindPrograms[kind]);
      ASSERT_FALSE(program.empty());
      ASSERT_TRUE(write_string(HKEY_CLASSES_ROOT, detector::play_command_key(kind), "", program + " /play %1"));
    }
  }
  std::string player(int kind) const { return stand_ins_.folder() + "\\" + kKindPrograms[kind] + " /play D:"; }

  // App0, App1, ... : "<folder>\app<n>.exe" with parameters "p<n>".
  void write_launch_list(int count) {
    for (int i = 0; i < count; ++i) {
      std::string key = std::string(detector::kLaunchKey) + "\\App" + std::to_string(i);
      std::string n = std::to_string(i);
      ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Description", "Program " + n));
      ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Command line", stand_ins_.add("app" + n + ".exe")));
      ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, "Parameters", "p" + n));
    }
  }

  void start_detector() {
    ASSERT_TRUE(detector_.start());
    ASSERT_TRUE(eventually([&] { return detector_.main_window() && detector_.status_bar(); }));
  }

  bool launcher_shown() const { return IsWindowVisible(detector_.main_window()) != FALSE; }

  StandIns stand_ins_{"detector"};
  DetectorProcess detector_;
};

TEST_F(DetectorTest, DiscPutInStartsItsProgram) {
  register_players();
  const std::string own = stand_ins_.folder();
  // Discs of the test's own: an installer beside the mixed-mode disc's
  // data, and data discs whose autorun.inf names a program.
  const std::string mixed_setup = own + "\\disc-mixed-setup";
  const std::string data_relative = own + "\\disc-data-relative";
  const std::string data_full = own + "\\disc-data-full";
  CreateDirectoryA(mixed_setup.c_str(), NULL);
  CreateDirectoryA(data_relative.c_str(), NULL);
  CreateDirectoryA(data_full.c_str(), NULL);
  ASSERT_TRUE(CopyFileA((discs_folder() + "\\mixed\\disc.ini").c_str(), (mixed_setup + "\\disc.ini").c_str(), FALSE));
  ASSERT_FALSE(stand_ins_.add_to(mixed_setup, "setup.exe").empty());
  ASSERT_FALSE(stand_ins_.add_to(data_relative, "setup.exe").empty());
  ASSERT_TRUE(write_file(data_relative + "\\autorun.inf", "[autorun]\r\nopen=setup.exe /s\r\n"));
  const std::string x = stand_ins_.add("x.exe");
  ASSERT_TRUE(write_file(data_full + "\\autorun.inf", "[AutoRun]\r\nopen=" + x + "\r\nicon=x.ico\r\n"));
  // The disc's programs run from the drive, where the disc's files are copied.
  stand_ins_.watch("D:\\setup.exe");

  const std::string mixed = discs_folder() + "\\mixed";
  const struct {
    const char* name;
    std::string disc;
    int mixed_mode;  // "Mixed Mode Disc", -1: not written
    int button;      // dialog 151's answer, 0: no dialog expected
    std::string expected;
  } rows[] = {
      {"audio CD", discs_folder() + "\\audio", -1, 0, player(detector::kAudioCd)},
      {"Video CD", discs_folder() + "\\videocd", -1, 0, player(detector::kVideoCd)},
      {"CD-i", discs_folder() + "\\cdi", -1, 0, player(detector::kCdi)},
      {"QMCD", discs_folder() + "\\qmcd", -1, 0, player(detector::kQmcd)},
      {"mixed mode, installer", mixed_setup, 0, 0, "D:\\setup.exe"},
      {"mixed mode, play", mixed, 1, 0, player(detector::kMixedModeCd)},
      {"mixed mode, asked, play chosen", mixed, 2, IDC_MIXED_PLAY_BUTTON, player(detector::kMixedModeCd)},
      {"mixed mode, asked, installer chosen", mixed_setup, 2, IDC_MIXED_INSTALL_BUTTON, "D:\\setup.exe"},
      {"data disc, program on the disc", data_relative, -1, 0, "D:\\setup.exe /s"},
      {"data disc, program with a drive", data_full, -1, 0, x},
  };
  start_detector();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kMixedModeValue);
    if (row.mixed_mode >= 0) {
      ASSERT_TRUE(write_binary(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kMixedModeValue,
                               {static_cast<BYTE>(row.mixed_mode)}));
    }
    ASSERT_TRUE(change_disc(row.disc));
    if (row.button) {
      HWND dialog = NULL;
      ASSERT_TRUE(eventually([&] { return (dialog = find_dialog(detector_.pid(), row.button)) != NULL; }))
          << "dialog 151 not shown";
      char caption[128] = "";
      GetWindowTextA(dialog, caption, sizeof caption);
      EXPECT_EQ(detector_string(IDS_DETECTOR_CAPTION), caption);
      ASSERT_TRUE(answer_box(dialog, row.button));
    }
    ASSERT_TRUE(stand_ins_.wait_for_lines(1)) << "nothing started";
    EXPECT_EQ(std::vector<std::string>{row.expected}, stand_ins_.lines());
    stand_ins_.end_all();
  }
}

TEST_F(DetectorTest, MixedModeDiscClosedDialogAndMissingChoiceStartNothing) {
  register_players();
  start_detector();
  const std::string mixed = discs_folder() + "\\mixed";
  // No "Mixed Mode Disc": nothing happens; then asked and the dialog closed.
  ASSERT_TRUE(change_disc(mixed));
  ASSERT_TRUE(write_binary(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kMixedModeValue, {2}));
  ASSERT_TRUE(change_disc(mixed));
  HWND dialog = NULL;
  ASSERT_TRUE(eventually([&] { return (dialog = find_dialog(detector_.pid(), IDC_MIXED_PLAY_BUTTON)) != NULL; }));
  ASSERT_TRUE(answer_box(dialog, IDCANCEL));
  ASSERT_TRUE(eventually([&] { return !IsWindow(dialog); }));
  // An audio CD after them starts its player, and it is the only program started.
  ASSERT_TRUE(change_disc(discs_folder() + "\\audio"));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1));
  EXPECT_EQ(std::vector<std::string>{player(detector::kAudioCd)}, stand_ins_.lines());
}

// The help command and dialog 151's Help button ask the viewer for the
// suite's help file: the finder, and the mixed-mode disc's topic.
TEST_F(DetectorTest, HelpAsksTheViewerForTheSuitesHelpFile) {
  const std::string app_path = stand_ins_.folder();
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, detector::kSuiteKey, detector::kAppPathValue, app_path));
  ASSERT_TRUE(write_binary(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kMixedModeValue, {2}));
  // WinHelpA finds the stand-in in the detector's current folder, before
  // the prefix's own viewer.
  const std::string viewer = app_path + "\\winhlp32.exe";
  ASSERT_TRUE(place_standin(kHelpViewer, viewer));
  ASSERT_TRUE(detector_.start(app_path.c_str()));
  ASSERT_TRUE(eventually([&] { return detector_.main_window() && detector_.status_bar(); }));

  auto request = [&](size_t n) {
    EXPECT_TRUE(eventually([&] { return help_requests(viewer).size() >= n; })) << "no help request " << n;
    std::vector<HelpRequest> requests = help_requests(viewer);
    return requests.size() >= n ? requests[n - 1] : HelpRequest();
  };
  ASSERT_TRUE(post_command(detector_.main_window(), IDM_HELP));
  HelpRequest finder = request(1);
  EXPECT_EQ(static_cast<UINT>(HELP_FINDER), finder.command);
  EXPECT_EQ(0u, finder.data);
  EXPECT_EQ(app_path + "\\mmcu.hlp", finder.file);

  ASSERT_TRUE(change_disc(discs_folder() + "\\mixed"));
  HWND dialog = NULL;
  ASSERT_TRUE(eventually([&] { return (dialog = find_dialog(detector_.pid(), IDHELP)) != NULL; }))
      << "dialog 151 not shown";
  ASSERT_TRUE(click(dialog, IDHELP));
  HelpRequest topic = request(2);
  EXPECT_EQ(static_cast<UINT>(HELP_CONTEXT), topic.command);
  EXPECT_EQ(118u, topic.data);
  EXPECT_EQ(app_path + "\\mmcu.hlp", topic.file);
  // Help leaves the question open; closing it starts nothing.
  EXPECT_TRUE(IsWindowVisible(dialog));
  ASSERT_TRUE(answer_box(dialog, IDCANCEL));
  ASSERT_TRUE(eventually([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(2u, help_requests(viewer).size());
}

TEST_F(DetectorTest, MenuPlayCommandUsesTheCurrentDrive) {
  ASSERT_TRUE(write_string(HKEY_CLASSES_ROOT, detector::play_command_key(detector::kVideoCd), "",
                           stand_ins_.add("video.exe") + " /play %1"));
  start_detector();
  ASSERT_TRUE(PostMessageA(detector_.main_window(), WM_COMMAND, IDM_PLAY_VIDEO, 0));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1));
  EXPECT_EQ(std::vector<std::string>{player(detector::kVideoCd)}, stand_ins_.lines());

  // A kind without a play command says so.
  ExpectedBoxes boxes;
  ASSERT_TRUE(PostMessageA(detector_.main_window(), WM_COMMAND, IDM_PLAY_CDI, 0));
  FoundBox box;
  ASSERT_TRUE(boxes.next(box, kBoxWaitMs));
  EXPECT_EQ(detector_string(IDS_NO_PLAY_COMMAND), box.text);
  EXPECT_EQ(detector_string(IDS_DETECTOR_CAPTION), box.caption);
  answer_box(box.window, IDOK);
}

TEST_F(DetectorTest, LauncherStartsTheChosenEntry) {
  write_launch_list(3);
  const std::string own = stand_ins_.folder();
  const struct {
    const char* name;
    std::vector<std::string> buttons;  // pressed between Menu and Enter
    std::string expected;
  } rows[] = {
      {"first entry selected at start", {}, own + "\\app0.exe p0"},
      {"Button2 selects the second", {"Button2"}, own + "\\app1.exe p1"},
      // The selection stays from the last time the launcher showed.
      {"Button4 with three entries does nothing", {"Button4"}, own + "\\app1.exe p1"},
      {"Button3, then Button4 keeps the third", {"Button3", "Button4"}, own + "\\app2.exe p2"},
  };
  start_detector();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(press("Menu"));
    ASSERT_TRUE(eventually([&] { return launcher_shown(); })) << "launcher not shown";
    for (const std::string& button : row.buttons) ASSERT_TRUE(press(button));
    ASSERT_TRUE(press("Enter"));
    ASSERT_TRUE(stand_ins_.wait_for_lines(1)) << "nothing started";
    EXPECT_EQ(std::vector<std::string>{row.expected}, stand_ins_.lines());
    EXPECT_TRUE(eventually([&] { return !launcher_shown(); })) << "launcher still shown";
    stand_ins_.end_all();
  }
}

// A double click starts the "Command line" alone; a program that cannot
// start is reported, and the launcher hides either way.
TEST_F(DetectorTest, LauncherDoubleClickStartsTheCommandLine) {
  write_launch_list(1);
  start_detector();
  HWND main = detector_.main_window();
  ASSERT_TRUE(press("Menu"));
  ASSERT_TRUE(eventually([&] { return launcher_shown(); }));
  ASSERT_TRUE(PostMessageA(main, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 70)));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1));
  EXPECT_EQ(std::vector<std::string>{stand_ins_.folder() + "\\app0.exe"}, stand_ins_.lines());
  EXPECT_TRUE(eventually([&] { return !launcher_shown(); }));

  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, std::string(detector::kLaunchKey) + "\\App0", "Command line",
                           stand_ins_.folder() + "\\missing.exe"));
  ExpectedBoxes boxes;
  // Another button first: the same button twice in a row is taken for one held.
  ASSERT_TRUE(press("Cancel"));
  ASSERT_TRUE(press("Menu"));
  ASSERT_TRUE(eventually([&] { return launcher_shown(); }));
  ASSERT_TRUE(PostMessageA(main, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 70)));
  FoundBox box;
  ASSERT_TRUE(boxes.next(box, kBoxWaitMs));
  EXPECT_EQ(detector_string(IDS_START_FAILED), box.text);
  answer_box(box.window, IDOK);
  EXPECT_TRUE(eventually([&] { return !launcher_shown(); }));
}

TEST_F(DetectorTest, WhileTheLauncherShowsProgramsGetNoButtons) {
  write_launch_list(3);
  ClientProcess client;
  ASSERT_TRUE(client.start()) << client.banner();
  client.run("answer 1");
  ASSERT_EQ("register status=80000000", client.run("register").substr(0, 24));
  start_detector();
  // Hidden, a digit and Enter are the program's: they start no entry.
  std::vector<RemoteMessage> got;
  for (const char* button : {"Button2", "Enter"}) ASSERT_TRUE(press(button));
  ASSERT_TRUE(wait_for_code(client, 1048, got)) << describe(got);
  EXPECT_EQ((std::vector<unsigned>{1040, 1048}), codes_of(got)) << describe(got);
  got.clear();
  // Menu, Play and Cancel come while it shows: none reaches the program.
  // Cancel hides it; Play after that does.
  for (const char* button : {"Menu", "Play", "Cancel"}) ASSERT_TRUE(press(button));
  ASSERT_TRUE(eventually([&] { return !launcher_shown(); })) << "launcher not hidden";
  ASSERT_TRUE(press("Play"));
  ASSERT_TRUE(wait_for_code(client, 1028, got)) << describe(got);
  EXPECT_EQ((std::vector<unsigned>{1028}), codes_of(got)) << describe(got);
  EXPECT_FALSE(launcher_shown());
  EXPECT_TRUE(stand_ins_.running().empty()) << "a launcher entry was started";
  client.quit();
}

// The tray icon's double click and the settings command open the sheet;
// the sheet and the launcher exclude each other.
TEST_F(DetectorTest, SettingsSheetAndLauncherExcludeEachOther) {
  write_launch_list(1);
  ASSERT_TRUE(write_string(HKEY_CLASSES_ROOT, detector::play_command_key(detector::kVideoCd), "",
                           stand_ins_.add("video.exe") + " /play %1"));
  start_detector();
  HWND main = detector_.main_window();
  const std::string caption = detector_string(IDS_SHEET_CAPTION);
  auto sheet = [&]() -> HWND {
    HWND found = FindWindowA(NULL, caption.c_str());
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    return found && pid == detector_.pid() && IsWindowVisible(found) ? found : NULL;
  };

  // With the launcher shown neither opens it; the play command posted after
  // them shows they have been handled.
  ASSERT_TRUE(press("Menu"));
  ASSERT_TRUE(eventually([&] { return launcher_shown(); }));
  ASSERT_TRUE(PostMessageA(main, WM_USER, 101, WM_LBUTTONDBLCLK));
  ASSERT_TRUE(PostMessageA(main, WM_COMMAND, IDM_SETTINGS, 0));
  ASSERT_TRUE(PostMessageA(main, WM_COMMAND, IDM_PLAY_VIDEO, 0));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1));
  EXPECT_FALSE(sheet()) << "the sheet opened over the launcher";
  ASSERT_TRUE(press("Cancel"));
  ASSERT_TRUE(eventually([&] { return !launcher_shown(); }));

  for (const auto& opener : {std::make_pair(UINT(WM_USER), WPARAM(101)), std::make_pair(UINT(WM_COMMAND), WPARAM(IDM_SETTINGS))}) {
    SCOPED_TRACE(opener.first == WM_USER ? "tray double click" : "settings command");
    ASSERT_TRUE(PostMessageA(main, opener.first, opener.second, opener.first == WM_USER ? WM_LBUTTONDBLCLK : 0));
    ASSERT_TRUE(eventually([&] { return sheet() != NULL; })) << "no settings sheet";
    // Menu held while the sheet is open: its name shows, the launcher does not.
    ASSERT_TRUE(press("Menu --hold 30"));
    ASSERT_TRUE(eventually([&] { return status_text(detector_.status_bar(), 2) == "Menu"; }));
    EXPECT_FALSE(launcher_shown());
    HWND open = sheet();
    ASSERT_TRUE(PostMessageA(open, WM_COMMAND, IDCANCEL, 0));
    ASSERT_TRUE(eventually([&] { return !IsWindow(open); }));
  }
  ASSERT_TRUE(press("Cancel"));
  ASSERT_TRUE(press("Menu"));
  EXPECT_TRUE(eventually([&] { return launcher_shown(); })) << "launcher refused after the sheet closed";
}

// A right click on the tray icon opens the tray menu at the pointer; the
// menu's commands are the main window's.
TEST_F(DetectorTest, TrayRightClickOpensTheMenuWhoseCommandsWork) {
  ASSERT_TRUE(write_string(HKEY_CLASSES_ROOT, detector::play_command_key(detector::kQmcd), "",
                           stand_ins_.add("qmcd.exe") + " /play %1"));
  start_detector();
  HWND main = detector_.main_window();
  ASSERT_TRUE(PostMessageA(main, WM_USER, 101, WM_RBUTTONDOWN));
  HWND menu = NULL;
  ASSERT_TRUE(eventually([&] {
    menu = FindWindowA("#32768", NULL);
    DWORD pid = 0;
    GetWindowThreadProcessId(menu, &pid);
    return menu && pid == detector_.pid() && IsWindowVisible(menu);
  })) << "no menu shown";
  // The open menu takes the thread's keys: Escape closes it.
  ASSERT_TRUE(PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0));
  ASSERT_TRUE(eventually([&] { return !IsWindowVisible(menu); })) << "the menu stays open";
  ASSERT_TRUE(PostMessageA(main, WM_COMMAND, IDM_PLAY_QMCD, 0));
  ASSERT_TRUE(stand_ins_.wait_for_lines(1));
  EXPECT_EQ(std::vector<std::string>{player(detector::kQmcd)}, stand_ins_.lines());
  ASSERT_TRUE(PostMessageA(main, WM_COMMAND, IDM_QUIT, 0));
  DWORD code = 1;
  ASSERT_TRUE(detector_.wait_for_exit(15000, &code));
  EXPECT_EQ(0u, code);
}

TEST_F(DetectorTest, WebStartsTheFrontEndUnlessAProgramTakesIt) {
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, detector::kSuiteKey, detector::kAppPathValue, stand_ins_.folder()));
  const std::string surfdeck = stand_ins_.add("surfdeck.exe");
  const struct {
    const char* name;
    const char* answer;  // of a registered program, or NULL: none registered
    bool started;
  } rows[] = {
      {"nobody registered", NULL, true},
      {"a program passes it on", "answer 2", true},
      {"a program takes it", "answer 1", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ClientProcess client;
    if (row.answer) {
      ASSERT_TRUE(client.start()) << client.banner();
      client.run(row.answer);
      ASSERT_EQ("register status=80000000", client.run("register").substr(0, 24));
    }
    start_detector();
    ASSERT_TRUE(press("Web"));
    if (row.started) {
      ASSERT_TRUE(stand_ins_.wait_for_lines(1)) << "the web front end was not started";
      EXPECT_EQ(std::vector<std::string>{surfdeck}, stand_ins_.lines());
    } else {
      // Play after Web reaches the program once the detector is done with Web.
      ASSERT_TRUE(press("Play"));
      std::vector<RemoteMessage> got;
      ASSERT_TRUE(wait_for_code(client, 1028, got)) << describe(got);
      EXPECT_EQ((std::vector<unsigned>{1026, 1028}), codes_of(got)) << describe(got);
      EXPECT_TRUE(stand_ins_.running().empty()) << "the web front end was started";
    }
    detector_.end();
    if (row.answer) client.quit();
    stand_ins_.end_all();
  }
}

TEST_F(DetectorTest, StatusWindowShowsTheButtonAndTheLocks) {
  start_detector();
  HWND bar = detector_.status_bar();
  LRESULT shift = status_data(bar, 0), mouse = status_data(bar, 1);
  EXPECT_TRUE(status_owner_drawn(bar, 0) && status_owner_drawn(bar, 1));
  EXPECT_EQ((std::vector<int>{18, 38, -1}), status_parts(bar));
  EXPECT_EQ(IDB_SHIFT_OFF, shift);
  EXPECT_EQ(IDB_MOUSE_OFF, mouse);

  // The name shows while the button is held; the idle notice after it clears it.
  ASSERT_TRUE(press("Play --hold 30"));
  EXPECT_TRUE(eventually([&] { return status_text(bar, 2) == "Play"; }));
  EXPECT_TRUE(eventually([&] { return status_text(bar, 2).empty(); }));

  ASSERT_TRUE(press("ShiftLock"));
  ASSERT_TRUE(press("MouseLock"));
  EXPECT_TRUE(eventually([&] {
    shift = status_data(bar, 0);
    mouse = status_data(bar, 1);
    return shift == IDB_SHIFT_ON && mouse == IDB_MOUSE_ON;
  })) << "shift part " << shift << ", mouse part " << mouse;
  EXPECT_EQ("", status_text(bar, 2)) << "the lock buttons leave the name alone";
}

TEST_F(DetectorTest, StatusWindowKeepsItsPlaceAcrossRuns) {
  start_detector();
  HWND status = detector_.status_window();
  RECT first;
  ASSERT_TRUE(GetWindowRect(status, &first));
  EXPECT_EQ(0, first.left);
  EXPECT_EQ(0, first.top);
  EXPECT_TRUE(GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ASSERT_TRUE(SetWindowPos(status, NULL, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  ASSERT_TRUE(detector_.quit());

  RegistryValue x = read_value(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kStatusXValue);
  RegistryValue y = read_value(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kStatusYValue);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), x.type);
  EXPECT_EQ(40u, x.number());
  EXPECT_EQ(60u, y.number());

  start_detector();
  RECT again;
  ASSERT_TRUE(GetWindowRect(detector_.status_window(), &again));
  EXPECT_EQ(40, again.left);
  EXPECT_EQ(60, again.top);
}

TEST_F(DetectorTest, SecondCopyWarnsAndLeavesTheCaptureAlone) {
  write_launch_list(1);
  start_detector();
  {
    ExpectedBoxes boxes;
    DetectorProcess second;
    ASSERT_TRUE(second.start());
    FoundBox box;
    ASSERT_TRUE(boxes.next(box, kBoxWaitMs));
    EXPECT_EQ(second.pid(), box.pid);
    EXPECT_EQ(detector_string(IDS_ALREADY_RUNNING), box.text);
    EXPECT_EQ(detector_string(IDS_DETECTOR_CAPTION), box.caption);
    answer_box(box.window, IDOK);
    DWORD code = 1;
    ASSERT_TRUE(second.wait_for_exit(kBoxWaitMs, &code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(second.main_window());
  }
  // The first still holds the capture and still answers the remote.
  ClientProcess client;
  ASSERT_TRUE(client.start()) << client.banner();
  EXPECT_EQ("capture status=80000003", client.run("capture").substr(0, 23)) << "capture not held";
  client.quit();
  ASSERT_TRUE(press("Menu"));
  EXPECT_TRUE(eventually([&] { return launcher_shown(); }));
}

TEST_F(DetectorTest, NoReceiverDriveEndsAfterItsWarning) {
  std::string output;
  ASSERT_TRUE(run_remote("drive D --receiver off", &output)) << output;
  ExpectedBoxes boxes;
  ASSERT_TRUE(detector_.start());
  FoundBox box;
  ASSERT_TRUE(boxes.next(box, kBoxWaitMs));
  EXPECT_EQ(detector_string(IDS_NO_RECEIVER), box.text);
  EXPECT_EQ(detector_string(IDS_DETECTOR_CAPTION), box.caption);
  answer_box(box.window, IDOK);
  DWORD code = 0;
  ASSERT_TRUE(detector_.wait_for_exit(kBoxWaitMs, &code));
  EXPECT_NE(0u, code);
  EXPECT_FALSE(read_value(HKEY_CURRENT_USER, detector::kDetectorKey, detector::kStatusXValue).present)
      << "a run that never started stores no position";
}

// The first start on a fresh prefix switches the drive's insert
// notification off, and the restart question comes. Cancel only: OK would
// end every program of the prefix.
TEST_F(DetectorTest, RestartQuestionOnAFreshPrefixAnsweredCancel) {
  ASSERT_TRUE(set_auto_insert(true));
  ExpectedBoxes boxes;
  ASSERT_TRUE(detector_.start());
  FoundBox box;
  ASSERT_TRUE(boxes.next(box, kBoxWaitMs));
  EXPECT_EQ(detector_string(IDS_RESTART), box.text);
  EXPECT_EQ(detector_string(IDS_DETECTOR_CAPTION), box.caption);
  EXPECT_TRUE(GetWindowLongA(box.window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "not system-modal";
  EXPECT_TRUE(GetDlgItem(box.window, IDOK) && GetDlgItem(box.window, IDCANCEL));
  ASSERT_TRUE(answer_box(box.window, IDCANCEL));
  ASSERT_TRUE(eventually([&] { return !IsWindow(box.window); }));
  EXPECT_TRUE(detector_.running());
  // Still at work: the launcher comes on Menu.
  write_launch_list(1);
  ASSERT_TRUE(press("Menu"));
  EXPECT_TRUE(eventually([&] { return launcher_shown(); }));
}

}  // namespace
}  // namespace itest
