// What the virtual drive's MCI drivers share with halvo-remote and the
// tests through the machine state: a log of every command they answered
// and every notification they posted, the position a test sets or holds
// for a drive, and the device types whose opens are refused. The records
// are parts of MachineState (vdrive.h); their layout does not depend on
// pointer size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vdrive {

struct MachineState;

constexpr uint32_t kMciLogSize = 512;
constexpr std::size_t kMciTypeSize = 16;   // device type name with its NUL
constexpr std::size_t kMciTextSize = 96;   // element, window or info text with its NUL
constexpr int kMaxRefused = 4;

// MCI command messages as the log keeps them: the application's, so a
// driver's MCI_OPEN_DRIVER is logged as an open and MCI_CLOSE_DRIVER as a
// close. A notification the driver posted is logged with MM_MCINOTIFY and
// its status in flags.
constexpr uint16_t kMciOpen = 0x0803;
constexpr uint16_t kMciClose = 0x0804;
constexpr uint16_t kMciNotifyPosted = 0x03B9;
// The result of a command the driver is still running (a play with wait).
constexpr uint32_t kMciRunning = 0xFFFFFFFF;

struct MciLogEntry {
  uint32_t seq;
  uint32_t process;        // the process the driver ran in
  uint16_t device;         // MCI device identifier
  uint16_t message;
  uint32_t flags;          // the command's flags, a notification's status
  uint32_t callback;       // MCI_NOTIFY's window (its handle's low 32 bits)
  uint32_t item;           // MCI_STATUS, MCI_GETDEVCAPS item
  uint32_t track;          // MCI_TRACK
  uint32_t from;           // MCI_PLAY from
  uint32_t to;             // MCI_PLAY, MCI_SEEK to
  uint32_t time_format;    // MCI_SET time format
  uint32_t result;         // the driver's answer (an error in the low word)
  uint32_t reserved;
  uint64_t value;          // MCI_STATUS dwReturn
  char type[kMciTypeSize]; // "cdaudio", "mpegvideo", ...
  char text[kMciTextSize]; // open: element; window: text; info: the answer
};
static_assert(offsetof(MciLogEntry, value) == 48, "MCI log entry layout");
static_assert(offsetof(MciLogEntry, text) == 72, "MCI log entry layout");
static_assert(sizeof(MciLogEntry) == 168, "MCI log entry layout");

// A drive's position as halvo-remote sets it. Every command bumps serial;
// the devices open on the drive apply each serial once. A jump moves them
// to track/ms (track 0: the current track of a CD; devices counting in
// milliseconds ignore the track); hold stops their clocks until a command
// without it.
struct PositionControl {
  uint32_t serial;
  uint8_t jump;
  uint8_t hold;
  uint8_t track;
  uint8_t reserved;
  uint32_t ms;
};
static_assert(sizeof(PositionControl) == 12, "position control layout");

// Opens of this device type fail with error.
struct RefusedOpen {
  char type[kMciTypeSize];  // empty = unused
  uint32_t error;
};
static_assert(sizeof(RefusedOpen) == 20, "refused open layout");

// Copies text into a fixed field, cut to fit, NUL-terminated.
template <std::size_t N>
void set_field(char (&field)[N], const std::string& text) {
  std::size_t count = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, count);
  for (std::size_t i = count; i < N; ++i) field[i] = '\0';
}

// The log, oldest first; append numbers the entry and returns its number.
// A driver logs a command as it starts it and completes the entry, found by
// its number, when it has run (null once the ring has passed it).
uint32_t append_mci_log(MachineState& state, MciLogEntry entry);
MciLogEntry* find_mci_entry(MachineState& state, uint32_t seq);
uint32_t mci_log_count(const MachineState& state);
const MciLogEntry& mci_log_entry(const MachineState& state, uint32_t index);
void clear_mci_log(MachineState& state);

// The control of a drive letter's slot, or null.
PositionControl* position_control(MachineState& state, char letter);
const PositionControl* position_control(const MachineState& state, char letter);

// Refusals by type name, without regard to case. add_refusal replaces the
// error of a type already refused; false when all places are taken or the
// name is empty or too long.
const RefusedOpen* find_refusal(const MachineState& state, const std::string& type);
bool add_refusal(MachineState& state, const std::string& type, uint32_t error);
void clear_refusals(MachineState& state);

// One log entry as halvo-remote prints it.
std::string format_mci_entry(const MciLogEntry& entry);
const char* mci_message_name(uint16_t message);  // null for one it does not know

}  // namespace vdrive
