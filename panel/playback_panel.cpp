#include "panel/playback_panel.h"

#include <algorithm>

#include "beamhub/codes.h"
#include "panel/command_line.h"

namespace panel {

PlaybackPanel::PlaybackPanel(Mci& mci, PanelShell& shell, RemoteLink& remote, Folders& folders,
                             halvo::Registry& registry)
    : mci_(mci), shell_(shell), remote_(remote), folders_(folders), registry_(registry) {}

PlaybackPanel::~PlaybackPanel() = default;

// ---- Devices.

CdAudioDevice* PlaybackPanel::open_cd() const { return cd_ && cd_->is_open() ? cd_.get() : nullptr; }
WaveDevice* PlaybackPanel::open_wave() const { return wave_ && wave_->is_open() ? wave_.get() : nullptr; }
SequencerDevice* PlaybackPanel::open_sequencer() const {
  return sequencer_ && sequencer_->is_open() ? sequencer_.get() : nullptr;
}
AviVideoDevice* PlaybackPanel::open_avi() const { return avi_ && avi_->is_open() ? avi_.get() : nullptr; }
MpegVideoDevice* PlaybackPanel::open_mpeg() const { return mpeg_ && mpeg_->is_open() ? mpeg_.get() : nullptr; }

MediaDevice* PlaybackPanel::current_device() const {
  switch (kind_) {
    case kAviFile: return open_avi();
    case kAudioCd:
    case kMixedModeCd: return open_cd();
    case kMidiFile: return open_sequencer();
    case kVideoCd:
    case kCdiDisc: return open_mpeg();
    case kWaveFile: return open_wave();
    case kMultimediaCd:
    case kNoDisc: break;
  }
  return nullptr;
}

VideoDevice* PlaybackPanel::open_video() const {
  if (MpegVideoDevice* m = open_mpeg()) return m;
  return open_avi();
}

bool PlaybackPanel::any_device_open() const {
  return open_avi() || open_cd() || open_wave() || open_sequencer() || open_mpeg();
}

// ---- Start.

void PlaybackPanel::on_init(WindowHandle panel_window, std::string_view command_line) {
  window_ = panel_window;
  command_line_ = std::string(command_line);
  settings_ = read_settings(registry_, shell_.desktop_client_size());
  continuous_ = settings_.continuous_play;
  video_rect_ = settings_.video;
  shell_.set_window_pos(window_, settings_.panel_x, settings_.panel_y, kPanelWidth, kPanelHeight);
  enable(IDC_STOP, false);
  enable(IDC_PAUSE, false);
  // The play-list editor comes with the albums; until then its button stays off.
  enable(IDC_PLAY_LIST, false);

  const bool started = start_up(command_line);

  show_disc_type();
  shell_.show_indicator(IDC_REPEAT, continuous_ ? 0 : 1);
  uint32_t mute = 0;
  if (remote_.get_cap(handle_, MMCD_CAP_MUTE, mute) == MMCD_OK) muted_ = mute != 0;
  show_mute();

  if (!started) return;
  if (!shell_.start_timer(kStatusTimer, kStatusInterval)) {
    show_error(IDS_NO_TIMER);
    return;
  }
  refresh_volume();
}

bool PlaybackPanel::start_up(std::string_view command_line) {
  if (remote_.register_app(window_, message_id_, handle_) != MMCD_OK) {
    show_error(IDS_REGISTER_FAILED);
    disable_transport();
  } else {
    registered_ = true;
    std::string drive;
    std::string receivers;
    if (remote_.get_drive(handle_, drive, receivers) == MMCD_OK)
      drive_ = drive.substr(0, 2);
    else
      show_error(IDS_NO_RECEIVER);
  }

  const StartRequest request = parse_command_line(command_line);
  uint32_t disc_type = beamhub::kDiscUnknown;
  switch (request.form) {
    case StartRequest::plain:
      start_mode_ = kStartPlain;
      disc_type = cap_value(MMCD_CAP_DISC_TYPE, beamhub::kDiscUnknown);
      break;
    case StartRequest::short_file:
      start_mode_ = kStartFile;
      disable_transport();
      return true;
    case StartRequest::file:
      start_mode_ = kStartFile;
      drive_ = request.path.substr(0, 2);
      if (!open_file(request.path)) disable_transport();
      return true;
    case StartRequest::play_switch:
      disc_type = cap_value(MMCD_CAP_DISC_TYPE, beamhub::kDiscUnknown);
      if (disc_type != request.expected_disc) {
        start_mode_ = kStartFile;
        disable_transport();
        displayed_.track = 0;
        show_error(request.mismatch_text);
        return true;
      }
      start_mode_ = kStartMatched;
      break;
    case StartRequest::bad_switch:
      show_error(IDS_BAD_SWITCH);
      disable_transport();
      return false;
  }
  dispatch_disc(disc_type);
  return true;
}

void PlaybackPanel::dispatch_disc(uint32_t disc_type) {
  switch (disc_type) {
    case beamhub::kDiscAudio:
    case 7:
    case beamhub::kDiscMixed:
      kind_ = disc_type == beamhub::kDiscMixed ? kMixedModeCd : kAudioCd;
      show_disc_type();
      if (!load_audio_cd()) disable_transport();
      break;
    case beamhub::kDiscCdi:
      kind_ = kCdiDisc;
      load_mpeg_disc(false);
      show_disc_type();
      break;
    case beamhub::kDiscVideoCd:
      kind_ = kVideoCd;
      if (!load_mpeg_disc(false)) disable_transport();
      show_disc_type();
      break;
    case beamhub::kDiscQmcd:
      kind_ = kMultimediaCd;
      show_disc_type();
      if (!load_multimedia_cd()) disable_transport();
      break;
    case beamhub::kDiscUnknown:
      disable_transport();
      kind_ = kNoDisc;
      show_disc_type();
      break;
    case beamhub::kDiscData:
    case 1:
    case 2:
    case 6:
      disable_transport();
      break;
    default:
      break;
  }
}

// ---- Window events.

void PlaybackPanel::on_control(int control) {
  switch (control) {
    case IDC_PREVIOUS: previous_track(); break;
    case IDC_PAUSE: pause(); break;
    case IDC_SKIP_BACK: skip_backward(); break;
    case IDC_PLAY: play(); break;
    case IDC_SKIP_FORWARD: skip_forward(); break;
    case IDC_STOP: stop(); break;
    case IDC_NEXT: next_track(); break;
    case IDC_EJECT: eject(); break;
    case IDC_REPEAT:
      continuous_ = !continuous_;
      shell_.show_indicator(IDC_REPEAT, continuous_ ? 0 : 1);
      break;
    case IDC_MUTE:
      remote_.set_cap(handle_, MMCD_CAP_MUTE, muted_ ? 0 : 1);
      muted_ = !muted_;
      show_mute();
      break;
    default:
      break;
  }
}

void PlaybackPanel::on_volume_click(int x) {
  if (muted_) {
    remote_.set_cap(handle_, MMCD_CAP_MUTE, 0);
    muted_ = false;
    show_mute();
  }
  const int level = std::clamp(x, 0, kVolumeBarWidth);
  shell_.draw_volume(level);
  const uint32_t volume = static_cast<uint32_t>(level) * 65535u / kVolumeBarWidth;
  remote_.set_cap(handle_, MMCD_CAP_VOLUME, volume * 0x10001u);
}

void PlaybackPanel::on_timer(int timer) {
  if (timer == kStatusTimer)
    on_status_tick();
  else if (timer == kNumberTimer)
    number_expired_ = true;
}

void PlaybackPanel::on_mci_notify(uint32_t code, MciDeviceId device) {
  // A device closed or replaced since may still have a notification queued.
  const MediaDevice* current = current_device();
  if (!current || current->id() != device) return;
  on_play_notification(code);
}

void PlaybackPanel::on_activate() {
  if (registered_) remote_.set_first_app(handle_);
}

void PlaybackPanel::on_query_new_palette() {
  if (VideoDevice* v = open_video()) v->realize();
}

void PlaybackPanel::on_query_end_session() { shell_.post_close(); }

void PlaybackPanel::on_close() {
  if (closed_) return;
  closed_ = true;
  if (!ejecting_) report_state(play_state::kStopped);
  shell_.kill_timer(kStatusTimer);
  shell_.kill_timer(kNumberTimer);

  if (AviVideoDevice* avi = open_avi(); avi && !ejecting_) {
    report(avi->stop());
    report(avi->close_and_remember(video_rect_));
  }
  avi_.reset();
  cd_.reset();
  wave_.reset();
  sequencer_.reset();
  if (mpeg_ && !ejecting_) report(mpeg_->close_and_remember(video_rect_));
  mpeg_.reset();
  play_list_.clear();
  sources_.clear();

  if (registered_) {
    remote_.unregister_app(handle_);
    registered_ = false;
  }

  Rect panel;
  if (shell_.normal_placement(window_, panel)) {
    settings_.panel_x = panel.left;
    settings_.panel_y = panel.top;
  }
  settings_.continuous_play = continuous_;
  settings_.video = video_rect_;
  write_settings(registry_, settings_);
}

TimeDisplay PlaybackPanel::shown_time() const {
  TimeDisplay t = displayed_;
  if (!digits_.empty()) t.track = std::stoi(digits_);
  return t;
}

// ---- What the panel shows and tells.

void PlaybackPanel::disable_transport() {
  for (int control = IDC_PLAY_LIST; control <= IDC_NEXT; ++control) enable(control, false);
}

void PlaybackPanel::enable(int control, bool enabled) { shell_.enable_button(control, enabled); }

void PlaybackPanel::redraw() { shell_.draw_time(shown_time()); }

void PlaybackPanel::set_time_zero() {
  displayed_.hours = 0;
  displayed_.minutes = 0;
  displayed_.seconds = 0;
}

void PlaybackPanel::show_disc_type() { shell_.show_indicator(IDC_DISC_TYPE, kind_); }

void PlaybackPanel::show_mute() { shell_.show_indicator(IDC_MUTE, muted_ ? 1 : 0); }

void PlaybackPanel::refresh_volume() {
  uint32_t volume = 0;
  if (remote_.get_cap(handle_, MMCD_CAP_VOLUME, volume) != MMCD_OK) return;
  shell_.draw_volume(static_cast<int>(kVolumeBarWidth * (volume & 0xFFFF) / 65535));
}

void PlaybackPanel::show_error(uint32_t text_id) {
  Message m;
  m.text_id = text_id;
  shell_.message_box(m);
}

void PlaybackPanel::report(uint32_t mci_error) {
  if (mci_error == 0) return;
  Message m;
  if (mci_error == mci::kErrDriveInUse)
    m.text_id = IDS_DRIVE_IN_USE;
  else
    m.text = mci_.error_text(mci_error);
  shell_.message_box(m);
}

void PlaybackPanel::report_state(uint16_t state) {
  MMCD_CMD c{1, 1, state, 0, nullptr};
  remote_.call_next_app(beamhub::kEvCommand, c);
}

void PlaybackPanel::announce(AnnounceEvent event, int track) {
  MMCD_CMD c{0x8001, 4, static_cast<uint32_t>(event) | static_cast<uint32_t>(track & 0xFFFF) << 16, 0, nullptr};
  remote_.call_next_app(beamhub::kEvCommand, c);
}

uint32_t PlaybackPanel::cap_value(uint32_t capability, uint32_t fallback) {
  uint32_t value = 0;
  return remote_.get_cap(handle_, capability, value) == MMCD_OK ? value : fallback;
}

}  // namespace panel
