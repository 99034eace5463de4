// The test browser as the web front end meets it: a real process serving
// the WWW_ topics, poking its URL echo to a "ZKAPP" service the test
// registers, with the windows the drivers look for, and its log.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/browser/dde_text.h"
#include "sim/browser/win32/browser_log.h"
#include "surfdeck/bookmark_file.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"

namespace {

using browser::LogEntry;
using browserlog::Log;

const DWORD kDdeTimeoutMs = 1000;
const char kExplorerTitle[] = "Halvo Test Browser - IEXPLORE";
const char kNavigatorTitle[] = "Halvo Test Browser - NETSCAPE";

// ---- the test's side of the conversation ----

struct Poke {
  std::string topic;
  std::string item;
  std::string data;
};

// A DDE client, and the "ZKAPP" service the browser's echoes come to.
class DdeTester {
 public:
  DdeTester() {
    // A callback of its own: DDEML tells a callback nothing of its instance.
    static const PFNCALLBACK callbacks[kSlots] = {callback<0>, callback<1>, callback<2>};
    for (slot_ = 0; slot_ < kSlots && testers_[slot_]; ++slot_) continue;
    if (slot_ == kSlots) return;
    testers_[slot_] = this;
    if (DdeInitializeA(&instance_, callbacks[slot_],
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
      instance_ = 0;
  }
  ~DdeTester() {
    if (echo_service_) DdeNameService(instance_, echo_service_, NULL, DNS_UNREGISTER);
    if (echo_service_) DdeFreeStringHandle(instance_, echo_service_);
    if (instance_) DdeUninitialize(instance_);
    if (slot_ < kSlots) testers_[slot_] = NULL;
  }
  DdeTester(const DdeTester&) = delete;
  DdeTester& operator=(const DdeTester&) = delete;

  bool ok() const { return instance_ != 0; }

  bool serve_echoes() {
    echo_service_ = handle(browser::kEchoService);
    return DdeNameService(instance_, echo_service_, NULL, DNS_REGISTER) != NULL;
  }
  const std::vector<Poke>& pokes() const { return pokes_; }

  // Connects and disconnects.
  bool probe(const std::string& service, const std::string& topic) {
    HCONV conversation = connect(service, topic);
    if (!conversation) return false;
    DdeDisconnect(conversation);
    return true;
  }

  // XTYP_REQUEST, CF_TEXT: the reply's bytes, nullopt when none came.
  std::optional<std::string> request(const std::string& service, const std::string& topic,
                                     const std::string& item) {
    HCONV conversation = connect(service, topic);
    if (!conversation) return std::nullopt;
    HSZ item_handle = handle(item);
    HDDEDATA data = DdeClientTransaction(NULL, 0, conversation, item_handle, CF_TEXT,
                                         XTYP_REQUEST, kDdeTimeoutMs, NULL);
    std::optional<std::string> reply;
    if (data) {
      const DWORD size = DdeGetData(data, NULL, 0, 0);
      std::string bytes(size, '\0');
      if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), size, 0);
      DdeFreeDataHandle(data);
      reply = bytes;
    }
    DdeFreeStringHandle(instance_, item_handle);
    DdeDisconnect(conversation);
    return reply;
  }

  // XTYP_POKE, CF_TEXT: true when the browser acknowledged it.
  bool poke(const std::string& service, const std::string& topic, const std::string& item,
            const std::string& data) {
    HCONV conversation = connect(service, topic);
    if (!conversation) return false;
    HSZ item_handle = handle(item);
    DWORD result = 0;
    const HDDEDATA done = DdeClientTransaction(
        reinterpret_cast<LPBYTE>(const_cast<char*>(data.data())), static_cast<DWORD>(data.size()),
        conversation, item_handle, CF_TEXT, XTYP_POKE, kDdeTimeoutMs, &result);
    DdeFreeStringHandle(instance_, item_handle);
    DdeDisconnect(conversation);
    return done != NULL && (result & DDE_FACK) != 0;
  }

 private:
  HSZ handle(const std::string& text) {
    return DdeCreateStringHandleA(instance_, text.c_str(), CP_WINANSI);
  }

  HCONV connect(const std::string& service, const std::string& topic) {
    HSZ s = handle(service), t = handle(topic);
    HCONV conversation = DdeConnect(instance_, s, t, NULL);
    DdeFreeStringHandle(instance_, s);
    DdeFreeStringHandle(instance_, t);
    return conversation;
  }

