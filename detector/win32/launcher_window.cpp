#include "detector/win32/launcher_window.h"

#include <tlhelp32.h>

#include <string>
#include <vector>

#include "common/win32/win32_registry.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"

namespace detector {

namespace {

constexpr int kFontPoints = 26;
constexpr COLORREF kSelectedColour = RGB(255, 128, 0);
constexpr COLORREF kEntryColour = RGB(0, 0, 255);
constexpr LONG kMaxBitmapSide = 4096;

// The first thread of a process, or 0.
DWORD first_thread(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more && !found; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == pid) found = entry.th32ThreadID;
  CloseHandle(snapshot);
  return found;
}

BOOL CALLBACK collect_window(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// The running process whose program file is the entry's program, or 0.
DWORD running_program(const std::string& program) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
    entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
    if (is_entry_program(entry.szExeFile, program)) found = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return found;
}

// The windows of the process's first thread, until one takes the focus.
// Hidden windows (such as a thread's input-method window) are not shown.
void bring_forward(DWORD pid) {
  DWORD thread = first_thread(pid);
  if (!thread) return;
  std::vector<HWND> windows;
  EnumThreadWindows(thread, collect_window, reinterpret_cast<LPARAM>(&windows));
  const DWORD own = GetCurrentThreadId();
  for (HWND window : windows) {
    if (!IsWindowVisible(window)) continue;
    AttachThreadInput(own, thread, TRUE);
    HWND top = GetAncestor(window, GA_ROOT);
    ShowWindow(top, SW_RESTORE);
    SetForegroundWindow(top);
    SetFocus(top);
    bool focused = GetFocus() == top;
    AttachThreadInput(own, thread, FALSE);
    if (focused) break;
  }
}

bool win_exec(HWND owner, const std::string& command_line) {
  if (WinExec(command_line.c_str(), SW_SHOWDEFAULT) > 31) return true;
  resource_box(owner, IDS_START_FAILED, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

}  // namespace

LauncherWindow::~LauncherWindow() {
  free_background();
  if (font_) DeleteObject(font_);
}

bool LauncherWindow::load_background() {
  free_background();
  if (!g_app.resources) return false;
  HRSRC found = FindResourceA(g_app.resources, MAKEINTRESOURCEA(IDB_LAUNCHER), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (!found) return false;
  DWORD size = SizeofResource(g_app.resources, found);
  HGLOBAL loaded = LoadResource(g_app.resources, found);
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : NULL;
  if (!data || size < sizeof(BITMAPINFOHEADER)) return false;

  // The resource is read with the same care as any file: every size it
  // states must lie inside it.
  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > size) return false;
  LONG width = header->biWidth;
  LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  WORD depth = header->biBitCount;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide || header->biPlanes != 1)
    return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) return false;
  DWORD colours = header->biClrUsed;
  if (colours == 0 && depth <= 8) colours = 1u << depth;
  if (colours > 256) return false;
  DWORD masks = header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
  DWORD offset = header->biSize + masks + colours * sizeof(RGBQUAD);
  DWORD stride = ((static_cast<DWORD>(width) * depth + 31) / 32) * 4;
  if (offset > size || stride * static_cast<DWORD>(height) > size - offset) return false;

  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(data + header->biSize + masks);
  if (colours) {
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(colours);
    for (DWORD i = 0; i < colours; ++i) {
      logical->palPalEntry[i].peRed = table[i].rgbRed;
      logical->palPalEntry[i].peGreen = table[i].rgbGreen;
      logical->palPalEntry[i].peBlue = table[i].rgbBlue;
      logical->palPalEntry[i].peFlags = 0;
    }
    palette_ = CreatePalette(logical);
  } else {
    HDC screen = GetDC(NULL);
    palette_ = CreateHalftonePalette(screen);
    ReleaseDC(NULL, screen);
  }
  info_ = reinterpret_cast<const BITMAPINFO*>(data);
  bits_ = data + offset;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  return true;
}

void LauncherWindow::free_background() {
  if (palette_) DeleteObject(palette_);
  palette_ = NULL;
  info_ = NULL;
  bits_ = NULL;
}

void LauncherWindow::refresh_entries() {
  HDC dc = GetDC(hwnd());
  reload(dc);
  ReleaseDC(hwnd(), dc);
}

void LauncherWindow::reload(HDC dc) {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  int selected = launcher_.selected();
  launcher_.set_entries(read_launcher_lines(user));
  launcher_.select(selected);
  measure(dc);
}

