// What the web front end's Wine tests share: the test browser and
// surfdeck.exe run as processes, a bookmark page of numbered links, the
// appBrowser settings, and the button message sent as the remote-control
// library sends it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/browser/win32/browser_log.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"
#include "testing/win32/machine.h"

namespace itest {

constexpr DWORD kSurfWaitMs = kEventuallyMs;
// The pages of the bookmark file: link n opens this URL.
std::string link_url(int n);
// The "WWW_OpenURL" item of link n.
std::string link_item(int n);
// The item that opens the bookmark page at path in Explorer or Navigator.
std::string explorer_home_item(const std::string& path);
std::string navigator_home_item(const std::string& path);

// A string of surfres.dll.
std::string surf_string(UINT id);

// halvo-browser.exe of the program folder (or a copy of it), logging to a
// file of its own.
class BrowserProcess {
 public:
  // program: "" for the program folder's; else the copy's path.
  bool start(const std::string& switches, const std::string& log_path, const std::string& program = "");
  // True once its DDE service is registered.
  bool wait_ready() const;
  const browserlog::Log& log() const { return *log_; }
  browserlog::Log& log() { return *log_; }
  bool running() const { return process_.running(); }
  DWORD pid() const { return process_.pid(); }
  void end() { process_.end(); }

 private:
  Process process_;
  std::unique_ptr<browserlog::Log> log_;
};

// The "WWW_OpenURL" items the browser received, oldest first.
std::vector<std::string> opened_items(const std::vector<browserlog::LogEntry>& log);
// Waits until the browser has received the item (count times).
bool wait_for_opened(const browserlog::Log& log, const std::string& item, size_t count = 1);

// surfdeck.exe of the program folder (or a copy), started in the program
// folder (or another).
class SurfdeckProcess {
 public:
  ~SurfdeckProcess() { end(); }
  bool start(const std::string& arguments = "", const char* folder = NULL, const std::string& program = "");
  DWORD pid() const { return process_.pid(); }
  bool running() const { return process_.running(); }
  bool wait_for_exit(DWORD timeout_ms, DWORD* code = NULL) { return process_.wait(timeout_ms, code); }
  HWND frame() const;
  HWND wait_for_frame() const;
  // True once it holds the remote: the library's poll window of its process
  // exists and a tick has passed since.
  bool wait_for_remote() const;
  // The button message as the library sends it: the answer (1 or 2), or 0
  // when it did not answer within the deadline.
  LRESULT button(unsigned code) const;
  // WM_CLOSE, then ends it if it does not go.
  void end();

 private:
  Process process_;
};

class SurfdeckTest : public MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The bookmark file with kLinks links, and "Quorvane Bookmark" naming it.
  void use_bookmarks();
  bool write_setting(const char* name, const std::string& text);
  std::string setting(const char* name) const;
  // Entry "nn" of typeUsed: method, server and (unless empty) serverPath.
  void write_entry(int number, int method, const std::string& server, const std::string& path);
  std::string entry_value(int number, const char* name) const;
  // A copy of the test browser under name (e.g. "netscape.exe") in the
  // test's folder, with its ini file holding these lines; returns its path.
  std::string browser_copy(const std::string& name, const std::string& ini_lines);
  // The running test browser, started with /service:service.
  void start_browser(const std::string& service, const std::string& switches = "");
  // surfdeck started, bound to the running Explorer-like browser (its home
  // item arrived) and holding the remote.
  void start_bound(const std::string& arguments = "");

  static constexpr int kLinks = 15;
  std::unique_ptr<TestFolder> folder_;
  std::string bookmarks_;  // the bookmark file's path
  BrowserProcess browser_;
  SurfdeckProcess surfdeck_;
};

}  // namespace itest
