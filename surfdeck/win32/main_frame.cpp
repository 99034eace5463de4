#include "surfdeck/win32/main_frame.h"

#include <mmsystem.h>

#include "surfdeck/surfres_ids.h"
#include "common/win32/dialog.h"

namespace surfdeck {

namespace {

// A caption and a menu bar, no sizing border and no maximise box.
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME);
constexpr int kFrameWidth = 180;

}  // namespace

bool MainFrame::create() {
  WNDCLASSEXA window_class = {};
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconA(resources_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kFrameClass;
  if (!halvo::Window::register_class(window_class) || !BrowserView::register_class(instance_)) return false;

  const int height =
      2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION);
  const Point corner = readPosition(registry_).value_or(Point{});
  HMENU menu = LoadMenuA(resources_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  if (halvo::Window::create(0, kFrameClass, "", kFrameStyle, corner.x, corner.y, kFrameWidth, height, NULL,
                            menu, instance_) == NULL) {
    if (menu != NULL) DestroyMenu(menu);
    return false;
  }
  // The settings sheet and the converter come later.
  EnableMenuItem(menu, ID_CONFIGURE_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(menu, ID_CONFIGURE_CONVERTER, MF_BYCOMMAND | MF_GRAYED);
  return view_.create(hwnd(), instance_) != NULL;
}

LRESULT MainFrame::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (button_message_ != 0 && message == button_message_ && front_end_ != nullptr)
    return front_end_->onButton(static_cast<uint16_t>(wparam), timeGetTime());
  switch (message) {
    case WM_SETFOCUS:
      if (view_.hwnd() != NULL) SetFocus(view_.hwnd());
      remote_.set_first_app();
      return 0;
    case WM_SIZE: {
      if (view_.hwnd() != NULL) MoveWindow(view_.hwnd(), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    }
    case WM_COMMAND:
      on_command(LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      on_close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

void MainFrame::on_command(int id) {
  switch (id) {
    case ID_APP_EXIT:
      PostMessageA(hwnd(), WM_CLOSE, 0, 0);
      break;
    case ID_HELP_TOPICS:
      WinHelpA(hwnd(), help_file_.c_str(), HELP_FINDER, 0);
      break;
    case ID_APP_ABOUT: {
      halvo::InfoDialog about;
      about.run(resources_, IDD_ABOUT, hwnd());
      break;
    }
  }
}

void MainFrame::on_close() {
  RECT rect;
  if (!IsIconic(hwnd()) && GetWindowRect(hwnd(), &rect)) writePosition(registry_, Point{rect.left, rect.top});
  destroy();
}

}  // namespace surfdeck
