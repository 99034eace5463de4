#include "beamhub/hub.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "beamhub/codes.h"

namespace beamhub {
namespace {

constexpr std::size_t kPayloadMax = MMCD_CMD_BUFFER_SIZE - MMCD_CMD_HEADER_SIZE;

// Event announced for each selector of command class 1 item 4.
constexpr uint16_t kAnnounceSelectors[] = {
    kEvTrayOpened, kEvTrayClosed, kEvPlaying, kEvStopped, kEvPaused,
    kEvResumed,    kEvRewinding,  kEvForwarding, kEvPrevTrack, kEvNextTrack,
};

const char* standard_file(uint16_t code) {
  if (code >= kButton0 && code <= kButton9) return "PLAYING.WAV";
  switch (code) {
    case kPlay: case kEvPlaying: return "PLAYING.WAV";
    case kStop: case kEvStopped: return "STOP.WAV";
    case kPause: case kEvPaused: return "PAUSE.WAV";
    case kEvResumed: return "RESUME.WAV";
    case kEject: case kEvTrayOpened: return "TRAYOUT.WAV";
    case kEvTrayClosed: return "TRAYCLOS.WAV";
    case kSkipBackwards: case kEvRewinding: return "REWINDIN.WAV";
    case kSkipForwards: case kEvForwarding: return "FORWARDI.WAV";
    case kPrevTrack: case kEvPrevTrack: return "PRETRACK.WAV";
    case kNextTrack: case kEvNextTrack: return "NEXTRACK.WAV";
    default: return nullptr;
  }
}

bool is_playing_announcement(uint16_t code) {
  return code == kPlay || code == kEvPlaying || (code >= kButton0 && code <= kButton9);
}

const char* unit_word(uint16_t disc_type) {
  switch (disc_type) {
    case 4: case 5: case 7: case 8: case 9: return "TRACK.WAV";
    case 12: return "FILE.WAV";
    default: return nullptr;
  }
}

void put_u32(void* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

// ---- the table: one writer at a time, readers without a lock ----

namespace {

// After this many tries a reader takes the lock: a writer that ended in the
// middle of a change leaves the sequence odd for good.
constexpr int kCopyTries = 1000;

template <typename T>
T load(const T& field) { return __atomic_load_n(&field, __ATOMIC_RELAXED); }
template <typename T>
void store(T& field, T value) { __atomic_store_n(&field, value, __ATOMIC_RELAXED); }

void copy_table(const SharedArea& area, ClientTable& t) {
  t.capture_handle = load(area.capture_handle);
  t.capture_window = load(area.capture_window);
  t.count = load(area.client_count);
  if (t.count > kMaxClients) t.count = kMaxClients;
  for (int i = 0; i < kMaxClients; ++i) {
    t.clients[i].handle = load(area.clients[i].handle);
    t.clients[i].window = load(area.clients[i].window);
  }
}

}  // namespace

ClientTable Hub::table() const {
  ClientTable t;
  for (int tries = 0; tries < kCopyTries; ++tries) {
    const uint32_t before = __atomic_load_n(&area_.table_sequence, __ATOMIC_ACQUIRE);
    if ((before & 1) == 0) {
      copy_table(area_, t);
      __atomic_thread_fence(__ATOMIC_ACQUIRE);
      if (__atomic_load_n(&area_.table_sequence, __ATOMIC_RELAXED) == before) return t;
    }
    host_.yield();
  }
  TableLock lock(host_);
  uint32_t sequence = area_.table_sequence;
  // Still odd with the lock held: its writer is gone. What it left is all there is.
  if (sequence & 1) __atomic_store_n(&area_.table_sequence, sequence + 1, __ATOMIC_RELEASE);
  copy_table(area_, t);
  return t;
}

ClientTable Hub::current_table() const {
  ClientTable t;
  copy_table(area_, t);
  return t;
}

void Hub::publish(const ClientTable& t) {
  // Odd also when a writer before this one left it odd.
  const uint32_t changing = area_.table_sequence | 1;
  store(area_.table_sequence, changing);
  __atomic_thread_fence(__ATOMIC_RELEASE);
  store(area_.capture_handle, t.capture_handle);
  store(area_.capture_window, t.capture_window);
  store(area_.client_count, t.count);
  for (int i = 0; i < kMaxClients; ++i) {
    store(area_.clients[i].handle, t.clients[i].handle);
    store(area_.clients[i].window, t.clients[i].window);
  }
  __atomic_store_n(&area_.table_sequence, changing + 1, __ATOMIC_RELEASE);
}

bool Hub::has_recipients() const {
  ClientTable t = table();
  return t.capture_window != 0 || t.count != 0;
}

// ---- registrations and the capture ----

Hub::Found Hub::look_up(const ClientTable& t, uint32_t handle, int& index) {
  index = -1;
  if (handle == 0) return Found::none;
  if (handle == kCaptureHandle) return t.capture_window ? Found::capture : Found::none;
  for (int i = 0; i < t.count; ++i) {
    if (t.clients[i].handle == handle) {
      index = i;
      return Found::client;
    }
  }
  return Found::none;
}

uint32_t Hub::new_handle(const ClientTable& t) const {
  uint32_t h = area_.last_handle;
  for (;;) {
    ++h;
    if (h == 0 || h == kCaptureHandle) continue;
    bool in_use = false;
    for (int i = 0; i < t.count; ++i) in_use = in_use || t.clients[i].handle == h;
    if (!in_use) return h;
  }
}

uint32_t Hub::register_app(Hwnd window, uint16_t* message_out, uint32_t* handle_out) {
  if (area_.drive.receiver_count == 0) {
    if (handle_out) *handle_out = 0;
    return done(MMCD_ERR_NO_RECEIVER);
  }
  if (!window || !message_out || !handle_out) return done(MMCD_ERR_BAD_PARAM);
  uint32_t handle;
  {
    TableLock lock(host_);
    ClientTable t = current_table();
    if (t.count >= kMaxClients) return done(MMCD_ERR_BUSY);
    handle = new_handle(t);
    area_.last_handle = handle;
    t.clients[t.count++] = ClientEntry{handle, window};
    publish(t);
  }
  *handle_out = handle;
  *message_out = area_.message_id;
  return done(MMCD_OK);
}

uint32_t Hub::unregister_app(uint32_t handle) {
  bool stopped;
  {
    TableLock lock(host_);
    ClientTable t = current_table();
    int i;
    // The capture handle is not a registration: the table stays as it is.
    if (look_up(t, handle, i) != Found::client) return done(MMCD_ERR_NOT_FOUND);
    for (; i + 1 < t.count; ++i) t.clients[i] = t.clients[i + 1];
    --t.count;
    t.clients[t.count] = ClientEntry{};
    publish(t);
    stopped = stop_when_idle(t);
  }
  // Sound is slow: announced once the lock is given back.
  if (stopped) announce_file("GOODBYE.WAV");
  return done(MMCD_OK);
}

uint32_t Hub::set_first_app(uint32_t handle) {
  TableLock lock(host_);
  ClientTable t = current_table();
  int i;
  if (look_up(t, handle, i) != Found::client) return done(MMCD_ERR_NOT_FOUND);
  ClientEntry moved = t.clients[i];
  for (; i > 0; --i) t.clients[i] = t.clients[i - 1];
  t.clients[0] = moved;
  publish(t);
  return done(MMCD_OK);
}

uint32_t Hub::set_capture(Hwnd window, uint16_t* message_out, uint32_t* handle_out) {
  if (area_.drive.receiver_count == 0) {
    if (handle_out) *handle_out = 0;
    return done(MMCD_ERR_NO_RECEIVER);
  }
  if (!window || !message_out || !handle_out) return done(MMCD_ERR_BAD_PARAM);
  {
    TableLock lock(host_);
    ClientTable t = current_table();
    if (t.capture_window) return done(MMCD_ERR_BUSY);
    t.capture_handle = kCaptureHandle;
    t.capture_window = window;
    publish(t);
  }
  *handle_out = kCaptureHandle;
  *message_out = area_.message_id;
  return done(MMCD_OK);
}

uint32_t Hub::release_capture(uint32_t) {
  bool stopped;
  {
    TableLock lock(host_);
    ClientTable t = current_table();
    if (!t.capture_window) return done(MMCD_ERR_NOT_FOUND);
    t.capture_handle = 0;
    t.capture_window = 0;
    publish(t);
    stopped = stop_when_idle(t);
  }
  if (stopped) announce_file("GOODBYE.WAV");
  return done(MMCD_OK);
}

bool Hub::stop_when_idle(const ClientTable& t) {
  if (t.count != 0 || t.capture_window) return false;
  host_.stop_poll_timer();
  return true;
}

// ---- offering codes ----

uint32_t Hub::offer(uint16_t code, void* lparam, bool with_capture) {
  // A window may change the table while it is offered the code (leave it, or
  // move itself first): the offer goes on through the table as it began.
  const ClientTable t = table();
  if (!t.capture_window && t.count == 0) return 0;
  uint32_t result = 2;
  if (with_capture && t.capture_window)
    result = host_.send_message(t.capture_window, area_.message_id, code, lparam);
  for (int i = 0; i < t.count && result == 2; ++i) {
    Hwnd w = t.clients[i].window;
    if (w) result = host_.send_message(w, area_.message_id, code, lparam);
  }
  return result;
}

uint32_t Hub::call_next_app(uint32_t code32, void* param) {
  uint16_t code = static_cast<uint16_t>(code32);
  if (code == kEvVoice) {
    if (!param) return done(MMCD_ERR_BAD_PARAM);
    return done(announce(*static_cast<MMCD_VOICE*>(param)));
  }
  if (code == kEvCommand) {
    if (!param) return done(MMCD_ERR_BAD_PARAM);
    return done(run_command(*static_cast<MMCD_CMD*>(param)));
  }
  return done(offer(code, area_.command_buffer, false));
}

uint32_t Hub::run_command(MMCD_CMD& cmd) {
  bool with_capture = (cmd.cmd_class & kOfferCaptureBit) != 0;
  cmd.cmd_class &= static_cast<uint16_t>(~kOfferCaptureBit);
  if (cmd.cmd_class != kCommandClassOwn) return MMCD_OK;

  if (cmd.item == 1) {
    area_.status.play_state = static_cast<uint16_t>(cmd.value);
    return MMCD_OK;
  }
  if (cmd.item == 4) {
    uint16_t selector = static_cast<uint16_t>(cmd.value);
    uint16_t number = static_cast<uint16_t>(cmd.value >> 16);
    if (selector >= sizeof kAnnounceSelectors / sizeof kAnnounceSelectors[0])
      return MMCD_ERR_BAD_PARAM;
    area_.pending_number = number;
    uint16_t event = kAnnounceSelectors[selector];
    if (event == kEvTrayOpened || event == kEvTrayClosed) area_.status.disc_type = kDiscUnknown;
    return announce_code(event, number);
  }

  // Compared without adding, so a huge length cannot wrap past the check.
  if (cmd.length > kPayloadMax) return MMCD_ERR_BAD_PARAM;
  const uint32_t sent_length = cmd.length;
  std::memcpy(area_.command_buffer, &cmd, MMCD_CMD_HEADER_SIZE);
  if (cmd.data) std::memcpy(area_.command_buffer + MMCD_CMD_HEADER_SIZE, cmd.data, sent_length);

  uint32_t result = offer(kEvCommand, area_.command_buffer, with_capture);
  if (result == 0) return MMCD_ERR_NOT_FOUND;
  if (result == 1) {
    std::memcpy(&cmd, area_.command_buffer, MMCD_CMD_HEADER_SIZE);
    if (cmd.data) {
      // The answer may have grown: copy back only what fits both the
      // command buffer and the caller's payload, and say so in length.
      uint32_t n = cmd.length;
      if (n > kPayloadMax) n = kPayloadMax;
      if (n > sent_length) n = sent_length;
      std::memcpy(cmd.data, area_.command_buffer + MMCD_CMD_HEADER_SIZE, n);
      cmd.length = n;
    }
  } else if (result == 2 && cmd.item == 2) {
    uint32_t track = 0;
    if (area_.drive.current_text[0] && host_.current_track(area_.drive.current_text[0], track))
      cmd.value = track;
  }
  return MMCD_OK;
}

// ---- announcements ----

uint32_t Hub::announce(MMCD_VOICE& v) {
  if (area_.settings.intelligent_voice != 1) return MMCD_OK;
  if (const char* std_file = standard_file(v.code)) {
    // A caller's record may hold no more than the longest standard name.
    std::strncpy(v.file, std_file, MMCD_STD_FILE_SIZE - 1);
    v.file[MMCD_STD_FILE_SIZE - 1] = '\0';
  }
  uint32_t result = MMCD_OK;
  const std::string folder(area_.settings.wave_path);
  auto play = [&](const std::string& file) {
    std::string path = folder + "\\" + file;
    if (!host_.play_sound(path.c_str(), v.sound_flags)) result = MMCD_ERR_SOUND;
  };
  std::string file(v.file, strnlen(v.file, sizeof v.file));
  if (!file.empty()) play(file);
  if (is_playing_announcement(v.code)) {
    if (const char* unit = unit_word(area_.status.disc_type)) play(unit);
    unsigned n = v.number;
    if (n > 0 && n < 1000) {
      char name[16];
      if (n >= 100) {
        std::snprintf(name, sizeof name, "%u00_8.WAV", n / 100);
        play(name);
        if (n % 100 != 0) play("AND.WAV");
      }
      if (n % 100 != 0) {
        std::snprintf(name, sizeof name, "%03u_8.WAV", n % 100);
        play(name);
      }
    }
  }
  program_drive(true);
  return result;
}

uint32_t Hub::announce_code(uint16_t code, uint16_t number) {
  MMCD_VOICE& v = area_.voice;
  std::memset(&v, 0, sizeof v);
  v.code = code;
  v.number = number;
  return announce(v);
}

uint32_t Hub::announce_file(const char* file) {
  MMCD_VOICE& v = area_.voice;
  std::memset(&v, 0, sizeof v);
  std::strncpy(v.file, file, sizeof v.file - 1);
  return announce(v);
}

void Hub::toggle_shift_lock() {
  area_.status.shift_lock = !area_.status.shift_lock;
  announce_file("SHIFTLOK.WAV");
  announce_file(area_.status.shift_lock ? "ISON.WAV" : "ISOFF.WAV");
}

void Hub::toggle_mouse_lock() {
  area_.status.mouse_lock = !area_.status.mouse_lock;
  announce_file(area_.status.mouse_lock ? "MOUSEON.WAV" : "MOUSEOFF.WAV");
}

// ---- capabilities ----

uint32_t Hub::get_cap(uint32_t handle, uint32_t id, void* p1, void* p2) {
  int i;
  if (look_up(table(), handle, i) == Found::none) return done(MMCD_ERR_NOT_FOUND);
  return done(get_cap_value(static_cast<uint16_t>(id), p1, p2));
}

uint32_t Hub::set_cap(uint32_t handle, uint32_t id, uintptr_t p1, uint32_t p2) {
  int i;
  if (look_up(table(), handle, i) == Found::none) return done(MMCD_ERR_NOT_FOUND);
  return done(set_cap_value(static_cast<uint16_t>(id), p1, p2));
}

uint32_t Hub::get_cap_value(uint16_t id, void* p1, void* p2) {
  const MMCD_STATUS& st = area_.status;
  auto value = [&](uint32_t v) {
    if (!p1) return MMCD_ERR_BAD_PARAM;
    put_u32(p1, v);
    return MMCD_OK;
  };
  switch (id) {
    case MMCD_CAP_SETTINGS:
      load_configuration();
      return MMCD_OK;
    case MMCD_CAP_DRIVE:
      if (!p1 || !p2) return MMCD_ERR_BAD_PARAM;
      std::memcpy(p1, area_.drive.current_text, strnlen(area_.drive.current_text, 2) + 1);
      std::memcpy(p2, area_.drive.letters, strnlen(area_.drive.letters, kDriveCount) + 1);
      return MMCD_OK;
    case MMCD_CAP_DISC_TYPE:
      return value(st.disc_type);
    case MMCD_CAP_VOLUME: {
      const VolumeState& vol = area_.volume;
      bool drive = vol.target == 2;
      uint32_t left = drive ? vol.drive_left : vol.mixer_left;
      uint32_t right = drive ? vol.drive_right : vol.mixer_right;
      return value(right << 16 | left);
    }
    case MMCD_CAP_MOUSE_INTERVAL:
      return value(area_.settings.mouse_interval);
    case MMCD_CAP_REMOTE_CONTROLLER:
      if (!p1) return MMCD_ERR_BAD_PARAM;
      std::memcpy(p1, area_.settings.remote_controller,
                  strnlen(area_.settings.remote_controller, kPathSize) + 1);
      return MMCD_OK;
    case MMCD_CAP_BUTTON_MAP: {
      uintptr_t which = reinterpret_cast<uintptr_t>(p2);
      if (!p1) return MMCD_ERR_BAD_PARAM;
      if (which == 0) return value(MMCD_BUTTON_COUNT);
      if (which == 0xFFFF) {
        std::memcpy(p1, area_.button_map, sizeof area_.button_map);
        return MMCD_OK;
      }
      if (is_button(static_cast<uint32_t>(which)) && which <= kLastButton) {
        std::memcpy(p1, &area_.button_map[which - kFirstButton], sizeof(MapEntry));
        return MMCD_OK;
      }
      return MMCD_ERR_BAD_PARAM;
    }
    case MMCD_CAP_RESERVED_7:
      if (!p1 || reinterpret_cast<uintptr_t>(p2) < 256) return MMCD_ERR_BAD_PARAM;
      return MMCD_OK;
    case MMCD_CAP_MOUSE_LOCK:
      return value(st.mouse_lock);
    case MMCD_CAP_SHIFT_LOCK:
      return value(st.shift_lock);
    case MMCD_CAP_PLAY_STATE:
      return value(st.play_state);
    case MMCD_CAP_MUTE:
      return value(st.mute);
    case MMCD_CAP_VOICE:
      return value(area_.settings.intelligent_voice);
    default:
      return MMCD_ERR_UNSUPPORTED;
  }
}

uint32_t Hub::set_cap_value(uint16_t id, uintptr_t p1, uint32_t p2) {
  MMCD_STATUS& st = area_.status;
  switch (id) {
    case MMCD_CAP_SETTINGS:
      return save_settings(area_.settings, host_.registry()), MMCD_OK;
    case MMCD_CAP_DRIVE: {
      if (p1 > 25) return MMCD_ERR_BAD_PARAM;
      if (!area_.drive.drives[p1].has_receiver) return MMCD_ERR_NO_REMOTE_DRIVE;
      area_.drive.current = static_cast<uint16_t>(p1);
      area_.drive.current_text[0] = static_cast<char>('A' + p1);
      area_.drive.current_text[1] = ':';
      area_.drive.current_text[2] = '\0';
      st.drive = static_cast<uint16_t>(p1);
      return MMCD_OK;
    }
    case MMCD_CAP_VOLUME:
      volume_.set(static_cast<uint16_t>(p1), static_cast<uint16_t>(p1 >> 16), kTargetNone, false);
      return MMCD_OK;
    case MMCD_CAP_MOUSE_INTERVAL:
      if (p1 < 1 || p1 > 10) return MMCD_ERR_BAD_PARAM;
      area_.settings.mouse_interval = static_cast<uint32_t>(p1);
      return MMCD_OK;
    case MMCD_CAP_REMOTE_CONTROLLER:
      return set_remote_controller(reinterpret_cast<const char*>(p1));
    case MMCD_CAP_BUTTON_MAP: {
      const void* source = reinterpret_cast<const void*>(p1);
      if (!source) return MMCD_ERR_BAD_PARAM;
      if (p2 == 0xFFFF) {
        std::memcpy(area_.button_map, source, sizeof area_.button_map);
        return MMCD_OK;
      }
      if (!is_button(p2)) return MMCD_ERR_BAD_PARAM;
      std::memcpy(&area_.button_map[p2 - kFirstButton], source, sizeof(MapEntry));
      return MMCD_OK;
    }
    case MMCD_CAP_RESERVED_8:
      return MMCD_OK;
    case MMCD_CAP_MOUSE_LOCK:
      st.mouse_lock = p1 == 0;  // the toggle turns it into the wanted value
      toggle_mouse_lock();
      return MMCD_OK;
    case MMCD_CAP_SHIFT_LOCK:
      st.shift_lock = p1 == 0;
      toggle_shift_lock();
      return MMCD_OK;
    case MMCD_CAP_PLAY_STATE:
      if (p1 > kMaxPlayState) return MMCD_ERR_BAD_PARAM;
      st.play_state = static_cast<uint16_t>(p1);
      return MMCD_OK;
    case MMCD_CAP_MUTE:
      st.mute = p1 != 0;
      volume_.apply_mute();
      return MMCD_OK;
    case MMCD_CAP_VOICE:
      area_.settings.intelligent_voice = p1 != 0;
      st.voice = static_cast<uint16_t>(area_.settings.intelligent_voice);
      return MMCD_OK;
    default:
      return MMCD_ERR_UNSUPPORTED;  // 0x1002, 0x1007 and unknown ids
  }
}

uint32_t Hub::set_remote_controller(const char* name) {
  if (!name) return MMCD_ERR_BAD_PARAM;
  // Looked at no further than one character past the limit.
  std::size_t length = strnlen(name, kPathSize + 1);
  if (length > kPathSize) return MMCD_ERR_BAD_PARAM;
  std::string full;
  if (!expand_remote_controller(std::string(name, length), area_.settings.rcb_path, full))
    return MMCD_ERR_BAD_PARAM;
  copy_field(area_.settings.remote_controller, full);
  save_settings(area_.settings, host_.registry());
  load_configuration();
  return MMCD_OK;
}

// ---- configuration and the process lifecycle ----

void Hub::load_configuration() {
  load_settings(area_.settings, host_.registry());
  area_.status.voice = static_cast<uint16_t>(area_.settings.intelligent_voice);
  std::unique_ptr<ProfileReader> file;
  if (area_.settings.remote_controller[0]) file = host_.open_profile(area_.settings.remote_controller);
  if (file) {
    load_button_map(*file, area_.button_map, area_.control);
  } else {
    std::memset(area_.button_map, 0, sizeof area_.button_map);
    std::memset(&area_.control, 0, sizeof area_.control);
  }
  PageBuffers& pages = area_.drive.pages;
  bool valid = build_standalone_params(area_.button_map, area_.control,
                                       pages.standalone + kPageHeaderSize) &&
               build_pc_mode_params(area_.control, pages.pc_mode + kPageHeaderSize);
  area_.drive.settings_pages_valid = valid;
  program_drive(true);
}

void Hub::program_drive(bool pc_mode) {
  if (area_.drive.receiver_count == 0) return;
  DriveCommands(area_.drive, host_.aspi()).program(pc_mode, area_.status.special_mode != 0);
}

bool Hub::attach(DiscoveryHost& discovery) {
  ++area_.attach_count;
  if (area_.attach_count == 1) {
    discover(area_.drive, host_.aspi(), discovery);
  } else {
    // Other processes are using the drives: a later look goes through a copy
    // (its commands fill the copy's page buffers, not the ones the button map
    // filled) and replaces the table only when it found a receiver.
    auto look = std::make_unique<DriveState>(area_.drive);
    discover(*look, host_.aspi(), discovery);
    if (look->receiver_count > 0) {
      DriveState& d = area_.drive;
      std::memcpy(d.drives, look->drives, sizeof d.drives);
      d.current = look->current;
      std::memcpy(d.current_text, look->current_text, sizeof d.current_text);
      std::memcpy(d.letters, look->letters, sizeof d.letters);
      d.receiver_count = look->receiver_count;
      d.adapter_count = look->adapter_count;
    }
  }
  area_.status.drive = area_.drive.current;
  return area_.attach_count == 1;
}

void Hub::first_attach(const char* base_folder, uint16_t message_id) {
  std::string base(base_folder ? base_folder : "");
  copy_field(area_.settings.base_folder, base);
  area_.message_id = message_id;
  area_.status.play_state = kStopped;
  area_.status.disc_type = kDiscUnknown;
  load_configuration();
}

bool Hub::detach() {
  if (area_.attach_count > 0) --area_.attach_count;
  if (area_.attach_count != 0) return false;
  save_settings(area_.settings, host_.registry());
  program_drive(false);
  return true;
}

}  // namespace beamhub
