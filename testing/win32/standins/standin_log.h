// The stand-ins' log: "<the program's own path>.log", one line appended per
// event, opened and closed each time so that a test reads it at any moment.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

inline std::string own_path() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  return std::string(path, length);
}

inline void log_line(const std::string& line) {
  HANDLE file = CreateFileA((own_path() + ".log").c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
  CloseHandle(file);
}

}  // namespace standin
