#include "surfdeck/win32/desktop_port.h"

#include "common/win32/dialog.h"
#include "surfdeck/surfres_ids.h"

namespace surfdeck {

namespace {

HWND hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
const char* or_null(const std::string& text) { return text.empty() ? NULL : text.c_str(); }

}  // namespace

int show_message(HINSTANCE resources, HWND owner, UINT text_id, UINT type) {
  const std::string text = halvo::load_string(resources, text_id);
  const std::string caption = halvo::load_string(resources, IDS_TITLE);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

WindowHandle DesktopPort::find_window(const std::string& class_name, const std::string& title) {
  return handle(FindWindowA(or_null(class_name), or_null(title)));
}

WindowHandle DesktopPort::find_child(WindowHandle parent, const std::string& class_name) {
  if (parent == 0) return 0;
  return handle(FindWindowExA(hwnd(parent), NULL, or_null(class_name), NULL));
}

WindowHandle DesktopPort::foreground() { return handle(GetForegroundWindow()); }

WindowHandle DesktopPort::parent(WindowHandle window) {
  return window == 0 ? 0 : handle(GetParent(hwnd(window)));
}

std::string DesktopPort::class_name(WindowHandle window) {
  char name[31] = "";
  if (window != 0) GetClassNameA(hwnd(window), name, sizeof name);
  return name;
}

bool DesktopPort::set_foreground(WindowHandle window) {
  return window != 0 && SetForegroundWindow(hwnd(window)) != FALSE;
}

bool DesktopPort::is_iconic(WindowHandle window) { return window != 0 && IsIconic(hwnd(window)) != FALSE; }

void DesktopPort::restore(WindowHandle window) {
  if (window != 0) ShowWindow(hwnd(window), SW_RESTORE);
}

void DesktopPort::post_quit(WindowHandle window) {
  if (window != 0) PostMessageA(hwnd(window), WM_QUIT, 0, 0);
}

void DesktopPort::post_thread_quit(uint32_t thread_id) { PostThreadMessageA(thread_id, WM_QUIT, 0, 0); }

void DesktopPort::key_event(uint8_t vk, bool release, uintptr_t extra) {
  keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), release ? KEYEVENTF_KEYUP : 0, extra);
}

uintptr_t DesktopPort::message_extra_info() { return static_cast<uintptr_t>(GetMessageExtraInfo()); }

void DesktopPort::sleep(uint32_t milliseconds) { Sleep(milliseconds); }

StartedProgram DesktopPort::start_program(const std::string& path, uint32_t wait_ms) {
  StartedProgram started;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return started;
  CloseHandle(process.hThread);
  started.process = reinterpret_cast<uintptr_t>(process.hProcess);
  started.thread_id = process.dwThreadId;
  started.wait_result = WaitForInputIdle(process.hProcess, wait_ms);
  return started;
}

void DesktopPort::terminate(uintptr_t process) {
  if (process != 0) TerminateProcess(reinterpret_cast<HANDLE>(process), 0);
}

void DesktopPort::close_process_handle(uintptr_t process) {
  if (process != 0) CloseHandle(reinterpret_cast<HANDLE>(process));
}

BoxAnswer DesktopPort::message_box(uint32_t text_id, bool retry_cancel) {
  const UINT type = retry_cancel ? MB_RETRYCANCEL | MB_ICONEXCLAMATION : MB_OK | MB_ICONEXCLAMATION;
  switch (show_message(resources_, owner_, text_id, type)) {
    case IDRETRY: return BoxAnswer::retry;
    case IDCANCEL: return BoxAnswer::cancel;
    default: return BoxAnswer::ok;
  }
}

}  // namespace surfdeck
