// Play, pause, stop, the walk through the play list, skips, eject, zoom, the
// typed track number and the status poll.
#include "panel/playback_panel.h"

namespace panel {
namespace {

uint16_t state_of_mode(uint32_t mode, uint16_t unchanged) {
  switch (mode) {
    case mci::kModeOpen: return play_state::kTrayOpen;
    case mci::kModePlay: return play_state::kPlaying;
    case mci::kModePause: return play_state::kPaused;
    case mci::kModeNotReady: return play_state::kNotReady;
    case mci::kModeStop: return play_state::kStopped;
    default: return unchanged;
  }
}

}  // namespace

int PlaybackPanel::cd_seconds() const {
  return displayed_.hours * 3600 + displayed_.minutes * 60 + displayed_.seconds;
}

void PlaybackPanel::show_cd_seconds(int seconds) {
  if (seconds < 0) seconds = 0;
  displayed_.hours = seconds / 3600;
  displayed_.minutes = seconds / 60 % 60;
  displayed_.seconds = seconds % 60;
}

uint32_t PlaybackPanel::displayed_ms() const {
  return static_cast<uint32_t>(displayed_.hours) * 3600000u + static_cast<uint32_t>(displayed_.minutes) * 60000u +
         static_cast<uint32_t>(displayed_.seconds) * 1000u;
}

void PlaybackPanel::show_ms(uint32_t ms) {
  displayed_.hours = static_cast<int32_t>(ms / 3600000);
  displayed_.minutes = static_cast<int32_t>(ms / 60000 % 60);
  displayed_.seconds = static_cast<int32_t>(ms / 1000 % 60);
}

void PlaybackPanel::play_device(bool keep_placement) {
  switch (kind_) {
    case kAviFile:
      if (AviVideoDevice* avi = open_avi()) report(avi->play(window_, video_rect_, keep_placement));
      break;
    case kAudioCd:
    case kMixedModeCd:
      if (CdAudioDevice* cd = open_cd())
        report(cd->play_track(window_, displayed_.track, displayed_.hours * 60 + displayed_.minutes,
                              displayed_.seconds));
      break;
    case kMidiFile:
      if (SequencerDevice* s = open_sequencer()) report(s->play(window_));
      break;
    case kVideoCd:
    case kCdiDisc:
      if (MpegVideoDevice* m = open_mpeg()) report(m->play(window_, video_rect_, keep_placement));
      break;
    case kWaveFile:
      if (WaveDevice* w = open_wave()) report(w->play(window_));
      break;
    case kMultimediaCd:
    case kNoDisc:
      break;
  }
}

void PlaybackPanel::open_mpeg_entry(const std::string& name) {
  if (!mpeg_) mpeg_ = std::make_unique<MpegVideoDevice>(mci_, shell_);
  report(mpeg_->open(name, kind_));
}

void PlaybackPanel::play() {
  if (!any_device_open() && !reload_current_disc()) {
    disable_transport();
    return;
  }
  // Nothing could be loaded (no disc, a multimedia CD without items).
  if (!current_device()) {
    disable_transport();
    return;
  }
  if (paused_) {
    resume();
  } else {
    announce(kAnnouncePlaying, current_track_);
    play_device(false);
  }
  enable(IDC_STOP, true);
  enable(IDC_PLAY, false);
  enable(IDC_PAUSE, true);
  report_state(play_state::kPlaying);
}

void PlaybackPanel::resume() {
  paused_ = false;
  enable(IDC_PLAY, false);
  Rect rect;
  if (AviVideoDevice* avi = open_avi(); avi && kind_ == kAviFile) {
    if (shell_.screen_rect(avi->window(), rect)) video_rect_ = rect;
  } else if (MpegVideoDevice* m = open_mpeg(); m && is_mpeg(kind_) && m->window_shown()) {
    if (shell_.screen_rect(m->window(), rect)) video_rect_ = rect;
  }
  play_device(false);
  announce(kAnnounceResumed);
  report_state(play_state::kPlaying);
}

void PlaybackPanel::pause() {
  if (paused_) {
    resume();
    return;
  }
  if (play_state_ != play_state::kPlaying) return;
  paused_ = true;
  if (MediaDevice* d = current_device()) report(d->pause());
  enable(IDC_PLAY, true);
  announce(kAnnouncePaused);
  report_state(play_state::kPaused);
}

void PlaybackPanel::stop() {
  paused_ = false;
  if (is_cd(kind_)) {
    if (CdAudioDevice* cd = open_cd()) {
      position_ = 0;
      current_track_ = first_number();
      report(cd->stop());
      displayed_.track = current_track_;
      set_time_zero();
      redraw();
    }
  } else if (MediaDevice* d = current_device()) {
    report(d->stop());
  }
  announce(kAnnounceStopped);
  report_state(play_state::kStopped);
  enable(IDC_PLAY, true);
  enable(IDC_STOP, false);
  enable(IDC_PAUSE, false);
}

void PlaybackPanel::next_track() {
  if (!any_device_open() && (!reload_current_disc() || !any_device_open())) {
    disable_transport();
    return;
  }
  if (play_list_.empty()) {
    report_state(play_state::kStopped);
    position_ = 0;
    stop();
    return;
  }
  if (position_ >= last_index()) {
    if (!continuous_) {
      report_state(play_state::kStopped);
      if (kind_ == kAudioCd || kind_ == kMidiFile || kind_ == kMixedModeCd)
        announce(kAnnouncePlaying, current_track_);
      rewind_to_first();
      return;
    }
    position_ = 0;
  } else {
    ++position_;
  }
  cue_position(false);
}

void PlaybackPanel::previous_track() {
  if (play_list_.empty()) return;
  if (position_ > 0)
    --position_;
  else
    position_ = continuous_ ? last_index() : 0;
  cue_position(true);
}

void PlaybackPanel::cue_position(bool restart_file_audio) {
  const PlayListEntry e = entry(position_);
  current_track_ = e.number;
  if (is_file(kind_)) kind_ = switch_file_device(e.name);
  if (!is_mpeg(kind_)) announce(kAnnouncePlaying, current_track_);
  displayed_.track = current_track_;
  set_time_zero();
  const bool playing = play_state_ == play_state::kPlaying;
  if (is_mpeg(kind_)) {
    if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
    announce(kAnnouncePlaying, current_track_);
    open_mpeg_entry(e.name);
    if (playing) play_device(false);
  } else if (playing) {
    if (restart_file_audio && (kind_ == kMidiFile || kind_ == kWaveFile))
      if (MediaDevice* d = current_device()) report(d->stop());
    play_device(false);
  }
  redraw();
}

void PlaybackPanel::skip_forward() {
  announce(kAnnounceSkipForwards);
  const bool playing = play_state_ == play_state::kPlaying;
  if (is_cd(kind_)) {
    CdAudioDevice* cd = open_cd();
    if (cd && !play_list_.empty()) {
      const int next_index = position_ >= last_index() ? 0 : position_ + 1;
      const int next_track = entry(next_index).number;
      const int time = cd_seconds() + 10;
      show_cd_seconds(time);
      int minutes = 0;
      int seconds = 0;
      // A track whose length cannot be read is not left by skipping.
      if (cd->track_length(displayed_.track, minutes, seconds) == 0 && time > minutes * 60 + seconds) {
        displayed_.track = current_track_ = next_track;
        show_cd_seconds(time - (minutes * 60 + seconds));
        position_ = next_index;
        if (next_index == 0 && !continuous_) {
          rewind_to_first();
          report_state(play_state::kStopped);
          play_state_ = play_state::kStopped;
        }
      }
      if (play_state_ == play_state::kPlaying) play_device(false);
    }
  } else if (MediaDevice* d = current_device()) {
    uint32_t position = displayed_ms();
    report(d->seek_forward_10(position));
    show_ms(position);
    if (playing) play_device(true);
  }
  redraw();
}

void PlaybackPanel::skip_backward() {
  announce(kAnnounceSkipBackwards);
  const bool playing = play_state_ == play_state::kPlaying;
  if (is_cd(kind_)) {
    CdAudioDevice* cd = open_cd();
    if (cd && !play_list_.empty()) {
      const int previous_index = position_ > 0 ? position_ - 1 : last_index();
      const int previous_track = entry(previous_index).number;
      const int time = cd_seconds();
      if (time >= 10) {
        show_cd_seconds(time - 10);
      } else {
        // Into the previous track, as far from its end as is left to go back;
        // a length that cannot be read counts as zero.
        int minutes = 0;
        int seconds = 0;
        cd->track_length(previous_track, minutes, seconds);
        displayed_.track = current_track_ = previous_track;
        show_cd_seconds(minutes * 60 + seconds + time - 10);
        if (position_ > 0 || continuous_) {
          position_ = previous_index;
        } else {
          current_track_ = displayed_.track = first_number();
          set_time_zero();
        }
      }
      if (playing) play_device(false);
    }
  } else if (MediaDevice* d = current_device()) {
    uint32_t position = displayed_ms();
    report(d->seek_back_10(position));
    show_ms(position);
    if (playing) play_device(true);
  }
  redraw();
}

void PlaybackPanel::rewind_to_first() {
  paused_ = false;
  position_ = 0;
  if (is_mpeg(kind_)) {
    if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
    announce(kAnnounceReloaded);
    if (!play_list_.empty()) open_mpeg_entry(play_list_.front().name);
  } else if (MediaDevice* d = current_device()) {
    report(d->stop());
  }
  current_track_ = displayed_.track = first_number();
  set_time_zero();
  enable(IDC_PLAY, true);
  enable(IDC_STOP, false);
  enable(IDC_PAUSE, false);
  redraw();
}

void PlaybackPanel::on_play_notification(uint32_t code) {
  if (code != mci::kNotifySuccessful) return;
  // A file from the command line has played: the panel's work is done.
  if (start_mode_ == kStartFile && kind_ != kAudioCd) {
    shell_.post_close();
    return;
  }
  if (play_list_.empty()) {
    current_track_ = 0;
    displayed_ = TimeDisplay{};
    redraw();
    disable_transport();
    report_state(play_state::kStopped);
    return;
  }

  bool wrapped = false;
  if (position_ >= last_index()) {
    position_ = 0;
    wrapped = true;
    if (!continuous_) {
      enable(IDC_PLAY, true);
      enable(IDC_PAUSE, false);
      enable(IDC_STOP, false);
      displayed_.track = first_number();
      set_time_zero();
      redraw();
      report_state(play_state::kStopped);
    }
  } else {
    ++position_;
  }
  const bool playing = continuous_ || !wrapped;

  const PlayListEntry e = entry(position_);
  current_track_ = e.number;
  if (is_file(kind_)) kind_ = switch_file_device(e.name);

  if (is_cd(kind_)) {
    displayed_.track = current_track_;
    set_time_zero();
  } else if (is_mpeg(kind_)) {
    if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
    open_mpeg_entry(e.name);
  }
  if (playing) {
    announce(kAnnouncePlaying, current_track_);
    play_device(false);
  }
}

void PlaybackPanel::on_status_tick() {
  if (number_expired_) {
    shell_.kill_timer(kNumberTimer);
    digits_.clear();
    number_expired_ = false;
  }
  refresh_volume();

  if (MediaDevice* d = current_device()) {
    uintptr_t mode = 0;
    if (d->status(mci::kStatusMode, mode) == 0) {
      play_state_ = state_of_mode(static_cast<uint32_t>(mode), play_state_);
      if (mode == mci::kModeStop) {
        // A video that ended or was stopped from its own window.
        VideoDevice* shown = nullptr;
        if (open_avi() && avi_->window_shown())
          shown = avi_.get();
        else if (open_mpeg() && mpeg_->window_shown())
          shown = mpeg_.get();
        if (shown) {
          Rect rect;
          if (shell_.screen_rect(shown->window(), rect)) video_rect_ = rect;
          report(shown->stop());
          enable(IDC_PLAY, true);
          if (!paused_) {
            enable(IDC_STOP, false);
            enable(IDC_PAUSE, false);
          }
          redraw();
        }
      }
    }
  }

  if (play_state_ == play_state::kPlaying) {
    if (is_cd(kind_)) {
      uintptr_t where = 0;
      if (CdAudioDevice* cd = open_cd(); cd && cd->status(mci::kStatusPosition, where) == 0) {
        const uint32_t tmsf = static_cast<uint32_t>(where);
        const int track = static_cast<int>(mci::tmsf_track(tmsf));
        if (track == displayed_.track || !digits_.empty()) {
          const int minutes = static_cast<int>(mci::tmsf_minutes(tmsf));
          displayed_.track = track;
          displayed_.hours = minutes / 60;
          displayed_.minutes = minutes % 60;
          displayed_.seconds = static_cast<int>(mci::tmsf_seconds(tmsf));
        }
      }
    } else if (MediaDevice* d = current_device()) {
      uintptr_t ms = 0;
      if (d->status(mci::kStatusPosition, ms) == 0) {
        displayed_.track = current_track_;
        show_ms(static_cast<uint32_t>(ms));
      }
    }
  }
  redraw();
}

void PlaybackPanel::type_digit(int digit) {
  if (!any_device_open()) return;
  if (digit == kClearDigits) {
    digits_.clear();
    return;
  }
  if (digit < 0 || digit > 9) return;
  if (digits_.size() >= 3) {
    digits_.erase(0, 1);
  } else if (digits_.empty()) {
    if (!shell_.start_timer(kNumberTimer, kNumberInterval)) {
      show_error(IDS_NO_TIMER);
      return;
    }
    number_expired_ = false;
  }
  digits_ += static_cast<char>('0' + digit);
}

void PlaybackPanel::jump_to_typed_number() {
  number_expired_ = true;
  if (play_list_.empty() || digits_.empty()) return;
  const int wanted = std::stoi(digits_);
  int index = 0;
  while (index <= last_index() && entry(index).number != wanted) ++index;
  if (index > last_index()) return;

  position_ = index;
  const PlayListEntry e = entry(index);
  current_track_ = displayed_.track = e.number;
  set_time_zero();
  if (is_file(kind_)) {
    kind_ = switch_file_device(e.name);
    play();
  } else if (is_cd(kind_)) {
    play();
  } else if (is_mpeg(kind_)) {
    if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
    open_mpeg_entry(e.name);
    play();
  }
}

void PlaybackPanel::eject() {
  paused_ = false;
  switch (kind_) {
    case kAviFile:
      if (AviVideoDevice* avi = open_avi()) {
        report(avi->stop());
        if (avi->window_shown()) report(avi->close_and_remember(video_rect_));
      }
      break;
    case kAudioCd:
    case kMixedModeCd:
      if (CdAudioDevice* cd = open_cd())
        report(cd->stop());
      else
        kind_ = kNoDisc;
      break;
    case kMidiFile:
    case kWaveFile:
      if (MediaDevice* d = current_device()) report(d->stop());
      break;
    case kVideoCd:
    case kCdiDisc:
      if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
      break;
    case kMultimediaCd:
    case kNoDisc:
      break;
  }

  if (start_mode_ == kStartFile) {
    std::string drive;
    std::string receivers;
    if (remote_.get_drive(handle_, drive, receivers) == MMCD_OK) drive_ = drive.substr(0, 2);
  }

  // Whatever was playing, the door is reached through a CD device.
  if (!open_cd()) {
    cd_ = std::make_unique<CdAudioDevice>(mci_, shell_);
    const uint32_t error = cd_->open(drive_);
    if (error != 0) {
      report(error);
      cd_.reset();
      ejecting_ = true;
      shell_.post_close();
      return;
    }
    report(cd_->stop());
  }

  if (cap_value(MMCD_CAP_PLAY_STATE, play_state::kStopped) != play_state::kTrayOpen) {
    announce(kAnnounceTrayOpening);
    report(cd_->set_door(true));
    report_state(play_state::kTrayOpen);
  } else {
    announce(kAnnounceTrayClosing);
    report(cd_->set_door(false));
    report_state(play_state::kTrayClosed);
  }
  ejecting_ = true;
  shell_.post_close();
}

void PlaybackPanel::zoom() {
  VideoDevice* video = open_video();
  if (!video || open_cd() || open_wave() || open_sequencer()) return;
  play_state_ = play_state::kPlaying;
  zoom_level_ = zoom_level_ >= 3 ? 1 : zoom_level_ + 1;
  report(video->resize(zoom_level_, shell_.desktop_client_size(), video_rect_));
  report(video->play(window_, video_rect_, false));
}

}  // namespace panel
