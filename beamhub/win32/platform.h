// The Win32 services behind the library: window messages, the registry,
// profile files, ASPI, sound and the CD audio device.
#pragma once

#include <windows.h>

#include "beamhub/hub.h"

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

class Win32Host : public HubHost {
 public:
  explicit Win32Host(SharedArea& area) : area_(area) {}
  uint32_t send_message(Hwnd window, uint16_t message, uint32_t code, void* lparam) override;
  void stop_poll_timer() override;
  SettingsRegistry& registry() override { return registry_; }
  std::unique_ptr<ProfileReader> open_profile(const char* path) override;
  AspiPort& aspi() override { return aspi_; }
  bool play_sound(const char* path, uint32_t flags) override;
  bool current_track(char drive_letter, uint32_t& track) override;

  Win32Aspi& win32_aspi() { return aspi_; }

 private:
  SharedArea& area_;
  Win32Registry registry_;
  Win32Aspi aspi_;
};

// Message the poll window takes from other processes to stop its timer.
constexpr UINT kStopTimerMessage = WM_APP + 1;
constexpr UINT_PTR kPollTimer = 1;

}  // namespace beamhub::win32
