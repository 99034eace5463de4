#include "testing/win32/box_watcher.h"

#include <string.h>

#include <algorithm>

namespace itest {
namespace {

const DWORD kScanPeriodMs = 100;
const DWORD kStopTimeoutMs = 5000;
const int kMessageTextId = 0xFFFF;

struct Search {
  const std::vector<DWORD>* pids;
  std::vector<HWND> boxes;
};

bool has_class(HWND window, const char* name) {
  char found[64];
  return GetClassNameA(window, found, sizeof found) && strcmp(found, name) == 0;
}

BOOL CALLBACK collect_box(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (std::find(search->pids->begin(), search->pids->end(), pid) == search->pids->end())
    return TRUE;
  if (!has_class(window, "#32770") || !IsWindowVisible(window)) return TRUE;
  HWND text = GetDlgItem(window, kMessageTextId);
  if (text && has_class(text, "Static")) search->boxes.push_back(window);
  return TRUE;
}

// For a window of another process Wine reads the text kept by the server:
// no message is sent, so a hung process cannot hold the watcher up.
std::string window_text(HWND window) {
  char text[2048] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

std::vector<HWND> find_boxes(const std::vector<DWORD>& pids) {
  Search search = {&pids, {}};
  if (!pids.empty()) EnumWindows(collect_box, reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

bool answer_box(HWND box, int button) {
  // Posted, not sent: a BM_CLICK sent across processes was seen to press
  // the wrong button under Wine.
  return PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(box, button))) != 0;
}

BoxWatcher::BoxWatcher(const TestJob& job) : job_(job) {
  InitializeCriticalSection(&scanning_);
  InitializeCriticalSection(&lock_);
  stop_event_ = CreateEventA(NULL, TRUE, FALSE, NULL);
  stray_event_ = CreateEventA(NULL, TRUE, FALSE, NULL);
  handed_event_ = CreateEventA(NULL, FALSE, FALSE, NULL);
}

BoxWatcher::~BoxWatcher() {
  stop();
  CloseHandle(stop_event_);
  CloseHandle(stray_event_);
  CloseHandle(handed_event_);
  DeleteCriticalSection(&lock_);
  DeleteCriticalSection(&scanning_);
}

bool BoxWatcher::start() {
  if (!stop_event_ || !stray_event_ || !handed_event_) return false;
  thread_ = CreateThread(NULL, 0, thread_main, this, 0, NULL);
  return thread_ != NULL;
}

void BoxWatcher::stop() {
  if (!thread_) return;
  SetEvent(stop_event_);
  WaitForSingleObject(thread_, kStopTimeoutMs);
  CloseHandle(thread_);
  thread_ = NULL;
}

DWORD WINAPI BoxWatcher::thread_main(void* watcher) {
  BoxWatcher* self = static_cast<BoxWatcher*>(watcher);
  while (WaitForSingleObject(self->stop_event_, kScanPeriodMs) == WAIT_TIMEOUT) self->scan();
  return 0;
}

bool BoxWatcher::seen(HWND box) const {
  return std::find(seen_.begin(), seen_.end(), box) != seen_.end();
}

void BoxWatcher::scan() {
  EnterCriticalSection(&scanning_);
  const std::vector<DWORD> pids = job_.processes();
  const std::vector<HWND> boxes = find_boxes(pids);
  std::vector<HWND> still_open;
  for (HWND window : boxes) {
    still_open.push_back(window);
    if (seen(window)) continue;
    FoundBox box;
    box.window = window;
    GetWindowThreadProcessId(window, &box.pid);
    box.image = image_name(box.pid);
    box.caption = window_text(window);
    box.text = window_text(GetDlgItem(window, kMessageTextId));
    EnterCriticalSection(&lock_);
    const bool expected = expecting_ > 0;
    if (expected) {
      handed_.push_back(box);
      SetEvent(handed_event_);
    } else {
      // Kept before it is answered: a wait on its process then sees the
      // stray before it sees the process end.
      strays_.push_back(box);
      SetEvent(stray_event_);
    }
    LeaveCriticalSection(&lock_);
    if (!expected) answer_box(window, IDCANCEL);
  }
  // Closed boxes are forgotten, so that a window handle used again counts anew.
  seen_ = still_open;
  LeaveCriticalSection(&scanning_);
}

std::vector<FoundBox> BoxWatcher::take_strays() {
  std::vector<FoundBox> taken;
  EnterCriticalSection(&lock_);
  taken.swap(strays_);
  ResetEvent(stray_event_);
  LeaveCriticalSection(&lock_);
  return taken;
}

void BoxWatcher::begin_expecting() {
  EnterCriticalSection(&lock_);
  ++expecting_;
  LeaveCriticalSection(&lock_);
}

std::vector<FoundBox> BoxWatcher::end_expecting() {
  std::vector<FoundBox> untaken;
  EnterCriticalSection(&lock_);
  if (--expecting_ == 0) untaken.swap(handed_);
  LeaveCriticalSection(&lock_);
  return untaken;
}

bool BoxWatcher::take_expected(FoundBox& box) {
  EnterCriticalSection(&lock_);
  const bool any = !handed_.empty();
  if (any) {
    box = handed_.front();
    handed_.erase(handed_.begin());
  }
  LeaveCriticalSection(&lock_);
  return any;
}

}  // namespace itest
