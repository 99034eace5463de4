// The playback panel's behaviour, without windows: what it opens, how it
// walks its play list, what its buttons and the remote's buttons do, and
// what it tells the remote-control library.
//
// The Win32 dialog owns one PlaybackPanel and turns each window message into
// one call below; everything the panel wants done on screen comes back
// through PanelShell. MCI commands go out through Mci, the library through
// RemoteLink, disc folders through Folders, settings through Registry.
//
//   WM_INITDIALOG        on_init(hwnd, command line), after the controls exist
//   WM_COMMAND           on_control(id) for IDC_PLAY_LIST ... IDC_MUTE;
//                        on_volume_click(x) for IDC_VOLUME
//   WM_TIMER             on_timer(id)
//   MM_MCINOTIFY         on_mci_notify(wParam, LOWORD(lParam))
//   the remote message   on_remote(wParam, (MMCD_CMD*)lParam), returned as is;
//                        compare the message with remote_message()
//   WM_SETFOCUS, WM_ACTIVATEAPP   on_activate()
//   WM_QUERYNEWPALETTE   on_query_new_palette(), answer 0
//   WM_QUERYENDSESSION   on_query_end_session() after the default answer allows it
//   WM_CLOSE             on_close(), then EndDialog
//
// The Power button and its pop-up menu (Minimize, Help, About, Close) are
// window matters and stay in the shell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "beamhub/mmcd.h"
#include "common/registry.h"
#include "panel/folders.h"
#include "panel/mci.h"
#include "panel/media.h"
#include "panel/media_devices.h"
#include "panel/panel_shell.h"
#include "panel/remote_link.h"
#include "panel/window_settings.h"

namespace panel {

inline constexpr int kStatusTimer = 1;
inline constexpr uint32_t kStatusInterval = 300;
inline constexpr int kNumberTimer = 2;
inline constexpr uint32_t kNumberInterval = 5000;

inline constexpr int32_t kPanelWidth = 369;
inline constexpr int32_t kPanelHeight = 37;
inline constexpr int kVolumeBarWidth = 68;

// Remote handler answers: handled, or offer the code to the next program.
inline constexpr uint32_t kRemoteHandled = 1;
inline constexpr uint32_t kRemotePassOn = 2;

class PlaybackPanel {
 public:
  PlaybackPanel(Mci& mci, PanelShell& shell, RemoteLink& remote, Folders& folders, halvo::Registry& registry);
  ~PlaybackPanel();
  PlaybackPanel(const PlaybackPanel&) = delete;
  PlaybackPanel& operator=(const PlaybackPanel&) = delete;

  // ---- Window events.

  // Reads the settings, places the panel, registers with the library, opens
  // what the command line and the disc call for, and starts the status
  // timer. command_line: the text after the program name, leading blanks
  // removed.
  void on_init(WindowHandle panel_window, std::string_view command_line);
  // A click on a button or indicator. IDC_PLAY_LIST is left alone: the play
  // list editor comes with the albums, and until then its button is kept
  // disabled.
  void on_control(int control);
  // A click on the volume bar, x pixels from its left edge.
  void on_volume_click(int x);
  void on_timer(int timer);
  // code: MM_MCINOTIFY's wParam; device: the device that sent it.
  void on_mci_notify(uint32_t code, MciDeviceId device);
  // A remote button or event; command is lParam, read only with 1091.
  // Answers kRemoteHandled or kRemotePassOn.
  uint32_t on_remote(uint32_t code, MMCD_CMD* command);
  // The panel gained the focus or its program was activated: it becomes the
  // library's first receiver.
  void on_activate();
  void on_query_new_palette();
  // Windows ends the session: posts WM_CLOSE.
  void on_query_end_session();
  // Reports the stop, kills the timers, closes every device, unregisters and
  // saves the settings. The shell then ends the dialog.
  void on_close();

  // The registered remote-control message (0 until registered).
  uint16_t remote_message() const { return message_id_; }
  // What the LED display shows: the displayed track and time, or the number
  // being typed in place of the track.
  TimeDisplay shown_time() const;

  // ---- Transport: the buttons and the remote call these.

  void play();
  void pause();  // toggles
  void stop();
  void next_track();
  void previous_track();
  void skip_forward();
  void skip_backward();
  void rewind_to_first();
  void eject();
  void zoom();
  // A digit 0-9 on the remote; kClearDigits empties the typed number.
  static constexpr int kClearDigits = -1;
  void type_digit(int digit);
  void jump_to_typed_number();
  void on_play_notification(uint32_t code);
  void on_status_tick();

  // ---- Discovery: each answers true on success.