  std::string text_of(HSZ h) const {
    char text[256] = "";
    const DWORD length = DdeQueryStringA(instance_, h, text, sizeof text, CP_WINANSI);
    return std::string(text, length < sizeof text ? length : sizeof text - 1);
  }

  template <int slot>
  static HDDEDATA CALLBACK callback(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                                    ULONG_PTR, ULONG_PTR) {
    DdeTester* self = testers_[slot];
    if (!self) return NULL;
    switch (type) {
      case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(self->text_of(topic) == browser::kEchoTopic));
      case XTYP_POKE: {
        Poke poke{self->text_of(topic), self->text_of(item), std::string()};
        const DWORD size = DdeGetData(data, NULL, 0, 0);
        poke.data.resize(size);
        if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(&poke.data[0]), size, 0);
        self->pokes_.push_back(poke);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
      }
      default:
        return NULL;
    }
  }

  static const int kSlots = 3;
  static DdeTester* testers_[kSlots];
  int slot_ = kSlots;
  DWORD instance_ = 0;
  HSZ echo_service_ = NULL;
  std::vector<Poke> pokes_;
};

DdeTester* DdeTester::testers_[DdeTester::kSlots] = {};

// ---- the browser under test ----

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> result;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    result.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return result;
    start = comma + 1;
  }
}

// The text of a CF_TEXT reply: up to its NUL.
std::string text_reply(const std::optional<std::string>& reply) {
  return reply ? reply->substr(0, reply->find('\0')) : std::string("<no reply>");
}

// Window id 1 as a u32, and the window list: 1, then 0.
const std::string kWindowIdReply("\x01\0\0\0", 4);
const std::string kWindowListReply("\x01\0\0\0\0\0\0\0", 8);

bool has_event(const std::vector<LogEntry>& log, const char* event) {
  return !browserlog::of_event(log, event).empty();
}

// A page of twelve numbered links, http://a/1 to http://a/12.
bool write_bookmarks(const std::string& path) {
  std::string text;
  surfdeck::BookmarkWriter writer(text);
  writer.start("");
  writer.heading(0, "Links");
  writer.listStart(0);
  for (int n = 1; n <= 12; ++n) writer.entry(1, "http://a/" + std::to_string(n), "Page");
  writer.listEnd(0);
  writer.end();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
  CloseHandle(file);
  return ok && written == text.size();
}

// Waits for a process to end while the test's DDE goes on: its exit code,
// or -1 when it did not end.
long long wait_end(HANDLE process) {
  const auto ended = [process] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; };
  if (!browserlog::serve_until(ended, itest::kWindowTimeoutMs)) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() : folder_("browser"), log_(folder_.path() + "browser.log") {}

  void SetUp() override {
    ASSERT_TRUE(folder_.ok());
    ASSERT_TRUE(dde_.ok());
  }

  void TearDown() override {
    // The whole log, also what a test cleared.
    if (HasFailure())
      std::printf("browser log:\n%s", browserlog::dump(Log(log_.path()).read()).c_str());
  }

  // Starts halvo-browser.exe with these switches and a log in the test's
  // folder, and waits for its windows.
  ::testing::AssertionResult start(const std::string& switches) {
    const std::string line = quoted(itest::program_folder() + "halvo-browser.exe") + " " +
                             quoted("/log:" + log_.path()) + " " + switches;
    if (!process_.start(line)) return ::testing::AssertionFailure() << "cannot start " << line;
    return wait_ready();
  }

  ::testing::AssertionResult wait_ready() {
    std::vector<LogEntry> log;
    if (!log_.wait_for([](const std::vector<LogEntry>& l) { return has_event(l, "ready"); },
                       itest::kWindowTimeoutMs, &log))
      return ::testing::AssertionFailure() << "not ready:\n" << browserlog::dump(log);
    const LogEntry ready = browserlog::of_event(log, "ready").front();
    frame_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(ready.number("frame", 0)));
    document_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(ready.number("document", 0)));
    if (!IsWindow(frame_) || !IsWindow(document_))
      return ::testing::AssertionFailure() << "no windows: " << ready.line;
    return ::testing::AssertionSuccess();
  }

  bool wait_registered() {
    return log_.wait_for(
        [](const std::vector<LogEntry>& l) { return has_event(l, "register"); },
        itest::kWindowTimeoutMs);
  }

  // Posts WM_QUIT to the frame, as the front end closes a browser: the exit
  // code, or -1 when it did not end. Meanwhile the test's DDE goes on: the
  // browser ends its conversations with it on the way out.
  long long quit() {
    PostMessageA(frame_, WM_QUIT, 0, 0);
    return wait_end(process_.handle());
  }

  itest::TestFolder folder_;
  Log log_;
  DdeTester dde_;
  itest::Process process_;
  HWND frame_ = NULL;
  HWND document_ = NULL;
};

