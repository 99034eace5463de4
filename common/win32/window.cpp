#include "common/win32/window.h"

namespace halvo {

Window::~Window() { destroy(); }

bool Window::register_class(WNDCLASSEXA window_class) {
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  if (RegisterClassExA(&window_class)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Window::create(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance) {
  // hwnd_ is set from WM_NCCREATE on, so the first messages reach handle().
  return CreateWindowExA(ex_style, class_name, title, style, x, y, width, height, parent,
                         menu_or_id, instance, this);
}

void Window::destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* self;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  LRESULT result = self->handle(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = NULL;
  }
  return result;
}

}  // namespace halvo
