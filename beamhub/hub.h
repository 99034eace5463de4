// The library's ten functions, the offering routine, the command and voice
// requests, and what process attach and detach do, over the shared area and
// the platform services a HubHost supplies.
#pragma once

#include <cstdint>
#include <memory>

#include "beamhub/button_map.h"
#include "beamhub/drive.h"
#include "beamhub/settings.h"
#include "beamhub/shared_area.h"
#include "beamhub/volume.h"

namespace beamhub {

// Handle of the capture holder: fixed, never given to a registration.
constexpr uint32_t kCaptureHandle = 0x4D4D4344;
constexpr uint32_t kCommandClassOwn = 1;
constexpr uint16_t kOfferCaptureBit = 0x8000;

class HubHost {
 public:
  virtual ~HubHost() = default;
  // SendMessageA; the window procedure's answer.
  virtual uint32_t send_message(Hwnd window, uint16_t message, uint32_t code, void* lparam) = 0;
  virtual void stop_poll_timer() = 0;
  virtual SettingsRegistry& registry() = 0;
  // The button-map file; a file that cannot be read answers every key with its default.
  virtual std::unique_ptr<ProfileReader> open_profile(const char* path) = 0;
  virtual AspiPort& aspi() = 0;
  // Plays a sound file; false when it could not be played.
  virtual bool play_sound(const char* path, uint32_t flags) = 0;
  // The CD audio device's current track on the drive.
  virtual bool current_track(char drive_letter, uint32_t& track) = 0;
  virtual MixerPort& mixer() = 0;
  // The lock that serialises changes of the capture and the client table
  // across processes; false when it could not be had in time. It is never
  // held while a window procedure runs.
  virtual bool lock_table() = 0;
  virtual void unlock_table() = 0;
  // Lets another thread run: a reader waits out a table change this way.
  virtual void yield() = 0;
};

// The capture and the client table as one consistent copy.
struct ClientTable {
  uint32_t capture_handle;
  Hwnd capture_window;
  uint16_t count;
  ClientEntry clients[kMaxClients];
};

// Holds the host's table lock for a scope.
class TableLock {
 public:
  explicit TableLock(HubHost& host) : host_(host), held_(host.lock_table()) {}
  ~TableLock() {
    if (held_) host_.unlock_table();
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

 private:
  HubHost& host_;
  bool held_;
};

class Hub {
 public:
  Hub(SharedArea& area, HubHost& host)
      : area_(area), host_(host), volume_(area, host.mixer(), host.aspi()) {}

  // Mixer and drive volume, and the remote's mute and volume actions.
  Volume& volume() { return volume_; }

  // The exported functions.
  uint32_t get_version() const { return MMCD_VERSION; }
  uint32_t get_last_error() const { return area_.last_status; }
  uint32_t register_app(Hwnd window, uint16_t* message_out, uint32_t* handle_out);
  uint32_t unregister_app(uint32_t handle);
  uint32_t set_first_app(uint32_t handle);
  uint32_t get_cap(uint32_t handle, uint32_t id, void* p1, void* p2);
  uint32_t set_cap(uint32_t handle, uint32_t id, uintptr_t p1, uint32_t p2);
  uint32_t set_capture(Hwnd window, uint16_t* message_out, uint32_t* handle_out);
  uint32_t release_capture(uint32_t handle);
  uint32_t call_next_app(uint32_t code, void* param);

  // Offers a code to the capture window (when asked) and then to the clients
  // in order until one answers other than 2. 0 when nobody could be offered it.
  // The windows offered it are those of the table as the offer began.
  uint32_t offer(uint16_t code, void* lparam, bool with_capture);

  // A consistent copy of the capture and the client table, taken without
  // the lock unless a change seems to have been left half done.
  ClientTable table() const;
  // A capture window or a client is there to be offered a code.
  bool has_recipients() const;

  // Plays an announcement; MMCD_OK or MMCD_ERR_SOUND.
  uint32_t announce(MMCD_VOICE& request);
  // The library's own announcement of a code or of a file.
  uint32_t announce_code(uint16_t code, uint16_t number = 0);
  uint32_t announce_file(const char* file);

  // Shift lock and mouse lock toggles with their announcements.
  void toggle_shift_lock();
  void toggle_mouse_lock();

  // Settings, button map and drive programming (PC mode on).
  void load_configuration();
  // Programs the drive with the button map's pages.
  void program_drive(bool pc_mode);

  // Process attach: counts the process and finds the receiver drives.
  // Returns true for the first process on the machine, which then calls
  // first_attach() with its current folder. The caller holds the table
  // lock over attach and first attach, and over detach, so that two
  // processes starting or ending at once are counted one after the other.
  bool attach(DiscoveryHost& discovery);
  void first_attach(const char* base_folder, uint16_t message_id);
  // Process detach; the last one saves the settings and gives the drive
  // back to its stand-alone mode. Returns true for the last process.
  bool detach();

 private:
  enum class Found { none, capture, client };
  static Found look_up(const ClientTable& table, uint32_t handle, int& index);
  uint32_t done(uint32_t status) { area_.last_status = status; return status; }
  // The table as it is, for a writer that holds the lock.
  ClientTable current_table() const;
  // Writes a changed table; the caller holds the lock.
  void publish(const ClientTable& table);
  uint32_t new_handle(const ClientTable& table) const;
  // Stops the poll when nothing is left to offer codes to; true when it did.
  bool stop_when_idle(const ClientTable& table);
  uint32_t run_command(MMCD_CMD& cmd);
  uint32_t get_cap_value(uint16_t id, void* p1, void* p2);
  uint32_t set_cap_value(uint16_t id, uintptr_t p1, uint32_t p2);
  uint32_t set_remote_controller(const char* name);

  SharedArea& area_;
  HubHost& host_;
  Volume volume_;
};

}  // namespace beamhub
