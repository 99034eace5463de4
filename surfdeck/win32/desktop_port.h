// The desktop as the browser drivers use it: windows, keys, processes and
// message boxes, one or two API calls each.
#pragma once

#include <windows.h>

#include "surfdeck/browser_ports.h"

namespace surfdeck {

class DesktopPort final : public BrowserDesktop {
 public:
  explicit DesktopPort(HINSTANCE resources) : resources_(resources) {}
  // The owner of the message boxes.
  void setOwner(HWND owner) { owner_ = owner; }

  WindowHandle find_window(const std::string& class_name, const std::string& title) override;
  WindowHandle find_child(WindowHandle parent, const std::string& class_name) override;
  WindowHandle foreground() override;
  WindowHandle parent(WindowHandle window) override;
  std::string class_name(WindowHandle window) override;
  bool set_foreground(WindowHandle window) override;
  bool is_iconic(WindowHandle window) override;
  void restore(WindowHandle window) override;
  void post_quit(WindowHandle window) override;
  void post_thread_quit(uint32_t thread_id) override;
  void key_event(uint8_t vk, bool release, uintptr_t extra) override;
  uintptr_t message_extra_info() override;
  void sleep(uint32_t milliseconds) override;
  StartedProgram start_program(const std::string& path, uint32_t wait_ms) override;
  void terminate(uintptr_t process) override;
  void close_process_handle(uintptr_t process) override;
  BoxAnswer message_box(uint32_t text_id, bool retry_cancel) override;

 private:
  HINSTANCE resources_;
  HWND owner_ = NULL;
};

// A message box with a text and the caption of surfres.dll; returns
// MessageBoxA's answer.
int show_message(HINSTANCE resources, HWND owner, UINT text_id, UINT type);

}  // namespace surfdeck
