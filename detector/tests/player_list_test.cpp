#include "detector/player_list.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"

namespace detector {
namespace {

std::string player_key(int kind, int n) { return kind_key(kind) + "\\Player" + std::to_string(n); }
std::string default_key(int kind) { return kind_key(kind) + "\\Default"; }

void put(halvo::MemoryRegistry& user, const std::string& key, const char* name, const char* path) {
  ASSERT_TRUE(user.create_key(key));
  if (name) {
    ASSERT_TRUE(user.write_string(key, "Name", name));
  }
  if (path) {
    ASSERT_TRUE(user.write_string(key, "Path", path));
  }
}

// "name=path" per player, the default marked with '*'.
std::vector<std::string> describe(const PlayerLists& lists, int kind) {
  std::vector<std::string> out;
  for (const Player& p : lists.players(kind)) out.push_back((p.is_default ? "*" : "") + p.name + "=" + p.path);
  return out;
}

using Names = std::vector<std::string>;

TEST(PlayerLists, Load) {
  halvo::MemoryRegistry user;
  put(user, default_key(kAudioCd), "Panel", "C:\\Halvo\\panel.exe /play /cda");
  put(user, player_key(kAudioCd, 0), "Other", "o.exe %1");
  put(user, player_key(kAudioCd, 1), "Third", "t.exe %1");
  put(user, player_key(kAudioCd, 3), "After the gap", "g.exe");
  // MixedModeCD's default lacks its path: the kind stays empty, the next kinds load.
  put(user, default_key(kMixedModeCd), "Broken", nullptr);
  put(user, player_key(kMixedModeCd, 0), "Orphan", "x.exe");
  put(user, default_key(kVideoCd), "Video", "v.exe %1");
  put(user, player_key(kVideoCd, 0), nullptr, "noname.exe");
  put(user, player_key(kVideoCd, 1), "Hidden", "h.exe");
  put(user, default_key(kCdi), "Cdi", "c.exe %1");

  const PlayerLists lists = PlayerLists::load(user);
  EXPECT_EQ(describe(lists, kAudioCd),
            (Names{"*Panel=C:\\Halvo\\panel.exe /play /cda", "Other=o.exe %1", "Third=t.exe %1"}));
  EXPECT_TRUE(lists.players(kMixedModeCd).empty());
  EXPECT_EQ(lists.default_index(kMixedModeCd), -1);
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"*Video=v.exe %1"}));
  EXPECT_TRUE(lists.players(kQmcd).empty());
  EXPECT_EQ(describe(lists, kCdi), (Names{"*Cdi=c.exe %1"}));
  EXPECT_EQ(lists.default_index(kAudioCd), 0);
}

TEST(PlayerLists, LoadIsBounded) {
  halvo::MemoryRegistry user;
  put(user, default_key(kQmcd), "Q", "q.exe");
  for (std::size_t n = 0; n < kMaxPlayers + 5; ++n) put(user, player_key(kQmcd, static_cast<int>(n)), "P", "p.exe");
  EXPECT_EQ(PlayerLists::load(user).players(kQmcd).size(), kMaxPlayers);
}

TEST(PlayerLists, Editing) {
  PlayerLists lists;
  lists.add(kVideoCd, Player{"First", "f.exe", false});
  lists.add(kVideoCd, Player{"Second", "s.exe", true});
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"*First=f.exe", "Second=s.exe"}))
      << "the first player of an empty kind is its default, later ones are not";

  lists.add(kVideoCd, Player{"Third", "t.exe", false});
  lists.make_default(kVideoCd, 2);
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"First=f.exe", "Second=s.exe", "*Third=t.exe"}));
  lists.make_default(kVideoCd, 7);
  EXPECT_EQ(lists.default_index(kVideoCd), 2) << "no such player";

  lists.edit(kVideoCd, 1, "Two", "2.exe");
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"First=f.exe", "Two=2.exe", "*Third=t.exe"}));

  EXPECT_EQ(lists.remove(kVideoCd, 2), PlayerLists::Removal::removed);
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"*First=f.exe", "Two=2.exe"})) << "default removed";
  EXPECT_EQ(lists.remove(kVideoCd, 1), PlayerLists::Removal::removed);
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"*First=f.exe"}));
  EXPECT_EQ(lists.remove(kVideoCd, 0), PlayerLists::Removal::last_player);
  EXPECT_EQ(describe(lists, kVideoCd), (Names{"*First=f.exe"}));
  EXPECT_EQ(lists.remove(kVideoCd, 3), PlayerLists::Removal::no_such_player);
  EXPECT_EQ(lists.remove(kCdi, 0), PlayerLists::Removal::no_such_player);
}

