// Registry keys and values the detector reads and writes (HKEY_CURRENT_USER
// unless marked), and the player kinds.
#pragma once

#include <string>

namespace detector {

inline constexpr const char* kSuiteKey = "SOFTWARE\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
inline constexpr const char* kDetectorKey = "SOFTWARE\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Detector";
inline constexpr const char* kLaunchKey = "SOFTWARE\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\Detector\\Launch";

inline constexpr const char* kAppPathValue = "AppPath";
inline constexpr const char* kRcbPathValue = "RcbPath";
inline constexpr const char* kStatusXValue = "StatusX";
inline constexpr const char* kStatusYValue = "StatusY";
inline constexpr const char* kMixedModeValue = "Mixed Mode Disc";
inline constexpr const char* kMouseMovementValue = "Mouse movement";

// Player kinds, in the order of the menu and the players page's lists.
enum Kind { kAudioCd = 0, kMixedModeCd = 1, kVideoCd = 2, kQmcd = 3, kCdi = 4 };
inline constexpr int kKindCount = 5;

// "AudioCD", "MixedModeCD", "VideoCD", "QMCD", "CDI".
const char* kind_name(int kind);
// HKEY_CLASSES_ROOT "<kind>\shell\play\command": the shell's play command.
std::string play_command_key(int kind);
// kDetectorKey "\<kind>": the players page's lists.
std::string kind_key(int kind);

}  // namespace detector
