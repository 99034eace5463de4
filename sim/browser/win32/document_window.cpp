#include "sim/browser/win32/document_window.h"

namespace browser {
namespace {

const int kMargin = 20;

const char* key_message_name(UINT message) {
  switch (message) {
    case WM_KEYDOWN: return "keydown";
    case WM_KEYUP: return "keyup";
    case WM_SYSKEYDOWN: return "syskeydown";
    case WM_SYSKEYUP: return "syskeyup";
    case WM_CHAR: return "char";
    case WM_SYSCHAR: return "syschar";
    default: return "other";
  }
}

bool down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

bool DocumentWindow::create(HWND frame, const char* class_name, HINSTANCE instance) {
  WNDCLASSEXA window_class = {};
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = class_name;
  if (!register_class(window_class)) return false;
  RECT client;
  GetClientRect(frame, &client);
  return Window::create(0, class_name, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                        client.right, client.bottom, frame, NULL, instance) != NULL;
}

LRESULT DocumentWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_SETFOCUS:
      log_.write(log_.line("focus").text("window", "document"));
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd());
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      log_key(message, wparam);
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      log_key(message, wparam);
      // Alt+F4 still closes; other Alt keys must not open the system menu,
      // which would swallow the keys after them.
      if (wparam == VK_F4) break;
      return 0;
    case WM_SYSCHAR:
      log_key(message, wparam);
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

void DocumentWindow::log_key(UINT message, WPARAM code) {
  LogLine line = log_.line("key");
  line.text("msg", key_message_name(message));
  line.hex(message == WM_CHAR || message == WM_SYSCHAR ? "char" : "vk", code);
  line.number("alt", down(VK_MENU))
      .number("ctrl", down(VK_CONTROL))
      .number("shift", down(VK_SHIFT));
  log_.write(line);
}

void DocumentWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client;
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  const int height = metrics.tmHeight + metrics.tmExternalLeading + 2;
  SetBkMode(dc, TRANSPARENT);
  int y = 6;
  for (const PageLine& line : page_.lines()) {
    if (y > client.bottom) break;
    if (line.marked) {
      RECT bar = {0, y - 1, client.right, y + height - 1};
      FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      TextOutA(dc, 6, y, ">", 1);
    } else {
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    TextOutA(dc, kMargin, y, line.text.c_str(), static_cast<int>(line.text.size()));
    y += height;
  }
  SelectObject(dc, old_font);
  EndPaint(hwnd(), &ps);
}

}  // namespace browser