TEST(PlayerLists, ApplyOnAFreshRegistry) {
  halvo::MemoryRegistry user, classes;
  PlayerLists lists;
  lists.add(kQmcd, Player{"Q", "C:\\Q\\q.exe %1", false});
  lists.add(kQmcd, Player{"R", "r.exe", false});
  ASSERT_TRUE(lists.apply(user, classes));

  EXPECT_EQ(classes.read_string("QMCD\\shell\\play\\command", ""), "C:\\Q\\q.exe %1");
  EXPECT_EQ(user.read_string(default_key(kQmcd), "Name"), "Q");
  EXPECT_EQ(user.read_string(default_key(kQmcd), "Path"), "C:\\Q\\q.exe %1");
  EXPECT_EQ(user.read_string(player_key(kQmcd, 0), "Path"), "r.exe");
  EXPECT_FALSE(classes.key_exists("AudioCD\\shell\\play\\command")) << "empty kinds are not written";
  EXPECT_FALSE(user.key_exists(kind_key(kAudioCd)));
  EXPECT_EQ(describe(PlayerLists::load(user), kQmcd), describe(lists, kQmcd)) << "what apply wrote loads back";
}

TEST(PlayerLists, RemovingTheDefaultThenApply) {
  halvo::MemoryRegistry user, classes;
  put(user, default_key(kAudioCd), "Panel", "panel.exe /play /cda");
  put(user, player_key(kAudioCd, 0), "Other", "C:\\O\\other.exe %1");
  ASSERT_TRUE(classes.create_key("AudioCD\\shell\\play\\command"));
  ASSERT_TRUE(classes.write_string("AudioCD\\shell\\play\\command", "", "panel.exe /play /cda"));

  PlayerLists lists = PlayerLists::load(user);
  ASSERT_EQ(lists.remove(kAudioCd, 0), PlayerLists::Removal::removed);
  ASSERT_TRUE(lists.apply(user, classes));

  EXPECT_EQ(classes.read_string("AudioCD\\shell\\play\\command", ""), "C:\\O\\other.exe %1");
  EXPECT_EQ(user.read_string(default_key(kAudioCd), "Name"), "Other");
  EXPECT_FALSE(user.key_exists(player_key(kAudioCd, 0))) << "the old Player0 is gone";
  EXPECT_EQ(describe(PlayerLists::load(user), kAudioCd), (Names{"*Other=C:\\O\\other.exe %1"}));
}

TEST(PlayerLists, ApplyDeletesFromTheFirstUnwritten) {
  halvo::MemoryRegistry user, classes;
  put(user, default_key(kCdi), "D", "d.exe");
  for (int n = 0; n < 4; ++n) put(user, player_key(kCdi, n), "P", "p.exe");
  put(user, player_key(kCdi, 5), "Beyond the gap", "b.exe");

  PlayerLists lists = PlayerLists::load(user);
  ASSERT_EQ(lists.players(kCdi).size(), 5u);
  lists.remove(kCdi, 4);
  lists.remove(kCdi, 3);
  ASSERT_TRUE(lists.apply(user, classes));

  EXPECT_EQ(user.subkeys(kind_key(kCdi)), (Names{"Default", "Player0", "Player1", "Player5"}))
      << "deleting stops at the first delete that fails";
}

TEST(PlayerLists, WriteFailures) {
  struct Case {
    const char* name;
    std::string refused;
    bool in_classes;
    bool stale_player_kept;  // a kind whose writing failed deletes nothing
  } cases[] = {
      {"default key", default_key(kAudioCd), false, true},
      {"a player key", player_key(kAudioCd, 1), false, true},
      {"play command", "AudioCD\\shell\\play\\command", true, false},
  };
  for (const Case& c : cases) {
    halvo::MemoryRegistry user, classes;
    put(user, default_key(kAudioCd), "Old", "old.exe");
    for (int n = 0; n < 3; ++n) put(user, player_key(kAudioCd, n), "Old", "old.exe");
    (c.in_classes ? classes : user).refuse_writes(c.refused);

    PlayerLists lists;
    lists.add(kAudioCd, Player{"A", "a.exe", false});
    lists.add(kAudioCd, Player{"B", "b.exe", false});
    lists.add(kAudioCd, Player{"C", "c.exe", false});
    lists.add(kVideoCd, Player{"V", "v.exe", false});
    EXPECT_FALSE(lists.apply(user, classes)) << c.name;
    EXPECT_EQ(user.read_string(default_key(kVideoCd), "Name"), "V") << c.name << ": other kinds written";
    EXPECT_EQ(user.key_exists(player_key(kAudioCd, 2)), c.stale_player_kept) << c.name;
  }
}

}  // namespace
}  // namespace detector