TEST_F(BrowserTest, ExplorerAnswersItsTopics) {
  ASSERT_TRUE(dde_.serve_echoes());
  ASSERT_TRUE(start("/service:IEXPLORE"));
  ASSERT_TRUE(wait_registered());

  // The windows the Explorer driver finds by class.
  EXPECT_EQ(itest::class_of(frame_), "IEFrame");
  EXPECT_EQ(FindWindowA("IEFrame", NULL), frame_);
  EXPECT_EQ(FindWindowExA(frame_, NULL, "Shell DocObject View", NULL), document_);
  EXPECT_EQ(itest::text_of(frame_), kExplorerTitle);

  EXPECT_EQ(dde_.request("IEXPLORE", "WWW_ListWindows", "WWW_ListWindows"), kWindowListReply);
  EXPECT_EQ(text_reply(dde_.request("IEXPLORE", "WWW_GetWindowInfo", "1")),
            "\"about:blank\",\"" + std::string(kExplorerTitle) + "\"");

  // The home page: the item as the Explorer driver builds it.
  const std::string bookmarks = folder_.path() + "bookmarks.htm";
  ASSERT_TRUE(write_bookmarks(bookmarks));
  const std::string home = "\"file:" + bookmarks + "\",,-1,,,,,";
  EXPECT_EQ(dde_.request("IEXPLORE", "WWW_OpenURL", home), kWindowIdReply);
  std::vector<LogEntry> log;
  ASSERT_TRUE(log_.wait_for([&](const std::vector<LogEntry>&) { return !dde_.pokes().empty(); },
                            itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log);
  const Poke echo = dde_.pokes().front();
  const std::string echo_text = "\"file:" + bookmarks + "\",\"text/html\",1,\"\"";
  EXPECT_EQ(echo.topic, "WWW_URLEcho");
  EXPECT_EQ(echo.item, echo_text);
  EXPECT_EQ(text_reply(echo.data), echo_text);
  EXPECT_EQ(text_reply(dde_.request("IEXPLORE", "WWW_GetWindowInfo", "1")),
            "\"file:" + bookmarks + "\",\"" + std::string(kExplorerTitle) + "\"");

  // A numbered link, as the link table opens it.
  const std::string link = "\"http://a/12\",,0xFFFFFFFF,,,,,";
  EXPECT_TRUE(dde_.request("IEXPLORE", "WWW_OpenURL", link));
  EXPECT_TRUE(dde_.request("IEXPLORE", "WWW_RegisterWindowChange", "\"ZKAPP\",1"));
  EXPECT_TRUE(dde_.poke("IEXPLORE", "WWW_RegisterURLEcho", "\"ZKAPP\"", ""));

  ASSERT_TRUE(log_.wait_for(
      [](const std::vector<LogEntry>& l) { return browserlog::of_event(l, "echo").size() == 2; },
      itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log);
  // The exact bytes of each item, and what became of it.
  const std::vector<LogEntry> opens = browserlog::dde(log, "request", "WWW_OpenURL");
  ASSERT_EQ(opens.size(), 2u) << browserlog::dump(log);
  EXPECT_EQ(opens[0].get("item"), home);
  EXPECT_EQ(opens[1].get("item"), link);
  EXPECT_TRUE(opens[1].has("result", "answered"));
  const std::vector<LogEntry> pages = browserlog::of_event(log, "page");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].get("bookmarks"), bookmarks);
  EXPECT_EQ(pages[0].number("links"), 12);
  EXPECT_EQ(pages[0].number("mark"), 0);
  EXPECT_EQ(pages[1].get("url"), "http://a/12");
  EXPECT_EQ(pages[1].number("mark"), 12);
  const std::vector<LogEntry> changes = browserlog::dde(log, "request", "WWW_RegisterWindowChange");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].get("item"), "\"ZKAPP\",1");
  const std::vector<LogEntry> echoes = browserlog::dde(log, "poke", "WWW_RegisterURLEcho");
  ASSERT_EQ(echoes.size(), 1u);
  EXPECT_EQ(echoes[0].get("item"), "\"ZKAPP\"");
  EXPECT_TRUE(echoes[0].has("result", "accepted"));
  for (const LogEntry& e : browserlog::of_event(log, "echo"))
    EXPECT_TRUE(e.has("result", "accepted")) << e.line;

  EXPECT_EQ(quit(), 0);
  EXPECT_EQ(browserlog::of_event(log_.read(), "exit").size(), 1u);
}

