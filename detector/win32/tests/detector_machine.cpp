#include "detector/win32/tests/detector_machine.h"

#include <tlhelp32.h>

#include "detector/win32/detres/detres_ids.h"

namespace itest {

std::string detector_string(UINT id) {
  static HMODULE library =
      LoadLibraryExA((program_folder() + "detres.dll").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  char text[4096];
  int length = library ? LoadStringA(library, id, text, sizeof text) : 0;
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

// ---- stand-ins ----

std::string StandIns::add_to(const std::string& folder, const std::string& file_name) {
  CreateDirectoryA(folder.c_str(), NULL);
  std::string path = folder + "\\" + file_name;
  if (!place_standin(kRecorder, path)) return std::string();
  paths_.push_back(path);
  return path;
}

std::vector<std::string> StandIns::lines() const {
  std::vector<std::string> out;
  for (const std::string& path : paths_) {
    std::vector<std::string> starts = recorded_starts(path);
    out.insert(out.end(), starts.begin(), starts.end());
  }
  return out;
}

bool StandIns::wait_for_lines(size_t count) const {
  return eventually([&] { return lines().size() >= count; });
}

std::vector<DWORD> StandIns::running() const {
  std::vector<DWORD> pids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    for (const std::string& path : paths_)
      if (lstrcmpiA(entry.szExeFile, path.substr(path.find_last_of('\\') + 1).c_str()) == 0) {
        pids.push_back(entry.th32ProcessID);
        break;
      }
  CloseHandle(snapshot);
  return pids;
}

void StandIns::end_all() {
  for (DWORD pid : running()) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kDetectorWaitMs);
    CloseHandle(process);
  }
  for (const std::string& path : paths_) DeleteFileA((path + ".log").c_str());
}

// ---- the detector ----

bool DetectorProcess::start(const char* folder) {
  end();
  if (!process_.start("\"" + program_folder() + "detector.exe\"", folder ? folder : program_folder().c_str()))
    return false;
  return WaitForInputIdle(process_.handle(), kDetectorWaitMs) == 0;
}

HWND DetectorProcess::status_bar() const {
  HWND status = status_window();
  return status ? GetDlgItem(status, 0x1000) : NULL;
}

bool DetectorProcess::quit() {
  HWND window = main_window();
  return window && post_command(window, IDM_QUIT) && process_.wait(kDetectorWaitMs);
}

void DetectorProcess::end() {
  if (process_.running() && !quit()) process_.end();
  process_.end();
}

// ---- windows and keys ----

HWND find_dialog(DWORD pid, int control_id) {
  for (HWND dialog : find_windows("#32770", NULL, pid))
    if (IsWindowVisible(dialog) && GetDlgItem(dialog, control_id)) return dialog;
  return NULL;
}

bool write_binary(HKEY root, const std::string& path, const char* name, const std::vector<BYTE>& bytes) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS) return false;
  bool ok = RegSetValueExA(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) ==
            ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

void delete_tree(HKEY root, const std::string& key) {
  RegDeleteTreeA(root, key.c_str());
  RegDeleteKeyA(root, key.c_str());
}

}  // namespace itest
