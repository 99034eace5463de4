#include "sim/browser/win32/frame_window.h"

namespace browser {
namespace {

const UINT_PTR kAnswerTimer = 1;

}  // namespace

FrameWindow::FrameWindow(const Config& config, const EventLog& log, const Page& page)
    : config_(config), log_(log), title_(kTitlePrefix + config.service), document_(log, page) {}

bool FrameWindow::create(HINSTANCE instance, int show) {
  const bool explorer = config_.layout() == Layout::explorer;
  const char* class_name = explorer ? kExplorerFrameClass : kNavigatorFrameClass;
  WNDCLASSEXA window_class = {};
  window_class.hInstance = instance;
  window_class.hIcon = LoadIcon(NULL, IDI_APPLICATION);
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = class_name;
  if (!register_class(window_class)) return false;
  if (!Window::create(0, class_name, title_.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, NULL, NULL, instance))
    return false;
  if (!document_.create(hwnd(), explorer ? kExplorerDocumentClass : kNavigatorContentClass,
                        instance))
    return false;
  ShowWindow(hwnd(), show);
  UpdateWindow(hwnd());
  return true;
}

void FrameWindow::answer_after(UINT ms) { SetTimer(hwnd(), kAnswerTimer, ms, NULL); }

void FrameWindow::page_changed() {
  if (document()) InvalidateRect(document(), NULL, TRUE);
}

LRESULT FrameWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) {
        log_.write(log_.line("activate"));
        if (document()) SetFocus(document());
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (document()) SetFocus(document());
      return 0;
    // Keys that reach the frame before its activation moved the focus on
    // are the page's too, as in a browser.
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      if (document()) return SendMessageA(document(), message, wparam, lparam);
      break;
    case WM_SIZE:
      if (document()) MoveWindow(document(), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    case WM_TIMER:
      if (wparam == kAnswerTimer) {
        KillTimer(hwnd(), kAnswerTimer);
        if (on_answer_due) on_answer_due();
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

}  // namespace browser
