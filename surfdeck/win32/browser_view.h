// The view inside the main frame: keys typed into the front end's window go
// on to the browser, and the digits 1-5 run the view's own commands.
#pragma once

#include <windows.h>

#include "common/win32/window.h"
#include "surfdeck/front_end.h"

namespace surfdeck {

inline constexpr const char* kViewClass = "HalvoWebView";
// lParam is a URL text: its links are fetched.
inline constexpr UINT kFetchLinksMessage = 0x480;
inline constexpr int kViewId = 1;

class BrowserView final : public halvo::Window {
 public:
  BrowserView() = default;
  void setFrontEnd(WebFrontEnd* front_end) { front_end_ = front_end; }
  static bool register_class(HINSTANCE instance);
  HWND create(HWND frame, HINSTANCE instance);

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  WebFrontEnd* front_end_ = nullptr;
};

}  // namespace surfdeck
