#include "beamhub/volume.h"

#include <algorithm>

#include "beamhub/codes.h"

namespace beamhub {
namespace {

// A mixer driver that answers for every identifier must not hang setup.
constexpr uint32_t kMaxControlIds = 4096;

constexpr std::size_t kLeftVolumeByte = 17;   // output port 0
constexpr std::size_t kRightVolumeByte = 19;  // output port 1
constexpr uint16_t kPageStep = 257;           // one page unit in 16-bit volume
constexpr uint16_t kFullVolume = 0xFFFF;

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

uint16_t clamp_volume(int64_t v) {
  return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, kFullVolume));
}

}  // namespace

void Volume::setup() {
  VolumeState& vol = area_.volume;
  vol.has_volume_control = 0;
  vol.has_mute_control = 0;
  vol.self_change = 0;
  vol.mixer_open = mixer_.open() ? 1 : 0;
  if (!vol.mixer_open) return;

  std::string name;
  for (uint32_t id = 0; id < kMaxControlIds && mixer_.control_name(id, name); ++id) {
    if (!contains(name, "Master ")) continue;
    // A name like "Master Volume Mute" is the switch, not the level.
    if (contains(name, "Mute")) {
      if (!vol.has_mute_control) {
        vol.mute_control = id;
        vol.has_mute_control = 1;
      }
    } else if (contains(name, "Volume ")) {
      if (!vol.has_volume_control) {
        vol.volume_control = id;
        vol.has_volume_control = 1;
      }
    }
  }

  bool muted = false;
  if (vol.has_mute_control && mixer_.read_mute(vol.mute_control, muted)) {
    area_.status.mute = muted ? 1 : 0;
  }
  uint16_t level = 0;
  if (vol.has_volume_control && mixer_.read_volume(vol.volume_control, level)) {
    vol.mixer_left = level;
    vol.mixer_right = level;
  }
}

void Volume::shut_down() {
  VolumeState& vol = area_.volume;
  if (vol.mixer_open) mixer_.close();
  vol.mixer_open = 0;
  vol.has_volume_control = 0;
  vol.has_mute_control = 0;
  vol.self_change = 0;
}

void Volume::set(int32_t left, int32_t right, uint16_t target, bool relative) {
  VolumeState& vol = area_.volume;
  if (target == kTargetNone) target = vol.target;
  // Before the first drive report the mixer holds the volume, as for the
  // programs' volume capability.
  if (target == kTargetNone) target = kTargetMixer;
  if (target != kTargetMixer && target != kTargetDrive) return;

  const bool drive = target == kTargetDrive;
  if (drive && relative && !vol.drive_volume_known) {
    // Steps from a volume never saved start at what the drive plays now, so
    // that the drive does not fall silent.
    uint16_t left_now = 0, right_now = 0;
    if (read_drive_volume(left_now, right_now)) {
      vol.drive_left = left_now;
      vol.drive_right = right_now;
      vol.drive_volume_known = 1;
    }
  }
  uint16_t& saved_left = drive ? vol.drive_left : vol.mixer_left;
  uint16_t& saved_right = drive ? vol.drive_right : vol.mixer_right;
  const int64_t base_left = relative ? saved_left : 0;
  const int64_t base_right = relative ? saved_right : 0;
  saved_left = clamp_volume(base_left + left);
  saved_right = clamp_volume(base_right + right);
  if (drive && !relative) vol.drive_volume_known = 1;

  if (drive) {
    if (area_.status.mute) {
      write_drive_volume(0, 0);
    } else {
      write_drive_volume(saved_left, saved_right);
    }
  } else if (vol.mixer_open && vol.has_volume_control) {
    mixer_.write_volume(vol.volume_control, saved_left);
  }
}

void Volume::apply_mute() {
  VolumeState& vol = area_.volume;
  const bool muted = area_.status.mute != 0;
  if (vol.mixer_open && vol.has_mute_control) {
    // Writing the state the mixer already has may bring no change message,
    // which would leave the flag set and hide the next change made outside.
    bool current = false;
    if (!mixer_.read_mute(vol.mute_control, current) || current != muted) {
      vol.self_change = 1;
      if (!mixer_.write_mute(vol.mute_control, muted)) vol.self_change = 0;
    }
  }
  if (vol.target == kTargetDrive) set(0, 0, kTargetDrive, true);
}

void Volume::on_code(uint16_t code) {
  MMCD_STATUS& st = area_.status;
  switch (code) {
    case kMute:
      st.mute = st.mute ? 0 : 1;
      apply_mute();
      break;
    case kVolumeUp:
    case kEvDriveVolumeUp:
      st.mute = 0;
      apply_mute();
      set(kVolumeStep, kVolumeStep, kTargetNone, true);
      break;
    case kVolumeDown:
    case kEvDriveVolumeDown:
      st.mute = 0;
      apply_mute();
      set(-kVolumeStep, -kVolumeStep, kTargetNone, true);
      break;
    default:
      break;
  }
}

void Volume::on_target_report(bool mixer_holds) {
  VolumeState& vol = area_.volume;
  if (mixer_holds) {
    // The drive plays at full so that the mixer alone sets the loudness; the
    // saved drive volume stays for when the drive takes over again.
    if (vol.target == kTargetDrive) write_drive_volume(kFullVolume, kFullVolume);
    vol.target = kTargetMixer;
  } else {
    // The drive gets its saved volume back (0 while muted).
    if (vol.target != kTargetDrive) set(0, 0, kTargetDrive, true);
    vol.target = kTargetDrive;
  }
}

bool Volume::on_mixer_change(uint32_t control_id) {
  VolumeState& vol = area_.volume;
  if (!vol.mixer_open) return false;
  if (vol.has_volume_control && control_id == vol.volume_control) {
    uint16_t level = 0;
    if (mixer_.read_volume(vol.volume_control, level)) {
      vol.mixer_left = level;
      vol.mixer_right = level;
    }
    return false;
  }
  if (vol.has_mute_control && control_id == vol.mute_control) {
    if (vol.self_change) {
      vol.self_change = 0;
      return false;
    }
    bool muted = false;
    if (!mixer_.read_mute(vol.mute_control, muted)) return false;
    area_.status.mute = muted ? 1 : 0;
    set(0, 0, kTargetNone, true);
    return true;
  }
  return false;
}

bool Volume::read_drive_volume(uint16_t& left, uint16_t& right) {
  DriveCommands drive(area_.drive, aspi_);
  if (drive.mode_sense(kPageAudio) != kCmdGood) return false;
  const uint8_t* page = area_.drive.pages.audio;
  left = static_cast<uint16_t>(page[kLeftVolumeByte] * kPageStep);
  right = static_cast<uint16_t>(page[kRightVolumeByte] * kPageStep);
  return true;
}

// Only the two volume bytes change; the rest of the page (the output
// channel selections above all) is what the drive reported, so a page
// never read is read first.
bool Volume::write_drive_volume(uint16_t left, uint16_t right) {
  DriveCommands drive(area_.drive, aspi_);
  uint8_t* page = area_.drive.pages.audio;
  if (!page_is_valid(page, kPageAudio) && drive.mode_sense(kPageAudio) != kCmdGood) return false;
  page[kLeftVolumeByte] = static_cast<uint8_t>(left / kPageStep);
  page[kRightVolumeByte] = static_cast<uint8_t>(right / kPageStep);
  return drive.mode_select(kPageAudio) == kCmdGood;
}

}  // namespace beamhub
