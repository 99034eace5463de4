#include "beamhub/settings.h"

#include "beamhub/button_map.h"

namespace beamhub {
namespace {

std::string read_string(SettingsRegistry& registry, bool fresh, const char* name,
                        const std::string& fallback) {
  if (fresh) return fallback;
  SettingsRegistry::Value v = registry.query(name);
  return v.type == SettingsRegistry::Type::string ? v.text : fallback;
}

uint32_t read_dword(SettingsRegistry& registry, bool fresh, const char* name, uint32_t fallback) {
  if (fresh) return fallback;
  SettingsRegistry::Value v = registry.query(name);
  return v.type == SettingsRegistry::Type::dword ? v.number : fallback;
}

}  // namespace

void load_settings(Settings& s, SettingsRegistry& registry) {
  bool created = false;
  bool opened = registry.open(created);
  bool fresh = !opened || created;

  std::string app = read_string(registry, fresh, "AppPath", "");
  std::string rcb = read_string(registry, fresh, "RcbPath", "");
  std::string wave = read_string(registry, fresh, "WavePath", "");
  uint32_t mouse = read_dword(registry, fresh, "MouseInterval", kDefaultMouseInterval);
  std::string remote = read_string(registry, fresh, "RemoteController", kDefaultRemoteController);
  uint32_t voice = read_dword(registry, fresh, "IntelligentVoice", kDefaultVoice);
  if (opened) registry.close();

  // A step outside 1-10 would move the pointer by nothing or by leaps.
  if (mouse < 1 || mouse > 10) mouse = kDefaultMouseInterval;

  const std::string base(s.base_folder);
  if (app.empty()) app = base;
  if (rcb.empty()) rcb = base;
  copy_field(s.app_path, app);
  copy_field(s.rcb_path, rcb);
  s.mouse_interval = mouse;
  s.intelligent_voice = voice;

  std::string full;
  if (expand_remote_controller(remote, s.rcb_path, full) ||
      expand_remote_controller(kDefaultRemoteController, s.rcb_path, full)) {
    copy_field(s.remote_controller, full);
  } else {
    s.remote_controller[0] = '\0';  // no file name fits: no map is loaded
  }

  if (wave.empty()) {
    wave = std::string(s.app_path) + "\\wave";
    if (wave.size() >= kPathSize) wave.clear();
  }
  copy_field(s.wave_path, wave);
}

bool save_settings(const Settings& s, SettingsRegistry& registry) {
  bool created = false;
  if (!registry.open(created)) return false;
  bool ok = registry.set_string("AppPath", s.app_path) &&
            registry.set_string("RcbPath", s.rcb_path) &&
            registry.set_string("WavePath", s.wave_path) &&
            registry.set_dword("MouseInterval", s.mouse_interval) &&
            registry.set_string("RemoteController", s.remote_controller) &&
            registry.set_dword("IntelligentVoice", s.intelligent_voice);
  registry.close();
  return ok;
}

}  // namespace beamhub
