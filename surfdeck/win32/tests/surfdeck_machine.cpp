#include "surfdeck/win32/tests/surfdeck_machine.h"

#include <stdio.h>

#include <fstream>

#include "surfdeck/bookmark_file.h"
#include "surfdeck/keys.h"
#include "surfdeck/win32/main_frame.h"

namespace itest {

namespace {

const char kBrowserProgram[] = "halvo-browser.exe";

std::string entry_key(int number) {
  char name[16];
  snprintf(name, sizeof name, "\\%02d", number);
  return std::string(surfdeck::kAppBrowserKey) + name;
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

std::string link_url(int n) { return "http://links.test/page" + std::to_string(n) + ".htm"; }
std::string link_item(int n) { return "\"" + link_url(n) + "\",,0xFFFFFFFF,,,,,"; }
std::string explorer_home_item(const std::string& path) { return "\"file:" + path + "\",,-1,,,,,"; }
std::string navigator_home_item(const std::string& path) { return "\"" + path + "\",,0xFFFFFFFF,,,,,"; }

std::string surf_string(UINT id) {
  HMODULE resources = LoadLibraryExA((program_folder() + "surfres.dll").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  char text[512] = "";
  if (resources != NULL) {
    LoadStringA(resources, id, text, sizeof text);
    FreeLibrary(resources);
  }
  return text;
}

// ---- the test browser

bool BrowserProcess::start(const std::string& switches, const std::string& log_path, const std::string& program) {
  log_ = std::make_unique<browserlog::Log>(log_path);
  const std::string file = program.empty() ? program_folder() + kBrowserProgram : program;
  return process_.start("\"" + file + "\" /log:\"" + log_path + "\" " + switches);
}

bool BrowserProcess::wait_ready() const {
  return log_ != nullptr && log_->wait_for(
                                [](const std::vector<browserlog::LogEntry>& log) {
                                  for (const browserlog::LogEntry& e : browserlog::of_event(log, "register"))
                                    if (e.has("result", "ok")) return true;
                                  return false;
                                },
                                kSurfWaitMs);
}

std::vector<std::string> opened_items(const std::vector<browserlog::LogEntry>& log) {
  std::vector<std::string> items;
  for (const browserlog::LogEntry& e : browserlog::dde(log, "request", "WWW_OpenURL")) items.push_back(e.get("item"));
  return items;
}

bool wait_for_opened(const browserlog::Log& log, const std::string& item, size_t count) {
  return log.wait_for(
      [&](const std::vector<browserlog::LogEntry>& entries) {
        size_t seen = 0;
        for (const std::string& opened : opened_items(entries)) seen += opened == item;
        return seen >= count;
      },
      kSurfWaitMs);
}

// ---- surfdeck.exe

bool SurfdeckProcess::start(const std::string& arguments, const char* folder, const std::string& program) {
  const std::string file = program.empty() ? program_folder() + "surfdeck.exe" : program;
  // The first process to load the remote-control library finds the button
  // maps in its current folder.
  const std::string here = program_folder();
  return process_.start("\"" + file + "\" " + arguments, folder != NULL ? folder : here.c_str());
}

HWND SurfdeckProcess::frame() const { return find_window(surfdeck::kFrameClass, NULL, pid()); }

HWND SurfdeckProcess::wait_for_frame() const {
  HWND found = NULL;
  wait_until([&] { return (found = frame()) != NULL; }, kSurfWaitMs);
  return found;
}

bool SurfdeckProcess::wait_for_remote() const {
  const bool polled = wait_until(
      [&] {
        for (HWND window : poll_windows()) {
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == pid()) return true;
        }
        return false;
      },
      kSurfWaitMs);
  return polled && wait_for_ticks(1);
}

LRESULT SurfdeckProcess::button(unsigned code) const {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(frame(), RegisterWindowMessageA("MMCD_MSG"), code, 0, SMTO_NORMAL, kSurfWaitMs,
                           &answer))
    return 0;
  return static_cast<LRESULT>(answer);
}

void SurfdeckProcess::end() {
  if (!process_.running()) return;
  HWND window = frame();
  if (window != NULL) PostMessageA(window, WM_CLOSE, 0, 0);
  if (!process_.wait(5000)) process_.end();
}

// ---- the fixture

void SurfdeckTest::SetUp() {
  MachineTest::SetUp();
  // No announcements: sound holds the poll up.
  ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
  folder_ = std::make_unique<TestFolder>("surfdeck");
  ASSERT_TRUE(folder_->ok());
  std::string page;
  surfdeck::BookmarkWriter writer(page);
  writer.start("");
  writer.heading(0, "Test links");
  writer.listStart(0);
  for (int n = 1; n <= kLinks; ++n) writer.entry(1, link_url(n), "Page " + std::to_string(n));
  writer.listEnd(0);
  writer.end();
  bookmarks_ = folder_->path() + "bookmarks.htm";
  ASSERT_TRUE(write_file(bookmarks_, page));
}

void SurfdeckTest::TearDown() {
  surfdeck_.end();
  browser_.end();
  MachineTest::TearDown();
}

void SurfdeckTest::use_bookmarks() { ASSERT_TRUE(write_setting(surfdeck::kBookmarkValue, bookmarks_)); }

bool SurfdeckTest::write_setting(const char* name, const std::string& text) {
  return write_string(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, name, text);
}

std::string SurfdeckTest::setting(const char* name) const {
  return read_value(HKEY_CURRENT_USER, surfdeck::kAppBrowserKey, name).text();
}

void SurfdeckTest::write_entry(int number, int method, const std::string& server, const std::string& path) {
  const std::string key = entry_key(number);
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, surfdeck::kMethodValue, std::to_string(method)));
  ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, surfdeck::kServerValue, server));
  if (!path.empty()) {
    ASSERT_TRUE(write_string(HKEY_CURRENT_USER, key, surfdeck::kServerPathValue, path));
  }
}

std::string SurfdeckTest::entry_value(int number, const char* name) const {
  return read_value(HKEY_CURRENT_USER, entry_key(number), name).text();
}

std::string SurfdeckTest::browser_copy(const std::string& name, const std::string& ini_lines) {
  const std::string path = folder_->path() + name;
  EXPECT_TRUE(CopyFileA((program_folder() + kBrowserProgram).c_str(), path.c_str(), FALSE)) << path;
  const std::string ini = path.substr(0, path.size() - 4) + ".ini";
  EXPECT_TRUE(write_file(ini, "[browser]\r\n" + ini_lines));
  return path;
}

void SurfdeckTest::start_browser(const std::string& service, const std::string& switches) {
  ASSERT_TRUE(browser_.start("/service:" + service + " " + switches, folder_->path() + "browser.log"));
  ASSERT_TRUE(browser_.wait_ready()) << browserlog::dump(browser_.log().read());
}

void SurfdeckTest::start_bound(const std::string& arguments) {
  ASSERT_TRUE(surfdeck_.start(arguments));
  ASSERT_TRUE(wait_for_opened(browser_.log(), explorer_home_item(bookmarks_)))
      << browserlog::dump(browser_.log().read());
  ASSERT_TRUE(surfdeck_.wait_for_frame() != NULL);
  ASSERT_TRUE(surfdeck_.wait_for_remote());
}

}  // namespace itest
