#include "detector/play_command.h"

#include "detector/keys.h"

namespace detector {

char drive_letter(uint16_t drive) { return drive < 26 ? static_cast<char>('A' + drive) : '\0'; }

std::optional<int> kind_of_disc(uint16_t disc_type) {
  switch (disc_type) {
    case 4: return kAudioCd;
    case 5: return kMixedModeCd;
    case 9: return kVideoCd;
    case 12: return kQmcd;
    case 8: return kCdi;
    default: return std::nullopt;
  }
}

std::optional<int> kind_of_menu_command(uint32_t id) {
  switch (id) {
    case 40009: return kAudioCd;
    case 40014: return kMixedModeCd;
    case 40015: return kVideoCd;
    case 40016: return kQmcd;
    case 40018: return kCdi;
    default: return std::nullopt;
  }
}

static bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::optional<std::string> format_play_command(std::string_view command, char letter) {
  std::string out;
  const std::size_t percent = command.find('%');
  if (percent == std::string_view::npos) {
    out.assign(command);
  } else {
    // A drive that is no letter would put a terminator or junk into the line.
    if (!is_letter(letter)) return std::nullopt;
    out.assign(command.substr(0, percent));
    out += letter;
    out += ':';
  }
  if (out.size() > kMaxCommandLine || out.find('\0') != std::string::npos) return std::nullopt;
  return out;
}

std::optional<std::string> play_command(halvo::Registry& classes, int kind, char letter) {
  if (kind < 0 || kind >= kKindCount) return std::nullopt;
  const std::optional<std::string> command = classes.read_string(play_command_key(kind), "");
  if (!command) return std::nullopt;
  return format_play_command(*command, letter);
}

std::optional<MixedModeChoice> mixed_mode_choice(halvo::Registry& user) {
  const auto bytes = user.read_binary(kDetectorKey, kMixedModeValue);
  if (!bytes || bytes->size() != 1 || (*bytes)[0] > 2) return std::nullopt;
  return static_cast<MixedModeChoice>((*bytes)[0]);
}

std::optional<std::string> installer_command(const std::optional<std::string>& autorun,
                                             bool has_install_exe, bool has_setup_exe, char letter) {
  if (autorun) return autorun;
  if (!is_letter(letter)) return std::nullopt;
  if (has_install_exe) return std::string(1, letter) + ":\\install.exe";
  if (has_setup_exe) return std::string(1, letter) + ":\\setup.exe";
  return std::nullopt;
}

std::optional<std::string> web_front_end_command(halvo::Registry& user) {
  const std::optional<std::string> app_path = user.read_string(kSuiteKey, kAppPathValue);
  if (!app_path || app_path->empty()) return std::nullopt;
  std::string command = *app_path + "\\surfdeck.exe";
  if (command.size() > kMaxCommandLine) return std::nullopt;
  return command;
}

}  // namespace detector
