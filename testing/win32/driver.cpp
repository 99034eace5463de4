#include "testing/win32/driver.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>

namespace itest {

const char kRecorder[] = "halvo-recorder.exe";
const char kRecorderClass[] = "HalvoRecorder";
const char kHelpViewer[] = "halvo-helpview.exe";
const char kHelpViewerClass[] = "MS_WINHELP";

namespace {

const DWORD kPollMs = 20;
const size_t kTextRoom = 1024;

struct WindowSearch {
  const char* class_name;
  const char* title;
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM context) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
  if (search->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) return TRUE;
  }
  if (search->class_name && class_of(window) != search->class_name) return TRUE;
  if (search->title) {
    // The text the server keeps: no message reaches a busy program.
    char title[512] = "";
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(title, search->title) != 0) return TRUE;
  }
  search->found.push_back(window);
  return TRUE;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK find_control(HWND window, LPARAM context) {
  ControlSearch* search = reinterpret_cast<ControlSearch*>(context);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

// The text after "key=" up to the next " key2=" (or the end when next is NULL).
std::string field(const std::string& line, const char* key, const char* next) {
  const std::string start = std::string(key) + "=";
  size_t at = line.find(start);
  if (at == std::string::npos) return std::string();
  at += start.size();
  size_t end = next ? line.find(std::string(" ") + next + "=", at) : std::string::npos;
  return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

bool remove_tree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return RemoveDirectoryA(folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD begin = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (check_stray_boxes() || GetTickCount() - begin >= timeout_ms) return false;
    Sleep(kPollMs);
  }
}

// ---- programs ----

HANDLE start_program(const std::string& command_line, HANDLE output, const char* folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (output != NULL) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION process;
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!CreateProcessA(NULL, line.data(), NULL, NULL, output != NULL, 0, NULL, folder, &startup,
                      &process))
    return NULL;
  CloseHandle(process.hThread);
  return process.hProcess;
}

DWORD finish_program(HANDLE process) {
  DWORD code = kNotStarted;
  const DWORD waited = wait_for_object(process, kRunTimeoutMs);
  if (waited == WAIT_OBJECT_0) {
    GetExitCodeProcess(process, &code);
  } else {
    if (waited != WAIT_TIMEOUT) code = kWaitFailed;
    TerminateProcess(process, code);
  }
  CloseHandle(process);
  return code;
}

DWORD run_program(const std::string& arguments, const char* program, std::string* output,
                  const char* folder) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
  HANDLE read_end, write_end;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return kNotStarted;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  const std::string line = "\"" + program_folder() + program + "\" " + arguments;
  HANDLE process = start_program(line, write_end, folder);
  if (process == NULL) {
    // Seen once under load on a busy machine: try once more, and say why
    // if that fails too.
    Sleep(200);
    process = start_program(line, write_end, folder);
  }
  const DWORD start_error = GetLastError();
  CloseHandle(write_end);
  if (process == NULL) {
    CloseHandle(read_end);
    if (output != NULL)
      *output += "could not start " + line + ": error " + std::to_string(start_error) + "\n";
    return kNotStarted;
  }
  std::string text;
  read_until_closed(read_end, text, kRunTimeoutMs);
  CloseHandle(read_end);
  if (output != NULL) *output += text;
  return finish_program(process);
}

bool Process::start(const std::string& command_line, const char* folder) {
  end();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, folder, &startup, &info))
    return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  return true;
}

bool Process::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::wait(DWORD timeout_ms, DWORD* exit_code) {
  if (!process_ || wait_for_object(process_, timeout_ms) != WAIT_OBJECT_0) return false;
  if (exit_code) GetExitCodeProcess(process_, exit_code);
  return true;
}

bool Process::close(DWORD timeout_ms) {
  if (!process_) return true;
  for (HWND window : find_windows(NULL, NULL, pid_))
    if (IsWindowVisible(window)) PostMessageA(window, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
  end();
  return ended;
}

void Process::end() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
  process_ = NULL;
  pid_ = 0;
}

