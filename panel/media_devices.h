// The five MCI devices the panel plays through. Each sends its fixed
// command sequence through Mci and returns the MCI error of its last command
// (0 = success). A device that is not open sends nothing and answers
// MCIERR_INVALID_DEVICE_ID.
#pragma once

#include <cstdint>
#include <string>

#include "panel/mci.h"
#include "panel/media.h"
#include "panel/panel_shell.h"

namespace panel {

class MediaDevice {
 public:
  MediaDevice(Mci& mci, PanelShell& shell) : mci_(mci), shell_(shell) {}
  virtual ~MediaDevice() = default;
  MediaDevice(const MediaDevice&) = delete;
  MediaDevice& operator=(const MediaDevice&) = delete;

  bool is_open() const { return open_; }
  MciDeviceId id() const { return id_; }
  // Milliseconds, for the devices whose time format is milliseconds.
  uint32_t length() const { return length_; }
  uint32_t pause();
  virtual uint32_t stop();
  // MCI_STATUS of one item, waiting; value is left alone on failure.
  uint32_t status(uint32_t item, uintptr_t& value);

  // Ten seconds on from position (milliseconds), unless that reaches the
  // end; position follows a seek that succeeded.
  uint32_t seek_forward_10(uint32_t& position);
  // Ten seconds back, unless position is below ten seconds.
  uint32_t seek_back_10(uint32_t& position);

 protected:
  MciResult send(MciCommand command);
  // MCI_OPEN; on success the device is open under the returned id.
  uint32_t open_with(MciCommand open);
  uint32_t close_device();
  // Time format milliseconds, then the length; answers the MCI_SET error.
  uint32_t set_milliseconds_and_length();
  // The owner-less box every failed open shows.
  void report_open_failure(uint32_t text_id, bool beep);

  Mci& mci_;
  PanelShell& shell_;

 private:
  MciDeviceId id_ = 0;
  bool open_ = false;
  uint32_t length_ = 0;
};

// The CD in the drive, in tracks, minutes, seconds and frames.
class CdAudioDevice : public MediaDevice {
 public:
  using MediaDevice::MediaDevice;
  // Stops (waiting) and closes.
  ~CdAudioDevice() override;

  // drive: "D:". Answers 0 once the device is open.
  uint32_t open(const std::string& drive);
  // Plays track from minutes:seconds to the track's own end.
  uint32_t play_track(WindowHandle notify, int track, int minutes, int seconds);
  uint32_t stop() override;  // waits
  uint32_t close();
  uint32_t track_length(int track, int& minutes, int& seconds);
  // MCI_INFO media identity, at most 15 characters; empty on failure.
  std::string media_identity();
  uint32_t set_door(bool open);

  // 0 when the query failed.
  int track_count() const { return track_count_; }

 private:
  int track_count_ = 0;
};

// Wave and MIDI files: opened by device type number, played from where they are.
class FileAudioDevice : public MediaDevice {
 public:
  // Stops and closes.
  ~FileAudioDevice() override;

  uint32_t open(const std::string& path);
  uint32_t play(WindowHandle notify);
  uint32_t close();
  uint32_t reopen(const std::string& path);

 protected:
  FileAudioDevice(Mci& mci, PanelShell& shell, uint32_t device_type, uint32_t open_failed_text)
      : MediaDevice(mci, shell), device_type_(device_type), open_failed_text_(open_failed_text) {}

 private:
  uint32_t device_type_;
  uint32_t open_failed_text_;
};

class WaveDevice : public FileAudioDevice {
 public:
  WaveDevice(Mci& mci, PanelShell& shell)
      : FileAudioDevice(mci, shell, mci::kDevtypeWaveformAudio, IDS_OPEN_WAVE_FAILED) {}
};

class SequencerDevice : public FileAudioDevice {
 public:
  SequencerDevice(Mci& mci, PanelShell& shell)
      : FileAudioDevice(mci, shell, mci::kDevtypeSequencer, IDS_OPEN_MIDI_FAILED) {}
};

// A device with a video window of its own. Destroying one sends nothing:
// its owner closes it first.
class VideoDevice : public MediaDevice {
 public:
  WindowHandle window() const { return window_; }
  bool window_shown() const { return window_shown_; }

  // Unless keep_placement, the window gets rect as its normal position first.
  uint32_t play(WindowHandle notify, const Rect& rect, bool keep_placement);
  // The window's normal position goes into rect when it was shown.
  uint32_t close_and_remember(Rect& rect);
  // Stops, then sizes the window to level thirds of the desktop, centred;
  // rect becomes the window's screen rectangle. Answers the stop's error.
  uint32_t resize(int level, Size desktop, Rect& rect);
  // MCI_REALIZE, normal.
  uint32_t realize();

 protected:
  VideoDevice(Mci& mci, PanelShell& shell, ShowState show_at_play, bool stop_before_close)
      : MediaDevice(mci, shell), show_at_play_(show_at_play), stop_before_close_(stop_before_close) {}
  void query_window();

 private:
  ShowState show_at_play_;
  bool stop_before_close_;
  WindowHandle window_ = 0;
  bool window_shown_ = false;
};

// Video CD items ("mpegvideo") and CD-i titles ("CDIVideo", else "mpegvideocd").
class MpegVideoDevice : public VideoDevice {
 public:
  MpegVideoDevice(Mci& mci, PanelShell& shell) : VideoDevice(mci, shell, ShowState::hidden, true) {}
  // kind: kVideoCd with an item's path, kCdiDisc with the drive.
  uint32_t open(const std::string& element, MediaKind kind);
};

class AviVideoDevice : public VideoDevice {
 public:
  AviVideoDevice(Mci& mci, PanelShell& shell) : VideoDevice(mci, shell, ShowState::normal, false) {}
  uint32_t open(const std::string& path);
};

// The file name and extension of a path ("AVSEQ01.DAT" of "D:\MPEGAV\AVSEQ01.DAT").
std::string file_name_of(const std::string& path);

}  // namespace panel
