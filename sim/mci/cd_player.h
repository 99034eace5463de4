// The audio CD behind the MCI driver: the disc's track table, positions in
// the MCI time formats and the play state machine, driven by a clock the
// caller passes in (milliseconds, wrapping like GetTickCount).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/mci/play_clock.h"

namespace halvomci {

constexpr uint32_t kFramesPerSecond = 75;
constexpr uint32_t kLeadInFrames = 2 * kFramesPerSecond;  // track 1 starts at 00:02:00

// MCI time formats the driver knows (MCI_FORMAT_* values).
enum class TimeFormat : uint32_t {
  kMilliseconds = 0,
  kMsf = 2,
  kTmsf = 10,
};
bool time_format_from_mci(uint32_t value, TimeFormat& format);

enum class Error {
  kNone,
  kOutOfRange,  // a position or track the disc does not have
  kDataTrack,   // the play would start in a data track
};

// Medium type codes of disc.ini's Type= that have audio tracks.
constexpr uint8_t kTypeAudio = 4;
constexpr uint8_t kTypeMixed = 5;  // track 1 holds the data

// The disc's table of contents. A disc without listed tracks (a data disc,
// or no Tracks= in its disc.ini) has one data track of unknown length (0).
class Disc {
 public:
  Disc() = default;
  explicit Disc(std::vector<unsigned> track_seconds, bool first_is_data = false);
  // From disc.ini's Type= and Tracks= texts: an audio disc's tracks are all
  // audio, a mixed disc's first is data, other types are data discs. False
  // with a reason when malformed.
  static bool from_ini(const std::string& type, const std::string& tracks, Disc& disc,
                       std::string& error);

  // Has an audio track.
  bool audio() const { return frames_.size() > (first_is_data_ ? 1u : 0u); }
  bool is_audio_track(int track) const {
    return has_track(track) && audio() && !(track == 1 && first_is_data_);
  }
  // Start of the first audio track (the end when there is none).
  uint32_t audio_start() const;
  int track_count() const { return frames_.empty() ? 1 : static_cast<int>(frames_.size()); }
  bool has_track(int track) const { return track >= 1 && track <= track_count(); }
  // Absolute frames of a track's start and its length; 0 for a track it lacks.
  uint32_t track_start(int track) const;
  uint32_t track_length(int track) const;
  uint32_t start() const { return kLeadInFrames; }
  uint32_t end() const;  // first frame after the last track
  uint32_t length() const { return end() - start(); }
  // The track holding a frame (the last one for the end, 1 before the start).
  int track_at(uint32_t frame) const;
  // Hex text that tells discs apart: from the tracks' starts and the end.
  std::string media_identity() const;

 private:
  std::vector<uint32_t> frames_;  // lengths of the tracks
  bool first_is_data_ = false;
};

// MSF and TMSF packed as MCI packs them: minutes in the low byte.
uint32_t pack_msf(uint32_t frames);
uint32_t pack_tmsf(int track, uint32_t frames);

// A position (absolute frame) in a time format; TMSF counts from the start
// of the track holding it.
uint32_t encode_position(const Disc& disc, TimeFormat format, uint32_t frame);
// A length: milliseconds, else MSF (TMSF lengths are given as MSF too).
uint32_t encode_length(TimeFormat format, uint32_t frames);
// A position given in a time format, checked against the disc.
Error decode_position(const Disc& disc, TimeFormat format, uint32_t value, uint32_t& frame);

class Player {
 public:
  // A new disc: stopped at its start.
  void load(const Disc& disc);
  const Disc& disc() const { return disc_; }

  // Plays frames [from, to), which start in an audio track. from == to is
  // an empty play that ends at once.
  Error play(uint32_t from, uint32_t to, uint32_t now);
  void stop(uint32_t now);
  void pause(uint32_t now);
  // Continues a paused play; false when not paused.
  bool resume(uint32_t now);
  Error seek(uint32_t frame, uint32_t now);
  // Moves to a frame of the disc without changing the mode (see PlayClock).
  Error jump(uint32_t frame, uint32_t now);
  // Stops or restarts the clock while the mode stays (a new disc keeps it).
  void hold(uint32_t now) { clock_.hold(now); }
  void release(uint32_t now) { clock_.release(now); }
  bool held() const { return clock_.held(); }

  // Moves the state on to now: true once, when a play reaches its end.
  bool update(uint32_t now) { return clock_.update(now); }
  Mode mode() const { return clock_.mode(); }
  uint32_t position(uint32_t now) const { return clock_.position(now); }
  uint32_t play_end() const { return clock_.play_end(); }
  // Milliseconds until the play ends (0 when not playing, PlayClock::kNever
  // while held).
  uint32_t ms_to_end(uint32_t now) const { return clock_.ms_to_end(now); }

 private:
  Disc disc_;
  PlayClock clock_{kFramesPerSecond};
};

}  // namespace halvomci
