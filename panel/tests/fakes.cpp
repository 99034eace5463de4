#include "panel/tests/fakes.h"

#include <cstdio>
#include <utility>

namespace panel::testing {
namespace {

std::string hex(uintptr_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
  return text;
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

const char* message_name(uint32_t m) {
  switch (m) {
    case mci::kOpen: return "open";
    case mci::kClose: return "close";
    case mci::kPlay: return "play";
    case mci::kSeek: return "seek";
    case mci::kStop: return "stop";
    case mci::kPause: return "pause";
    case mci::kInfo: return "info";
    case mci::kSet: return "set";
    case mci::kStatus: return "status";
    case mci::kRealize: return "realize";
    case mci::kWindow: return "window";
  }
  return "message?";
}

std::string flag_names(uint32_t message, uint32_t flags) {
  struct Flag {
    uint32_t bit;
    const char* name;
  };
  static const Flag common[] = {{mci::kNotify, "notify"}, {mci::kWait, "wait"}, {mci::kFrom, "from"},
                                {mci::kTo, "to"}, {mci::kTrack, "track"}};
  std::vector<Flag> own;
  switch (message) {
    case mci::kOpen:
      own = {{mci::kOpenShareable, "shareable"}, {mci::kOpenElement, "element"}, {mci::kOpenTypeId, "typeid"},
             {mci::kOpenType, "type"}};
      break;
    case mci::kStatus: own = {{mci::kStatusItem, "item"}}; break;
    case mci::kSet:
      own = {{mci::kSetDoorOpen, "door_open"}, {mci::kSetDoorClosed, "door_closed"},
             {mci::kSetTimeFormat, "time_format"}};
      break;
    case mci::kInfo: own = {{mci::kInfoMediaIdentity, "media_identity"}}; break;
    case mci::kWindow: own = {{mci::kDgvWindowText, "text"}}; break;
    case mci::kRealize: own = {{mci::kDgvRealizeNorm, "norm"}}; break;
  }
  std::string out;
  uint32_t left = flags;
  auto add = [&](const Flag& f) {
    if (!(flags & f.bit)) return;
    if (!out.empty()) out += ',';
    out += f.name;
    left &= ~f.bit;
  };
  for (const Flag& f : common) add(f);
  for (const Flag& f : own) add(f);
  if (left) out += (out.empty() ? "" : ",") + hex(left);
  return "[" + out + "]";
}

std::string item_name(uint32_t item) {
  switch (item) {
    case mci::kStatusLength: return "length";
    case mci::kStatusPosition: return "position";
    case mci::kStatusNumberOfTracks: return "tracks";
    case mci::kStatusMode: return "mode";
    case mci::kDgvStatusHwnd: return "hwnd";
  }
  return std::to_string(item);
}

std::string tmsf_text(uint32_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u:%02u", mci::tmsf_track(v), mci::tmsf_minutes(v), mci::tmsf_seconds(v));
  std::string s = text;
  if (v >> 24) s += ":" + std::to_string(v >> 24);
  return s;
}

std::string type_name(uint32_t id) {
  switch (id) {
    case mci::kDevtypeCdAudio: return "cdaudio";
    case mci::kDevtypeWaveformAudio: return "waveaudio";
    case mci::kDevtypeSequencer: return "sequencer";
  }
  return "#" + std::to_string(id);
}

}  // namespace

std::string describe(const MciCommand& c, const std::string& device) {
  std::string s = device + " " + message_name(c.message) + " " + flag_names(c.message, c.flags);
  const bool cd = device == "cdaudio";
  if (c.message != mci::kOpen && !c.device_type.empty()) s += " type=" + c.device_type;
  if (c.message != mci::kOpen && c.device_type_id) s += " typeid=" + std::to_string(c.device_type_id);
  if (!c.element.empty()) s += " element=" + c.element;
  if (c.item) s += " item=" + item_name(c.item);
  if (c.track) s += " track=" + std::to_string(c.track);
  if (c.from || (c.flags & mci::kFrom)) s += " from=" + (cd ? tmsf_text(c.from) : std::to_string(c.from));
  if (c.to || (c.flags & mci::kTo)) s += " to=" + (cd ? tmsf_text(c.to) : std::to_string(c.to));
  if (c.time_format || (c.message == mci::kSet && (c.flags & mci::kSetTimeFormat)))
    s += std::string(" format=") + (c.time_format == mci::kFormatTmsf ? "tmsf" : c.time_format ? "?" : "ms");
  if (!c.text.empty()) s += " text=" + c.text;
  if (c.return_size) s += " size=" + std::to_string(c.return_size);
  if (c.callback) s += " cb=" + hex(c.callback);
  return s;
}

// ---- FakeMci.

std::string FakeMci::type_of(const MciCommand& c) const {
  if (c.message == mci::kOpen) return (c.flags & mci::kOpenTypeId) ? type_name(c.device_type_id) : c.device_type;
  auto it = types_.find(c.device);
  return it == types_.end() ? "#" + std::to_string(c.device) : it->second;
}

MciResult FakeMci::send(const MciCommand& c) {
  commands.push_back(c);
  const std::string type = type_of(c);
  lines_.push_back(describe(c, type));

  const Key key{type, c.message, c.message == mci::kStatus ? c.item : 0,
                (c.flags & mci::kTrack) ? c.track : 0};
  auto it = answers_.find(key);
  MciResult r = it == answers_.end() ? MciResult{} : it->second;
  if (c.message == mci::kOpen && r.error == 0) {
    r.device = next_id_++;
    types_[r.device] = type;
    last_id_[type] = r.device;
  }
  if (it == answers_.end() && c.message == mci::kStatus && c.item == mci::kDgvStatusHwnd)
    r.value = 0x7000 + c.device;
  return r;
}

void FakeMci::answer(const std::string& type, uint32_t message, uint32_t item, MciResult result, uint32_t track) {
  answers_[Key{type, message, item, track}] = std::move(result);
}

void FakeMci::answer_value(const std::string& type, uint32_t message, uint32_t item, uintptr_t value,
                           uint32_t track) {
  MciResult r;
  r.value = value;
  answer(type, message, item, r, track);
}

void FakeMci::fail(const std::string& type, uint32_t message, uint32_t error, uint32_t item) {
  MciResult r;
  r.error = error;
  answer(type, message, item, r);
}

std::vector<std::string> FakeMci::take() { return std::exchange(lines_, {}); }

MciDeviceId FakeMci::id_of(const std::string& type) const {
  auto it = last_id_.find(type);
  return it == last_id_.end() ? 0 : it->second;
}

// ---- FakeShell.

FakeShell::FakeShell() {
  strings = {{IDS_FOLDER_WAVE, "WAVE"}, {IDS_FOLDER_MIDI, "MIDI"}, {IDS_FOLDER_AVI, "AVI"},
             {IDS_EXT_WAVE, "WAV"},     {IDS_EXT_MIDI, "MID"},     {IDS_EXT_AVI, "AVI"},
             {IDS_CDI_MOVIE, "CD-I movie"}};
}

std::string FakeShell::load_string(uint32_t id) {
  auto it = strings.find(id);
  return it == strings.end() ? std::string() : it->second;
}

void FakeShell::enable_button(int control, bool enabled) { buttons[control] = enabled; }
void FakeShell::show_indicator(int control, int cell) { indicators[control] = cell; }
void FakeShell::draw_volume(int level) { volume_level = level; }
void FakeShell::draw_time(const TimeDisplay& t) { time = t; }

Answer FakeShell::message_box(const Message& m) {
  std::string s = m.text.empty() ? std::to_string(m.text_id) : "'" + m.text + "'";
  if (m.caption_id != IDS_ERROR_CAPTION) s += " caption=" + std::to_string(m.caption_id);
  if (m.icon != MessageIcon::warning) s += " question";
  if (!m.owned) s += " ownerless";
  if (m.yes_no) s += " yes/no";
  boxes_.push_back(s);
  return m.yes_no ? Answer::yes : Answer::ok;
}

void FakeShell::beep_exclamation() {
  ++beeps;
  log_.push_back("beep");
}

bool FakeShell::start_timer(int id, uint32_t ms) {
  log_.push_back("timer " + std::to_string(id) + " " + std::to_string(ms));
  if (refuse_timers.count(id)) return false;
  timers.insert(id);
  return true;
}

void FakeShell::kill_timer(int id) {
  log_.push_back("kill " + std::to_string(id));
  timers.erase(id);
}

void FakeShell::post_close() {
  ++closes_posted;
  log_.push_back("close");
}

static std::string rect_text(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

void FakeShell::set_normal_placement(WindowHandle w, const Rect& normal, ShowState show) {
  placements[w] = normal;
  log_.push_back("placement " + hex(w) + " " + rect_text(normal) + (show == ShowState::hidden ? " hidden" : " normal"));
}

bool FakeShell::normal_placement(WindowHandle w, Rect& normal) {
  auto it = placements.find(w);
  if (it == placements.end()) return false;
  normal = it->second;
  return true;
}

bool FakeShell::screen_rect(WindowHandle w, Rect& rect) {
  auto it = rects.find(w);
  if (it == rects.end()) return false;
  rect = it->second;
  return true;
}

void FakeShell::set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t width, int32_t height) {
  rects[w] = Rect{x, y, x + width, y + height};
  log_.push_back("pos " + hex(w) + " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) +
                 "x" + std::to_string(height));
}

void FakeShell::set_window_text(WindowHandle w, const std::string& text) {
  log_.push_back("text " + hex(w) + " " + text);
}

void FakeShell::open_app_menu() { log_.push_back("app menu"); }

std::vector<std::string> FakeShell::take_boxes() { return std::exchange(boxes_, {}); }
std::vector<std::string> FakeShell::take_log() { return std::exchange(log_, {}); }

bool FakeShell::enabled(int control) const {
  auto it = buttons.find(control);
  return it == buttons.end() || it->second;
}

std::string FakeShell::enabled_transport() const {
  static const char* names[] = {"PlayList", "Previous", "Pause", "SkipBack", "Play", "SkipForward", "Stop", "Next"};
  std::string out;
  for (int id = IDC_PLAY_LIST; id <= IDC_NEXT; ++id) {
    if (!enabled(id)) continue;
    if (!out.empty()) out += ' ';
    out += names[id - IDC_PLAY_LIST];
  }
  return out;
}

// ---- FakeRemote.

FakeRemote::FakeRemote() {
  caps = {{MMCD_CAP_DISC_TYPE, 15}, {MMCD_CAP_VOLUME, 0}, {MMCD_CAP_MUTE, 0}, {MMCD_CAP_PLAY_STATE, 8}};
}

uint32_t FakeRemote::register_app(WindowHandle window, uint16_t& message_id, uint32_t& handle) {
  log_.push_back("register " + hex(window));
  if (register_status != MMCD_OK) {
    handle = 0;
    return register_status;
  }
  message_id = kMessage;
  handle = kHandle;
  return MMCD_OK;
}

uint32_t FakeRemote::unregister_app(uint32_t handle) {
  log_.push_back("unregister " + hex(handle));
  return handle == kHandle ? MMCD_OK : MMCD_ERR_NOT_FOUND;
}

uint32_t FakeRemote::set_first_app(uint32_t handle) {
  log_.push_back("first " + hex(handle));
  return handle == kHandle ? MMCD_OK : MMCD_ERR_NOT_FOUND;
}

uint32_t FakeRemote::get_cap(uint32_t handle, uint32_t capability, uint32_t& value) {
  if (handle != kHandle) return MMCD_ERR_NOT_FOUND;
  if (failing_caps.count(capability) || !caps.count(capability)) return MMCD_ERR_UNSUPPORTED;
  value = caps[capability];
  return MMCD_OK;
}

uint32_t FakeRemote::get_drive(uint32_t handle, std::string& d, std::string& receivers) {
  log_.push_back("drive?");
  if (handle != kHandle) return MMCD_ERR_NOT_FOUND;
  if (drive_status != MMCD_OK) return drive_status;
  d = drive;
  receivers = drive.substr(0, 1);
  return MMCD_OK;
}

uint32_t FakeRemote::set_cap(uint32_t handle, uint32_t capability, uint32_t value) {
  log_.push_back("set " + hex(capability) + " " + hex(value));
  if (handle != kHandle) return MMCD_ERR_NOT_FOUND;
  caps[capability] = value;
  return MMCD_OK;
}

uint32_t FakeRemote::call_next_app(uint32_t code, MMCD_CMD& c) {
  if (code == 1091 && c.cmd_class == 1 && c.item == 1 && c.length == 0 && !c.data) {
    reports_.push_back(state(static_cast<int>(c.value)));
  } else if (code == 1091 && c.cmd_class == 0x8001 && c.item == 4 && c.length == 0 && !c.data) {
    reports_.push_back(announce(static_cast<int>(c.value & 0xFFFF), static_cast<int>(c.value >> 16)));
  } else {
    log_.push_back("call " + std::to_string(code) + " class " + hex(c.cmd_class) + " item " + std::to_string(c.item));
  }
  return MMCD_OK;
}

std::vector<std::string> FakeRemote::take_reports() { return std::exchange(reports_, {}); }
std::vector<std::string> FakeRemote::take_log() { return std::exchange(log_, {}); }

// ---- FakeFolders.

namespace {
bool matches(const char* pattern, const char* name) {
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*') return matches(pattern + 1, name) || (*name && matches(pattern, name + 1));
  if (*name == 0) return false;
  const char p = static_cast<char>(upper(std::string(1, *pattern))[0]);
  const char n = static_cast<char>(upper(std::string(1, *name))[0]);
  return (p == '?' || p == n) && matches(pattern + 1, name + 1);
}
}  // namespace

bool FakeFolders::make_drive_current(char letter) {
  log_.push_back(std::string("drive ") + letter);
  return true;
}

bool FakeFolders::change_directory(const std::string& path) {
  log_.push_back("cd " + path);
  if (!folders_.count(upper(path))) return false;
  current_ = upper(path);
  return true;
}

std::vector<FolderEntry> FakeFolders::find(const std::string& pattern) {
  log_.push_back("find " + pattern);
  std::vector<FolderEntry> out;
  for (const FolderEntry& e : folders_[current_])
    if (matches(pattern.c_str(), e.name.c_str())) out.push_back(e);
  return out;
}

void FakeFolders::add(const std::string& directory, std::vector<FolderEntry> entries) {
  folders_[upper(directory)] = std::move(entries);
}

std::vector<std::string> FakeFolders::take_log() { return std::exchange(log_, {}); }

// ---- PanelTest.

void PanelTest::put_cd(int tracks, int length_minutes, int length_seconds, const std::string& identity) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 4;
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, static_cast<uintptr_t>(tracks));
  MciResult id;
  id.text = identity;
  mci.answer("cdaudio", mci::kInfo, 0, id);
  for (int t = 1; t <= tracks; ++t) set_track_length(t, length_minutes, length_seconds);
}

