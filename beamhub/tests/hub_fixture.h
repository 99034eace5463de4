// A HubHost that records what the library asks of the platform: messages to
// windows, sounds, registry values, button-map files and drive commands.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "beamhub/hub.h"

namespace beamhub::testing {

class FakeRegistry : public SettingsRegistry {
 public:
  bool open(bool& created) override {
    created = !exists;
    exists = true;
    return true;
  }
  Value query(const char* name) override {
    auto it = values.find(name);
    return it == values.end() ? Value{} : it->second;
  }
  bool set_string(const char* name, const std::string& text) override {
    values[name] = Value{Type::string, text, 0};
    return true;
  }
  bool set_dword(const char* name, uint32_t v) override {
    values[name] = Value{Type::dword, "", v};
    return true;
  }
  void close() override {}

  bool exists = false;
  std::map<std::string, Value> values;
};

// Profile values keyed "Section/Key", matched as given.
class FakeProfile : public ProfileReader {
 public:
  explicit FakeProfile(std::map<std::string, std::string> v) : values_(std::move(v)) {}
  std::string get(const char* section, const char* key, const char* def,
                  std::size_t size) override {
    auto it = values_.find(std::string(section) + "/" + key);
    std::string v = it == values_.end() ? def : it->second;
    return v.substr(0, size ? size - 1 : 0);
  }

 private:
  std::map<std::string, std::string> values_;
};

// Answers every command as a good one and keeps each command block and the data sent.
class RecordingPort : public AspiPort {
 public:
  struct Command {
    uint8_t opcode;
    uint8_t page;
    std::vector<uint8_t> data;
  };
  uint32_t support_info() override { return 0x0101; }
  void send(aspi::DeviceTypeRequest& r) override {
    r.status = cdrom ? aspi::SS_COMP : aspi::SS_NO_DEVICE;
    r.device_type = aspi::DTYPE_CDROM;
  }
  Transport execute(aspi::ExecRequest& r) override {
    Command c{r.cdb[0], r.cdb[2], {}};
    if (r.flags == aspi::SRB_DIR_OUT) c.data.assign(r.data, r.data + r.data_length);
    if (r.flags == aspi::SRB_DIR_IN && r.cdb[2] == 0x20) {  // a receiver answers its page
      r.data[8] = 0x20;
      r.data[9] = 28;
    }
    commands.push_back(c);
    r.status = aspi::SS_COMP;
    return Transport::ok;
  }
  void sleep_ms(unsigned) override {}

  bool cdrom = false;  // a CD-ROM drive with a receiver answers at every address
  std::vector<Command> commands;
};

// One device key naming drive letters, all CD-ROM drives.
class FakeDiscovery : public DiscoveryHost {
 public:
  uint16_t drive_type(char letter) override { return letters.find(letter) != std::string::npos ? 5 : 3; }
  std::vector<std::string> hardware_keys() override {
    return letters.empty() ? std::vector<std::string>{} : std::vector<std::string>{"SCSI\\drive\\0"};
  }
  bool read_device(const std::string&, DeviceEntry& entry) override {
    entry.letters = letters;
    entry.target = "1";
    return true;
  }
  void clear_auto_insert(const std::string&) override {}

  std::string letters;
};

// A mixer without master controls: the library leaves it alone.
class NoMixer : public MixerPort {
 public:
  bool open() override { return true; }
  void close() override {}
  bool control_name(uint32_t, std::string&) override { return false; }
  bool read_volume(uint32_t, uint16_t&) override { return false; }
  bool write_volume(uint32_t, uint16_t) override { return false; }
  bool read_mute(uint32_t, bool&) override { return false; }
  bool write_mute(uint32_t, bool) override { return false; }
};

class FakeHost : public HubHost {
 public:
  using WindowProc = std::function<uint32_t(uint32_t code, void* lparam)>;
  struct Sent {
    Hwnd window;
    uint32_t code;
    bool operator==(const Sent& o) const { return window == o.window && code == o.code; }
  };

  FakeHost() = default;
  // With a drive of the test's own instead of the recording one.
  explicit FakeHost(AspiPort& drive) : drive_(&drive) {}

  uint32_t send_message(Hwnd w, uint16_t message, uint32_t code, void* lparam) override {
    if (lock_depth > 0) ++sent_while_locked;
    messages.insert(message);
    sent.push_back({w, code});
    auto it = windows.find(w);
    return it == windows.end() ? 0 : it->second(code, lparam);
  }
  void stop_poll_timer() override { ++timer_stops; }
  SettingsRegistry& registry() override { return reg; }
  std::unique_ptr<ProfileReader> open_profile(const char* path) override {
    opened.push_back(path);
    auto it = files.find(path);
    return std::make_unique<FakeProfile>(it == files.end() ? std::map<std::string, std::string>{}
                                                           : it->second);
  }
  AspiPort& aspi() override { return drive_ ? *drive_ : port; }
  bool play_sound(const char* path, uint32_t) override {
    played.push_back(path);
    return !silent.count(path);
  }
  bool current_track(char, uint32_t& t) override {
    t = track;
    return true;
  }
  MixerPort& mixer() override { return no_mixer; }
  bool lock_table() override {
    ++locks;
    ++lock_depth;
    return true;
  }
  void unlock_table() override { --lock_depth; }
  void yield() override {
    ++yields;
    if (on_yield) on_yield();
  }

  std::map<Hwnd, WindowProc> windows;
  std::vector<Sent> sent;
  std::set<uint16_t> messages;
  int timer_stops = 0;
  FakeRegistry reg;
  std::map<std::string, std::map<std::string, std::string>> files;
  std::vector<std::string> opened;
  RecordingPort port;
  std::vector<std::string> played;
  std::set<std::string> silent;  // sound files that fail to play
  uint32_t track = 0;
  NoMixer no_mixer;
  int locks = 0;       // times the table lock was taken
  int lock_depth = 0;  // held now
  int sent_while_locked = 0;
  int yields = 0;
  std::function<void()> on_yield;

 private:
  AspiPort* drive_ = nullptr;
};

}  // namespace beamhub::testing
