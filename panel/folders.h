// The file system as disc discovery walks it: the C run-time's current drive
// and directory, and a wildcard search in the current directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panel {

struct FolderEntry {
  std::string name;        // the file's name, no directory
  bool directory = false;
  uint32_t size = 0;       // low 32 bits
};

class Folders {
 public:
  virtual ~Folders() = default;

  // _chdrive: letter 'A' ... 'Z' (either case).
  virtual bool make_drive_current(char letter) = 0;
  // _chdir.
  virtual bool change_directory(const std::string& path) = 0;
  // _findfirst/_findnext on a pattern such as "*.DAT" in the current
  // directory, in the file system's order; empty when nothing matches.
  virtual std::vector<FolderEntry> find(const std::string& pattern) = 0;
};

}  // namespace panel
