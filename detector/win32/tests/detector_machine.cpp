#include "detector/win32/tests/detector_machine.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <string.h>

#include <algorithm>

#include "detector/win32/detres/detres_ids.h"
#include "testing/win32/harness.h"

namespace itest {

namespace {

constexpr DWORD kStartWaitMs = 20000;
constexpr DWORD kExitWaitMs = 15000;

bool same_name(const char* a, const std::string& b) { return lstrcmpiA(a, b.c_str()) == 0; }

struct WindowSearch {
  DWORD pid;
  const char* title;
  HWND found;
};

BOOL CALLBACK find_detector_window(HWND window, LPARAM context) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[64], title[64];
  if (pid == search->pid && GetClassNameA(window, name, sizeof name) && strcmp(name, "MmcdDetectorClass") == 0 &&
      GetWindowTextA(window, title, sizeof title) >= 0 && strcmp(title, search->title) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND detector_window(DWORD pid, const char* title) {
  WindowSearch search = {pid, title, NULL};
  EnumWindows(find_detector_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct DialogSearch {
  DWORD pid;
  int control;
  HWND found;
};

BOOL CALLBACK find_dialog_window(HWND window, LPARAM context) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[16];
  if (pid == search->pid && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
      strcmp(name, "#32770") == 0 && GetDlgItem(window, search->control)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string detector_string(UINT id) {
  static HMODULE library = LoadLibraryExA((program_folder() + "\\detres.dll").c_str(), NULL,
                                          LOAD_LIBRARY_AS_DATAFILE);
  char text[4096];
  int length = library ? LoadStringA(library, id, text, sizeof text) : 0;
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

// ---- stand-ins ----

bool StandIns::make(const std::string& name) {
  folder_ = program_folder() + "\\" + name;
  log_ = folder_ + "\\record.log";
  CreateDirectoryA(folder_.c_str(), NULL);
  DeleteFileA(log_.c_str());
  names_.clear();
  return SetEnvironmentVariableA("HALVO_RECORD_LOG", log_.c_str()) != FALSE &&
         (GetFileAttributesA(folder_.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string StandIns::add(const std::string& file_name) { return add_to(folder_, file_name); }

std::string StandIns::add_to(const std::string& folder, const std::string& file_name) {
  CreateDirectoryA(folder.c_str(), NULL);
  std::string path = folder + "\\" + file_name;
  if (!CopyFileA((program_folder() + "\\detector_recorder.exe").c_str(), path.c_str(), FALSE)) return std::string();
  names_.push_back(file_name);
  return path;
}

std::vector<std::string> StandIns::lines() const {
  std::vector<std::string> out;
  HANDLE file = CreateFileA(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return out;
  std::string text;
  char chunk[4096];
  DWORD read;
  while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0) text.append(chunk, read);
  CloseHandle(file);
  // "<pid> <command line>", one a line; a line still being written is left for later.
  for (size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
    std::string line = text.substr(begin, end - begin);
    size_t blank = line.find(' ');
    out.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
  }
  return out;
}

bool StandIns::wait_for_lines(size_t count, DWORD timeout_ms) const {
  return wait_until([&] { return lines().size() >= count; }, timeout_ms);
}

std::vector<DWORD> StandIns::running() const {
  std::vector<DWORD> pids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    for (const std::string& name : names_)
      if (same_name(entry.szExeFile, name)) pids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return pids;
}

void StandIns::end_all() {
  for (DWORD pid : running()) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kExitWaitMs);
    CloseHandle(process);
  }
  DeleteFileA(log_.c_str());
}

// ---- the detector ----

bool DetectorProcess::start() {
  end();
  std::string command = "\"" + program_folder() + "\\detector.exe\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, program_folder().c_str(), &startup, &info))
    return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  return WaitForInputIdle(process_, kStartWaitMs) == 0;
}

bool DetectorProcess::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND DetectorProcess::main_window() const { return detector_window(pid_, "Mmcd Detector"); }
HWND DetectorProcess::status_window() const { return detector_window(pid_, "Status"); }
HWND DetectorProcess::status_bar() const {
  HWND status = status_window();
  return status ? GetDlgItem(status, 0x1000) : NULL;
}

bool DetectorProcess::wait_for_exit(DWORD timeout_ms, DWORD* code) {
  if (!process_ || wait_for_object(process_, timeout_ms) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(process_, code);
  return true;
}

bool DetectorProcess::quit() {
  HWND window = main_window();
  if (!window || !PostMessageA(window, WM_COMMAND, IDM_QUIT, 0)) return false;
  return wait_for_exit(kExitWaitMs);
}

void DetectorProcess::end() {
  if (!process_) return;
  if (running() && !quit()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kExitWaitMs);
  }
  CloseHandle(process_);
  process_ = NULL;
  pid_ = 0;
}

// ---- windows of another process ----

std::string status_part(HWND bar, int part, LRESULT* result) {
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return std::string();
  const SIZE_T size = 512;
  void* remote = VirtualAllocEx(process, NULL, size, MEM_COMMIT, PAGE_READWRITE);
  std::string text;
  if (remote) {
    LRESULT got = SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote));
    if (result) *result = got;
    char buffer[size] = {};
    SIZE_T read = 0;
    if (ReadProcessMemory(process, remote, buffer, size - 1, &read)) text = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

HWND find_dialog(DWORD pid, int control_id) {
  DialogSearch search = {pid, control_id, NULL};
  EnumWindows(find_dialog_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
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
