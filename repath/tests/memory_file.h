// An in-memory file and a folder of them, for driving the patcher without a
// file system: reads can be cut short and writes made to fail.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "repath/patcher.h"

namespace repath::testing {

struct MemoryFile : PatchFile {
  explicit MemoryFile(std::vector<uint8_t>& bytes) : bytes(bytes) {}

  bool read(uint8_t* data, std::size_t size, std::size_t& got) override {
    got = pos >= bytes.size() ? 0 : std::min({size, bytes.size() - pos, max_read});
    if (got) std::memcpy(data, bytes.data() + pos, got);
    pos += got;
    return true;
  }
  bool seek(int64_t offset, SeekFrom from) override {
    const int64_t to = (from == SeekFrom::begin ? 0 : static_cast<int64_t>(pos)) + offset;
    if (to < 0) return false;
    pos = static_cast<std::size_t>(to);
    return true;
  }
  bool write(const uint8_t* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (fail_writes) return false;
    if (bytes.size() < pos + size) bytes.resize(pos + size);
    std::memcpy(bytes.data() + pos, data, size);
    pos += size;
    written = size;
    ++writes;
    return true;
  }

  std::vector<uint8_t>& bytes;
  std::size_t pos = 0;
  std::size_t max_read = SIZE_MAX;  // a smaller value cuts every read short
  bool fail_writes = false;
  int writes = 0;
};

// Files by name; a read-only or locked one cannot be opened for writing.
struct MemoryFolder : FileOpener {
  struct Entry {
    std::vector<uint8_t> bytes;
    bool read_only = false;
    bool locked = false;  // held open by another handle without sharing
  };

  std::unique_ptr<PatchFile> open_read_write(const char* name) override {
    auto it = files.find(name);
    if (it == files.end() || it->second.read_only || it->second.locked) return nullptr;
    auto file = std::make_unique<MemoryFile>(it->second.bytes);
    file->fail_writes = fail_writes;
    return file;
  }

  std::map<std::string, Entry> files;
  bool fail_writes = false;
};

inline std::vector<uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace repath::testing
