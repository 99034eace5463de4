#include "detector/player_list.h"

namespace detector {

namespace {

// Deletes are tried this far at most, whatever the registry holds.
constexpr int kMaxDeletes = 10000;

std::string player_key(int kind, std::size_t n) { return kind_key(kind) + "\\Player" + std::to_string(n); }
std::string default_key(int kind) { return kind_key(kind) + "\\Default"; }

bool write_player(halvo::Registry& user, const std::string& key, const Player& p) {
  return user.create_key(key) && user.write_string(key, "Path", p.path) && user.write_string(key, "Name", p.name);
}

}  // namespace

PlayerLists PlayerLists::load(halvo::Registry& user) {
  PlayerLists lists;
  for (int kind = 0; kind < kKindCount; ++kind) {
    std::vector<Player>& players = lists.kinds_[kind];
    std::optional<std::string> name = user.read_string(default_key(kind), "Name");
    std::optional<std::string> path = user.read_string(default_key(kind), "Path");
    if (!name || !path) continue;
    players.push_back(Player{std::move(*name), std::move(*path), true});
    for (std::size_t n = 0; players.size() < kMaxPlayers; ++n) {
      name = user.read_string(player_key(kind, n), "Name");
      path = user.read_string(player_key(kind, n), "Path");
      if (!name || !path) break;
      players.push_back(Player{std::move(*name), std::move(*path), false});
    }
  }
  return lists;
}

int PlayerLists::default_index(int kind) const {
  const std::vector<Player>& players = kinds_[kind];
  for (std::size_t i = 0; i < players.size(); ++i)
    if (players[i].is_default) return static_cast<int>(i);
  return -1;
}

void PlayerLists::make_default(int kind, std::size_t index) {
  std::vector<Player>& players = kinds_[kind];
  if (index >= players.size()) return;
  for (std::size_t i = 0; i < players.size(); ++i) players[i].is_default = i == index;
}

void PlayerLists::add(int kind, Player player) {
  std::vector<Player>& players = kinds_[kind];
  player.is_default = players.empty();
  players.push_back(std::move(player));
}

void PlayerLists::edit(int kind, std::size_t index, const std::string& name, const std::string& path) {
  std::vector<Player>& players = kinds_[kind];
  if (index >= players.size()) return;
  players[index].name = name;
  players[index].path = path;
}

PlayerLists::Removal PlayerLists::remove(int kind, std::size_t index) {
  std::vector<Player>& players = kinds_[kind];
  if (index >= players.size()) return Removal::no_such_player;
  if (players.size() == 1) return Removal::last_player;
  const bool was_default = players[index].is_default;
  players.erase(players.begin() + static_cast<std::ptrdiff_t>(index));
  if (was_default) players.front().is_default = true;
  return Removal::removed;
}

bool PlayerLists::apply(halvo::Registry& user, halvo::Registry& classes) const {
  bool ok = true;
  for (int kind = 0; kind < kKindCount; ++kind) {
    const int def = default_index(kind);
    if (def < 0) continue;
    const std::vector<Player>& players = kinds_[kind];

    const std::string command_key = play_command_key(kind);
    if (!classes.create_key(command_key) || !classes.write_string(command_key, "", players[def].path)) ok = false;

    if (!write_player(user, default_key(kind), players[def])) {
      ok = false;
      continue;
    }
    std::size_t written = 0;
    bool kind_ok = true;
    for (std::size_t i = 0; i < players.size() && kind_ok; ++i) {
      if (static_cast<int>(i) == def) continue;
      kind_ok = write_player(user, player_key(kind, written), players[i]);
      if (kind_ok) ++written;
    }
    if (!kind_ok) {
      ok = false;
      continue;
    }
    for (int n = 0; n < kMaxDeletes && user.delete_key(player_key(kind, written + n)); ++n) {
    }
  }
  return ok;
}

}  // namespace detector