HFONT LauncherWindow::font(HDC dc) {
  if (!font_) {
    LOGFONTA description = {};
    description.lfHeight = -MulDiv(kFontPoints, GetDeviceCaps(dc, LOGPIXELSY), 72);
    description.lfWeight = FW_BOLD;
    description.lfCharSet = DEFAULT_CHARSET;
    font_ = CreateFontIndirectA(&description);
  }
  return font_;
}

void LauncherWindow::measure(HDC dc) {
  HGDIOBJ old = SelectObject(dc, font(dc));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  launcher_.layout(FontMetrics{metrics.tmMaxCharWidth, metrics.tmHeight, metrics.tmExternalLeading});
}

void LauncherWindow::show() {
  refresh_entries();
  ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
  InvalidateRect(hwnd(), NULL, TRUE);
}

void LauncherWindow::hide() { ShowWindow(hwnd(), SW_HIDE); }

void LauncherWindow::place_over_desktop() {
  int x = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
  RECT now;
  GetWindowRect(hwnd(), &now);
  bool topmost = (GetWindowLongA(hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (now.left == x && now.top == y && now.right - now.left == width_ && now.bottom - now.top == height_ && topmost &&
      !IsZoomed(hwnd()))
    return;
  // The centred rectangle becomes the normal place and the window leaves
  // its maximised state: a window still marked maximised but smaller than
  // the screen is restored by the system (Wine's X11 driver does so) to
  // the empty rectangle it was created with, and vanishes.
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(hwnd(), &placement);
  placement.flags = 0;
  placement.showCmd = SW_SHOWNORMAL;
  placement.rcNormalPosition = RECT{x, y, x + width_, y + height_};
  SetWindowPlacement(hwnd(), &placement);
  SetWindowPos(hwnd(), HWND_TOPMOST, x, y, width_, height_, 0);
}

void LauncherWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  if (bits_) {
    place_over_desktop();
    HPALETTE old_palette = palette_ ? SelectPalette(dc, palette_, FALSE) : NULL;
    RealizePalette(dc);
    SetDIBitsToDevice(dc, 0, 0, width_, height_, 0, 0, 0, height_, bits_, info_, DIB_RGB_COLORS);
    if (old_palette) SelectPalette(dc, old_palette, FALSE);
  }
  // The entries as the registry holds them now: the settings may have changed them.
  reload(dc);
  HGDIOBJ old_font = SelectObject(dc, font(dc));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < launcher_.count(); ++i) {
    std::string line = launcher_.line_text(i);
    Rect r = launcher_.rect(i);
    SetTextColor(dc, i == launcher_.selected() ? kSelectedColour : kEntryColour);
    TextOutA(dc, r.left, r.top, line.c_str(), static_cast<int>(line.size()));
  }
  SelectObject(dc, old_font);
  EndPaint(hwnd(), &ps);
}

void LauncherWindow::select_entry(int index) {
  if (!launcher_.select(index)) return;
  Rect r = launcher_.rect(index);
  POINT corner = {r.left, r.top};
  ClientToScreen(hwnd(), &corner);
  SetCursorPos(corner.x, corner.y);
  InvalidateRect(hwnd(), NULL, TRUE);
}

void LauncherWindow::start_selected() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::optional<EntryCommand> command = enter_command(user, launcher_.selected());
  if (!command) return;
  if (DWORD pid = running_program(command->program))
    bring_forward(pid);
  else
    win_exec(hwnd(), command->command_line);
  hide();
}

void LauncherWindow::double_click() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::optional<EntryCommand> command = double_click_command(user, launcher_.selected());
  if (command) win_exec(hwnd(), command->command_line);
  hide();
}

bool LauncherWindow::handle_launcher(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  (void)wparam;
  switch (message) {
    case WM_PAINT:
      paint();
      result = 0;
      return true;
    case WM_MOUSEMOVE: {
      int entry = launcher_.hit(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      if (entry >= 0 && launcher_.select(entry)) InvalidateRect(hwnd(), NULL, TRUE);
      result = 0;
      return true;
    }
    case WM_LBUTTONDBLCLK:
      if (shown()) double_click();
      result = 0;
      return true;
    case WM_QUERYNEWPALETTE:
      if (!palette_) return false;
      InvalidateRect(hwnd(), NULL, TRUE);
      result = TRUE;
      return true;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wparam) != hwnd()) InvalidateRect(hwnd(), NULL, TRUE);
      result = 0;
      return true;
  }
  return false;
}

}  // namespace detector
