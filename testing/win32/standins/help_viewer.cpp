// Stands in for the help viewer WinHelpA reaches: a window of class
// "MS_WINHELP" that takes Wine's WM_COPYDATA help record, logs the file,
// command and data asked for, and answers as the viewer does. See
// testing/win32/driver.h for where a test puts it.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "testing/win32/standins/standin_log.h"

namespace {

const char kClassName[] = "MS_WINHELP";
// What Wine's WinHelpA puts in COPYDATASTRUCT.dwData.
const ULONG_PTR kHelpMagic = 0xA1DE505;

// The help record, as Wine's WinHelpA lays it out: two 16-bit fields, two
// 32-bit ones and the 16-bit offsets of the file name and of the data; the
// strings follow. The same on 32 and 64 bits.
const size_t kCommandAt = 2;
const size_t kDataAt = 4;
const size_t kFileOffsetAt = 12;
const size_t kDataOffsetAt = 14;
const size_t kRecordHeader = 16;

uint16_t u16_at(const uint8_t* bytes, size_t at) { return bytes[at] | bytes[at + 1] << 8; }

uint32_t u32_at(const uint8_t* bytes, size_t at) {
  return u16_at(bytes, at) | static_cast<uint32_t>(u16_at(bytes, at + 2)) << 16;
}

// The zero-ended string at offset, within the record only; "" at offset 0.
std::string string_at(const uint8_t* bytes, size_t size, size_t offset) {
  if (offset < kRecordHeader || offset >= size) return std::string();
  const char* begin = reinterpret_cast<const char*>(bytes + offset);
  return std::string(begin, strnlen(begin, size - offset));
}

bool carries_text(UINT command) {
  return command == HELP_KEY || command == HELP_PARTIALKEY || command == HELP_COMMAND;
}

LRESULT on_help_record(HWND window, const COPYDATASTRUCT* copy) {
  // Anything else sent as copy data is refused, as the viewer does.
  if (!copy || copy->dwData != kHelpMagic || !copy->lpData || copy->cbData < kRecordHeader)
    return 0;
  const uint8_t* record = static_cast<const uint8_t*>(copy->lpData);
  const size_t size = copy->cbData;
  const UINT command = u16_at(record, kCommandAt);
  std::string line = "command=" + std::to_string(command) +
                     " data=" + std::to_string(u32_at(record, kDataAt)) +
                     " file=" + string_at(record, size, u16_at(record, kFileOffsetAt));
  if (carries_text(command))
    line += " text=" + string_at(record, size, u16_at(record, kDataOffsetAt));
  standin::log_line(line);
  if (command == HELP_QUIT) PostMessageA(window, WM_CLOSE, 0, 0);
  return 1;
}

LRESULT CALLBACK viewer_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COPYDATA:
      return on_help_record(window, reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = viewer_proc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kClassName;
  if (!RegisterClassA(&window_class)) return 1;
  // Made before the first wait for messages: WinHelpA looks for it as soon
  // as the program it started is idle. It stays hidden.
  if (!CreateWindowA(kClassName, "Help", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                     200, NULL, NULL, instance, NULL))
    return 1;

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
