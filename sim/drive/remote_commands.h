// The commands of halvo-remote, the virtual drive's control tool: parsing,
// changes to the machine state and the text they print. The Win32 program
// supplies the shared state, the button map and the drive folders; tests
// supply a plain record and stand-ins.
#pragma once

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"

namespace vdrive {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;     // bad command line
constexpr int kExitNoState = 2;   // the machine state could not be opened
constexpr int kExitRefused = 3;   // the drive or the files could not do it

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

// A disc folder named on the command line.
struct DiscFolder {
  std::string path;       // full Windows path
  bool has_ini = false;   // it holds a disc.ini
  std::string type;       // its [Disc] values, as written
  std::string tracks;
};

// What the commands need of the system besides the state.
class RemoteHost {
 public:
  virtual ~RemoteHost() = default;
  // A button's Mapping value in the button-map file (map_option when not
  // empty, else the installed one); file tells which file was read. False
  // with a reason when the file or the key is missing.
  virtual bool mapping_value(const std::string& button, const std::string& map_option,
                             std::string& value, std::string& file, std::string& error) = 0;
  virtual bool find_disc(const std::string& folder, DiscFolder& disc, std::string& error) = 0;
  // Makes a drive letter show the files of a folder: what it held before
  // goes; an empty folder name leaves it empty.
  virtual bool show_files(char letter, const std::string& folder, std::string& error) = 0;
};

// Runs one command line (without the program name). Text for the user goes
// to out, error messages to err; returns the exit code.
int run_remote(const std::vector<std::string>& args, StateAccess& access, RemoteHost& host,
               std::string& out, std::string& err);

// Text of a log entry, a drive's configuration and a page, as printed.
std::string format_log_entry(const LogEntry& entry);
std::string format_drive(const DriveSlot& drive);
// Tray, disc, play status, flags and the waiting reports, indented lines.
std::string format_receiver(const DriveSlot& drive);
// A receiver report (20 bytes) in a few words.
std::string describe_report(const uint8_t* report);
// Event bits from hex ("0x0400", "3") or names ("stopped,playing").
bool parse_events(const std::vector<std::string>& words, uint16_t& events, std::string& error);
std::string event_names(uint16_t events);
std::string format_bytes(const uint8_t* bytes, std::size_t count);
const char* operation_name(uint8_t opcode);

}  // namespace vdrive
