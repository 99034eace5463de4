#include "qemliv32/player_id.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace qem {
namespace {

class FixedGuids : public GuidSource {
 public:
  bool ok = true;
  Guid guid;
  int calls = 0;
  bool create(Guid& out) override {
    ++calls;
    if (ok) out = guid;
    return ok;
  }
};

// A generator whose sequence restarts at every seed, as the runtime's does.
class ScriptedRandom : public RandomSource {
 public:
  std::vector<int> values;
  std::size_t pos = 0;
  int seeds = 0;
  uint32_t last_seed = 0;
  void seed(uint32_t s) override {
    ++seeds;
    last_seed = s;
    pos = 0;
  }
  int next() override { return values.at(pos++); }
  uint32_t now() override { return 851040000; }
};

class ReadOnlyStore : public MemoryProfileStore {
 public:
  bool put(std::string_view, std::string_view, std::string_view) override { return false; }
};

TEST(PlayerId, FormatsLikeTheSystem) {
  Guid g;
  g.data1 = 0x6B29FC40;
  g.data2 = 0xCA47;
  g.data3 = 0x1067;
  const uint8_t d4[8] = {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA};
  std::copy(d4, d4 + 8, g.data4);
  EXPECT_EQ(format_guid(g), "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_EQ(format_guid(Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(PlayerId, KeptWhenPresent) {
  MemoryProfileStore store("[User Details]\nPlayer ID={AAAAAAAA-0000-0000-0000-000000000000}\n");
  FixedGuids guids;
  ScriptedRandom random;
  PlayerIdResult r = ensure_player_id(store, &guids, random);
  EXPECT_EQ(r.id, "{AAAAAAAA-0000-0000-0000-000000000000}");
  EXPECT_FALSE(r.created);
  EXPECT_EQ(guids.calls, 0);
}

TEST(PlayerId, CreatedFromTheSystemGuidAndStored) {
  MemoryProfileStore store("[User Details]\nPlayer ID=\n");
  FixedGuids guids;
  guids.guid.data1 = 0x0123ABCD;
  guids.guid.data4[7] = 0xEF;
  ScriptedRandom random;
  PlayerIdResult r = ensure_player_id(store, &guids, random);
  EXPECT_EQ(r.id, "{0123ABCD-0000-0000-0000-0000000000EF}");
  EXPECT_TRUE(r.created);
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(store.get("user details", "player id"), r.id);
  EXPECT_EQ(random.seeds, 0);
  EXPECT_EQ(ensure_player_id(store, &guids, random).created, false) << "made once only";
}

TEST(PlayerId, FallsBackToTheTimeSeededGenerator) {
  FixedGuids guids;
  guids.ok = false;
  ScriptedRandom random;
  // r1, r2, r3, r4 and one value per byte; a negative one counts by its size.
  random.values = {0x1234, 0x5678, 0x9ABC, 0x7DEF, 1, 2, 0x1FE, -3, 0x7FFF, 0, 255, INT32_MIN};
  MemoryProfileStore store;
  PlayerIdResult r = ensure_player_id(store, &guids, random);
  EXPECT_EQ(r.id, "{12345678-9ABC-7DEF-0102-FE03FF00FF00}");
  EXPECT_EQ(random.seeds, 1) << "seeded once, so the bytes differ";
  EXPECT_EQ(random.last_seed, 851040000u);
  EXPECT_EQ(store.get("User Details", "Player ID"), r.id);

  ScriptedRandom again;
  again.values = random.values;
  MemoryProfileStore empty;
  EXPECT_EQ(ensure_player_id(empty, nullptr, again).id, r.id) << "no GUID source at all";
}

TEST(PlayerId, RuntimeGeneratorGivesDifferentBytes) {
  // Re-seeding with the time before each byte would make all eight equal.
  RuntimeRandom random;
  Guid g = random_guid(random);
  std::set<uint8_t> bytes(g.data4, g.data4 + 8);
  EXPECT_GT(bytes.size(), 1u) << format_guid(g);
}

TEST(PlayerId, UnwritableStoreStillGivesAnIdForThisPlay) {
  ReadOnlyStore store;
  FixedGuids guids;
  ScriptedRandom random;
  PlayerIdResult r = ensure_player_id(store, &guids, random);
  EXPECT_EQ(r.id.size(), 38u);
  EXPECT_TRUE(r.created);
  EXPECT_FALSE(r.stored);
}

}  // namespace
}  // namespace qem
