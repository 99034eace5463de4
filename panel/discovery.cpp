// What a disc holds, what is opened at start, and the device changes while a
// file play list is walked.
#include <cstdio>
#include <optional>

#include "panel/command_line.h"
#include "panel/playback_panel.h"

namespace panel {
namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string join(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '\\') return directory + name;
  return directory + "\\" + name;
}

std::string hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}

// The extension with its dot, as the run-time's path splitter gives it.
std::string extension_of(const std::string& path) {
  const std::string name = file_name_of(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

void make_drive_current(Folders& folders, const std::string& path) {
  if (path.size() > 1 && path[1] == ':') folders.make_drive_current(path[0]);
}

}  // namespace

void PlaybackPanel::reset_disc() {
  identity_.reset(disc_name(kind_));
  sources_.clear();
  play_list_.clear();
  item_count_ = 0;
  position_ = 0;
}

bool PlaybackPanel::load_audio_cd() {
  reset_disc();
  cd_ = std::make_unique<CdAudioDevice>(mci_, shell_);
  const uint32_t error = cd_->open(drive_);
  if (error != 0) {
    report(error);
    cd_.reset();
    disable_transport();
    return false;
  }
  identity_.append(cd_->media_identity());
  const int count = cd_->track_count();
  if (count == 0) {
    show_error(IDS_AUDIO_NOT_INSERTED);
    cd_.reset();
    disable_transport();
    return false;
  }

  // A mixed-mode CD's first track holds its data.
  const int first = kind_ == kMixedModeCd ? 2 : 1;
  for (int n = first; n <= count; ++n) sources_.push_back("Track" + std::to_string(n));
  for (int n = first; n <= count; ++n) play_list_.push_back({n, "Track" + std::to_string(n)});
  item_count_ = static_cast<int>(sources_.size());

  set_time_zero();
  if (start_mode_ == kStartFile) {
    const std::optional<int> track = command_line_track(command_line_);
    if (track && *track >= first && *track <= count) {
      current_track_ = displayed_.track = *track;
      position_ = *track - first;
      return true;
    }
  }

  current_track_ = displayed_.track = first_number();
  if (reloading_) return true;
  if (start_mode_ == kStartMatched) {
    play();
  } else if (start_mode_ == kStartPlain && kind_ == kAudioCd) {
    // Another program may be playing the CD already: show it rather than restart it.
    uintptr_t mode = 0;
    uintptr_t where = 0;
    if (cd_->status(mci::kStatusMode, mode) == 0 && mode == mci::kModePlay &&
        cd_->status(mci::kStatusPosition, where) == 0) {
      const uint32_t tmsf = static_cast<uint32_t>(where);
      const int track = static_cast<int>(mci::tmsf_track(tmsf));
      if (track >= first && track <= count) {
        current_track_ = displayed_.track = track;
        position_ = track - first;
        const int minutes = static_cast<int>(mci::tmsf_minutes(tmsf));
        displayed_.hours = minutes / 60;
        displayed_.minutes = minutes % 60;
        displayed_.seconds = static_cast<int>(mci::tmsf_seconds(tmsf));
        enable(IDC_PAUSE, true);
        enable(IDC_STOP, true);
        enable(IDC_PLAY, false);
        redraw();
      }
    }
  }
  return true;
}

bool PlaybackPanel::load_mpeg_disc(bool open_first) {
  if (mpeg_) report(mpeg_->close_and_remember(video_rect_));
  mpeg_ = std::make_unique<MpegVideoDevice>(mci_, shell_);
  reset_disc();

  if (kind_ == kVideoCd) {
    const std::string directory = drive_ + "\\MPEGAV";
    uint32_t sum = 0;
    int count = 0;
    make_drive_current(folders_, directory);
    if (folders_.change_directory(directory)) {
      for (const FolderEntry& e : folders_.find("*.DAT")) {
        if (e.directory) continue;
        const std::string path = upper(join(directory, e.name));
        if (!ends_with(path, ".DAT")) continue;
        sources_.push_back(path);
        ++count;
        sum += e.size;
      }
    }
    sum += static_cast<uint32_t>(count);
    identity_.append(hex(sum));
    item_count_ = count;
    if (count <= 0) {
      mpeg_.reset();
      return false;
    }
    for (int i = 0; i < count; ++i) play_list_.push_back({i + 1, sources_[static_cast<std::size_t>(i)]});
  }

  if (start_mode_ != kStartPlain || open_first) {
    uint32_t error = 0;
    if (kind_ == kVideoCd) {
      current_track_ = first_number();
      error = mpeg_->open(play_list_.front().name, kVideoCd);
    } else {
      current_track_ = 1;
      error = mpeg_->open(drive_, kCdiDisc);
      // A CD-i disc is one title.
      enable(IDC_PLAY_LIST, false);
      enable(IDC_PREVIOUS, false);
      enable(IDC_NEXT, false);
    }
    if (error != 0) {
      report(error);
      mpeg_.reset();
      return false;
    }
    displayed_.track = current_track_;
    set_time_zero();
  }
  if (start_mode_ != kStartPlain && !reloading_) play();
  return true;
}

bool PlaybackPanel::load_multimedia_cd() {
  reset_disc();
  struct Folder {
    uint32_t name;
    uint32_t extension;
  };
  constexpr Folder kFolders[] = {
      {IDS_FOLDER_WAVE, IDS_EXT_WAVE},
      {IDS_FOLDER_MIDI, IDS_EXT_MIDI},
      {IDS_FOLDER_AVI, IDS_EXT_AVI},
  };

  make_drive_current(folders_, drive_);
  uint32_t sum = 0;
  int count = 0;
  for (const Folder& f : kFolders) {
    const std::string directory = drive_ + "\\" + shell_.load_string(f.name);
    const std::string extension = shell_.load_string(f.extension);
    if (!folders_.change_directory(directory)) continue;
    const std::vector<FolderEntry> found = folders_.find("*." + extension);
    for (const FolderEntry& e : found) {
      if (e.directory) continue;
      const std::string path = upper(join(directory, e.name));
      if (!ends_with(path, "." + extension)) continue;
      sources_.push_back(path);
      ++count;
      sum += e.size;
    }
    if (!found.empty()) sum += static_cast<uint32_t>(count);
  }
  identity_.append(hex(sum));
  item_count_ = count;
  if (count <= 0) {
    show_error(IDS_QMCD_NOT_INSERTED);
    return false;
  }
  for (int m = 1; m <= count; ++m) play_list_.push_back({m, sources_[static_cast<std::size_t>(m - 1)]});

  const std::string& first = play_list_.front().name;
  const std::string type = first.substr(first.size() >= 3 ? first.size() - 3 : 0);
  uint32_t error = 0;
  if (type == "WAV")
    error = open_file_device(kWaveFile, first);
  else if (type == "MID")
    error = open_file_device(kMidiFile, first);
  else if (type == "AVI")
    error = open_file_device(kAviFile, first);
  else
    return false;
  if (error != 0) {
    report(error);
    return false;
  }

  current_track_ = displayed_.track = first_number();
  set_time_zero();
  if (start_mode_ != kStartPlain && !reloading_) play();
  return true;
}

uint32_t PlaybackPanel::open_file_device(MediaKind kind, const std::string& path) {
  kind_ = kind;
  uint32_t error = 0;
  switch (kind) {
    case kWaveFile:
      wave_ = std::make_unique<WaveDevice>(mci_, shell_);
      if ((error = wave_->open(path)) != 0) wave_.reset();
      break;
    case kMidiFile:
      sequencer_ = std::make_unique<SequencerDevice>(mci_, shell_);
      if ((error = sequencer_->open(path)) != 0) sequencer_.reset();
      break;
    case kAviFile:
      avi_ = std::make_unique<AviVideoDevice>(mci_, shell_);
      if ((error = avi_->open(path)) != 0) avi_.reset();
      break;
    default:
      break;
  }
  return error;
}

bool PlaybackPanel::open_file(const std::string& path) {
  if (path.size() < 3) return false;
  const std::string type = upper(path.substr(path.size() - 3));
  uint32_t error = 0;
  if (type == "DAT") {
    kind_ = kVideoCd;
    mpeg_ = std::make_unique<MpegVideoDevice>(mci_, shell_);
    if (mpeg_->open(path, kVideoCd) != 0) {
      mpeg_.reset();
      return false;
    }
  } else if (type == "CDA") {
    kind_ = kAudioCd;
    if (!load_audio_cd()) return false;
  } else if (type == "WAV") {
    error = open_file_device(kWaveFile, path);
  } else if (type == "MID") {
    error = open_file_device(kMidiFile, path);
  } else if (type == "AVI") {
    video_rect_ = Rect{50, 50, 200, 200};
    error = open_file_device(kAviFile, path);
  } else {
    return false;
  }
  if (error != 0) {
    report(error);
    return false;
  }

  show_disc_type();
  if (!open_cd()) {
    enable(IDC_PLAY_LIST, false);
    enable(IDC_PREVIOUS, false);
    enable(IDC_NEXT, false);
    current_track_ = 0;
    displayed_ = TimeDisplay{};
    redraw();
  }
  play();
  return true;
}

bool PlaybackPanel::reload_current_disc() {
  reloading_ = true;
  bool loaded = true;
  switch (kind_) {
    case kAviFile:
    case kMidiFile:
    case kWaveFile: loaded = load_multimedia_cd(); break;
    case kAudioCd:
    case kMixedModeCd: loaded = load_audio_cd(); break;
    case kVideoCd:
    case kCdiDisc: loaded = load_mpeg_disc(true); break;
    case kMultimediaCd:
    case kNoDisc: break;
  }
  reloading_ = false;
  return loaded;
}

MediaKind PlaybackPanel::switch_file_device(const std::string& path) {
  const MediaKind previous = kind_;
  const std::string extension = extension_of(path);
  MediaKind next = previous;
  if (extension == ".WAV") {
    if (previous == kWaveFile && wave_) {
      wave_->reopen(path);
    } else {
      wave_ = std::make_unique<WaveDevice>(mci_, shell_);
      wave_->open(path);
    }
    next = kWaveFile;
  } else if (extension == ".MID") {
    if (previous == kMidiFile && sequencer_) {
      sequencer_->reopen(path);
    } else {
      sequencer_ = std::make_unique<SequencerDevice>(mci_, shell_);
      sequencer_->open(path);
    }
    next = kMidiFile;
  } else if (extension == ".AVI") {
    if (previous == kAviFile && avi_) {
      report(avi_->close_and_remember(video_rect_));
      report(avi_->open(path));
    } else {
      avi_ = std::make_unique<AviVideoDevice>(mci_, shell_);
      report(avi_->open(path));
    }
    next = kAviFile;
  }

  const bool unknown = next == previous && extension != ".WAV" && extension != ".MID" && extension != ".AVI";
  if (next != previous || unknown) {
    if (previous == kAviFile && avi_) {
      report(avi_->close_and_remember(video_rect_));
      avi_.reset();
    } else if (previous == kMidiFile && sequencer_) {
      sequencer_->close();
      sequencer_.reset();
    } else if (previous == kWaveFile && wave_) {
      wave_->close();
      wave_.reset();
    }
  }
  return next;
}

}  // namespace panel
