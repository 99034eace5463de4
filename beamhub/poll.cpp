#include "beamhub/poll.h"

#include <cstring>

#include "beamhub/codes.h"

namespace beamhub {
namespace {

// Drive event bits in the order they are tested.
constexpr uint16_t kEventCodes[] = {
    kEvStopped,   kEvPlaying,     kEvRewinding,       kEvForwarding,
    kEvPrevTrack, kEvNextTrack,   kEvDriveVolumeDown, kEvDriveVolumeUp,
    kEvPaused,    kEvSpecialMode, kEvAnnounceTrack,
};

constexpr uint8_t kReportRemoteCode = 1;
constexpr uint8_t kReportDriveEvent = 0;
constexpr uint8_t kSettingsHeld = 0x08;
constexpr uint8_t kSpecialOn = 0x10;
constexpr uint8_t kMixerHoldsVolume = 0x20;
constexpr uint8_t kNoDisc = 15;

bool has_track_numbers(uint16_t disc_type) {
  switch (disc_type) {
    case 4: case 5: case 7: case 8: case 9: case 12: return true;
    default: return false;
  }
}

}  // namespace

void Poller::first_poll() {
  PollState& p = area_.poll;
  p = PollState{};
  p.pending = kEvNothing;
  p.last_decoded = p.last_accepted = kEvNothing;
  area_.status.play_state = kStopped;
  if (area_.drive.receiver_count == 0) return;
  DriveCommands drive(area_.drive, aspi_);
  uint16_t result = kCmdUnsupported;
  for (int i = 0; i < kFirstPollAttempts && result == kCmdUnsupported; ++i)
    result = drive.mode_sense(kPageReport);
  if (result != kCmdGood) return;
  classify();
  decode(area_.drive.pages.report);
}

void Poller::tick() {
  PollState& p = area_.poll;
  if (p.busy) return;  // a tick that arrives while a code is being delivered
  p.busy = 1;
  MMCD_STATUS& st = area_.status;
  if (area_.drive.receiver_count > 0 && area_.drive.current > 0) {
    if (!p.started) {
      p.started = 1;
      if (area_.drive.auto_insert_switched_off) {
        p.pending = kEvAutoInsertOff;
      } else {
        hub_.announce_file("WELCOME.WAV");
      }
    }
    // Held at its top: a wrapped count would drop a press after a long pause.
    p.elapsed = static_cast<uint16_t>(p.elapsed > 0xFFFF - kTickMs ? 0xFFFF : p.elapsed + kTickMs);
    st.name[0] = '\0';

    uint16_t code = read_and_decode();
    if (code != kEvNothing) {
      if (accepted(code)) {
        p.last_accepted = p.last_decoded;
        p.elapsed = 0;
        code = inside_action(code);
      } else {
        code = kEvNothing;
      }
    }
    // A pending event waits for a window to take it: offered to nobody it would be lost.
    if (code == kEvNothing && p.pending != kEvNothing && p.pending != 0 && hub_.has_recipients()) {
      code = p.pending;
      p.pending = kEvNothing;
    }
    if (code != kEvNothing) {
      const char* name = button_name(code);
      if (name && !(code == kMute && area_.volume.self_change)) {
        std::strncpy(st.name, name, sizeof st.name - 1);
        st.name[sizeof st.name - 1] = '\0';
      }
      const uint32_t result = hub_.offer(code, &st, true);
      // Only a code some window was offered is followed by an idle notice.
      if (result != 0) p.delivered = 1;
      if (result == 2) default_action(code);
    } else if (p.elapsed > kRepeatMs && p.delivered) {
      hub_.offer(kEvNothing, &st, true);  // the idle notice; its answer does not matter
      p.delivered = 0;
    }
  }
  p.busy = 0;
}

void Poller::mixer_changed(uint32_t control_id) {
  if (hub_.volume().on_mixer_change(control_id)) area_.poll.pending = kMute;
}

uint16_t Poller::read_and_decode() {
  DriveCommands drive(area_.drive, aspi_);
  // A report that cannot be read or is not valid gives no button this tick.
  if (drive.mode_sense(kPageReport) != kCmdGood) return kEvNothing;
  const uint8_t* report = area_.drive.pages.report;
  apply_play_status(report[11] & 0x0F);
  return decode(report);
}

void Poller::apply_play_status(uint8_t nibble) {
  uint16_t& state = area_.status.play_state;
  switch (nibble) {
    case 0: state = kTrayOpen; break;
    case 1: if (state != kTrayClosed) tray_closed(); break;
    case 3: case 5: state = kPlaying; break;
    default: break;
  }
}

uint16_t Poller::decode(const uint8_t* report) {
  MMCD_STATUS& st = area_.status;
  PollState& p = area_.poll;
  switch (report[10] >> 6) {
    case kReportRemoteCode: {
      uint16_t button = match_code(area_.button_map, report + 12, st.shift_lock, st.mouse_lock);
      p.last_decoded = button;
      st.value = report[18];
      std::memcpy(st.raw_code, report + 12, sizeof st.raw_code);
      return map_by_play_state(button == kNoMatch ? uint16_t{kEvUnknownCode} : button, st.play_state);
    }
    case kReportDriveEvent: {
      const uint8_t flags = report[14];
      if (!(flags & kSettingsHeld)) hub_.program_drive(true);
      st.special_mode = (flags & kSpecialOn) ? 1 : 0;
      hub_.volume().on_target_report((flags & kMixerHoldsVolume) != 0);
      const uint16_t bits = static_cast<uint16_t>((flags & 0x07) << 8 | report[13]);
      for (unsigned i = 0; i < sizeof kEventCodes / sizeof kEventCodes[0]; ++i) {
        if (!(bits & (1u << i))) continue;
        classify();
        p.last_decoded = kEventCodes[i];
        st.value = report[15];
        std::memset(st.raw_code, 0, sizeof st.raw_code);
        return map_by_play_state(kEventCodes[i], st.play_state);
      }
      const uint8_t medium = report[11] >> 4;
      if (st.disc_type == kDiscUnknown && medium != kNoDisc) return kEvDiscPresent;
      return kEvNothing;
    }
    default:
      return kEvNothing;
  }
}

void Poller::classify() {
  const uint8_t medium = area_.drive.pages.report[11] >> 4;
  area_.status.disc_type = classify_disc(medium, drive_letter(), host_.disc_files());
}

bool Poller::accepted(uint16_t code) const {
  const PollState& p = area_.poll;
  return p.last_decoded != p.last_accepted || p.elapsed > kRepeatMs || code == kEvDiscPresent ||
         (is_button(code) && (area_.button_map[code - kFirstButton].flags & kAutoRepeat));
}

uint16_t Poller::inside_action(uint16_t code) {
  MMCD_STATUS& st = area_.status;
  const int step = static_cast<int>(area_.settings.mouse_interval) * (st.shift_lock ? 2 : 1);
  const int clicks = st.shift_lock ? 2 : 1;
  switch (code) {
    case kShiftLock: hub_.toggle_shift_lock(); return code;
    case kMouseLock: hub_.toggle_mouse_lock(); return code;
    case kEvSpecialMode: toggle_special_mode(); return code;
    case kMute: case kVolumeUp: case kVolumeDown: case kEvDriveVolumeUp: case kEvDriveVolumeDown:
      hub_.volume().on_code(code);
      return code;
    case kMouseUp: host_.mouse_move(0, -step); return kEvNothing;
    case kMouseDown: host_.mouse_move(0, step); return kEvNothing;
    case kMouseLeft: host_.mouse_move(-step, 0); return kEvNothing;
    case kMouseRight: host_.mouse_move(step, 0); return kEvNothing;
    case kMouseLClick: case kMouseRClick:
      for (int i = 0; i < clicks; ++i) host_.mouse_click(code == kMouseRClick);
      return kEvNothing;
    case kEvDiscPresent:
      classify();
      if (st.disc_type == kDiscAudio || st.disc_type == kDiscVideoCd) {
        hub_.announce_file("DISCIS.WAV");
        hub_.announce_file(st.disc_type == kDiscAudio ? "AUDIOCD.WAV" : "VIDEOCD.WAV");
      }
      return code;
    case kEvAnnounceTrack:
      if (has_track_numbers(st.disc_type)) hub_.announce_code(kEvPlaying, area_.pending_number);
      return code;
    default:
      return code;
  }
}

void Poller::default_action(uint16_t code) {
  MMCD_STATUS& st = area_.status;
  struct Typed { uint16_t code; const char* file; uint8_t keys[2]; };
  static const Typed kTyped[] = {
      {kEnter, "ENTER.WAV", {kVkReturn, 0}},   {kAppMenu, "APPMENU.WAV", {kVkMenu, kVkReturn}},
      {kCancel, "CANCEL.WAV", {kVkEscape, 0}}, {kPageUp, "PAGEUP.WAV", {kVkPrior, 0}},
      {kPageDown, "PAGEDOWN.WAV", {kVkNext, 0}}, {kScrollUp, nullptr, {kVkUp, 0}},
      {kScrollDown, nullptr, {kVkDown, 0}},    {kScrollLeft, nullptr, {kVkLeft, 0}},
      {kScrollRight, nullptr, {kVkRight, 0}},  {kSelect, nullptr, {kVkSpace, 0}},
      {kTab, nullptr, {kVkTab, 0}},
  };
  for (const Typed& t : kTyped) {
    if (t.code != code) continue;
    if (t.file) hub_.announce_file(t.file);
    for (uint8_t k : t.keys)
      if (k) host_.key(k);
    return;
  }
  switch (code) {
    case kPlay: case kEvPlaying:
      if (st.disc_type != kDiscUnknown) area_.poll.pending = kEvDiscPresent;
      break;
    case kStop: case kEvStopped:
      if (st.disc_type == kDiscAudio) {
        hub_.announce_code(code);
        host_.cd_command(drive_letter(), CdCommand::stop);
        st.play_state = kStopped;
      }
      break;
    case kEvTrayClosed: tray_closed(); break;
    case kEvTrayOpened: tray_opened(); break;
    default: break;
  }
}

void Poller::tray_closed() {
  MMCD_STATUS& st = area_.status;
  if (st.play_state == kTrayOpen && !host_.cd_command(drive_letter(), CdCommand::close_door)) return;
  hub_.announce_code(kEvTrayClosed);
  st.disc_type = kDiscUnknown;
  st.play_state = kTrayClosed;
}

void Poller::tray_opened() {
  MMCD_STATUS& st = area_.status;
  if (st.play_state != kTrayOpen && !host_.cd_command(drive_letter(), CdCommand::open_door)) return;
  hub_.announce_code(kEvTrayOpened);
  st.disc_type = kDiscUnknown;
  st.play_state = kTrayOpen;
}

void Poller::toggle_special_mode() {
  MMCD_STATUS& st = area_.status;
  st.special_mode = !st.special_mode;
  hub_.program_drive(true);
  hub_.announce_file("SPECMODE.WAV");
  hub_.announce_file(st.special_mode ? "ISON.WAV" : "ISOFF.WAV");
}

}  // namespace beamhub
