// The commands of halvo-remote, the virtual drive's control tool: parsing,
// changes to the machine state and the text they print. The Win32 program
// supplies the shared state; tests supply a plain record.
#pragma once

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"

namespace vdrive {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;     // bad command line
constexpr int kExitNoState = 2;   // the machine state could not be opened

// Where the commands find the machine state.
class StateAccess {
 public:
  virtual ~StateAccess() = default;
  // The state, held for this caller until release(); null with a reason in
  // error when it cannot be had.
  virtual MachineState* acquire(std::string& error) = 0;
  virtual void release() = 0;
  // Where the state lives, for the status text.
  virtual std::string location() const = 0;
};

// Runs one command line (without the program name). Text for the user goes
// to out, error messages to err; returns the exit code.
int run_remote(const std::vector<std::string>& args, StateAccess& access, std::string& out,
               std::string& err);

// Text of a log entry, a drive's configuration and a page, as printed.
std::string format_log_entry(const LogEntry& entry);
std::string format_drive(const DriveSlot& drive);
std::string format_bytes(const uint8_t* bytes, std::size_t count);
const char* operation_name(uint8_t opcode);

}  // namespace vdrive
