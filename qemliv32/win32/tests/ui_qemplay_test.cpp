// qemplay.exe with QEM_Play from qemliv32.dll, run as the outside player
// program is: the Setup sheet, the About box, and the message boxes of
// "/SYSMSG" and "/MSGBOX", driven through their windows.
#include <windows.h>
#include <commctrl.h>
#include <winsock.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qemliv32/qem_play.h"
#include "qemliv32/win32/dll/qemliv32_ids.h"
#include "qemliv32/win32/tests/ui_support.h"

namespace qemtest {
namespace {

using itest::control;
using itest::text_of;

std::string qemplay(const std::string& arguments) {
  return "\"" + itest::program_folder() + "qemplay.exe\" " + arguments;
}

std::vector<std::string> tab_texts(HWND sheet) {
  std::vector<std::string> texts;
  HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
  const size_t room = 256;
  itest::RemoteBuffer buffer(tab, sizeof(TCITEMA) + room);
  if (!tab || !buffer.ok()) return texts;
  const int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<char*>(buffer.at(sizeof item));
    item.cchTextMax = room;
    buffer.write(&item, sizeof item);
    SendMessageA(tab, TCM_GETITEMA, i, buffer.at());
    texts.push_back(buffer.read_text(sizeof item, room));
  }
  return texts;
}

// ---------------------------------------------------------------------------
// Setup

class SetupSheetTest : public IniFileTest {
 protected:
  void start() {
    ASSERT_TRUE(player_.start(qemplay("/SETUP")));
    sheet_ = itest::wait_for_window("#32770", "Setup", itest::kWindowTimeoutMs, player_.pid());
    ASSERT_TRUE(sheet_ != NULL) << "no Setup sheet";
  }
  // The page's window once it is the current one.
  HWND page(int index) {
    EXPECT_TRUE(itest::select_page(sheet_, index));
    HWND shown = NULL;
    EXPECT_TRUE(itest::eventually([&] {
      return itest::current_page_index(sheet_) == index && (shown = itest::current_page(sheet_)) != NULL;
    }));
    return shown;
  }
  // Ends the sheet with OK or Cancel; QEM_Play gives 1 either way.
  void finish(int button) {
    ASSERT_TRUE(itest::click(sheet_, button));
    DWORD code = 0;
    ASSERT_TRUE(player_.wait(itest::kWindowTimeoutMs, &code)) << "the sheet did not close";
    EXPECT_EQ(1u, code);
  }

  itest::Process player_;
  HWND sheet_ = NULL;
};

struct ControlCase {
  int page;
  int id;
  const char* text;
  const char* ini_key;  // the value it shows, NULL for a label
};
const ControlCase kSetupControls[] = {
    {0, IDC_STATISTICS, "&Show Session Statistics", "Statistics"},
    {0, IDC_AUDIO_CTLS, "Show &Audio Controls ", "AudioCtls"},
    {0, IDC_INTERLACED, "Use &Interlaced Double Display", "Interlaced"},
    {0, IDC_PLAYER4FULLSCREEN, "Use External QEMLive Player Instead of Netscape", "Player4FullScreen"},
    {0, IDC_PLAYER4FULLSCREEN_MORE, " for non-Embedded Video", NULL},
    {0, IDC_SLIDE_MODE, "Slide Mode", "SlideMode"},
    {1, IDC_AUTO_DATA_PORT, "&Automatic Selection of UDP Port", "AutoDataPort"},
    {1, IDC_DATA_PORT_LABEL, "Use UDP Port", NULL},
    {1, IDC_BUFFER_SIZE_LABEL, "Initial Buffer Size (mSec):", NULL},
    {2, IDC_NAME_LABEL, "Full name:", NULL},
    {2, IDC_COMPANY_LABEL, "Company:", NULL},
    {2, IDC_EMAIL_LABEL, "EMail:", NULL},
};

// Every value is read when the sheet opens; Cancel leaves the file as it was.
TEST_F(SetupSheetTest, ShowsItsPagesWithTheFileValuesAndCancelChangesNothing) {
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } values[] = {
      {"Settings", "Statistics", "1"},        {"Settings", "AudioCtls", "0"},
      {"Settings", "Interlaced", "0"},        {"Settings", "Player4FullScreen", "1"},
      {"Settings", "SlideMode", "1"},         {"Settings", "AutoDataPort", "0"},
      {"Settings", "DataPort", "5004"},       {"Settings", "BufferSize", "9000"},
      {"User Details", "Name", "Ann Other"},  {"User Details", "Company", "Firm & Co"},
      {"User Details", "EMail", "ann@firm.example"},
  };
  for (const auto& v : values) ASSERT_TRUE(ini_put(v.section, v.key, v.value));
  const std::optional<std::string> before = ini_bytes();
  ASSERT_TRUE(before);

