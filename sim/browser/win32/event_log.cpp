#include "sim/browser/win32/event_log.h"

#include <windows.h>

namespace browser {

LogLine EventLog::line(std::string_view event) const {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const long long micros = static_cast<long long>(
      (now.QuadPart / frequency.QuadPart) * 1000000 +
      (now.QuadPart % frequency.QuadPart) * 1000000 / frequency.QuadPart);
  LogLine line(event);
  line.number("t", micros);
  return line;
}

void EventLog::write(const LogLine& line) const {
  HANDLE file = CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line.str() + "\r\n";
  DWORD written = 0;
  // One write per line: a reader sees whole lines or none of one.
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
  CloseHandle(file);
}

}  // namespace browser
