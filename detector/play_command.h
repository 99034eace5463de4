// Which program a disc change or a menu command starts, and with what
// command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/registry.h"

namespace detector {

// Longest command line the detector starts; a longer one is refused, never cut.
inline constexpr std::size_t kMaxCommandLine = 259;

// The drive letter of a drive index of the status record (0 = A:); '\0'
// past Z.
char drive_letter(uint16_t drive);

// The player kind of a disc type (4 audio, 5 mixed, 9 Video CD, 12 QMCD,
// 8 CD-i); nullopt for data discs and unknown types.
std::optional<int> kind_of_disc(uint16_t disc_type);
// The player kind of a tray menu command (40009, 40014, 40015, 40016, 40018).
std::optional<int> kind_of_menu_command(uint32_t id);

// The play command for a drive: the first '%' becomes the drive letter, the
// character after it ':', and the command ends there. A command without '%'
// runs unchanged. nullopt when the result is longer than kMaxCommandLine,
// or when the command has a '%' and letter is no drive letter.
std::optional<std::string> format_play_command(std::string_view command, char letter);

// The kind's play command from HKEY_CLASSES_ROOT, formatted for the drive;
// nullopt when the key or its default value is missing (or it is too long).
std::optional<std::string> play_command(halvo::Registry& classes, int kind, char letter);

// What a mixed-mode disc's "Mixed Mode Disc" value asks for.
enum class MixedModeChoice { install = 0, play = 1, ask = 2 };
// nullopt: missing, not one byte, or not 0-2 (then a disc change does nothing).
std::optional<MixedModeChoice> mixed_mode_choice(halvo::Registry& user);

// The installer of a mixed-mode disc: the autorun command when there is
// one, else "<d>:\install.exe" when present, else "<d>:\setup.exe" when
// present, else nothing.
std::optional<std::string> installer_command(const std::optional<std::string>& autorun,
                                             bool has_install_exe, bool has_setup_exe, char letter);

// The web front end: "<AppPath>\surfdeck.exe"; nullopt without AppPath.
std::optional<std::string> web_front_end_command(halvo::Registry& user);

}  // namespace detector
