// What the panel plays: the kind of medium, the playable items of a disc,
// the order they are played in, and the name the disc's albums are kept
// under.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "panel/mcures_ids.h"

namespace panel {

// The number also picks the disc-format string (IDS_FORMAT_FIRST + kind) and
// the cell of the disc-type indicator.
enum MediaKind : int {
  kAviFile = 0,
  kAudioCd = 1,
  kMidiFile = 2,
  kMixedModeCd = 3,
  kMultimediaCd = 4,  // only between discovery and the opening of its first item
  kVideoCd = 5,
  kWaveFile = 6,
  kNoDisc = 7,
  kCdiDisc = 8,
};
inline constexpr int kMediaKindCount = 9;

constexpr uint32_t format_string(MediaKind kind) { return IDS_FORMAT_FIRST + static_cast<uint32_t>(kind); }
constexpr bool is_cd(MediaKind kind) { return kind == kAudioCd || kind == kMixedModeCd; }
constexpr bool is_mpeg(MediaKind kind) { return kind == kVideoCd || kind == kCdiDisc; }
constexpr bool is_file(MediaKind kind) { return kind == kAviFile || kind == kMidiFile || kind == kWaveFile; }

// The disc name that starts a disc's identity: "Audio", "Mixed", "QMCD",
// "Video", "Cdi"; the file kinds count as the multimedia CD they come from;
// empty for no disc.
const char* disc_name(MediaKind kind);

// number: the track on a CD, the 1-based item on a file disc; name: "Track7"
// or a full path.
struct PlayListEntry {
  int32_t number = 0;
  std::string name;
};

// Every playable thing on the disc, in discovery order.
using SourceList = std::vector<std::string>;
// What is played, in order; starts as the whole source list.
using PlayList = std::vector<PlayListEntry>;

// The disc name followed by a suffix that tells discs apart (the CD's media
// identity, or the hexadecimal size sum of a disc's files).
class DiscIdentity {
 public:
  static constexpr std::size_t kMaxLength = 79;

  void reset(std::string_view disc_name);
  // Appends as much as fits.
  void append(std::string_view suffix);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

enum StartMode : int {
  kStartPlain = 0,     // no command line
  kStartMatched = 1,   // a "/play" switch that matched the disc
  kStartFile = 2,      // a file, or a "/play" switch that did not match
};

// Play states as the remote-control library keeps them, and the panel's own
// "not ready".
namespace play_state {
inline constexpr uint16_t kTrayOpen = 0;
inline constexpr uint16_t kTrayClosed = 1;
inline constexpr uint16_t kPlaying = 5;
inline constexpr uint16_t kPaused = 6;
inline constexpr uint16_t kNotReady = 7;
inline constexpr uint16_t kStopped = 8;
}  // namespace play_state

// What the library announces for the panel.
enum AnnounceEvent : uint16_t {
  kAnnounceTrayOpening = 0,
  kAnnounceTrayClosing = 1,
  kAnnouncePlaying = 2,
  kAnnounceStopped = 3,
  kAnnouncePaused = 4,
  kAnnounceResumed = 5,
  kAnnounceSkipBackwards = 6,
  kAnnounceSkipForwards = 7,
  kAnnounceReloaded = 9,  // a Video CD or CD-i back at its first entry
};

// The four numbers of the LED display.
struct TimeDisplay {
  int32_t track = 0;
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
};

}  // namespace panel
