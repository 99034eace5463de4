// The main frame: a window only as tall as its caption and menu bar. It
// takes the remote's buttons, keeps its position in "PrevP", and holds the
// view that passes typed keys on to the browser.
#pragma once

#include <windows.h>

#include <string>

#include "common/registry.h"
#include "common/win32/window.h"
#include "surfdeck/front_end.h"
#include "surfdeck/win32/browser_view.h"
#include "surfdeck/win32/remote_library.h"

namespace surfdeck {

inline constexpr const char* kFrameClass = "HalvoWebFrame";

class MainFrame final : public halvo::Window, public FrontEndShell {
 public:
  MainFrame(HINSTANCE instance, HINSTANCE resources, halvo::Registry& registry, RemoteLibrary& remote)
      : instance_(instance), resources_(resources), registry_(registry), remote_(remote) {}

  // Registers the classes and creates the frame (hidden) with its menu and
  // view, at the stored position.
  bool create();
  // Who answers buttons and keys from now on.
  void setFrontEnd(WebFrontEnd* front_end) {
    front_end_ = front_end;
    view_.setFrontEnd(front_end);
  }
  // The registered button message, once the remote took the window.
  void setButtonMessage(UINT message) { button_message_ = message; }
  void setHelpFile(const std::string& path) { help_file_ = path; }

  void set_title(const std::string& title) override { SetWindowTextA(hwnd(), title.c_str()); }
  void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }
  void post_quit() override { PostMessageA(hwnd(), WM_QUIT, 0, 0); }

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void on_command(int id);
  void on_close();

  HINSTANCE instance_;
  HINSTANCE resources_;
  halvo::Registry& registry_;
  WebFrontEnd* front_end_ = nullptr;
  RemoteLibrary& remote_;
  BrowserView view_;
  UINT button_message_ = 0;
  std::string help_file_;
};

}  // namespace surfdeck
