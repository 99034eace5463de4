// The players page's lists: for each kind its players, one of them the
// default, kept under the Detector key and in the shell's play commands.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "common/registry.h"
#include "detector/keys.h"

namespace detector {

inline constexpr std::size_t kMaxPlayerName = 24;  // characters typed
// Players read per kind; the registry may hold any number of Player keys.
inline constexpr std::size_t kMaxPlayers = 64;

struct Player {
  std::string name;
  std::string path;  // the command line
  bool is_default = false;
};

class PlayerLists {
 public:
  // Each kind: its "Default" player first, then Player0, Player1, ... until
  // a key or value is missing (at most kMaxPlayers in all). A kind without a complete Default is left
  // empty and the next kind is read all the same.
  static PlayerLists load(halvo::Registry& user);

  const std::vector<Player>& players(int kind) const { return kinds_[kind]; }
  // Index of the kind's default, or -1 when the kind is empty.
  int default_index(int kind) const;

  // The player becomes the default of its kind.
  void make_default(int kind, std::size_t index);
  // Appended, not default, unless the kind was empty: then it is the default.
  void add(int kind, Player player);
  void edit(int kind, std::size_t index, const std::string& name, const std::string& path);

  enum class Removal { removed, last_player, no_such_player };
  // The last player of a kind is not removed. Removing the default makes the
  // first remaining player the default.
  Removal remove(int kind, std::size_t index);

  // For each kind with a default: the play command under HKEY_CLASSES_ROOT
  // := the default's path; "<kind>\Default" (created when missing) gets
  // "Path" and "Name"; the others become Player0, Player1, ... in list
  // order; then Player keys from the first number not written are deleted
  // upwards until a delete fails. A kind whose writing fails keeps its old
  // Player keys. False when a write failed; the other kinds are written.
  bool apply(halvo::Registry& user, halvo::Registry& classes) const;

 private:
  std::array<std::vector<Player>, kKindCount> kinds_;
};

}  // namespace detector
