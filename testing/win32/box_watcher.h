// Looks for message boxes of the processes of a test job, from a thread of
// its own, about every 100 ms: under Wine's null driver a box is invisible
// and blocks its process for good. A box nobody expects is answered with
// Cancel at once, so its process goes on, and kept as a stray for the main
// thread to report; while a test expects boxes they are handed to it
// unanswered. The thread never calls GoogleTest, which is built without
// thread support.
#pragma once

#include <windows.h>

#include <vector>

#include "testing/win32/harness.h"
#include "testing/win32/test_job.h"

namespace itest {

// The visible top-level dialogs of these processes that hold a message
// text (a static control with id 0xFFFF, as MessageBox makes them). Other
// dialogs, such as a property sheet serving as a main window, are left be.
std::vector<HWND> find_boxes(const std::vector<DWORD>& pids);

class BoxWatcher {
 public:
  explicit BoxWatcher(const TestJob& job);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  bool start();
  void stop();

  // One look, as the thread takes every period; the main thread takes one
  // more when a test ends.
  void scan();

  // Strays found since the last call, already answered.
  std::vector<FoundBox> take_strays();
  // Signalled while strays wait to be taken.
  HANDLE stray_event() const { return stray_event_; }

  // While expecting (scopes nest), boxes are handed over unanswered.
  void begin_expecting();
  // Ends one scope; when the last ends, returns the boxes handed over that
  // nobody took.
  std::vector<FoundBox> end_expecting();
  // The oldest box handed over and not yet taken.
  bool take_expected(FoundBox& box);
  // Signalled (auto-reset) when a box is handed over.
  HANDLE handed_event() const { return handed_event_; }

 private:
  static DWORD WINAPI thread_main(void* watcher);
  bool seen(HWND box) const;

  const TestJob& job_;
  HANDLE thread_ = NULL;
  HANDLE stop_event_ = NULL;
  HANDLE stray_event_ = NULL;
  HANDLE handed_event_ = NULL;
  CRITICAL_SECTION scanning_;  // one scan at a time; guards seen_
  std::vector<HWND> seen_;     // boxes already dealt with, while they last
  CRITICAL_SECTION lock_;      // guards what follows, shared with the main thread
  int expecting_ = 0;
  std::vector<FoundBox> strays_;
  std::vector<FoundBox> handed_;
};

}  // namespace itest