TEST_F(BrowserTest, RefusesWhatItDoesNotServe) {
  ASSERT_TRUE(start("/service:IEXPLORE"));
  ASSERT_TRUE(wait_registered());
  log_.clear();

  struct Case {
    const char* topic;
    const char* item;
  } requests[] = {
      {"WWW_OpenURL", "http://a/12,,0xFFFFFFFF,,,,,"},  // not quoted
      {"WWW_OpenURL", "\"\",,-1,,,,,"},
      {"WWW_GetWindowInfo", "2"},                        // no such window
      {"WWW_GetWindowInfo", "0x1"},
      {"WWW_RegisterWindowChange", "ZKAPP,1"},
  };
  for (const Case& c : requests)
    EXPECT_FALSE(dde_.request("IEXPLORE", c.topic, c.item)) << c.topic << " " << c.item;
  EXPECT_FALSE(dde_.poke("IEXPLORE", "WWW_RegisterURLEcho", "ZKAPP", ""));
  EXPECT_FALSE(dde_.poke("IEXPLORE", "WWW_OpenURL", "\"http://a/1\"", "x"));
  EXPECT_FALSE(dde_.probe("IEXPLORE", "WWW_Activate"));
  EXPECT_FALSE(dde_.probe("NETSCAPE", "WWW_ListWindows"));

  const std::vector<LogEntry> log = log_.read();
  const std::vector<LogEntry> refused = browserlog::dde(log, "request");
  ASSERT_EQ(refused.size(), sizeof requests / sizeof requests[0]) << browserlog::dump(log);
  for (size_t i = 0; i < refused.size(); ++i) {
    EXPECT_EQ(refused[i].get("item"), requests[i].item);
    EXPECT_TRUE(refused[i].has("result", "refused")) << refused[i].line;
  }
  const std::vector<LogEntry> pokes = browserlog::dde(log, "poke");
  ASSERT_EQ(pokes.size(), 2u) << browserlog::dump(log);
  for (const LogEntry& e : pokes) EXPECT_TRUE(e.has("result", "refused")) << e.line;
  const std::vector<LogEntry> connects = browserlog::dde(log, "connect", "WWW_Activate");
  ASSERT_EQ(connects.size(), 1u) << browserlog::dump(log);
  EXPECT_TRUE(connects[0].has("result", "refused"));
  EXPECT_FALSE(has_event(log, "page")) << browserlog::dump(log);

  EXPECT_EQ(quit(), 0);
}

