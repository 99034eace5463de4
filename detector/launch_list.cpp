#include "detector/launch_list.h"

#include <algorithm>

#include "detector/keys.h"

namespace detector {

namespace {

constexpr int kMaxDeletes = 10000;

std::string app_key(std::size_t index) { return std::string(kLaunchKey) + "\\App" + std::to_string(index); }

}  // namespace

LaunchList LaunchList::load(halvo::Registry& user) {
  LaunchList list;
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const std::string key = app_key(i);
    std::optional<std::string> description = user.read_string(key, "Description");
    std::optional<std::string> command_line = user.read_string(key, "Command line");
    std::optional<std::string> parameters = user.read_string(key, "Parameters");
    if (!description || !command_line || !parameters) break;
    list.entries_.push_back(LaunchEntry{std::move(*description), std::move(*command_line), std::move(*parameters)});
  }
  return list;
}

bool LaunchList::add(LaunchEntry entry) {
  if (!can_add()) return false;
  entries_.push_back(std::move(entry));
  return true;
}

void LaunchList::edit(std::size_t index, LaunchEntry entry) {
  if (index < entries_.size()) entries_[index] = std::move(entry);
}

void LaunchList::remove(std::vector<std::size_t> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  for (auto it = indices.rbegin(); it != indices.rend(); ++it)
    if (*it < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*it));
}

bool LaunchList::apply(halvo::Registry& user) const {
  std::size_t written = 0;
  for (const LaunchEntry& e : entries_) {
    const std::string key = app_key(written);
    // A failed write keeps the keys after it: deleting them would lose entries.
    if (!user.create_key(key) || !user.write_string(key, "Description", e.description) ||
        !user.write_string(key, "Command line", e.command_line) ||
        !user.write_string(key, "Parameters", e.parameters))
      return false;
    ++written;
  }
  for (int n = 0; n < kMaxDeletes && user.delete_key(app_key(written + n)); ++n) {
  }
  return true;
}

}  // namespace detector