// ---- windows ----

std::vector<HWND> find_windows(const char* class_name, const char* title, DWORD pid) {
  WindowSearch search = {class_name, title, pid, {}};
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND find_window(const char* class_name, const char* title, DWORD pid) {
  std::vector<HWND> found = find_windows(class_name, title, pid);
  return found.empty() ? NULL : found.front();
}

HWND wait_for_window(const char* class_name, const char* title, DWORD timeout_ms, DWORD pid) {
  HWND window = NULL;
  wait_until(
      [&] {
        for (HWND candidate : find_windows(class_name, title, pid))
          if (IsWindowVisible(candidate)) {
            window = candidate;
            return true;
          }
        return false;
      },
      timeout_ms);
  return window;
}

bool wait_for_window_gone(HWND window, DWORD timeout_ms) {
  return wait_until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

std::string class_of(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string text_of(HWND window) {
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> text(length + 2, '\0');
  SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

bool set_text(HWND window, const std::string& text) {
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

HWND control(HWND parent, int id) {
  // Its own controls first: a sheet's OK is not a page's control 1.
  HWND own = GetDlgItem(parent, id);
  if (own) return own;
  ControlSearch search = {id, NULL};
  EnumChildWindows(parent, find_control, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool is_enabled(HWND window) { return window && IsWindowEnabled(window); }
bool is_visible(HWND window) { return window && IsWindowVisible(window); }

RECT window_rect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

bool click(HWND dialog, int id) {
  HWND button = control(dialog, id);
  // A button of a page tells the page, its parent.
  HWND parent = button ? GetParent(button) : dialog;
  return PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != 0;
}

bool post_command(HWND window, int id) {
  return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

bool is_checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool set_check(HWND dialog, int id, bool checked) {
  HWND button = control(dialog, id);
  if (!button) return false;
  SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  return click(dialog, id);
}

// ---- combo boxes ----

std::vector<std::string> combo_items(HWND combo) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  // Asked in Unicode: Wine 8 hands another process's CB_GETLBTEXTA back in
  // Unicode characters.
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (length == CB_ERR) break;
    std::vector<wchar_t> wide(length + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
    char text[kTextRoom] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text, NULL, NULL);
    items.push_back(text);
  }
  return items;
}

int combo_selection(HWND combo) {
  return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

bool select_combo(HWND dialog, int id, int index) {
  HWND combo = control(dialog, id);
  if (!combo || SendMessageA(combo, CB_SETCURSEL, index, 0) != index) return false;
  return PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(combo)) != 0;
}

// ---- property sheets ----

bool select_page(HWND sheet, int index) {
  return SendMessageA(sheet, PSM_SETCURSEL, index, 0) != 0;
}

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int current_page_index(HWND sheet) {
  HWND page = current_page(sheet);
  if (!page) return -1;
  return static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

// ---- memory in another process ----

RemoteBuffer::RemoteBuffer(HWND window, size_t size) : size_(size) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process_) return;
  address_ = static_cast<char*>(
      VirtualAllocEx(process_, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

RemoteBuffer::~RemoteBuffer() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

LPARAM RemoteBuffer::at(size_t offset) const {
  return reinterpret_cast<LPARAM>(address_ + offset);
}

bool RemoteBuffer::write(const void* bytes, size_t size, size_t offset) {
  SIZE_T done = 0;
  return address_ && offset + size <= size_ &&
         WriteProcessMemory(process_, address_ + offset, bytes, size, &done) && done == size;
}

bool RemoteBuffer::read(void* bytes, size_t size, size_t offset) const {
  SIZE_T done = 0;
  return address_ && offset + size <= size_ &&
         ReadProcessMemory(process_, address_ + offset, bytes, size, &done) && done == size;
}

std::string RemoteBuffer::read_text(size_t offset, size_t max) const {
  std::vector<char> text(max + 1, '\0');
  if (!read(text.data(), max, offset)) return std::string();
  return text.data();
}

// ---- tree views ----

namespace {

bool read_tree_item(HWND tree, HTREEITEM handle, TreeItem& item) {
  RemoteBuffer buffer(tree, sizeof(TVITEMA) + kTextRoom);
  TVITEMA request = {};
  request.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  request.hItem = handle;
  request.pszText = reinterpret_cast<LPSTR>(buffer.at(sizeof request));
  request.cchTextMax = kTextRoom;
  if (!buffer.write(&request, sizeof request) ||
      !SendMessageA(tree, TVM_GETITEMA, 0, buffer.at()) || !buffer.read(&request, sizeof request))
    return false;
  item.handle = handle;
  item.image = request.iImage;
  item.selected_image = request.iSelectedImage;
  item.text = buffer.read_text(sizeof request, kTextRoom);
  return true;
}

HTREEITEM next_item(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void collect_tree(HWND tree, HTREEITEM first, int depth, std::vector<TreeItem>& items) {
  for (HTREEITEM handle = first; handle; handle = next_item(tree, handle, TVGN_NEXT)) {
    TreeItem item;
    if (!read_tree_item(tree, handle, item)) return;
    item.depth = depth;
    items.push_back(item);
    collect_tree(tree, next_item(tree, handle, TVGN_CHILD), depth + 1, items);
  }
}

}  // namespace

std::vector<TreeItem> tree_items(HWND tree) {
  std::vector<TreeItem> items;
  collect_tree(tree, next_item(tree, NULL, TVGN_ROOT), 0, items);
  return items;
}

HTREEITEM tree_find(HWND tree, const std::string& text, int depth) {
  for (const TreeItem& item : tree_items(tree))
    if (item.text == text && (depth < 0 || item.depth == depth)) return item.handle;
  return NULL;
}

HTREEITEM tree_selection(HWND tree) { return next_item(tree, NULL, TVGN_CARET); }

bool tree_select(HWND tree, HTREEITEM item) {
  return SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

// ---- list views ----

int list_count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string list_text(HWND list, int item, int subitem) {
  RemoteBuffer buffer(list, sizeof(LVITEMA) + kTextRoom);
  LVITEMA request = {};
  request.iSubItem = subitem;
  request.pszText = reinterpret_cast<LPSTR>(buffer.at(sizeof request));
  request.cchTextMax = kTextRoom;
  if (!buffer.write(&request, sizeof request)) return std::string();
  SendMessageA(list, LVM_GETITEMTEXTA, item, buffer.at());
  return buffer.read_text(sizeof request, kTextRoom);
}

std::vector<std::string> list_column(HWND list, int subitem) {
  std::vector<std::string> texts;
  for (int i = 0, count = list_count(list); i < count; ++i) texts.push_back(list_text(list, i, subitem));
  return texts;
}

UINT list_state(HWND list, int item, UINT mask) {
  return static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, item, mask));
}

int list_selection(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

bool list_select(HWND list, int item) {
  RemoteBuffer buffer(list, sizeof(LVITEMA));
  LVITEMA change = {};
  change.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  // Item -1 stands for all of them.
  change.state = 0;
  if (!buffer.write(&change, sizeof change) ||
      !SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), buffer.at()))
    return false;
  change.state = LVIS_SELECTED | LVIS_FOCUSED;
  return buffer.write(&change, sizeof change) &&
         SendMessageA(list, LVM_SETITEMSTATE, item, buffer.at()) != 0;
}

// ---- status bars ----

std::vector<int> status_parts(HWND bar) {
  const int count = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
  std::vector<int> edges(count > 0 ? count : 0);
  if (edges.empty()) return edges;
  RemoteBuffer buffer(bar, edges.size() * sizeof(int));
  if (!SendMessageA(bar, SB_GETPARTS, edges.size(), buffer.at()) ||
      !buffer.read(edges.data(), edges.size() * sizeof(int)))
    edges.clear();
  return edges;
}

bool status_owner_drawn(HWND bar, int part) {
  return (HIWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0)) & SBT_OWNERDRAW) != 0;
}

std::string status_text(HWND bar, int part) {
  if (status_owner_drawn(bar, part)) return std::string();
  const size_t length = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0));
  RemoteBuffer buffer(bar, length + 1);
  if (!buffer.ok()) return std::string();
  SendMessageA(bar, SB_GETTEXTA, part, buffer.at());
  return buffer.read_text(0, length);
}

LRESULT status_data(HWND bar, int part) {
  RemoteBuffer buffer(bar, kTextRoom);
  return buffer.ok() ? SendMessageA(bar, SB_GETTEXTA, part, buffer.at()) : 0;
}

// ---- the screen ----

std::vector<COLORREF> screen_pixels(const RECT& area) {
  std::vector<COLORREF> pixels;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return pixels;
  // A 32-bit top-down DIB section: exact colours, read in place.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(NULL);
  HDC memory = screen ? CreateCompatibleDC(screen) : NULL;
  DWORD* bits = NULL;
  HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), NULL, 0)
                          : NULL;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      GdiFlush();
      pixels.reserve(static_cast<size_t>(width) * height);
      for (int i = 0; i < width * height; ++i)
        pixels.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  if (memory) DeleteDC(memory);
  if (screen) ReleaseDC(NULL, screen);
  return pixels;
}

// ---- message boxes ----

::testing::AssertionResult answer_expected_box(ExpectedBoxes& boxes, const std::string& caption,
                                               const char* text, int button, DWORD timeout_ms,
                                               FoundBox* found) {
  FoundBox box;
  if (!boxes.next(box, timeout_ms))
    return ::testing::AssertionFailure()
           << "no message box \"" << caption << "\" within " << timeout_ms << " ms";
  if (found) *found = box;
  if (box.caption != caption || (text && box.text != text)) {
    answer_box(box.window, IDCANCEL);
    return ::testing::AssertionFailure()
           << "expected a box \"" << caption << "\"" << (text ? std::string(": ") + text : "")
           << ", got one of " << box.image << ", \"" << box.caption << "\": " << box.text
           << " (answered with Cancel)";
  }
  if (!answer_box(box.window, button))
    return ::testing::AssertionFailure() << "cannot answer the box \"" << caption << "\"";
  return ::testing::AssertionSuccess();
}

// ---- folders, logs and stand-ins ----

TestFolder::TestFolder(const std::string& name) {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return;
  path_ = std::string(temp) + "halvo-" + name + "\\";
  remove_tree(path_);
  ok_ = CreateDirectoryA(path_.c_str(), NULL) != 0;
}

TestFolder::~TestFolder() {
  if (ok_) remove_tree(path_);
}

bool place_standin(const char* standin, const std::string& path) {
  const std::string source = program_folder() + "standins\\" + standin;
  return CopyFileA(source.c_str(), path.c_str(), FALSE) != 0;
}

std::vector<std::string> read_lines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file.c_str(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool wait_for_lines(const std::string& file, size_t count, DWORD timeout_ms) {
  return wait_until([&] { return read_lines(file).size() >= count; }, timeout_ms);
}

std::vector<std::string> recorded_starts(const std::string& program_path) {
  static const char kStarted[] = "started ";
  std::vector<std::string> starts;
  for (const std::string& line : read_lines(program_path + ".log"))
    if (line.compare(0, sizeof kStarted - 1, kStarted) == 0)
      starts.push_back(line.substr(sizeof kStarted - 1));
  return starts;
}

std::vector<HelpRequest> help_requests(const std::string& viewer_path) {
  std::vector<HelpRequest> requests;
  for (const std::string& line : read_lines(viewer_path + ".log")) {
    HelpRequest request;
    request.command = strtoul(field(line, "command", "data").c_str(), NULL, 10);
    request.data = strtoul(field(line, "data", "file").c_str(), NULL, 10);
    request.file = field(line, "file", line.find(" text=") != std::string::npos ? "text" : NULL);
    request.text = field(line, "text", NULL);
    requests.push_back(request);
  }
  return requests;
}

}  // namespace itest
