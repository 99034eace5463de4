// The machine the tests run on: the virtual drive and its command log, the
// suite's registry key, the hardware registry's drive entries, and the
// programs and button map in the build's program folder. MachineTest puts
// all of it in its known state before each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"

namespace itest {

extern const char kSuiteKey[];
extern const char kPollClass[];

// The folder of the test program, without a trailing backslash.
std::string program_folder();

// ---- the virtual drive ----

// Runs halvo-remote.exe with arguments; true when it exits with 0.
bool run_remote(const std::string& arguments, std::string* output = NULL);
// Changes the machine state under the store's lock.
bool change_drive(void (*change)(vdrive::MachineState&));
std::vector<vdrive::LogEntry> drive_log();

constexpr uint8_t kModeSense = 0x5A;
constexpr uint8_t kModeSelect = 0x55;

// Presses a button of the shipped map on the virtual remote (arguments: the
// button's name and any options of "press").
bool press(const std::string& arguments);
// Waits until the poll has read the receiver report count more times than
// it had when the wait began (each read is one tick); false after a deadline.
bool wait_for_ticks(size_t count);
// The six code bytes a button's entry in the shipped map stands for.
std::vector<uint8_t> map_code(const char* button);
// A read of drive D's receiver report.
bool is_report_read(const vdrive::LogEntry& e);
// A report read whose report carried this remote code.
bool carries(const vdrive::LogEntry& e, const std::vector<uint8_t>& code);

// ---- the registry ----

struct RegistryValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::string text() const;
  DWORD number() const;
};
RegistryValue read_value(HKEY root, const std::string& key, const char* name);
bool write_string(HKEY root, const std::string& key, const char* name, const std::string& text);
bool write_dword(HKEY root, const std::string& key, const char* name, DWORD value);

// Device keys under HKLM "Enum" of the drives the hardware registry lists,
// in its enumeration order, with their letters.
struct DriveEntry {
  std::string key;  // e.g. "Enum\SCSI\dev\0"
  char letter;
};
std::vector<DriveEntry> drive_entries();
std::string drive_entry_key(char letter);

// ---- button-map files ----

// The bytes of a hex string value of a button-map file.
std::vector<uint8_t> profile_hex(const std::string& file, const char* section, const char* key);

// Windows in the system of the poll window's class.
std::vector<HWND> poll_windows();

// beamhub.dll loaded into the test process for the length of one test.
class LoadedLibrary {
 public:
  LoadedLibrary() : module_(LoadLibraryA("beamhub.dll")) {}
  ~LoadedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  HMODULE module() const { return module_; }
  template <typename F>
  F function(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// Sets AutoInsertNotification of every drive entry to one byte, 1 or 0.
// Found on, the first process switches it off and the poll hands the
// programs the 1092 notice (and an idle notice after it).
bool set_auto_insert(bool on);

class MachineTest : public ::testing::Test {
 protected:
  // Default machine, empty log, no suite key, AutoInsertNotification off on
  // every drive entry (no start-up notice pending: tests about it switch it
  // on), and no process holding the library.
  void SetUp() override;
};

}  // namespace itest
