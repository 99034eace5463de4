// A small window class: an object holds its HWND and gets its messages
// through one virtual handler, a switch in each window's own file. Every
// window class registered here shares one procedure that finds the object.
#pragma once

#include <windows.h>

namespace halvo {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  // Registers a class whose windows are Window objects: the class's
  // procedure is replaced by the shared one. False when it cannot be
  // registered (a class of that name already registered counts as done).
  static bool register_class(WNDCLASSEXA window_class);

  // Creates the window for this object (the object must outlive it).
  HWND create(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y,
              int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance);
  // Destroys the window if it still exists.
  void destroy();

  HWND hwnd() const { return hwnd_; }

 protected:
  // The switch of the window's messages; what it does not handle goes to
  // default_handle.
  virtual LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) {
    return default_handle(message, wparam, lparam);
  }
  LRESULT default_handle(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd_, message, wparam, lparam);
  }

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = NULL;
};

}  // namespace halvo
