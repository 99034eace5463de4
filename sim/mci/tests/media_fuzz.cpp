// Fuzzes the media file headers the file devices read: the input as a WAV,
// a MIDI and an AVI file, whole and as the first part of a larger file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/mci/media_file.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "mci_media_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvomci;
  for (MediaFormat format : {MediaFormat::kWave, MediaFormat::kMidi, MediaFormat::kAvi}) {
    for (uint64_t file_size : {uint64_t{size}, uint64_t{size} * 4 + 1000}) {
      MediaInfo info;
      std::string error;
      bool ok = read_media(format, data, size, file_size, info, error);
      check(ok == error.empty());
      if (format != MediaFormat::kAvi) check(info.width == 0 && info.height == 0);
    }
  }
  return 0;
}
