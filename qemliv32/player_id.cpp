#include "qemliv32/player_id.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace qem {

std::string format_guid(const Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

void RuntimeRandom::seed(uint32_t seed) { std::srand(seed); }
int RuntimeRandom::next() { return std::rand(); }
uint32_t RuntimeRandom::now() { return static_cast<uint32_t>(std::time(nullptr)); }

Guid random_guid(RandomSource& random) {
  // Seeded once: seeding again with the time before each byte, within the
  // same second, would make all eight bytes the same.
  random.seed(random.now());
  auto next = [&random] {
    int r = random.next();
    return r < 0 ? 0u - static_cast<uint32_t>(r) : static_cast<uint32_t>(r);
  };
  Guid g;
  uint32_t r1 = next();
  uint32_t r2 = next();
  g.data1 = r1 * 65536u + r2;
  g.data2 = static_cast<uint16_t>(next());
  g.data3 = static_cast<uint16_t>(next());
  for (uint8_t& b : g.data4) b = static_cast<uint8_t>(next());
  return g;
}

PlayerIdResult ensure_player_id(ProfileStore& store, GuidSource* guids, RandomSource& random) {
  PlayerIdResult result;
  result.id = store.get(kSectionUserDetails, kKeyPlayerId).value_or("");
  if (!result.id.empty()) return result;

  Guid guid;
  if (!guids || !guids->create(guid)) guid = random_guid(random);
  result.id = format_guid(guid);
  result.created = true;
  result.stored = store.put(kSectionUserDetails, kKeyPlayerId, result.id);
  return result;
}

}  // namespace qem
