// The job object of a test executable. The executable puts itself in it
// first; every process a test starts, and every process those start, then
// belongs to it too, and all of them end when the executable ends and its
// handle of the job is closed with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace itest {

class TestJob {
 public:
  TestJob() = default;
  // Keeps the handle: closing it while this process is in the job crashes
  // Wine 8's server. It closes as the process ends, ending the others.
  ~TestJob() = default;
  TestJob(const TestJob&) = delete;
  TestJob& operator=(const TestJob&) = delete;

  // Creates the job with kill-on-close and puts this process in it.
  bool open();
  // Ids of the job's running processes other than this one. Any thread.
  std::vector<DWORD> processes() const;

 private:
  HANDLE job_ = NULL;
};

// The program file name of a running process ("mmcdclient.exe"), or "?"
// when it has gone.
std::string image_name(DWORD pid);

}  // namespace itest
