#include "panel/command_line.h"

#include <cstddef>

#include "beamhub/codes.h"
#include "panel/mcures_ids.h"

namespace panel {
namespace {

struct PlaySwitch {
  std::string_view text;
  uint16_t disc;
  uint32_t mismatch_text;
};

// Tried in this order; each compares its own length.
constexpr PlaySwitch kSwitches[] = {
    {"/play /cdi", beamhub::kDiscCdi, IDS_CDI_NOT_INSERTED},
    {"/play /mix", beamhub::kDiscMixed, IDS_MIXED_NOT_INSERTED},
    {"/play /cda", beamhub::kDiscAudio, IDS_AUDIO_NOT_INSERTED},
    {"/play /dat", beamhub::kDiscVideoCd, IDS_VIDEO_NOT_INSERTED},
    {"/play /qmcd", beamhub::kDiscQmcd, IDS_QMCD_NOT_INSERTED},
};

// The switch and its blank ahead of a file's path.
constexpr std::size_t kFileSwitchLength = 6;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (lower(text[i]) != lower(prefix[i])) return false;
  return true;
}

}  // namespace

StartRequest parse_command_line(std::string_view text) {
  StartRequest r;
  if (text.empty()) return r;
  if (text[0] == '-') {
    if (text.size() < kFileSwitchLength) {
      r.form = StartRequest::short_file;
      return r;
    }
    r.form = StartRequest::file;
    r.path = std::string(text.substr(kFileSwitchLength));
    return r;
  }
  if (text[0] == '/') {
    for (const PlaySwitch& s : kSwitches) {
      if (starts_with_nocase(text, s.text)) {
        r.form = StartRequest::play_switch;
        r.expected_disc = s.disc;
        r.mismatch_text = s.mismatch_text;
        return r;
      }
    }
    r.form = StartRequest::bad_switch;
  }
  return r;
}

std::optional<int> command_line_track(std::string_view text) {
  constexpr std::size_t kFirst = 14;      // the 15th character
  constexpr std::size_t kExtension = 4;   // ".cda"
  constexpr int kBeyondAnyDisc = 100000;  // long digit runs stop here, not overflow
  if (text.size() < kFirst + kExtension) return std::nullopt;
  const std::string_view digits = text.substr(kFirst, text.size() - kExtension - kFirst);
  int number = 0;
  std::size_t n = 0;
  for (; n < digits.size() && digits[n] >= '0' && digits[n] <= '9'; ++n)
    if (number < kBeyondAnyDisc) number = number * 10 + (digits[n] - '0');
  if (n == 0) return std::nullopt;
  return number;
}

}  // namespace panel
