// Stand-ins for everything around the panel's core: a scripted MCI that
// records every command, the window side, the remote-control library and
// the disc's folders. Each records what it was asked as one line per call.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/memory_registry.h"
#include "panel/folders.h"
#include "panel/mci.h"
#include "panel/panel_shell.h"
#include "panel/playback_panel.h"
#include "panel/remote_link.h"

namespace panel::testing {

// Answers by device type ("cdaudio", "waveaudio", "sequencer" for the typed
// opens, else the type name), message, status item and track; anything not
// scripted succeeds with zeros. Every open gets a new device id.
class FakeMci : public Mci {
 public:
  MciResult send(const MciCommand& command) override;
  std::string error_text(uint32_t error) override { return "MCI error " + std::to_string(error); }

  void answer(const std::string& type, uint32_t message, uint32_t item, MciResult result, uint32_t track = 0);
  void answer_value(const std::string& type, uint32_t message, uint32_t item, uintptr_t value, uint32_t track = 0);
  void fail(const std::string& type, uint32_t message, uint32_t error, uint32_t item = 0);

  // The commands since the last take, one line each: "<device> <message>
  // [flags] field=value...".
  std::vector<std::string> take();
  // The id the last open of a type got (0 when none).
  MciDeviceId id_of(const std::string& type) const;

  std::vector<MciCommand> commands;

 private:
  using Key = std::tuple<std::string, uint32_t, uint32_t, uint32_t>;
  std::string type_of(const MciCommand& c) const;
  std::map<Key, MciResult> answers_;
  std::map<MciDeviceId, std::string> types_;
  std::map<std::string, MciDeviceId> last_id_;
  MciDeviceId next_id_ = 1;
  std::vector<std::string> lines_;
};

// One line for a command as FakeMci records it.
std::string describe(const MciCommand& command, const std::string& device);

class FakeShell : public PanelShell {
 public:
  FakeShell();

  std::string load_string(uint32_t id) override;
  void enable_button(int control, bool enabled) override;
  void show_indicator(int control, int cell) override;
  void draw_volume(int level) override;
  void draw_time(const TimeDisplay& time) override;
  Answer message_box(const Message& message) override;
  void beep_exclamation() override;
  bool start_timer(int id, uint32_t milliseconds) override;
  void kill_timer(int id) override;
  void post_close() override;
  void set_normal_placement(WindowHandle window, const Rect& normal, ShowState show) override;
  bool normal_placement(WindowHandle window, Rect& normal) override;
  bool screen_rect(WindowHandle window, Rect& rect) override;
  void set_window_pos(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override;
  void set_window_text(WindowHandle window, const std::string& text) override;
  Size desktop_client_size() override { return desktop; }
  bool is_foreground() override { return foreground; }
  void open_app_menu() override;

  // Boxes shown since the last take: the string number, or the text in
  // quotes; " ownerless" when it had no owner.
  std::vector<std::string> take_boxes();
  // Every other call since the last take, one line each.
  std::vector<std::string> take_log();
  // The enabled state of the buttons (true until disabled).
  bool enabled(int control) const;
  // The transport buttons 1003-1010 that are enabled.
  std::string enabled_transport() const;

  std::map<uint32_t, std::string> strings;
  std::map<int, bool> buttons;
  std::map<int, int> indicators;
  int volume_level = -1;
  TimeDisplay time;
  std::set<int> timers;             // running
  std::set<int> refuse_timers;      // start_timer fails for these
  int closes_posted = 0;
  int beeps = 0;
  std::map<WindowHandle, Rect> placements;  // normal positions
  std::map<WindowHandle, Rect> rects;       // screen rectangles
  Size desktop{1024, 768};
  bool foreground = true;

 private:
  std::vector<std::string> boxes_;
  std::vector<std::string> log_;
};

class FakeRemote : public RemoteLink {
 public:
  FakeRemote();

  uint32_t register_app(WindowHandle window, uint16_t& message_id, uint32_t& handle) override;
  uint32_t unregister_app(uint32_t handle) override;
  uint32_t set_first_app(uint32_t handle) override;
  uint32_t get_cap(uint32_t handle, uint32_t capability, uint32_t& value) override;
  uint32_t get_drive(uint32_t handle, std::string& drive, std::string& receiver_drives) override;
  uint32_t set_cap(uint32_t handle, uint32_t capability, uint32_t value) override;
  uint32_t call_next_app(uint32_t code, MMCD_CMD& command) override;

  // What the panel told the library since the last take: "state N",
  // "announce E" or "announce E track T".
  std::vector<std::string> take_reports();
  // Every other call since the last take.
  std::vector<std::string> take_log();

  static constexpr uint32_t kHandle = 0x51;
  static constexpr uint16_t kMessage = 0xC123;
  uint32_t register_status = MMCD_OK;
  uint32_t drive_status = MMCD_OK;
  std::string drive = "D:";
  std::map<uint32_t, uint32_t> caps;          // get_cap answers
  std::set<uint32_t> failing_caps;            // get_cap fails for these

 private:
  std::vector<std::string> reports_;
  std::vector<std::string> log_;
};

// Folders by upper-case path; searches match "*" and "?" without regard to case.
class FakeFolders : public Folders {
 public:
  bool make_drive_current(char letter) override;
  bool change_directory(const std::string& path) override;
  std::vector<FolderEntry> find(const std::string& pattern) override;

  void add(const std::string& directory, std::vector<FolderEntry> entries);
  std::vector<std::string> take_log();

 private:
  std::map<std::string, std::vector<FolderEntry>> folders_;
  std::string current_;
  std::vector<std::string> log_;
};

inline constexpr WindowHandle kPanelWindow = 0x500;

// A panel with all its stand-ins, and the discs tests put in.
class PanelTest : public ::testing::Test {
 protected:
  PanelTest() : panel(mci, shell, remote, folders, registry) {}

  void start(const std::string& command_line = "") { panel.on_init(kPanelWindow, command_line); }
  // An audio (or mixed-mode) CD whose tracks all last length_minutes:length_seconds.
  void put_cd(int tracks, int length_minutes = 4, int length_seconds = 0, const std::string& identity = "0123abcd");
  void set_track_length(int track, int minutes, int seconds);
  // The CD plays track at minutes:seconds, as the device reports it.
  void cd_at(int track, int minutes, int seconds);
  void put_video_cd(uint32_t size1 = 0x1000, uint32_t size2 = 0x2000);
  // One status tick with the current device in mode.
  void tick(uint32_t mode);
  void forget();  // drop every record made so far

  FakeMci mci;
  FakeShell shell;
  FakeRemote remote;
  FakeFolders folders;
  halvo::MemoryRegistry registry;
  PlaybackPanel panel;
};

std::string box(uint32_t text_id);
std::string ownerless_box(uint32_t text_id);
std::string state(int s);
std::string announce(int event, int track = -1);
std::string time_text(const TimeDisplay& t);  // "5 0:03:07"

}  // namespace panel::testing
