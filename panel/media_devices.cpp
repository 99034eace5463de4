#include "panel/media_devices.h"

#include <cstdint>

namespace panel {

MciResult MediaDevice::send(MciCommand command) {
  if (!open_) {
    MciResult refused;
    refused.error = mci::kErrInvalidDeviceId;
    return refused;
  }
  command.device = id_;
  return mci_.send(command);
}

uint32_t MediaDevice::open_with(MciCommand open) {
  open.device = 0;
  open.message = mci::kOpen;
  const MciResult r = mci_.send(open);
  if (r.error == 0) {
    id_ = r.device;
    open_ = true;
  }
  return r.error;
}

uint32_t MediaDevice::close_device() {
  if (!open_) return 0;
  MciCommand c;
  c.message = mci::kClose;
  const uint32_t error = send(c).error;
  open_ = false;
  return error;
}

uint32_t MediaDevice::set_milliseconds_and_length() {
  MciCommand set;
  set.message = mci::kSet;
  set.flags = mci::kSetTimeFormat;
  set.time_format = mci::kFormatMilliseconds;
  const uint32_t error = send(set).error;

  uintptr_t length = 0;
  if (status(mci::kStatusLength, length) == 0) length_ = static_cast<uint32_t>(length);
  return error;
}

void MediaDevice::report_open_failure(uint32_t text_id, bool beep) {
  if (beep) shell_.beep_exclamation();
  Message m;
  m.text_id = text_id;
  m.owned = false;
  shell_.message_box(m);
}

uint32_t MediaDevice::pause() {
  MciCommand c;
  c.message = mci::kPause;
  return send(c).error;
}

uint32_t MediaDevice::stop() {
  MciCommand c;
  c.message = mci::kStop;
  return send(c).error;
}

uint32_t MediaDevice::status(uint32_t item, uintptr_t& value) {
  MciCommand c;
  c.message = mci::kStatus;
  c.flags = mci::kStatusItem | mci::kWait;
  c.item = item;
  const MciResult r = send(c);
  if (r.error == 0) value = r.value;
  return r.error;
}

uint32_t MediaDevice::seek_forward_10(uint32_t& position) {
  const uint64_t next = uint64_t{position} + 10000;
  if (next >= length_) return 0;
  MciCommand c;
  c.message = mci::kSeek;
  c.flags = mci::kTo | mci::kWait;
  c.to = static_cast<uint32_t>(next);
  const uint32_t error = send(c).error;
  if (error == 0) position = c.to;
  return error;
}

uint32_t MediaDevice::seek_back_10(uint32_t& position) {
  if (position <= 9999) return 0;
  MciCommand c;
  c.message = mci::kSeek;
  c.flags = mci::kTo | mci::kWait;
  c.to = position - 10000;
  const uint32_t error = send(c).error;
  if (error == 0) position = c.to;
  return error;
}

// CD audio.

CdAudioDevice::~CdAudioDevice() {
  if (!is_open()) return;
  stop();
  close();
}

uint32_t CdAudioDevice::open(const std::string& drive) {
  MciCommand c;
  c.flags = mci::kOpenType | mci::kOpenTypeId | mci::kOpenElement | mci::kOpenShareable;
  c.device_type_id = mci::kDevtypeCdAudio;
  c.element = drive;
  const uint32_t error = open_with(c);
  if (error != 0) {
    report_open_failure(IDS_OPEN_AUDIO_FAILED, false);
    return error;
  }

  MciCommand set;
  set.message = mci::kSet;
  set.flags = mci::kSetTimeFormat;
  set.time_format = mci::kFormatTmsf;
  send(set);

  uintptr_t tracks = 0;
  track_count_ = status(mci::kStatusNumberOfTracks, tracks) == 0 ? static_cast<int>(tracks) : 0;
  return 0;
}

uint32_t CdAudioDevice::play_track(WindowHandle notify, int track, int minutes, int seconds) {
  MciCommand c;
  c.message = mci::kPlay;
  c.flags = mci::kNotify | mci::kFrom;
  c.callback = notify;
  c.from = mci::tmsf(track, minutes, seconds, 0);
  int length_minutes = 0;
  int length_seconds = 0;
  // Without the track's length there is no end to give: play on from there.
  if (track_length(track, length_minutes, length_seconds) == 0) {
    c.flags |= mci::kTo;
    c.to = mci::tmsf(track, length_minutes, length_seconds, 0);
  }
  return send(c).error;
}

uint32_t CdAudioDevice::stop() {
  MciCommand c;
  c.message = mci::kStop;
  c.flags = mci::kWait;
  return send(c).error;
}

uint32_t CdAudioDevice::close() { return close_device(); }

uint32_t CdAudioDevice::track_length(int track, int& minutes, int& seconds) {
  MciCommand c;
  c.message = mci::kStatus;
  c.flags = mci::kStatusItem | mci::kTrack | mci::kWait;
  c.item = mci::kStatusLength;
  c.track = static_cast<uint32_t>(track);
  const MciResult r = send(c);
  if (r.error == 0) {
    minutes = static_cast<int>(mci::msf_minutes(static_cast<uint32_t>(r.value)));
    seconds = static_cast<int>(mci::msf_seconds(static_cast<uint32_t>(r.value)));
  }
  return r.error;
}

std::string CdAudioDevice::media_identity() {
  constexpr uint32_t kBufferSize = 16;
  MciCommand c;
  c.message = mci::kInfo;
  c.flags = mci::kInfoMediaIdentity;
  c.return_size = kBufferSize;
  const MciResult r = send(c);
  if (r.error != 0) return {};
  return r.text.substr(0, kBufferSize - 1);
}

uint32_t CdAudioDevice::set_door(bool open) {
  MciCommand c;
  c.message = mci::kSet;
  c.flags = open ? mci::kSetDoorOpen : mci::kSetDoorClosed;
  return send(c).error;
}

// Wave and MIDI files.

FileAudioDevice::~FileAudioDevice() {
  if (!is_open()) return;
  stop();
  close();
}

uint32_t FileAudioDevice::open(const std::string& path) {
  MciCommand c;
  c.flags = mci::kOpenType | mci::kOpenTypeId | mci::kOpenElement;
  c.device_type_id = device_type_;
  c.element = path;
  const uint32_t error = open_with(c);
  if (error != 0) {
    report_open_failure(open_failed_text_, true);
    return error;
  }
  return set_milliseconds_and_length();
}

uint32_t FileAudioDevice::play(WindowHandle notify) {
  MciCommand c;
  c.message = mci::kPlay;
  c.flags = mci::kNotify;
  c.callback = notify;
  return send(c).error;
}

uint32_t FileAudioDevice::close() { return close_device(); }

uint32_t FileAudioDevice::reopen(const std::string& path) {
  close();
  return open(path);
}

// Video.

void VideoDevice::query_window() {
  MciCommand c;
  c.message = mci::kStatus;
  c.flags = mci::kStatusItem;
  c.item = mci::kDgvStatusHwnd;
  const MciResult r = send(c);
  if (r.error == 0) window_ = r.value;
}

uint32_t VideoDevice::play(WindowHandle notify, const Rect& rect, bool keep_placement) {
  if (!keep_placement && is_open()) shell_.set_normal_placement(window_, rect, show_at_play_);
  MciCommand c;
  c.message = mci::kPlay;
  c.flags = mci::kNotify;
  c.callback = notify;
  const uint32_t error = send(c).error;
  if (error == 0) window_shown_ = true;
  return error;
}

uint32_t VideoDevice::close_and_remember(Rect& rect) {
  if (window_shown_) {
    Rect normal;
    if (shell_.normal_placement(window_, normal)) rect = normal;
    window_shown_ = false;
  }
  if (!is_open()) return 0;
  if (stop_before_close_) stop();
  return close_device();
}

uint32_t VideoDevice::resize(int level, Size desktop, Rect& rect) {
  const uint32_t error = stop();
  if (!is_open()) return error;
  const int32_t width = static_cast<int32_t>(int64_t{level} * desktop.width / 3);
  const int32_t height = static_cast<int32_t>(int64_t{level} * desktop.height / 3);
  shell_.set_window_pos(window_, desktop.width / 2 - width / 2, desktop.height / 2 - height / 2, width, height);
  Rect now;
  if (shell_.screen_rect(window_, now)) rect = now;
  return error;
}

uint32_t VideoDevice::realize() {
  MciCommand c;
  c.message = mci::kRealize;
  c.flags = mci::kDgvRealizeNorm;
  return send(c).error;
}

uint32_t MpegVideoDevice::open(const std::string& element, MediaKind kind) {
  MciCommand c;
  c.flags = mci::kOpenType | mci::kOpenElement | mci::kOpenShareable;
  c.device_type = kind == kCdiDisc ? "CDIVideo" : "mpegvideo";
  c.element = element;
  uint32_t error = open_with(c);
  if (error != 0 && kind == kCdiDisc) {
    c.device_type = "mpegvideocd";
    error = open_with(c);
  }
  if (error != 0) {
    report_open_failure(kind == kCdiDisc ? IDS_OPEN_CDI_FAILED : IDS_OPEN_VIDEO_FAILED, true);
    return error;
  }

  query_window();
  const uint32_t set_error = set_milliseconds_and_length();
  MciCommand text;
  text.message = mci::kWindow;
  text.flags = mci::kDgvWindowText;
  text.text = file_name_of(element);
  send(text);
  if (kind == kCdiDisc) shell_.set_window_text(window(), shell_.load_string(IDS_CDI_MOVIE));
  return set_error;
}

uint32_t AviVideoDevice::open(const std::string& path) {
  MciCommand c;
  c.flags = mci::kOpenType | mci::kOpenElement;
  c.device_type = "avivideo";
  c.element = path;
  const uint32_t error = open_with(c);
  if (error != 0) {
    report_open_failure(IDS_OPEN_AVI_FAILED, true);
    return error;
  }
  query_window();
  return set_milliseconds_and_length();
}

std::string file_name_of(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace panel
