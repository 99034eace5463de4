// surfdeck.exe across real processes: the test browser serving the DDE
// topics, the virtual remote, and the registry's appBrowser settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detector/keys.h"
#include "detector/win32/tests/detector_machine.h"
#include "surfdeck/keys.h"
#include "surfdeck/surfres_ids.h"
#include "surfdeck/win32/main_frame.h"
#include "surfdeck/win32/tests/surfdeck_machine.h"

namespace itest {
namespace {

using browserlog::dump;
using browserlog::LogEntry;

constexpr unsigned kWeb = 1026, kPlay = 1028, kButton0 = 1038, kEnter = 1048, kShiftLock = 1049,
                   kAppMenu = 1050, kCancel = 1051, kBack = 1058, kScrollRight = 1063;

std::string title() { return surf_string(IDS_TITLE); }

// A pause longer than the digit time-out the tests store.
constexpr char kTestTimeout[] = "1500";
constexpr DWORD kPastTimeoutMs = 1900;

TEST_F(SurfdeckTest, FirstRunWritesTheDefaultsAndBindsTheRunningBrowser) {
  start_browser("IEXPLORE");
  ExpectedBoxes boxes;
  ASSERT_TRUE(surfdeck_.start());
  // Bound, it opens the bookmark page, which nobody has configured yet.
  ASSERT_TRUE(answer_expected_box(boxes, title(), surf_string(IDS_NO_BOOKMARK).c_str(), IDOK));
  EXPECT_EQ("01,02,00", setting(surfdeck::kTypeUsedValue));
  const struct {
    int number;
    const char* server;
    const char* method;
  } entries[] = {{1, "IEXPLORE", "2"}, {2, "NETSCAPE", "3"}};
  for (const auto& e : entries) {
    EXPECT_EQ(e.server, entry_value(e.number, surfdeck::kServerValue)) << e.number;
    EXPECT_EQ(e.method, entry_value(e.number, surfdeck::kMethodValue)) << e.number;
    EXPECT_EQ("", entry_value(e.number, surfdeck::kServerPathValue)) << e.number;
  }
  std::vector<LogEntry> log;
  ASSERT_TRUE(browser_.log().wait_for(
      [](const std::vector<LogEntry>& l) { return !browserlog::dde(l, "request", "WWW_GetWindowInfo").empty(); },
      kSurfWaitMs, &log))
      << dump(log);
  // The set-up's transactions, byte for byte.
  std::vector<std::string> got;
  for (const LogEntry& e : browserlog::of_event(log, "dde"))
    if (e.get("type") == "request" || e.get("type") == "poke")
      got.push_back(e.get("type") + " " + e.get("topic") + " " + e.get("item"));
  const std::vector<std::string> expected = {
      "request WWW_ListWindows WWW_ListWindows",
      "request WWW_RegisterWindowChange \"ZKAPP\",1",
      "request WWW_GetWindowInfo 1",
  };
  EXPECT_EQ(expected, got) << dump(log);
  EXPECT_TRUE(opened_items(log).empty()) << dump(log);
}

TEST_F(SurfdeckTest, WithoutABrowserItSaysSoAndStillAnswersTheButtons) {
  ExpectedBoxes boxes;
  ASSERT_TRUE(surfdeck_.start());
  ASSERT_TRUE(answer_expected_box(boxes, title(), surf_string(IDS_NO_BROWSER).c_str(), IDOK));
  ASSERT_TRUE(surfdeck_.wait_for_frame() != NULL);
  ASSERT_TRUE(surfdeck_.wait_for_remote());
  const struct {
    unsigned code;
    LRESULT answer;
  } rows[] = {
      {kButton0 + 1, 1}, {kButton0 + 2, 1}, {kEnter, 1}, {kBack, 1}, {kScrollRight, 1}, {kCancel, 1},
      {kShiftLock, 2}, {kPlay, 2}, {1064, 2},
      // Menu mode: everything is left to the library until Enter or Cancel.
      {kAppMenu, 2}, {kBack, 2}, {kButton0 + 3, 2}, {kCancel, 2}, {kBack, 1},
      {kWeb, 1},
  };
  for (const auto& row : rows) EXPECT_EQ(row.answer, surfdeck_.button(row.code)) << row.code;
  EXPECT_TRUE(surfdeck_.running());
}

TEST_F(SurfdeckTest, ARunningBrowserListedLaterIsPreferredToStartingAnEarlierOne) {
  use_bookmarks();
  const std::string log = folder_->path() + "netscape.log";
  const std::string netscape = browser_copy("netscape.exe", "service=NETSCAPE\r\nlog=" + log + "\r\n");
  ASSERT_TRUE(write_setting(surfdeck::kTypeUsedValue, "01,02,00"));
  write_entry(1, 3, "NETSCAPE", netscape);
  write_entry(2, 2, "IEXPLORE", "");
  start_browser("IEXPLORE");
  start_bound();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(log.c_str())) << "the first entry's browser was started";
}

TEST_F(SurfdeckTest, AConfiguredBrowserIsStartedWhenNoneAnswersAndClosedAtExit) {
  use_bookmarks();
  ASSERT_TRUE(write_setting(surfdeck::kExitXBrowserValue, "1"));
  const std::string log_path = folder_->path() + "netscape.log";
  // Its service comes up a while after its windows: the first probes fail.
  const std::string netscape =
      browser_copy("netscape.exe", "service=NETSCAPE\r\nanswer-after=1500\r\nlog=" + log_path + "\r\n");
  ASSERT_TRUE(write_setting(surfdeck::kTypeUsedValue, "01,00"));
  write_entry(1, 3, "NETSCAPE", netscape);
  ASSERT_TRUE(surfdeck_.start());
  browserlog::Log log(log_path);
  ASSERT_TRUE(wait_for_opened(log, navigator_home_item(bookmarks_))) << dump(log.read());
  ASSERT_TRUE(surfdeck_.wait_for_frame() != NULL);
  surfdeck_.end();
  EXPECT_TRUE(log.wait_for([](const std::vector<LogEntry>& l) { return !browserlog::of_event(l, "exit").empty(); },
                           kSurfWaitMs))
      << dump(log.read());
}

TEST_F(SurfdeckTest, ABrowserThatNeverAnswersIsAskedAboutThenEnded) {
  use_bookmarks();
  const std::string log_path = folder_->path() + "iexplore.log";
  const std::string iexplore = browser_copy("iexplore.exe", "refuse=1\r\nlog=" + log_path + "\r\n");
  ASSERT_TRUE(write_setting(surfdeck::kTypeUsedValue, "01,00"));
  write_entry(1, 2, "IEXPLORE", iexplore);
  ExpectedBoxes boxes;
  ASSERT_TRUE(surfdeck_.start());
  const std::string ask = surf_string(IDS_MANUAL_INTERVENTION);
  ASSERT_TRUE(answer_expected_box(boxes, title(), ask.c_str(), IDRETRY, 30000));
  ASSERT_TRUE(answer_expected_box(boxes, title(), ask.c_str(), IDCANCEL, 30000));
  // Given up on, it is ended; no default service answers either.
  ASSERT_TRUE(answer_expected_box(boxes, title(), surf_string(IDS_NO_BROWSER).c_str(), IDOK, 30000));
  const std::vector<LogEntry> starts = browserlog::of_event(browserlog::Log(log_path).read(), "start");
  ASSERT_EQ(1u, starts.size());
  HANDLE started = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(starts[0].number("pid")));
  if (started != NULL) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, kSurfWaitMs)) << "the browser still runs";
    CloseHandle(started);
  }
}

