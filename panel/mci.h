// The panel's view of the Media Control Interface: one command with its
// parameter fields, and its result. The Win32 shell turns a command into
// mciSendCommandA with the parameter block of its message; tests script the
// results. Values are those of mmsystem.h and digitalv.h.
#pragma once

#include <cstdint>
#include <string>

namespace panel {

using MciDeviceId = uint16_t;
// A window of the shell (HWND), carried as a number.
using WindowHandle = uintptr_t;

namespace mci {

// Command messages.
constexpr uint32_t kOpen = 0x0803;
constexpr uint32_t kClose = 0x0804;
constexpr uint32_t kPlay = 0x0806;
constexpr uint32_t kSeek = 0x0807;
constexpr uint32_t kStop = 0x0808;
constexpr uint32_t kPause = 0x0809;
constexpr uint32_t kInfo = 0x080A;
constexpr uint32_t kSet = 0x080D;
constexpr uint32_t kStatus = 0x0814;
constexpr uint32_t kRealize = 0x0840;
constexpr uint32_t kWindow = 0x0841;

// Flags every command takes.
constexpr uint32_t kNotify = 0x00000001;
constexpr uint32_t kWait = 0x00000002;
constexpr uint32_t kFrom = 0x00000004;
constexpr uint32_t kTo = 0x00000008;
constexpr uint32_t kTrack = 0x00000010;

// MCI_OPEN.
constexpr uint32_t kOpenShareable = 0x00000100;
constexpr uint32_t kOpenElement = 0x00000200;
constexpr uint32_t kOpenTypeId = 0x00001000;
constexpr uint32_t kOpenType = 0x00002000;

// MCI_STATUS.
constexpr uint32_t kStatusItem = 0x00000100;
constexpr uint32_t kStatusLength = 0x00000001;
constexpr uint32_t kStatusPosition = 0x00000002;
constexpr uint32_t kStatusNumberOfTracks = 0x00000003;
constexpr uint32_t kStatusMode = 0x00000004;
constexpr uint32_t kDgvStatusHwnd = 0x00004001;

// MCI_SET.
constexpr uint32_t kSetDoorOpen = 0x00000100;
constexpr uint32_t kSetDoorClosed = 0x00000200;
constexpr uint32_t kSetTimeFormat = 0x00000400;
constexpr uint32_t kFormatMilliseconds = 0;
constexpr uint32_t kFormatTmsf = 10;

// MCI_INFO.
constexpr uint32_t kInfoMediaIdentity = 0x00000800;

// MCI_WINDOW and MCI_REALIZE of digital video devices.
constexpr uint32_t kDgvWindowText = 0x00080000;
constexpr uint32_t kDgvRealizeNorm = 0x00010000;

// Device types by number (MCI_OPEN_TYPE_ID).
constexpr uint32_t kDevtypeCdAudio = 516;
constexpr uint32_t kDevtypeWaveformAudio = 522;
constexpr uint32_t kDevtypeSequencer = 523;

// MCI_STATUS_MODE answers.
constexpr uint32_t kModeNotReady = 524;
constexpr uint32_t kModeStop = 525;
constexpr uint32_t kModePlay = 526;
constexpr uint32_t kModeRecord = 527;
constexpr uint32_t kModeSeek = 528;
constexpr uint32_t kModePause = 529;
constexpr uint32_t kModeOpen = 530;

// MM_MCINOTIFY codes.
constexpr uint32_t kNotifySuccessful = 0x0001;
constexpr uint32_t kNotifySuperseded = 0x0002;
constexpr uint32_t kNotifyAborted = 0x0004;
constexpr uint32_t kNotifyFailure = 0x0008;

// Errors the panel tells apart (MCIERR_BASE 256 + n).
constexpr uint32_t kErrInvalidDeviceId = 257;
constexpr uint32_t kErrHardware = 262;
constexpr uint32_t kErrDeviceNotReady = 276;
constexpr uint32_t kErrUnsupportedFunction = 274;
// The code the panel reports as "the drive is in use by another application".
constexpr uint32_t kErrDriveInUse = 291;

// TMSF and MSF as MCI packs them: the track (or minutes) in the low byte.
constexpr uint32_t tmsf(uint32_t track, uint32_t minutes, uint32_t seconds, uint32_t frames) {
  return (track & 0xFF) | (minutes & 0xFF) << 8 | (seconds & 0xFF) << 16 | (frames & 0xFF) << 24;
}
constexpr uint32_t tmsf_track(uint32_t value) { return value & 0xFF; }
constexpr uint32_t tmsf_minutes(uint32_t value) { return value >> 8 & 0xFF; }
constexpr uint32_t tmsf_seconds(uint32_t value) { return value >> 16 & 0xFF; }
constexpr uint32_t msf_minutes(uint32_t value) { return value & 0xFF; }
constexpr uint32_t msf_seconds(uint32_t value) { return value >> 8 & 0xFF; }

}  // namespace mci

// One command. Only the fields its message and flags name are read.
struct MciCommand {
  MciDeviceId device = 0;     // 0 for MCI_OPEN
  uint32_t message = 0;
  uint32_t flags = 0;
  WindowHandle callback = 0;  // with kNotify: the window MM_MCINOTIFY goes to
  // MCI_OPEN: the type by name (kOpenType) or number (with kOpenTypeId),
  // and the element.
  std::string device_type;
  uint32_t device_type_id = 0;
  std::string element;
  // MCI_STATUS item, and the track with kTrack.
  uint32_t item = 0;
  uint32_t track = 0;
  // MCI_PLAY from/to, MCI_SEEK to.
  uint32_t from = 0;
  uint32_t to = 0;
  // MCI_SET time format.
  uint32_t time_format = 0;
  // MCI_WINDOW text.
  std::string text;
  // MCI_INFO: size of the return buffer in characters.
  uint32_t return_size = 0;
};

struct MciResult {
  uint32_t error = 0;         // 0 or an MCIERR_ code
  MciDeviceId device = 0;     // MCI_OPEN: the new device
  uintptr_t value = 0;        // MCI_STATUS: dwReturn (a window for kDgvStatusHwnd)
  std::string text;           // MCI_INFO: the returned text
};

class Mci {
 public:
  virtual ~Mci() = default;
  virtual MciResult send(const MciCommand& command) = 0;
  // mciGetErrorStringA's text for an error.
  virtual std::string error_text(uint32_t error) = 0;
};

}  // namespace panel
