#include "repath/patcher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace repath {

uint64_t find_marker(PatchFile& file, std::string_view marker) {
  const std::size_t len = marker.size();
  if (len == 0) return 0;
  if (!file.seek(0, SeekFrom::begin)) return 0;
  const auto* want = reinterpret_cast<const uint8_t*>(marker.data());

  std::array<uint8_t, kChunkBytes> chunk;
  // Sized from the marker, so a marker of any length completes a straddling
  // candidate without overrunning anything.
  std::vector<uint8_t> extra(len), joined(len);
  uint64_t base = 0;
  for (;;) {
    std::size_t count = 0;
    if (!file.read(chunk.data(), chunk.size(), count) || count == 0) return 0;
    for (std::size_t i = 0; i < count; ++i) {
      const void* hit = std::memchr(chunk.data() + i, want[0], count - i);
      if (!hit) break;
      i = static_cast<std::size_t>(static_cast<const uint8_t*>(hit) - chunk.data());
      if (i + len <= count) {
        if (std::memcmp(chunk.data() + i, want, len) == 0) return base + i + len;
        continue;
      }
      // The candidate runs past the chunk: read on, compare, and go back so
      // the next chunk starts where it would have.
      std::size_t got = 0;
      if (!file.read(extra.data(), len, got) || got == 0) return 0;
      const std::size_t tail = count - i;
      const std::size_t take = std::min(got, len - tail);
      std::memcpy(joined.data(), chunk.data() + i, tail);
      std::memcpy(joined.data() + tail, extra.data(), take);
      if (tail + take == len && std::memcmp(joined.data(), want, len) == 0) return base + i + len;
      // Back by what was read: near the end of the file that is less than
      // the marker's length.
      if (!file.seek(-static_cast<int64_t>(got), SeekFrom::current)) return 0;
    }
    base += count;
  }
}

PatchOutcome patch(PatchFile& file, std::string_view marker, std::string_view text) {
  if (marker.empty()) return PatchOutcome::empty_marker;
  const uint64_t at = find_marker(file, marker);
  if (at == 0) return PatchOutcome::not_found;
  if (at > static_cast<uint64_t>(INT64_MAX) ||
      !file.seek(static_cast<int64_t>(at), SeekFrom::begin))
    return PatchOutcome::write_failed;
  // The text and its NUL, in one write.
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  std::size_t written = 0;
  if (!file.write(bytes.data(), bytes.size(), written) || written != bytes.size())
    return PatchOutcome::write_failed;
  return PatchOutcome::written;
}

int replace_sd_path(FileOpener& opener, const char* file_name, const char* marker,
                    const char* text, PatchOutcome* outcome) {
  if (!file_name) return 0;
  std::unique_ptr<PatchFile> file = opener.open_read_write(file_name);
  if (!file) return 0;
  const PatchOutcome done = patch(*file, marker ? marker : "", text ? text : "");
  if (outcome) *outcome = done;
  return 1;
}

}  // namespace repath