// A process started as the front end starts a browser: no command line.
class Started {
 public:
  ~Started() {
    if (process_) {
      TerminateProcess(process_, 1);
      CloseHandle(process_);
    }
  }
  bool start(const std::string& program) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info;
    if (!CreateProcessA(program.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
      return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    return true;
  }
  HANDLE handle() const { return process_; }
  DWORD pid() const { return pid_; }

 private:
  HANDLE process_ = NULL;
  DWORD pid_ = 0;
};

TEST_F(BrowserTest, NavigatorFromItsIniFile) {
  const std::string program = folder_.path() + "netscape.exe";
  ASSERT_TRUE(CopyFileA((itest::program_folder() + "halvo-browser.exe").c_str(), program.c_str(),
                        FALSE));
  // No log key: it goes beside the program.
  ASSERT_TRUE(WritePrivateProfileStringA("browser", "service", "NETSCAPE",
                                         (folder_.path() + "netscape.ini").c_str()));
  Log log(folder_.path() + "netscape.log");
  Started browser;
  ASSERT_TRUE(browser.start(program));
  std::vector<LogEntry> entries;
  ASSERT_TRUE(log.wait_for([](const std::vector<LogEntry>& l) { return has_event(l, "register"); },
                           itest::kWindowTimeoutMs, &entries))
      << browserlog::dump(entries);
  const LogEntry start = browserlog::of_event(entries, "start").front();
  EXPECT_EQ(start.get("config"), folder_.path() + "netscape.ini");
  EXPECT_EQ(start.get("service"), "NETSCAPE");
  EXPECT_EQ(start.number("pid"), browser.pid());

  // The Navigator driver finds the main window by the title the window
  // information gives, and the content window under it by class.
  const std::string info = text_reply(dde_.request("NETSCAPE", "WWW_GetWindowInfo", "1"));
  const std::vector<std::string> parts = fields(info);
  ASSERT_EQ(parts.size(), 2u) << info;
  EXPECT_EQ(parts[1], quoted(kNavigatorTitle));
  HWND frame = FindWindowA(NULL, kNavigatorTitle);
  ASSERT_TRUE(frame != NULL);
  DWORD pid = 0;
  GetWindowThreadProcessId(frame, &pid);
  EXPECT_EQ(pid, browser.pid());
  EXPECT_NE(itest::class_of(frame), "IEFrame");
  EXPECT_TRUE(FindWindowExA(frame, NULL, "Afx:400000:3028", NULL) != NULL);
  EXPECT_TRUE(FindWindowExA(frame, NULL, "Shell DocObject View", NULL) == NULL);
  EXPECT_EQ(dde_.request("NETSCAPE", "WWW_ListWindows", "WWW_ListWindows"), kWindowListReply);
  EXPECT_FALSE(dde_.probe("IEXPLORE", "WWW_ListWindows"));

  PostMessageA(frame, WM_QUIT, 0, 0);
  EXPECT_EQ(wait_end(browser.handle()), 0);
  EXPECT_TRUE(log.read().back().has("code", "0")) << browserlog::dump(log.read());
}

TEST_F(BrowserTest, FloodedEcho) {
  ASSERT_TRUE(dde_.serve_echoes());
  ASSERT_TRUE(start("/service:NETSCAPE /flood"));
  ASSERT_TRUE(wait_registered());
  EXPECT_TRUE(dde_.request("NETSCAPE", "WWW_OpenURL", "\"http://a/12\",,0xFFFFFFFF,,,,,"));
  ASSERT_TRUE(browserlog::serve_until([&] { return !dde_.pokes().empty(); },
                                      itest::kWindowTimeoutMs));
  const Poke echo = dde_.pokes().front();
  const std::vector<std::string> item = fields(echo.item);
  const std::vector<std::string> data = fields(text_reply(echo.data));
  EXPECT_GT(item.size(), 10u) << echo.item;
  EXPECT_LE(echo.item.size(), 255u);
  EXPECT_EQ(item[0], "\"http://a/12\"");
  EXPECT_GT(data.size(), 10u);
  size_t longest = 0;
  for (const std::string& f : data) longest = std::max(longest, f.size());
  EXPECT_GT(longest, 255u);
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, AnswersOnlyAfterItsDelay) {
  ASSERT_TRUE(start("/answer-after:2000"));
  // The windows already run their loop, but the service does not answer.
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutA(frame_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result));
  EXPECT_FALSE(dde_.probe("IEXPLORE", "WWW_ListWindows"));
  ASSERT_TRUE(itest::eventually([&] { return dde_.probe("IEXPLORE", "WWW_ListWindows"); }));
  const std::vector<LogEntry> log = log_.read();
  ASSERT_TRUE(has_event(log, "register")) << browserlog::dump(log);
  const long long waited = browserlog::of_event(log, "register").front().number("t") -
                           browserlog::of_event(log, "ready").front().number("t");
  EXPECT_GE(waited, 1900 * 1000) << browserlog::dump(log);
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, RefusesEveryProbe) {
  ASSERT_TRUE(start("/refuse"));
  const DWORD begin = GetTickCount();
  int probes = 0;
  while (GetTickCount() - begin < 1500) {
    EXPECT_FALSE(dde_.probe("IEXPLORE", "WWW_ListWindows"));
    ++probes;
    itest::wait_until([] { return false; }, 200);
  }
  EXPECT_GT(probes, 3);
  EXPECT_TRUE(IsWindowVisible(frame_));
  EXPECT_FALSE(has_event(log_.read(), "register")) << browserlog::dump(log_.read());
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, SlowStartHoldsWaitForInputIdle) {
  const DWORD begin = GetTickCount();
  ASSERT_TRUE(process_.start(quoted(itest::program_folder() + "halvo-browser.exe") + " " +
                             quoted("/log:" + log_.path()) + " /slow-start:1500"));
  EXPECT_EQ(WaitForInputIdle(process_.handle(), 10000), 0u);
  EXPECT_GE(GetTickCount() - begin, 1500u);
  ASSERT_TRUE(wait_ready());
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, BadSwitchEndsIt) {
  ASSERT_TRUE(process_.start(quoted(itest::program_folder() + "halvo-browser.exe") + " " +
                             quoted("/log:" + log_.path()) + " /answer-after:soon"));
  DWORD code = 0;
  ASSERT_TRUE(process_.wait(itest::kWindowTimeoutMs, &code));
  EXPECT_EQ(code, 2u);
  const std::vector<LogEntry> errors = browserlog::of_event(log_.read(), "error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].get("text").find("answer-after"), std::string::npos);
}

// The window that has the focus in the browser's thread.
HWND browser_focus(HWND frame) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(frame, NULL), &info)) return NULL;
  return info.hwndFocus;
}