  start();
  EXPECT_EQ((std::vector<std::string>{"Preferences", "Settings", "User details"}), tab_texts(sheet_));
  for (const ControlCase& c : kSetupControls) {
    HWND shown = page(c.page);
    HWND item = control(shown, c.id);
    ASSERT_TRUE(item != NULL) << c.text;
    EXPECT_EQ(c.text, text_of(item));
    if (c.ini_key) {
      EXPECT_EQ(*ini_get("Settings", c.ini_key) == "1", itest::is_checked(item)) << c.text;
    }
  }
  HWND settings = page(1);
  EXPECT_EQ("5004", text_of(control(settings, IDC_DATA_PORT)));
  EXPECT_TRUE(itest::is_enabled(control(settings, IDC_DATA_PORT))) << "own port, yet not editable";
  EXPECT_EQ("9000", text_of(control(settings, IDC_BUFFER_SIZE)));
  HWND user = page(2);
  EXPECT_EQ("Ann Other", text_of(control(user, IDC_NAME)));
  EXPECT_EQ("Firm & Co", text_of(control(user, IDC_COMPANY)));
  EXPECT_EQ("ann@firm.example", text_of(control(user, IDC_EMAIL)));

  // Changed, then cancelled.
  itest::set_check(page(0), IDC_SLIDE_MODE, false);
  itest::set_text(control(page(2), IDC_NAME), "Someone Else");
  finish(IDCANCEL);
  EXPECT_EQ(before, ini_bytes());
}

// OK writes every value back as "%d", the user details to "User details";
// a port beyond 65535 and an over-long name are kept in their bounds.
TEST_F(SetupSheetTest, OkWritesTheValuesBack) {
  start();
  HWND preferences = page(0);
  // The defaults: only Interlaced on.
  EXPECT_TRUE(itest::is_checked(control(preferences, IDC_INTERLACED)));
  EXPECT_FALSE(itest::is_checked(control(preferences, IDC_STATISTICS)));
  for (int id : {IDC_STATISTICS, IDC_AUDIO_CTLS, IDC_PLAYER4FULLSCREEN, IDC_SLIDE_MODE})
    ASSERT_TRUE(itest::set_check(preferences, id, true));
  ASSERT_TRUE(itest::set_check(preferences, IDC_INTERLACED, false));

  HWND settings = page(1);
  EXPECT_TRUE(itest::is_checked(control(settings, IDC_AUTO_DATA_PORT)));
  EXPECT_FALSE(itest::is_enabled(control(settings, IDC_DATA_PORT))) << "the system chooses the port";
  ASSERT_TRUE(itest::set_check(settings, IDC_AUTO_DATA_PORT, false));
  EXPECT_TRUE(itest::eventually([&] { return itest::is_enabled(control(settings, IDC_DATA_PORT)); }));
  ASSERT_TRUE(itest::set_text(control(settings, IDC_DATA_PORT), "70000"));
  ASSERT_TRUE(itest::set_text(control(settings, IDC_BUFFER_SIZE), "12000"));

  HWND user = page(2);
  EXPECT_EQ("User unknown", text_of(control(user, IDC_NAME)));
  ASSERT_TRUE(itest::set_text(control(user, IDC_NAME), std::string(300, 'n')));
  ASSERT_TRUE(itest::set_text(control(user, IDC_COMPANY), "Firm"));
  ASSERT_TRUE(itest::set_text(control(user, IDC_EMAIL), "me@firm.example"));
  finish(IDOK);

  const struct {
    const char* section;
    const char* key;
    std::string value;
  } expected[] = {
      {"Settings", "Statistics", "1"},     {"Settings", "AudioCtls", "1"},
      {"Settings", "Interlaced", "0"},     {"Settings", "Player4FullScreen", "1"},
      {"Settings", "SlideMode", "1"},      {"Settings", "AutoDataPort", "0"},
      {"Settings", "DataPort", "65535"},   {"Settings", "BufferSize", "12000"},
      {"User details", "Name", std::string(255, 'n')},
      {"User details", "Company", "Firm"}, {"User details", "EMail", "me@firm.example"},
  };
  for (const auto& e : expected)
    EXPECT_EQ(e.value, ini_get(e.section, e.key).value_or("(missing)")) << e.section << " " << e.key;
  EXPECT_NE(std::string::npos, ini_bytes().value_or("").find("[User details]"));
}

