// The test browser's log as Wine tests read it: one entry per line the
// browser wrote (sim/browser/log_line.h for the fields), oldest first.
//
//   start   pid config service layout flood answer-after refuse slow-start
//   error   text
//   ready   frame document title        (windows made, message loop next)
//   register service result             (DdeNameService: "ok", "failed")
//   dde     type topic item format [data] result [reply]
//           type: request, poke, execute, advstart, ... (or its number);
//           result: answered, accepted, refused
//   dde     type="connect" topic service result
//   dde     type="connect-confirm" topic service
//   dde     type="disconnect" conversation (its handle)
//   page    url bookmarks links mark    (after each WWW_OpenURL)
//   echo-connect result                 (the conversation with ZKAPP:
//                                        connected, none, terminated)
//   echo    item data result            (the poke to ZKAPP, logged when it
//                                        is done: accepted, refused,
//                                        unanswered (no answer within 1 s),
//                                        disconnected, no-connection, failed)
//   activate / focus window
//   key     msg (keydown, keyup, syskeydown, syskeyup, char, syschar)
//           vk or char, alt ctrl shift (GetKeyState: 1 = down)
//   exit    code
//
// Every line has t=, QueryPerformanceCounter in microseconds.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/browser/log_line.h"

namespace browserlog {

using browser::LogEntry;

class Log {
 public:
  explicit Log(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // The whole lines written since the last clear (a line still being
  // written is left for the next read); empty when there is no file. A line
  // that does not parse comes as an entry with an empty event.
  std::vector<LogEntry> read() const;
  // Later reads start after what the file holds now.
  void clear();

  // Reads the log about every 20 ms until condition holds: false at the
  // deadline or once the test has had a stray box. Meanwhile every message
  // of the thread is dispatched, so a DDE conversation of the test goes on.
  // The last log read is left in *log.
  bool wait_for(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                DWORD timeout_ms, std::vector<LogEntry>* log = NULL) const;

 private:
  std::string path_;
  unsigned long long start_ = 0;
};

// Calls condition about every 20 ms until it holds, as itest::wait_until
// does, but dispatching every message of the thread meanwhile.
bool serve_until(const std::function<bool()>& condition, DWORD timeout_ms);

// The entries of one event ("dde", "key", ...).
std::vector<LogEntry> of_event(const std::vector<LogEntry>& log, const char* event);
// The "dde" entries of one transaction type, and topic unless NULL.
std::vector<LogEntry> dde(const std::vector<LogEntry>& log, const char* type,
                          const char* topic = NULL);
// The lines, for a failing test's message.
std::string dump(const std::vector<LogEntry>& log);

}  // namespace browserlog