TEST_F(BrowserTest, ActivatedFrameFocusesTheDocumentWhichGetsTheKeys) {
  ASSERT_TRUE(start(""));
  // Another window in front first: the frame is activated anew.
  HWND other = CreateWindowA("STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL,
                             NULL, NULL);
  ASSERT_TRUE(other != NULL);
  SetForegroundWindow(other);
  ASSERT_TRUE(browserlog::serve_until([&] { return GetForegroundWindow() == other; },
                                      itest::kWindowTimeoutMs));
  log_.clear();
  SetForegroundWindow(frame_);
  std::vector<LogEntry> log;
  EXPECT_TRUE(log_.wait_for(
      [&](const std::vector<LogEntry>& l) {
        return has_event(l, "focus") && browser_focus(frame_) == document_;
      },
      itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log) << "focus " << browser_focus(frame_);
  EXPECT_TRUE(has_event(log, "activate")) << browserlog::dump(log);
  DestroyWindow(other);

  struct Chord {
    BYTE modifier;  // 0: none
    BYTE vk;
    const char* down;  // the message the key's press comes as
    const char* held;  // the modifier the log shows down with it
    int character;     // the WM_CHAR it makes, -1: none
  } chords[] = {
      {VK_MENU, VK_LEFT, "syskeydown", "alt", -1},
      {VK_CONTROL, 'P', "keydown", "ctrl", 0x10},
      {VK_SHIFT, VK_TAB, "keydown", "shift", '\t'},
      {0, VK_RETURN, "keydown", NULL, '\r'},
  };
  auto key = [](BYTE vk, DWORD flags) { keybd_event(vk, MapVirtualKeyA(vk, 0), flags, 0); };
  for (const Chord& c : chords) {
    log_.clear();
    if (c.modifier) key(c.modifier, 0);
    key(c.vk, 0);
    key(c.vk, KEYEVENTF_KEYUP);
    if (c.modifier) key(c.modifier, KEYEVENTF_KEYUP);
    // The modifier's release is the last key message.
    const long long last = c.modifier ? c.modifier : c.vk;
    ASSERT_TRUE(log_.wait_for(
        [&](const std::vector<LogEntry>& l) {
          const std::vector<LogEntry> keys = browserlog::of_event(l, "key");
          return !keys.empty() && keys.back().number("vk") == last &&
                 keys.back().get("msg").find("up") != std::string::npos;
        },
        itest::kWindowTimeoutMs, &log))
        << c.down << " " << int(c.vk) << "\n" << browserlog::dump(log);
    const LogEntry* press = NULL;
    for (const LogEntry& e : browserlog::of_event(log, "key"))
      if (e.number("vk") == c.vk && !press) press = &e;
    ASSERT_TRUE(press != NULL) << browserlog::dump(log);
    EXPECT_EQ(press->get("msg"), c.down) << press->line;
    for (const char* modifier : {"alt", "ctrl", "shift"}) {
      const bool held = c.held && std::string(c.held) == modifier;
      EXPECT_EQ(press->number(modifier), held ? 1 : 0) << modifier << ": " << press->line;
    }
    std::vector<long long> characters;
    for (const LogEntry& e : browserlog::of_event(log, "key"))
      if (e.has("msg", "char")) characters.push_back(e.number("char"));
    EXPECT_EQ(characters, c.character < 0 ? std::vector<long long>()
                                          : std::vector<long long>{c.character})
        << browserlog::dump(log);
  }
  EXPECT_EQ(quit(), 0);
}

// Opens kOpens links back to back, each followed by a window-information
// request, as the front end works: each transaction on its own
// conversation, the next one right after the last, while the echoes go out.
// The slowest pair's time in ms.
const int kOpens = 20;
DWORD open_back_to_back(DdeTester& dde) {
  DWORD slowest = 0;
  for (int n = 1; n <= kOpens; ++n) {
    const DWORD begin = GetTickCount();
    EXPECT_EQ(dde.request("NETSCAPE", "WWW_OpenURL",
                          "\"http://a/" + std::to_string(n) + "\",,0xFFFFFFFF,,,,,"),
              kWindowIdReply)
        << n;
    EXPECT_TRUE(dde.request("NETSCAPE", "WWW_GetWindowInfo", "1")) << n;
    slowest = std::max(slowest, GetTickCount() - begin);
  }
  return slowest;
}

// A transaction held up by an echo waits out a DDE time-out (1 s or more).
const DWORD kBackToBackMs = 500;

TEST_F(BrowserTest, EchoesKeepPaceWithBackToBackRequests) {
  ASSERT_TRUE(dde_.serve_echoes());
  ASSERT_TRUE(start("/service:NETSCAPE"));
  ASSERT_TRUE(wait_registered());
  EXPECT_LT(open_back_to_back(dde_), kBackToBackMs);
  std::vector<LogEntry> log;
  ASSERT_TRUE(log_.wait_for(
      [&](const std::vector<LogEntry>& l) {
        return browserlog::of_event(l, "echo").size() == static_cast<size_t>(kOpens);
      },
      itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log);
  ASSERT_EQ(dde_.pokes().size(), static_cast<size_t>(kOpens));
  for (int n = 1; n <= kOpens; ++n) {
    const std::string url = "\"http://a/" + std::to_string(n) + "\"";
    EXPECT_EQ(fields(dde_.pokes()[n - 1].item)[0], url) << n;
    EXPECT_TRUE(browserlog::of_event(log, "echo")[n - 1].has("result", "accepted")) << n;
  }
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, NoEchoServiceHoldsNothingUp) {
  ASSERT_TRUE(start("/service:NETSCAPE"));
  ASSERT_TRUE(wait_registered());
  EXPECT_LT(open_back_to_back(dde_), kBackToBackMs);
  std::vector<LogEntry> log;
  ASSERT_TRUE(log_.wait_for(
      [&](const std::vector<LogEntry>& l) {
        return browserlog::of_event(l, "echo").size() == static_cast<size_t>(kOpens);
      },
      itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log);
  for (const LogEntry& e : browserlog::of_event(log, "echo"))
    EXPECT_TRUE(e.has("result", "no-connection")) << e.line;
  EXPECT_EQ(quit(), 0);
}

TEST_F(BrowserTest, EchoFindsTheServiceAgainAfterItsProgramRestarts) {
  std::optional<DdeTester> first;
  first.emplace();
  ASSERT_TRUE(first->serve_echoes());
  ASSERT_TRUE(start(""));
  ASSERT_TRUE(wait_registered());
  EXPECT_TRUE(first->request("IEXPLORE", "WWW_OpenURL", "\"http://a/1\",,-1,,,,,"));
  ASSERT_TRUE(browserlog::serve_until([&] { return first->pokes().size() == 1; },
                                      itest::kWindowTimeoutMs));
  // The program that served ZKAPP ends; another one serves it.
  first.reset();
  DdeTester second;
  ASSERT_TRUE(second.ok());
  ASSERT_TRUE(second.serve_echoes());
  EXPECT_TRUE(second.request("IEXPLORE", "WWW_OpenURL", "\"http://a/2\",,-1,,,,,"));
  std::vector<LogEntry> log;
  ASSERT_TRUE(log_.wait_for(
      [&](const std::vector<LogEntry>&) { return second.pokes().size() == 1; },
      itest::kWindowTimeoutMs, &log))
      << browserlog::dump(log);
  EXPECT_EQ(fields(second.pokes()[0].item)[0], "\"http://a/2\"");
  EXPECT_EQ(quit(), 0);
}

}  // namespace
