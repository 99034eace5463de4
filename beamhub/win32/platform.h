// The Win32 services behind the library: window messages, the registry,
// profile files, ASPI, sound and the CD audio device.
#pragma once

#include <windows.h>

#include "beamhub/hub.h"
#include "beamhub/poll.h"

namespace beamhub::win32 {

// ASPI for Win32 from wnaspi32.dll; commands go to the ASPI manager device
// when it exists, else through the library's own execute request.
class Win32Aspi : public AspiPort {
 public:
  void load();
  bool uses_device() const { return use_device_; }
  uint32_t support_info() override;
  void send(aspi::DeviceTypeRequest& request) override;
  Transport execute(aspi::ExecRequest& request) override;
  void sleep_ms(unsigned ms) override { Sleep(ms); }

 private:
  using SupportInfoFn = DWORD(__cdecl*)(void);
  using SendCommandFn = DWORD(__cdecl*)(void*);
  HMODULE library_ = nullptr;
  SupportInfoFn support_info_ = nullptr;
  SendCommandFn send_command_ = nullptr;
  bool use_device_ = false;
};

class Win32Registry : public SettingsRegistry {
 public:
  bool open(bool& created) override;
  Value query(const char* name) override;
  bool set_string(const char* name, const std::string& text) override;
  bool set_dword(const char* name, uint32_t value) override;
  void close() override;

 private:
  HKEY key_ = nullptr;
};

class Win32Discovery : public DiscoveryHost {
 public:
  uint16_t drive_type(char letter) override;
  std::vector<std::string> hardware_keys() override;
  bool read_device(const std::string& hardware_key, DeviceEntry& entry) override;
  void clear_auto_insert(const std::string& hardware_key) override;
};

class Win32DiscFiles : public DiscFiles {
 public:
  bool file_exists(const std::string& path) override;
  bool folder_exists(const std::string& path) override;
  bool read_start(const std::string& path, uint8_t* out, std::size_t size,
                  std::size_t& got) override;
  bool any_match(const std::string& pattern) override;
};

// Mixer device 0; change notifications go to the poll window.
class Win32Mixer : public MixerPort {
 public:
  explicit Win32Mixer(SharedArea& area) : area_(area) {}
  bool open() override;
  void close() override;
  bool control_name(uint32_t id, std::string& long_name) override;
  bool read_volume(uint32_t id, uint16_t& value) override;
  bool write_volume(uint32_t id, uint16_t value) override;
  bool read_mute(uint32_t id, bool& muted) override;
  bool write_mute(uint32_t id, bool muted) override;

 private:
  bool details(uint32_t id, DWORD& value, bool set);
  SharedArea& area_;
  HMIXER mixer_ = nullptr;
};

// One on the machine: changes of the client table and the capture, and
// process attach and detach, are made by one process at a time.
constexpr char kTableMutexName[] = "MmcdTableMutex";

class Win32Host : public HubHost {
 public:
  explicit Win32Host(SharedArea& area) : area_(area) {}
  ~Win32Host() override {
    if (table_mutex_) CloseHandle(table_mutex_);
  }
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;
  uint32_t send_message(Hwnd window, uint16_t message, uint32_t code, void* lparam) override;
  void stop_poll_timer() override;
  SettingsRegistry& registry() override { return registry_; }
  std::unique_ptr<ProfileReader> open_profile(const char* path) override;
  AspiPort& aspi() override { return aspi_; }
  bool play_sound(const char* path, uint32_t flags) override;
  bool current_track(char drive_letter, uint32_t& track) override;
  MixerPort& mixer() override { return mixer_; }
  bool lock_table() override;
  void unlock_table() override;
  void yield() override { SwitchToThread(); }

  Win32Aspi& win32_aspi() { return aspi_; }

 private:
  SharedArea& area_;
  HANDLE table_mutex_ = CreateMutexA(nullptr, FALSE, kTableMutexName);
  Win32Registry registry_;
  Win32Aspi aspi_;
  Win32Mixer mixer_{area_};
};

// Input injection, the CD audio device and the disc's files.
class Win32Poll : public PollHost {
 public:
  Win32Poll() = default;
  void mouse_move(int dx, int dy) override;
  void mouse_click(bool right) override;
  void key(uint8_t virtual_key) override;
  bool cd_command(char drive_letter, CdCommand command) override;
  DiscFiles& disc_files() override { return files_; }

 private:
  Win32DiscFiles files_;
};

// Message the poll window takes from other processes to stop its timer.
constexpr UINT kStopTimerMessage = WM_APP + 1;
constexpr UINT_PTR kPollTimer = 1;

}  // namespace beamhub::win32