  bool load_audio_cd();
  bool load_mpeg_disc(bool open_first);
  bool load_multimedia_cd();
  bool open_file(const std::string& path);
  bool reload_current_disc();
  // The kind after moving a file play list to path.
  MediaKind switch_file_device(const std::string& path);

  // ---- State, read only.

  MediaKind kind() const { return kind_; }
  StartMode start_mode() const { return start_mode_; }
  const std::string& drive() const { return drive_; }
  const DiscIdentity& disc_identity() const { return identity_; }
  const SourceList& source_list() const { return sources_; }
  const PlayList& play_list() const { return play_list_; }
  int item_count() const { return item_count_; }
  int current_track() const { return current_track_; }
  int position() const { return position_; }
  const TimeDisplay& displayed() const { return displayed_; }
  uint16_t play_state() const { return play_state_; }
  bool paused() const { return paused_; }
  bool continuous_play() const { return continuous_; }
  int zoom_level() const { return zoom_level_; }
  bool muted() const { return muted_; }
  const std::string& typed_number() const { return digits_; }
  const Rect& video_rect() const { return video_rect_; }
  bool any_device_open() const;

 private:
  // The open device of each class, or null; a device whose open failed
  // counts as missing.
  CdAudioDevice* open_cd() const;
  WaveDevice* open_wave() const;
  SequencerDevice* open_sequencer() const;
  AviVideoDevice* open_avi() const;
  MpegVideoDevice* open_mpeg() const;
  // The open device that plays the current kind, or null.
  MediaDevice* current_device() const;
  // The open MPEG device, else the open AVI device, else null.
  VideoDevice* open_video() const;

  // Registration and the start-up decision; false when a bad switch ended it.
  bool start_up(std::string_view command_line);
  void dispatch_disc(uint32_t disc_type);
  // A discovery starts from the bare disc name and empty lists.
  void reset_disc();
  void open_mpeg_entry(const std::string& name);
  // Makes kind (wave, MIDI or AVI) current with a new device opened on path;
  // a device whose open failed is dropped. The MCI error.
  uint32_t open_file_device(MediaKind kind, const std::string& path);

  // Plays the current kind's device: CDs from the displayed track and time,
  // video with the video rectangle applied unless keep_placement.
  void play_device(bool keep_placement);
  void resume();
  // Next and previous track after the position moved.
  void cue_position(bool restart_file_audio);

  void disable_transport();
  void enable(int control, bool enabled);
  void redraw();
  void set_time_zero();
  void show_disc_type();
  void show_mute();
  void refresh_volume();
  void show_error(uint32_t text_id);
  // The MCI error report: nothing for 0, the drive-in-use text for 291, else
  // MCI's own text.
  void report(uint32_t mci_error);
  void report_state(uint16_t state);
  void announce(AnnounceEvent event, int track = 0);
  uint32_t cap_value(uint32_t capability, uint32_t fallback);

  // The entry at a play-list index, which must be valid.
  const PlayListEntry& entry(int index) const { return play_list_[static_cast<std::size_t>(index)]; }
  int last_index() const { return static_cast<int>(play_list_.size()) - 1; }
  int first_number() const { return play_list_.empty() ? 0 : play_list_.front().number; }
  // The displayed time of a CD in seconds, and back (never below 0:00:00).
  int cd_seconds() const;
  void show_cd_seconds(int seconds);
  uint32_t displayed_ms() const;
  void show_ms(uint32_t ms);

  Mci& mci_;
  PanelShell& shell_;
  RemoteLink& remote_;
  Folders& folders_;
  halvo::Registry& registry_;

  WindowHandle window_ = 0;
  std::string command_line_;
  bool registered_ = false;
  uint32_t handle_ = 0;
  uint16_t message_id_ = 0;
  bool closed_ = false;
  // Set while reloading: the caller, not the loader, starts play.
  bool reloading_ = false;
  WindowSettings settings_;

  MediaKind kind_ = kNoDisc;
  StartMode start_mode_ = kStartPlain;
  std::string drive_;
  DiscIdentity identity_;
  SourceList sources_;
  PlayList play_list_;
  int item_count_ = 0;
  Rect video_rect_;

  std::unique_ptr<AviVideoDevice> avi_;
  std::unique_ptr<CdAudioDevice> cd_;
  std::unique_ptr<WaveDevice> wave_;
  std::unique_ptr<SequencerDevice> sequencer_;
  std::unique_ptr<MpegVideoDevice> mpeg_;

  int current_track_ = 1;
  int position_ = 0;
  TimeDisplay displayed_;
  bool paused_ = false;
  uint16_t play_state_ = play_state::kTrayClosed;
  bool continuous_ = true;
  int zoom_level_ = 0;
  bool muted_ = false;
  bool ejecting_ = false;

  std::string digits_;
  bool number_expired_ = false;
};

}  // namespace panel
