#include "detector/win32/status_window.h"

#include <commctrl.h>

#include <string>

#include "common/win32/win32_registry.h"
#include "detector/capture_handler.h"
#include "detector/keys.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/main_window.h"

namespace detector {

namespace {

constexpr int kBarId = 0x1000;
constexpr int kClientWidth = 138;
constexpr int kClientHeight = 20;
constexpr int kLockBitmapSize = 15;

}  // namespace

bool StatusWindow::open(HWND owner) {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  // Stored as DWORDs; a window left above or left of the screen is negative.
  int x = static_cast<int>(user.read_dword(kDetectorKey, kStatusXValue).value_or(0));
  int y = static_cast<int>(user.read_dword(kDetectorKey, kStatusYValue).value_or(0));
  int width = kClientWidth + GetSystemMetrics(SM_CXFRAME);
  int height = kClientHeight + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION);
  if (!create(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kDetectorClass, "Status", WS_POPUP | WS_CAPTION, x, y,
              width, height, owner, NULL, g_app.instance))
    return false;
  bar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd(),
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)), g_app.instance, NULL);
  if (!bar_) return false;
  int edges[3] = {kStatusPartEdges[0], kStatusPartEdges[1], -1};
  SendMessageA(bar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  set_lock(0, false);
  set_lock(1, false);
  SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

void StatusWindow::show_name(const char* name, size_t size) {
  // The record's name field need not hold a terminator.
  std::string text(name, strnlen(name, size));
  SendMessageA(bar_, SB_SETTEXTA, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusWindow::clear_name() {
  SendMessageA(bar_, SB_SETTEXTA, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(""));
}

void StatusWindow::set_lock(int part, bool on) {
  // An owner-drawn part's data is the number of the bitmap it shows.
  SendMessageA(bar_, SB_SETTEXTA, part | SBT_OWNERDRAW, lock_bitmap(part, on));
  InvalidateRect(bar_, NULL, TRUE);
}

void StatusWindow::save_position() {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!hwnd() || !GetWindowPlacement(hwnd(), &placement)) return;
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  if (!user.create_key(kDetectorKey)) return;
  user.write_dword(kDetectorKey, kStatusXValue, static_cast<uint32_t>(placement.rcNormalPosition.left));
  user.write_dword(kDetectorKey, kStatusYValue, static_cast<uint32_t>(placement.rcNormalPosition.top));
}

void StatusWindow::draw_part(const DRAWITEMSTRUCT& item) {
  if (!g_app.resources) return;
  HBITMAP bitmap = LoadBitmapA(g_app.resources, MAKEINTRESOURCEA(item.itemData));
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(item.hDC);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const RECT& r = item.rcItem;
  int x = r.left + (r.right - r.left - kLockBitmapSize) / 2;
  int y = r.top + (r.bottom - r.top - kLockBitmapSize) / 2;
  BitBlt(item.hDC, x, y, kLockBitmapSize, kLockBitmapSize, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

LRESULT StatusWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (bar_) SendMessageA(bar_, WM_SIZE, wparam, lparam);
      return 0;
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->CtlID != static_cast<UINT>(kBarId)) break;
      draw_part(*item);
      return TRUE;
    }
    case WM_CLOSE:
      // It lives as long as the detector.
      return 0;
  }
  return default_handle(message, wparam, lparam);
}

}  // namespace detector
