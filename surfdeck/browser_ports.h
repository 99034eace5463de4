// What the browser link asks of the system: DDE client transactions, and the
// windows, keys and processes of the desktop. The Win32 shell implements
// each call with one or two API calls; nothing here decides anything.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "surfdeck/dde_items.h"

namespace surfdeck {

using WindowHandle = uintptr_t;  // HWND; 0 is none

// One conversation per call: DdeConnect(service, topic), the transaction,
// DdeDisconnect. Every transaction waits at most kDdeTimeoutMs.
inline constexpr uint32_t kDdeTimeoutMs = 1000;

class DdeClient {
 public:
  virtual ~DdeClient() = default;
  // Connects and disconnects: true when the service answers the topic.
  virtual bool probe(const std::string& service, Topic topic) = 0;
  // XTYP_REQUEST, CF_TEXT. nullopt when the connection fails or no data
  // came; otherwise the reply's bytes (the data handle is freed).
  virtual std::optional<std::vector<uint8_t>> request(const std::string& service, Topic topic,
                                                      const std::string& item) = 0;
  // XTYP_POKE, CF_TEXT, no data. False when the connection fails.
  virtual bool poke(const std::string& service, Topic topic, const std::string& item) = 0;
};

enum class BoxAnswer { ok, retry, cancel };

// A started program: its process and first thread, as CreateProcessA gave.
struct StartedProgram {
  uintptr_t process = 0;   // HANDLE, 0 when CreateProcessA failed
  uint32_t thread_id = 0;
  // WaitForInputIdle's result: 0, WAIT_TIMEOUT or another value.
  uint32_t wait_result = 0;
};
inline constexpr uint32_t kWaitTimeout = 258;  // WAIT_TIMEOUT

class BrowserDesktop {
 public:
  virtual ~BrowserDesktop() = default;

  // FindWindowA; an empty text stands for NULL.
  virtual WindowHandle find_window(const std::string& class_name, const std::string& title) = 0;
  // FindWindowExA(parent, NULL, class_name, NULL).
  virtual WindowHandle find_child(WindowHandle parent, const std::string& class_name) = 0;
  virtual WindowHandle foreground() = 0;                  // GetForegroundWindow
  virtual WindowHandle parent(WindowHandle window) = 0;   // GetParent
  // GetClassNameA with a 30-character buffer.
  virtual std::string class_name(WindowHandle window) = 0;
  virtual bool set_foreground(WindowHandle window) = 0;   // SetForegroundWindow
  virtual bool is_iconic(WindowHandle window) = 0;        // IsIconic
  virtual void restore(WindowHandle window) = 0;          // ShowWindow(SW_RESTORE)
  // PostMessageA(window, WM_QUIT, 0, 0).
  virtual void post_quit(WindowHandle window) = 0;
  // PostThreadMessageA(thread, WM_QUIT, 0, 0).
  virtual void post_thread_quit(uint32_t thread_id) = 0;

  // keybd_event(vk, MapVirtualKeyA(vk, 0), 0 or KEYEVENTF_KEYUP, extra).
  virtual void key_event(uint8_t vk, bool release, uintptr_t extra) = 0;
  // GetMessageExtraInfo() of the calling thread.
  virtual uintptr_t message_extra_info() = 0;
  virtual void sleep(uint32_t milliseconds) = 0;

  // CreateProcessA(path, no command line, STARTF_USESHOWWINDOW, SW_SHOW),
  // then WaitForInputIdle up to wait_ms.
  virtual StartedProgram start_program(const std::string& path, uint32_t wait_ms) = 0;
  virtual void terminate(uintptr_t process) = 0;          // TerminateProcess
  virtual void close_process_handle(uintptr_t process) = 0;

  // A message box with a text of surfres (OK, or Retry/Cancel with the
  // exclamation icon for retry_cancel).
  virtual BoxAnswer message_box(uint32_t text_id, bool retry_cancel) = 0;
};

}  // namespace surfdeck