TEST_F(SurfdeckTest, StartUpKeepsNTimeoutsOf500OrMore) {
  use_bookmarks();
  start_browser("IEXPLORE");
  const struct {
    const char* stored;  // NULL: none
    const char* after;
  } rows[] = {{"300", "5000"}, {NULL, "5000"}, {"499", "5000"}, {"500", "500"}, {kTestTimeout, kTestTimeout}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored ? row.stored : "none");
    if (row.stored) {
      ASSERT_TRUE(write_setting(surfdeck::kNTimeoutValue, row.stored));
    } else {
      RegDeleteKeyValueA(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, surfdeck::kNTimeoutValue);
    }
    start_bound();
    EXPECT_EQ(row.after, setting(surfdeck::kNTimeoutValue));
    surfdeck_.end();
    ASSERT_FALSE(surfdeck_.running());
  }
}

TEST_F(SurfdeckTest, TheWindowIsCaptionAndMenuOnlyAndKeepsItsPlace) {
  use_bookmarks();
  start_browser("IEXPLORE");
  ASSERT_TRUE(write_setting(surfdeck::kPrevPValue, "120,80"));
  start_bound();
  HWND frame = surfdeck_.frame();
  const RECT rect = window_rect(frame);
  EXPECT_EQ(120, rect.left);
  EXPECT_EQ(80, rect.top);
  EXPECT_EQ(180, rect.right - rect.left);
  EXPECT_EQ(2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION),
            rect.bottom - rect.top);
  const LONG style = GetWindowLongA(frame, GWL_STYLE);
  EXPECT_EQ(0, style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(title(), text_of(frame));
  // The settings sheet and the converter are not there yet.
  HMENU menu = GetMenu(frame);
  EXPECT_TRUE(GetMenuState(menu, ID_CONFIGURE_PROPERTIES, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(menu, ID_CONFIGURE_CONVERTER, MF_BYCOMMAND) & MF_GRAYED);
  ASSERT_TRUE(SetWindowPos(frame, NULL, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  ASSERT_TRUE(post_command(frame, ID_APP_EXIT));
  ASSERT_TRUE(surfdeck_.wait_for_exit(kSurfWaitMs));
  EXPECT_EQ("200,150", setting(surfdeck::kPrevPValue));
}

TEST_F(SurfdeckTest, IconStartsItMinimised) {
  use_bookmarks();
  start_browser("IEXPLORE");
  start_bound("-ICON");
  EXPECT_TRUE(IsIconic(surfdeck_.frame()));
  // Minimised, it leaves "PrevP" as it was.
  ASSERT_TRUE(write_setting(surfdeck::kPrevPValue, "7,9"));
  surfdeck_.end();
  ASSERT_FALSE(surfdeck_.running());
  EXPECT_EQ("7,9", setting(surfdeck::kPrevPValue));
}

TEST_F(SurfdeckTest, ASecondCopyEndsWithItsMessage) {
  use_bookmarks();
  start_browser("IEXPLORE");
  start_bound();
  ExpectedBoxes boxes;
  SurfdeckProcess second;
  ASSERT_TRUE(second.start());
  ASSERT_TRUE(answer_expected_box(boxes, title(), surf_string(IDS_ALREADY_RUNNING).c_str(), IDOK));
  EXPECT_TRUE(second.wait_for_exit(kSurfWaitMs));
  EXPECT_TRUE(surfdeck_.running());
  // The second copy's count is given back: after the first, a new one runs.
  surfdeck_.end();
  start_bound();
}

TEST_F(SurfdeckTest, WithoutItsLibrariesItSaysWhatIsMissing) {
  use_bookmarks();
  start_browser("IEXPLORE");
  TestFolder alone("surfdeck-alone");
  ASSERT_TRUE(alone.ok());
  const std::string program = alone.path() + "surfdeck.exe";
  ASSERT_TRUE(CopyFileA((program_folder() + "surfdeck.exe").c_str(), program.c_str(), FALSE));
  ExpectedBoxes boxes;
  {
    SCOPED_TRACE("no resource library");
    ASSERT_TRUE(surfdeck_.start("", alone.path().c_str(), program));
    FoundBox box;
    ASSERT_TRUE(boxes.next(box, kSurfWaitMs));
    EXPECT_EQ("X- RCDLL ", box.text);
    answer_box(box.window, IDOK);
    EXPECT_TRUE(surfdeck_.wait_for_exit(kSurfWaitMs));
  }
  {
    SCOPED_TRACE("no remote-control library");
    ASSERT_TRUE(CopyFileA((program_folder() + "surfres.dll").c_str(), (alone.path() + "surfres.dll").c_str(), FALSE));
    ASSERT_TRUE(surfdeck_.start("", alone.path().c_str(), program));
    ASSERT_TRUE(answer_expected_box(boxes, title(), surf_string(IDS_NO_REMOTE).c_str(), IDOK));
    // It runs on, bound to the browser.
    ASSERT_TRUE(wait_for_opened(browser_.log(), explorer_home_item(bookmarks_)));
    EXPECT_TRUE(surfdeck_.running());
  }
}

// Help asks the viewer for mmcu.hlp beside the program; About shows the box.
TEST_F(SurfdeckTest, TheMenuShowsHelpAndAbout) {
  use_bookmarks();
  start_browser("IEXPLORE");
  // WinHelpA finds the stand-in in the program's current folder; the remote
  // library finds the button maps through RcbPath then.
  std::string maps = program_folder();
  maps.resize(maps.size() - 1);
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, kSuiteKey, "RcbPath", maps));
  const std::string viewer = folder_->path() + "winhlp32.exe";
  ASSERT_TRUE(place_standin(kHelpViewer, viewer));
  ASSERT_TRUE(surfdeck_.start("", folder_->path().c_str()));
  ASSERT_TRUE(wait_for_opened(browser_.log(), explorer_home_item(bookmarks_)));
  HWND frame = surfdeck_.wait_for_frame();
  ASSERT_TRUE(frame != NULL);

  ASSERT_TRUE(post_command(frame, ID_HELP_TOPICS));
  EXPECT_TRUE(eventually([&] { return !help_requests(viewer).empty(); })) << "no help request";
  const std::vector<HelpRequest> requests = help_requests(viewer);
  if (!requests.empty()) {
    EXPECT_EQ(static_cast<UINT>(HELP_FINDER), requests[0].command);
    EXPECT_EQ(program_folder() + "mmcu.hlp", requests[0].file);
  }
  for (HWND window : find_windows(kHelpViewerClass, NULL)) PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(eventually([] { return find_windows(kHelpViewerClass, NULL).empty(); })) << "help viewer left";

  ASSERT_TRUE(post_command(frame, ID_APP_ABOUT));
  HWND about = NULL;
  ASSERT_TRUE(eventually([&] {
    return (about = find_window("#32770", "About Halvo Web", surfdeck_.pid())) != NULL && IsWindowVisible(about);
  }));
  EXPECT_EQ("Halvo Web Version 1.00", text_of(GetDlgItem(about, IDC_ABOUT_VERSION)));
  ASSERT_TRUE(click(about, IDOK));
  EXPECT_TRUE(eventually([&] { return !IsWindow(about); }));
  EXPECT_TRUE(surfdeck_.running());
}

// A browser's echo of more fields than the split keeps, and of fields longer
// than it keeps, is taken in; the front end goes on.
TEST_F(SurfdeckTest, LongEchoesAreTakenInAndTheFrontEndGoesOn) {
  use_bookmarks();
  start_browser("IEXPLORE", "/flood");
  start_bound();
  std::vector<LogEntry> log;
  ASSERT_TRUE(browser_.log().wait_for(
      [](const std::vector<LogEntry>& l) {
        for (const LogEntry& e : browserlog::of_event(l, "echo"))
          if (e.has("result", "accepted")) return true;
        return false;
      },
      kSurfWaitMs, &log))
      << dump(log);
  ASSERT_TRUE(press("Button7"));
  ASSERT_TRUE(press("Enter"));
  EXPECT_TRUE(wait_for_opened(browser_.log(), link_item(7))) << dump(browser_.log().read());
  EXPECT_TRUE(surfdeck_.running());
}

// ---- from the virtual remote

class SurfdeckRemoteTest : public SurfdeckTest {
 protected:
  void SetUp() override {
    SurfdeckTest::SetUp();
    use_bookmarks();
    ASSERT_TRUE(write_setting(surfdeck::kNTimeoutValue, kTestTimeout));
    start_browser("IEXPLORE");
  }
};

TEST_F(SurfdeckRemoteTest, DigitsThenEnterOpenTheNumberedLink) {
  start_bound();
  ASSERT_TRUE(press("Button1"));
  ASSERT_TRUE(press("Button2"));
  ASSERT_TRUE(press("Enter"));
  EXPECT_TRUE(wait_for_opened(browser_.log(), link_item(12))) << dump(browser_.log().read());
}

TEST_F(SurfdeckRemoteTest, ADigitAfterTheTimeOutStartsANewNumber) {
  start_bound();
  ASSERT_TRUE(press("Button1"));
  ASSERT_TRUE(wait_for_ticks(2));
  const DWORD typed = GetTickCount();
  ASSERT_TRUE(wait_until([&] { return GetTickCount() - typed > kPastTimeoutMs; }, kPastTimeoutMs + 1000));
  ASSERT_TRUE(press("Button2"));
  ASSERT_TRUE(press("Enter"));
  ASSERT_TRUE(wait_for_opened(browser_.log(), link_item(2))) << dump(browser_.log().read());
  const std::vector<std::string> opened = opened_items(browser_.log().read());
  EXPECT_EQ((std::vector<std::string>{explorer_home_item(bookmarks_), link_item(2)}), opened);
}

TEST_F(SurfdeckRemoteTest, WebTwiceEndsTheFrontEnd) {
  start_bound();
  ASSERT_TRUE(press("Web"));
  // The library takes the same button again within 500 ms for a held one.
  ASSERT_TRUE(wait_for_ticks(3));
  ASSERT_TRUE(surfdeck_.running());
  ASSERT_TRUE(press("Web"));
  DWORD code = 1;
  EXPECT_TRUE(surfdeck_.wait_for_exit(kSurfWaitMs, &code));
  EXPECT_EQ(0u, code);
}

TEST_F(SurfdeckRemoteTest, VerboseTitlesShowThePendingNumberAndTheLabel) {
  start_bound("/Verbose");
  HWND frame = surfdeck_.frame();
  ASSERT_TRUE(press("Button1"));
  ASSERT_TRUE(press("Button2"));
  EXPECT_TRUE(eventually([&] { return text_of(frame) == "12 ."; })) << text_of(frame);
  // A button it leaves to others does not touch the title.
  EXPECT_EQ(2, surfdeck_.button(kPlay));
  EXPECT_EQ("12 .", text_of(frame));
}

// ---- with the detector

TEST_F(SurfdeckRemoteTest, TheDetectorStartsItOnWebAndItBindsTheRunningBrowser) {
  std::string folder = program_folder();
  folder.resize(folder.size() - 1);
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, detector::kSuiteKey, detector::kAppPathValue, folder));
  DetectorProcess detector;
  ASSERT_TRUE(detector.start());
  ASSERT_TRUE(press("Web"));
  ASSERT_TRUE(wait_for_opened(browser_.log(), explorer_home_item(bookmarks_))) << dump(browser_.log().read());
  HWND frame = NULL;
  ASSERT_TRUE(eventually([&] { return (frame = find_window(surfdeck::kFrameClass, NULL)) != NULL; }));
  DWORD pid = 0;
  GetWindowThreadProcessId(frame, &pid);
  HANDLE started = OpenProcess(SYNCHRONIZE, FALSE, pid);
  ASSERT_TRUE(started != NULL);
  ASSERT_TRUE(PostMessageA(frame, WM_CLOSE, 0, 0));
  EXPECT_EQ(WAIT_OBJECT_0, wait_for_object(started, kSurfWaitMs));
  CloseHandle(started);
  EXPECT_TRUE(detector.quit());
}

}  // namespace
}  // namespace itest
