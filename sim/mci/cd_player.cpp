#include "sim/mci/cd_player.h"

#include <cstdio>
#include <utility>

#include "sim/drive/disc_info.h"

namespace halvomci {
namespace {

constexpr uint32_t kSecondsPerMinute = 60;

uint32_t msf_to_frames(uint32_t minutes, uint32_t seconds, uint32_t frames) {
  return (minutes * kSecondsPerMinute + seconds) * kFramesPerSecond + frames;
}

}  // namespace

bool time_format_from_mci(uint32_t value, TimeFormat& format) {
  switch (value) {
    case static_cast<uint32_t>(TimeFormat::kMilliseconds):
    case static_cast<uint32_t>(TimeFormat::kMsf):
    case static_cast<uint32_t>(TimeFormat::kTmsf):
      format = static_cast<TimeFormat>(value);
      return true;
    default:
      return false;
  }
}

Disc::Disc(std::vector<unsigned> track_seconds, bool first_is_data)
    : first_is_data_(first_is_data) {
  for (unsigned seconds : track_seconds) frames_.push_back(seconds * kFramesPerSecond);
}

bool Disc::from_ini(const std::string& type, const std::string& tracks, Disc& disc,
                    std::string& error) {
  uint8_t code = vdrive::kDefaultDiscType;
  if (!type.empty() && !vdrive::parse_disc_type(type, code)) {
    error = "Type '" + type + "' is not a medium type from 0 to 15";
    return false;
  }
  std::vector<unsigned> seconds;
  if (!vdrive::parse_track_lengths(tracks, seconds, error)) return false;
  if (code != kTypeAudio && code != kTypeMixed) seconds.clear();
  disc = Disc(std::move(seconds), code == kTypeMixed);
  return true;
}

uint32_t Disc::audio_start() const {
  return first_is_data_ && has_track(2) ? track_start(2) : audio() ? start() : end();
}

uint32_t Disc::track_start(int track) const {
  if (!has_track(track)) return 0;
  uint32_t frame = kLeadInFrames;
  for (int t = 1; t < track; ++t) frame += frames_[t - 1];
  return frame;
}

uint32_t Disc::track_length(int track) const {
  if (!has_track(track) || frames_.empty()) return 0;
  return frames_[track - 1];
}

uint32_t Disc::end() const {
  uint32_t frame = kLeadInFrames;
  for (uint32_t length : frames_) frame += length;
  return frame;
}

int Disc::track_at(uint32_t frame) const {
  int track = 1;
  for (int t = 2; t <= track_count(); ++t) {
    if (frame >= track_start(t)) track = t;
  }
  return track;
}

std::string Disc::media_identity() const {
  uint32_t sum = end();
  for (int t = 1; t <= track_count(); ++t) sum += pack_msf(track_start(t));
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(sum));
  return text;
}

uint32_t pack_msf(uint32_t frames) {
  uint32_t minutes = frames / (kSecondsPerMinute * kFramesPerSecond);
  uint32_t seconds = frames / kFramesPerSecond % kSecondsPerMinute;
  uint32_t rest = frames % kFramesPerSecond;
  return (minutes & 0xFF) | seconds << 8 | rest << 16;
}

uint32_t pack_tmsf(int track, uint32_t frames) {
  return static_cast<uint32_t>(track & 0xFF) | pack_msf(frames) << 8;
}

uint32_t encode_position(const Disc& disc, TimeFormat format, uint32_t frame) {
  switch (format) {
    case TimeFormat::kMilliseconds:
      return static_cast<uint32_t>(static_cast<uint64_t>(frame) * 1000 / kFramesPerSecond);
    case TimeFormat::kMsf:
      return pack_msf(frame);
    case TimeFormat::kTmsf: {
      int track = disc.track_at(frame);
      uint32_t start = disc.track_start(track);
      return pack_tmsf(track, frame > start ? frame - start : 0);
    }
  }
  return 0;
}

uint32_t encode_length(TimeFormat format, uint32_t frames) {
  if (format == TimeFormat::kMilliseconds) {
    return static_cast<uint32_t>(static_cast<uint64_t>(frames) * 1000 / kFramesPerSecond);
  }
  return pack_msf(frames);
}

Error decode_position(const Disc& disc, TimeFormat format, uint32_t value, uint32_t& frame) {
  uint32_t result = 0;
  switch (format) {
    case TimeFormat::kMilliseconds:
      result = static_cast<uint32_t>(static_cast<uint64_t>(value) * kFramesPerSecond / 1000);
      break;
    case TimeFormat::kMsf: {
      uint32_t seconds = value >> 8 & 0xFF, rest = value >> 16 & 0xFF;
      if (seconds >= kSecondsPerMinute || rest >= kFramesPerSecond || value >> 24) {
        return Error::kOutOfRange;
      }
      result = msf_to_frames(value & 0xFF, seconds, rest);
      break;
    }
    case TimeFormat::kTmsf: {
      int track = static_cast<int>(value & 0xFF);
      uint32_t seconds = value >> 16 & 0xFF, rest = value >> 24;
      if (!disc.has_track(track) || seconds >= kSecondsPerMinute || rest >= kFramesPerSecond) {
        return Error::kOutOfRange;
      }
      uint32_t offset = msf_to_frames(value >> 8 & 0xFF, seconds, rest);
      if (offset > disc.track_length(track)) return Error::kOutOfRange;
      result = disc.track_start(track) + offset;
      break;
    }
  }
  if (result < disc.start() || result > disc.end()) return Error::kOutOfRange;
  frame = result;
  return Error::kNone;
}

void Player::load(const Disc& disc) {
  disc_ = disc;
  clock_.reset(disc_.start());
}

Error Player::play(uint32_t from, uint32_t to, uint32_t now) {
  if (from < disc_.start() || to > disc_.end() || from > to) return Error::kOutOfRange;
  if (!disc_.audio() || from < disc_.audio_start()) return Error::kDataTrack;
  clock_.play(from, to, now);
  return Error::kNone;
}

void Player::stop(uint32_t now) { clock_.stop(now); }

void Player::pause(uint32_t now) { clock_.pause(now); }

bool Player::resume(uint32_t now) { return clock_.resume(now); }

Error Player::seek(uint32_t frame, uint32_t now) {
  (void)now;
  if (frame < disc_.start() || frame > disc_.end()) return Error::kOutOfRange;
  clock_.seek(frame);
  return Error::kNone;
}

Error Player::jump(uint32_t frame, uint32_t now) {
  if (frame < disc_.start() || frame > disc_.end()) return Error::kOutOfRange;
  clock_.jump(frame, now);
  return Error::kNone;
}

}  // namespace halvomci
