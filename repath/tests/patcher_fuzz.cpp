// Differential: the chunked search against std::search on the same bytes.
// Input: [pad hi][pad lo][marker length][read limit][marker][content]; the
// pad puts the content at any distance from a chunk boundary.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "repath/patcher.h"
#include "repath/tests/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::size_t pad = ((data[0] << 8) | data[1]) % (3 * repath::kChunkBytes);
  const std::size_t len = std::min<std::size_t>(data[2], size - 4);
  const std::size_t max_read = data[3] < 16 ? SIZE_MAX : std::size_t{data[3]} * 32;
  const std::string marker(reinterpret_cast<const char*>(data + 4), len);
  std::vector<uint8_t> bytes(pad, marker.empty() ? 'x' : static_cast<uint8_t>(marker[0]));
  bytes.insert(bytes.end(), data + 4 + len, data + size);

  std::vector<uint8_t> copy = bytes;
  repath::testing::MemoryFile file(copy);
  file.max_read = max_read;
  const uint64_t found = repath::find_marker(file, marker);
  uint64_t want = 0;
  if (!marker.empty()) {
    const uint8_t* m = data + 4;
    auto it = std::search(bytes.begin(), bytes.end(), m, m + len);
    if (it != bytes.end()) want = static_cast<uint64_t>(it - bytes.begin()) + len;
  }
  if (found != want) std::abort();
  if (copy != bytes) std::abort();  // searching never writes
  return 0;
}
