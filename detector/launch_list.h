// The launch list page: the Menu launcher's programs, App0-App8 under the
// Launch key.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/registry.h"

namespace detector {

inline constexpr std::size_t kMaxLaunchDescription = 24;  // characters typed

struct LaunchEntry {
  std::string description;
  std::string command_line;
  std::string parameters;
};

class LaunchList {
 public:
  static constexpr std::size_t kMaxEntries = 9;

  // App0, App1, ... until a key or one of its three values is missing; at
  // most nine.
  static LaunchList load(halvo::Registry& user);

  const std::vector<LaunchEntry>& entries() const { return entries_; }
  bool can_add() const { return entries_.size() < kMaxEntries; }
  bool can_remove() const { return !entries_.empty(); }

  // Appends; false when the list is full.
  bool add(LaunchEntry entry);
  void edit(std::size_t index, LaunchEntry entry);
  // Removes the entries at these indices (any order, duplicates ignored).
  void remove(std::vector<std::size_t> indices);

  // Writes App0, App1, ... with their three values (keys created as
  // needed), then deletes App keys from the first number not written
  // upwards until a delete fails. False when a write failed; then nothing
  // is deleted.
  bool apply(halvo::Registry& user) const;

 private:
  std::vector<LaunchEntry> entries_;
};

}  // namespace detector