void PanelTest::set_track_length(int track, int minutes, int seconds) {
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusLength, static_cast<uintptr_t>(minutes | seconds << 8),
                   static_cast<uint32_t>(track));
}

void PanelTest::cd_at(int track, int minutes, int seconds) {
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusPosition, mci::tmsf(track, minutes, seconds, 0));
}

void PanelTest::put_video_cd(uint32_t size1, uint32_t size2) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 9;
  folders.add("D:\\MPEGAV", {{"AVSEQ01.DAT", false, size1}, {"AVSEQ02.DAT", false, size2}});
}

void PanelTest::tick(uint32_t mode) {
  for (const char* type : {"cdaudio", "waveaudio", "sequencer", "mpegvideo", "CDIVideo", "mpegvideocd", "avivideo"})
    mci.answer_value(type, mci::kStatus, mci::kStatusMode, mode);
  panel.on_timer(kStatusTimer);
}

void PanelTest::forget() {
  mci.take();
  shell.take_boxes();
  shell.take_log();
  remote.take_reports();
  remote.take_log();
  folders.take_log();
}

std::string box(uint32_t text_id) { return std::to_string(text_id); }
std::string ownerless_box(uint32_t text_id) { return std::to_string(text_id) + " ownerless"; }
std::string state(int s) { return "state " + std::to_string(s); }
std::string announce(int event, int track) {
  return "announce " + std::to_string(event) + (track > 0 ? " track " + std::to_string(track) : "");
}

std::string time_text(const TimeDisplay& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%d %d:%02d:%02d", t.track, t.hours, t.minutes, t.seconds);
  return text;
}

}  // namespace panel::testing
