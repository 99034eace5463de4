// The test browser's log file: one line appended per event and the file
// closed again, so a test reads it while the browser runs.
#pragma once

#include <string>
#include <string_view>

#include "sim/browser/log_line.h"

namespace browser {

class EventLog {
 public:
  explicit EventLog(std::string path) : path_(std::move(path)) {}

  // A line for event, stamped t= with QueryPerformanceCounter in
  // microseconds (one clock for every process of the machine).
  LogLine line(std::string_view event) const;
  void write(const LogLine& line) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace browser
