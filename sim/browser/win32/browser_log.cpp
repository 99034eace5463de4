#include "sim/browser/win32/browser_log.h"

#include "testing/win32/harness.h"

namespace browserlog {
namespace {

// Reads the file from offset on: false when it cannot be opened.
bool read_from(const std::string& path, unsigned long long offset, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  bytes->clear();
  if (SetFilePointerEx(file, position, NULL, FILE_BEGIN)) {
    char block[4096];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, NULL) && got > 0) bytes->append(block, got);
  }
  CloseHandle(file);
  return true;
}

// The length of the whole lines at the start of bytes.
size_t whole_lines(const std::string& bytes) {
  const size_t last = bytes.rfind('\n');
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::vector<LogEntry> Log::read() const {
  std::vector<LogEntry> log;
  std::string bytes;
  if (!read_from(path_, start_, &bytes)) return log;
  bytes.resize(whole_lines(bytes));
  size_t begin = 0;
  while (begin < bytes.size()) {
    const size_t end = bytes.find('\n', begin);
    std::string line = bytes.substr(begin, end - begin);
    begin = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::optional<LogEntry> entry = browser::parse_log_line(line);
    if (!entry) {
      entry = LogEntry();
      entry->line = line;
    }
    log.push_back(std::move(*entry));
  }
  return log;
}

void Log::clear() {
  std::string bytes;
  if (read_from(path_, start_, &bytes)) start_ += whole_lines(bytes);
}

bool Log::wait_for(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                   DWORD timeout_ms, std::vector<LogEntry>* log) const {
  std::vector<LogEntry> now;
  const bool done = serve_until(
      [&] {
        now = read();
        return condition(now);
      },
      timeout_ms);
  if (log) *log = std::move(now);
  return done;
}

bool serve_until(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD begin = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (condition()) return true;
    if (itest::check_stray_boxes() || GetTickCount() - begin >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
  }
}

std::vector<LogEntry> of_event(const std::vector<LogEntry>& log, const char* event) {
  std::vector<LogEntry> result;
  for (const LogEntry& e : log)
    if (e.event == event) result.push_back(e);
  return result;
}

std::vector<LogEntry> dde(const std::vector<LogEntry>& log, const char* type, const char* topic) {
  std::vector<LogEntry> result;
  for (const LogEntry& e : log) {
    if (e.event == "dde" && e.has("type", type) && (!topic || e.has("topic", topic)))
      result.push_back(e);
  }
  return result;
}

std::string dump(const std::vector<LogEntry>& log) {
  std::string text;
  for (const LogEntry& e : log) text += e.line + "\n";
  return text;
}

}  // namespace browserlog
