#include "surfdeck/win32/browser_view.h"

#include "surfdeck/surfres_ids.h"

namespace surfdeck {

bool BrowserView::register_class(HINSTANCE instance) {
  WNDCLASSEXA window_class = {};
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kViewClass;
  return halvo::Window::register_class(window_class);
}

HWND BrowserView::create(HWND frame, HINSTANCE instance) {
  RECT client;
  GetClientRect(frame, &client);
  return halvo::Window::create(0, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom,
                               frame, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kViewId)),
                               instance);
}

LRESULT BrowserView::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (front_end_ == nullptr) return default_handle(message, wparam, lparam);
  BrowserDriver* driver = front_end_->driver();
  switch (message) {
    case WM_KEYDOWN:
      if (front_end_->onViewKeyDown(static_cast<uint8_t>(wparam))) return 0;
      break;
    case WM_KEYUP:
      if (front_end_->onViewKeyUp(static_cast<uint8_t>(wparam))) return 0;
      break;
    case WM_CHAR:
      if (front_end_->onViewChar(static_cast<char>(wparam))) return 0;
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == ID_VIEW_RELOAD_LINKS) {
        if (driver != nullptr) driver->reloadLinks();
        return 0;
      }
      break;
    case kFetchLinksMessage:
      if (driver != nullptr && lparam != 0)
        driver->fetchLinks(reinterpret_cast<const char*>(lparam));
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

}  // namespace surfdeck
