// The player identifier of section "User Details": a braced GUID string,
// made once per user and kept in QEMPLAY.INI.
#pragma once

#include <cstdint>
#include <string>

#include "qemliv32/settings.h"

namespace qem {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex, 38 characters.
std::string format_guid(const Guid& guid);

// The system's GUID maker (CoCreateGuid in the Win32 shell).
class GuidSource {
 public:
  virtual ~GuidSource() = default;
  virtual bool create(Guid& out) = 0;
};

// The runtime's pseudo-random generator (srand/rand) and the current time,
// for when no GUID can be had from the system.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual void seed(uint32_t seed) = 0;
  virtual int next() = 0;
  virtual uint32_t now() = 0;  // seconds; only seeds the generator
};

// std::srand/std::rand and std::time.
class RuntimeRandom : public RandomSource {
 public:
  void seed(uint32_t seed) override;
  int next() override;
  uint32_t now() override;
};

// A GUID from the generator seeded once with the current time: data1 =
// r1 * 65536 + r2, data2 = r3, data3 = r4, each data4 byte the low byte of
// |r|.
Guid random_guid(RandomSource& random);

struct PlayerIdResult {
  std::string id;
  bool created = false;  // the store held none, a new one was made
  bool stored = false;   // the new one was written to the store
};

// The Player ID of the store; when it is empty, a new one from guids
// (random when that fails or is nullptr) is written to the store.
PlayerIdResult ensure_player_id(ProfileStore& store, GuidSource* guids, RandomSource& random);

}  // namespace qem
