// The machine the tests run on: the virtual drive and its command log, the
// suite's registry key and the hardware registry's drive entries, and the
// virtual remote of the build's program folder. MachineTest puts it in its
// known state before each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"
#include "testing/win32/harness.h"

namespace itest {

extern const char kSuiteKey[];
extern const char kPollClass[];

// ---- the virtual drive ----

// Runs halvo-remote.exe with arguments; true when it exits with 0.
bool run_remote(const std::string& arguments, std::string* output = NULL);
// Changes the machine state under the store's lock.
bool change_drive(void (*change)(vdrive::MachineState&));
std::vector<vdrive::LogEntry> drive_log();

constexpr uint8_t kModeSense = 0x5A;

// Presses a button of the shipped map on the virtual remote (arguments: the
// button's name and any options of "press").
bool press(const std::string& arguments);
// A read of drive D's receiver report.
bool is_report_read(const vdrive::LogEntry& e);
// Waits until the poll has read the receiver report count more times than
// it had when the wait began (each read is one tick); false after a deadline.
bool wait_for_ticks(size_t count);

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

// Sets AutoInsertNotification of every drive entry to one byte, 1 or 0.
// Found on, the first process switches it off and the poll hands the
// programs the 1092 notice (and an idle notice after it).
bool set_auto_insert(bool on);

// Windows in the system of the poll window's class: one per process that
// has the remote-control library loaded.
std::vector<HWND> poll_windows();

class MachineTest : public ::testing::Test {
 protected:
  // Default machine, empty log, no suite key, AutoInsertNotification off on
  // every drive entry (no start-up notice pending: tests about it switch it
  // on), and no process holding the library.
  void SetUp() override;
};

}  // namespace itest