// ---------------------------------------------------------------------------
// A second /SETUP in the same process: no second sheet, the first brought
// forward. The child calls QEM_Play again from a timer inside the first
// sheet's loop, after another window of its own has taken the foreground,
// and logs what it saw.

HMODULE g_engine = NULL;
std::string g_log;

typedef int(WINAPI* QemPlayFn)(const char*);
QemPlayFn qem_play() {
  return reinterpret_cast<QemPlayFn>(reinterpret_cast<void*>(GetProcAddress(g_engine, "QEM_Play")));
}

void log_line(const std::string& line) {
  FILE* f = std::fopen(g_log.c_str(), "ab");
  if (!f) return;
  std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
}

HWND own_sheet() {
  for (HWND w : itest::find_windows("#32770", "Setup", GetCurrentProcessId()))
    if (IsWindowVisible(w)) return w;
  return NULL;
}

void CALLBACK second_request(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(NULL, timer);
  HWND sheet = own_sheet();
  HWND other = CreateWindowA("STATIC", "other window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                             NULL, NULL, NULL, NULL);
  SetForegroundWindow(other);
  const bool other_in_front = GetForegroundWindow() == other;
  const int result = qem_play()("/SETUP");
  const size_t sheets = itest::find_windows("#32770", "Setup", GetCurrentProcessId()).size();
  log_line("second " + std::to_string(result) + " sheets " + std::to_string(sheets) + " other_in_front " +
           std::to_string(other_in_front) + " forward " + std::to_string(sheet && GetForegroundWindow() == sheet));
  DestroyWindow(other);
}

int setup_twice_main(int argc, char** argv) {
  if (argc < 3) return 2;
  g_log = argv[2];
  g_engine = LoadLibraryA((itest::program_folder() + "qemliv32.dll").c_str());
  if (!g_engine || !qem_play()) return 3;
  SetTimer(NULL, 0, 100, second_request);
  const int first = qem_play()("/SETUP");
  log_line("first " + std::to_string(first));
  return first;
}
const itest::ChildMode kSetupTwice("--setup-twice", setup_twice_main);

TEST_F(SetupSheetTest, SecondRequestBringsTheOpenSheetForward) {
  itest::TestFolder logs("qemplay-setup-twice");
  ASSERT_TRUE(logs.ok());
  const std::string log = logs.path() + "child.log";
  ASSERT_TRUE(player_.start(self() + " --setup-twice \"" + log + "\""));
  sheet_ = itest::wait_for_window("#32770", "Setup", itest::kWindowTimeoutMs, player_.pid());
  ASSERT_TRUE(sheet_ != NULL);
  ASSERT_TRUE(itest::wait_for_lines(log, 1, itest::kEventuallyMs));
  EXPECT_EQ("second 1 sheets 1 other_in_front 1 forward 1", itest::read_lines(log)[0]);
  finish(IDCANCEL);
  ASSERT_TRUE(itest::wait_for_lines(log, 2, itest::kEventuallyMs));
  EXPECT_EQ("first 1", itest::read_lines(log)[1]);
}

// ---------------------------------------------------------------------------
// About

std::string expected_system_information() {
  WSADATA data = {};
  std::string description;
  if (WSAStartup(MAKEWORD(1, 1), &data) == 0) {
    description = data.szDescription;
    WSACleanup();
  }
  return qem::system_information_text(qem::system_information_lines(waveOutGetNumDevs() > 0, description));
}

std::string clipboard_text() {
  std::string text;
  if (!OpenClipboard(NULL)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST(AboutBox, ShowsTheSystemInformationAndCopiesIt) {
  ASSERT_TRUE(OpenClipboard(NULL));
  EmptyClipboard();
  CloseClipboard();
  itest::Process player;
  ASSERT_TRUE(player.start(qemplay("/ABOUT")));
  HWND about = itest::wait_for_window("#32770", "About QEMLive Player", itest::kWindowTimeoutMs, player.pid());
  ASSERT_TRUE(about != NULL);
  const std::string expected = expected_system_information();
  EXPECT_EQ("System Information:", text_of(control(about, IDC_SYSTEM_INFO_LABEL)));
  EXPECT_EQ(expected, text_of(control(about, IDC_SYSTEM_INFO)));
  EXPECT_EQ("&Copy", text_of(control(about, IDC_COPY)));
  // Opened only once the text is there: a test holding the clipboard open
  // meanwhile would keep the box from opening it.
  ASSERT_TRUE(itest::click(about, IDC_COPY));
  ASSERT_TRUE(itest::eventually([] { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; })) << "nothing copied";
  EXPECT_EQ(expected, clipboard_text());
  ASSERT_TRUE(itest::click(about, IDOK));
  DWORD code = 0;
  ASSERT_TRUE(player.wait(itest::kWindowTimeoutMs, &code));
  EXPECT_EQ(1u, code);
}

// ---------------------------------------------------------------------------
// /SYSMSG and /MSGBOX: the box in qemplay's own process

// The command line as the engine builds it: whatever the text holds, it is
// the box's text, and nothing else is shown.
TEST(SystemMessage, ShowsItsTextWhateverItHolds) {
  const std::string texts[] = {
      "QEMLive Error: Timeout\nServer did not respond to your request in time.\nTransaction aborted.",
      " /SETUP",
      "\"\" /ABOUT \" /MSGBOX",
      "/LOOP /NOGUI c:\\x.qem",
      std::string(3000, 'x'),
  };
  itest::ExpectedBoxes boxes;
  for (const std::string& text : texts) {
    itest::Process player;
    const std::string line = qem::sysmsg_command(itest::program_folder(), "qemplay.exe", text);
    ASSERT_TRUE(player.start(line)) << line;
    const std::string shown = text.substr(0, qem::kMaxSystemMessage);
    itest::FoundBox box;
    EXPECT_TRUE(itest::answer_expected_box(boxes, qem::kSystemMessageTitle, shown.c_str(), IDOK,
                                           itest::kWindowTimeoutMs, &box))
        << text;
    EXPECT_EQ(player.pid(), box.pid);
    DWORD code = 0;
    ASSERT_TRUE(player.wait(itest::kWindowTimeoutMs, &code));
    EXPECT_EQ(1u, code) << text;
  }
}

class MsgboxTest : public IniFileTest {};

TEST_F(MsgboxTest, ShowsLastmsgWithLineFeedsTitledLasthdr) {
  const struct {
    std::string lastmsg, lasthdr;
    std::string text, caption;
  } cases[] = {
      {"Line one~Line two~~end", "Server says", "Line one\nLine two\n\nend", "Server says"},
      {std::string(400, 'm'), std::string(300, 'h'), std::string(256, 'm'), std::string(256, 'h')},
  };
  itest::ExpectedBoxes boxes;
  for (const auto& c : cases) {
    ASSERT_TRUE(ini_put("temp", "lastmsg", c.lastmsg));
    ASSERT_TRUE(ini_put("temp", "lasthdr", c.lasthdr));
    itest::Process player;
    ASSERT_TRUE(player.start(qemplay("/MSGBOX  ")));
    EXPECT_TRUE(itest::answer_expected_box(boxes, c.caption, c.text.c_str(), IDOK));
    DWORD code = 0;
    ASSERT_TRUE(player.wait(itest::kWindowTimeoutMs, &code));
    EXPECT_EQ(1u, code);
  }
}

}  // namespace
}  // namespace qemtest
