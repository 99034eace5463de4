// Button and event codes carried in wParam of "MMCD_MSG", play states and
// disc types.
#pragma once

#include <cstdint>
#include <string_view>

namespace beamhub {

constexpr uint16_t kFirstButton = 1024;
constexpr uint16_t kLastButton = 1072;
constexpr int kButtonCount = 49;

// Buttons: 1024 + position in the button-name table.
enum Button : uint16_t {
  kMenu = 1024, kZoom, kWeb, kMute, kPlay, kStop, kPause, kEject,
  kSkipBackwards, kSkipForwards, kPrevTrack, kNextTrack, kVolumeUp, kVolumeDown,
  kButton0, kButton1, kButton2, kButton3, kButton4,
  kButton5, kButton6, kButton7, kButton8, kButton9,
  kEnter, kShiftLock, kAppMenu, kCancel, kReload, kHome, kPrint, kPageUp, kPageDown,
  kSaveAs, kBack, kForward, kScrollUp, kScrollDown, kScrollLeft, kScrollRight,
  kMouseLock, kMouseLClick, kMouseUp, kMouseRClick, kMouseLeft, kMouseDown, kMouseRight,
  kSelect, kTab,
};
static_assert(kTab == kLastButton, "button table");

// Event codes: wParam values that are not buttons.
enum Event : uint16_t {
  kEvRewinding = 1073,
  kEvForwarding = 1074,
  kEvPrevTrack = 1075,
  kEvNextTrack = 1076,
  kEvDriveVolumeUp = 1077,
  kEvDriveVolumeDown = 1078,
  kEvPlaying = 1079,
  kEvPaused = 1080,
  kEvResumed = 1081,
  kEvStopped = 1082,
  kEvTrayClosed = 1083,
  kEvTrayOpened = 1084,
  kEvNothing = 1085,
  kEvUnknownCode = 1086,
  kEvSpecialMode = 1087,
  kEvVoice = 1088,
  kEvDiscPresent = 1090,
  kEvCommand = 1091,
  kEvAutoInsertOff = 1092,
  kEvAnnounceTrack = 1093,
};

enum PlayState : uint16_t {
  kTrayOpen = 0,
  kTrayClosed = 1,
  kPlaying = 5,
  kPaused = 6,
  kStopped = 8,
};
constexpr uint16_t kMaxPlayState = 9;

enum DiscType : uint16_t {
  kDiscData = 0,
  kDiscAudio = 4,
  kDiscMixed = 5,
  kDiscCdi = 8,
  kDiscVideoCd = 9,
  kDiscQmcd = 12,
  kDiscUnknown = 15,
};

constexpr bool is_button(uint32_t code) { return code >= kFirstButton && code <= kLastButton; }

// Name of a button code ("Menu" ... "Tab"), or null for any other code.
const char* button_name(uint32_t code);

// Code of a button name, matched without regard to case; 0 when unknown.
uint16_t button_code(std::string_view name);

// Rewrites Play, Stop, Pause, Eject and the drive events 1079, 1080, 1082
// by the play state; other codes come back unchanged.
uint16_t map_by_play_state(uint16_t code, uint16_t play_state);

}  // namespace beamhub
