#include "qemliv32/win32/tests/ui_support.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace qemtest {

std::string IniFileTest::ini_path() {
  char folder[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
  return std::string(folder, n) + "\\QEMPLAY.INI";
}

std::optional<std::string> IniFileTest::ini_bytes() {
  std::ifstream in(ini_path().c_str(), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::string> IniFileTest::ini_get(const char* section, const char* key) {
  static const char kMissing[] = "\x01missing";
  char value[2048];
  GetPrivateProfileStringA(section, key, kMissing, value, sizeof value, ini_path().c_str());
  if (std::string(value) == kMissing) return std::nullopt;
  return std::string(value);
}

bool IniFileTest::ini_put(const char* section, const char* key, const std::string& value) {
  return WritePrivateProfileStringA(section, key, value.c_str(), ini_path().c_str()) != 0;
}

void IniFileTest::SetUp() {
  saved_ = ini_bytes();
  DeleteFileA(ini_path().c_str());
  // The system may hold the file's contents; it is read afresh from now on.
  WritePrivateProfileStringA(NULL, NULL, NULL, ini_path().c_str());
}

void IniFileTest::TearDown() {
  WritePrivateProfileStringA(NULL, NULL, NULL, ini_path().c_str());
  if (saved_) {
    std::ofstream out(ini_path().c_str(), std::ios::binary | std::ios::trunc);
    out << *saved_;
  } else {
    DeleteFileA(ini_path().c_str());
  }
}

PlayerFolder::PlayerFolder() : folder_("qemplay folder") {}

std::string PlayerFolder::directory() const {
  const std::string& p = folder_.path();
  return p.substr(0, p.size() - 1);
}

bool PlayerFolder::place_player(const char* name) {
  const std::string bin = itest::program_folder();
  return CopyFileA((bin + "qemplay.exe").c_str(), path(name).c_str(), FALSE) &&
         CopyFileA((bin + "qemliv32.dll").c_str(), path("qemliv32.dll").c_str(), FALSE);
}

bool PlayerFolder::place_recorder(const char* name) {
  return itest::place_standin(itest::kRecorder, path(name));
}

std::string self() { return "\"" + itest::program_folder() + "qemliv32_ui_itest.exe\""; }

bool wait_for_exit(DWORD pid, DWORD timeout_ms, DWORD* exit_code) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return true;  // gone already
  const bool ended = itest::wait_for_object(process, timeout_ms) == WAIT_OBJECT_0;
  if (ended && exit_code) GetExitCodeProcess(process, exit_code);
  CloseHandle(process);
  return ended;
}

void end_recorders() {
  for (HWND window : itest::find_windows(itest::kRecorderClass, NULL)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_for_exit(pid, itest::kWindowTimeoutMs)) << "recorder " << pid << " still running";
  }
}

}  // namespace qemtest
