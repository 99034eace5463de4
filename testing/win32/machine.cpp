#include "testing/win32/machine.h"

#include <string.h>

#include "sim/drive/win32/vdrive_store.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"

namespace itest {

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
const char kPollClass[] = "MmcdPollClass";

namespace {

const DWORD kLeftoverWaitMs = 5000;
const DWORD kTickWaitMs = 15000;

vdrive::Store g_store;

std::vector<std::string> subkeys(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[MAX_PATH];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}

BOOL CALLBACK collect_poll_window(HWND window, LPARAM found) {
  char name[64];
  if (GetClassNameA(window, name, sizeof name) && strcmp(name, kPollClass) == 0)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

}  // namespace

bool run_remote(const std::string& arguments, std::string* output) {
  std::string text;
  const bool ok = run_program(arguments, "halvo-remote.exe", &text) == 0;
  if (output) *output = text;
  return ok;
}

bool change_drive(void (*change)(vdrive::MachineState&)) {
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
  if (!state) return false;
  change(*state);
  vdrive::store_unlock(&g_store);
  return true;
}

std::vector<vdrive::LogEntry> drive_log() {
  std::vector<vdrive::LogEntry> log;
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
  if (!state) return log;
  for (uint32_t i = 0; i < vdrive::log_count(*state); ++i)
    log.push_back(vdrive::log_entry(*state, i));
  vdrive::store_unlock(&g_store);
  return log;
}

std::string RegistryValue::text() const {
  const char* begin = reinterpret_cast<const char*>(data.data());
  return std::string(begin, strnlen(begin, data.size()));
}

DWORD RegistryValue::number() const {
  DWORD n = 0;
  if (data.size() == sizeof n) memcpy(&n, data.data(), sizeof n);
  return n;
}

RegistryValue read_value(HKEY root, const std::string& path, const char* name) {
  RegistryValue value;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, NULL, &value.type, NULL, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = RegQueryValueExA(key, name, NULL, &value.type, value.data.data(), &size) ==
                    ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return value;
}

bool write_dword(HKEY root, const std::string& path, const char* name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) !=
      ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool write_string(HKEY root, const std::string& path, const char* name, const std::string& text) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) !=
      ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

std::vector<DriveEntry> drive_entries() {
  std::vector<DriveEntry> entries;
  for (const std::string& device : subkeys(HKEY_LOCAL_MACHINE, "Enum\\SCSI")) {
    for (const std::string& instance : subkeys(HKEY_LOCAL_MACHINE, "Enum\\SCSI\\" + device)) {
      std::string key = "Enum\\SCSI\\" + device + "\\" + instance;
      std::string letters =
          read_value(HKEY_LOCAL_MACHINE, key, "CurrentDriveLetterAssignment").text();
      if (!letters.empty()) entries.push_back(DriveEntry{key, letters[0]});
    }
  }
  return entries;
}

std::string drive_entry_key(char letter) {
  for (const DriveEntry& entry : drive_entries())
    if (entry.letter == letter) return entry.key;
  return std::string();
}

bool press(const std::string& arguments) {
  std::string output;
  bool ok = run_remote("press " + arguments + " --map \"" + program_folder() + "zk.rcb\"", &output);
  EXPECT_TRUE(ok) << output;
  return ok;
}

bool is_report_read(const vdrive::LogEntry& e) {
  return e.opcode == kModeSense && e.page == 0x00 && e.letter == 'D';
}

std::vector<HWND> poll_windows() {
  std::vector<HWND> found;
  EnumWindows(collect_poll_window, reinterpret_cast<LPARAM>(&found));
  return found;
}

void MachineTest::SetUp() {
  // A process from an earlier test may still be on its way out.
  for (DWORD waited = 0;
       !poll_windows().empty() && waited < kLeftoverWaitMs && !check_stray_boxes(); waited += 50)
    Sleep(50);
  ASSERT_TRUE(poll_windows().empty()) << "a process still has beamhub.dll loaded";

  ASSERT_TRUE(change_drive([](vdrive::MachineState& state) { vdrive::reset(state); }))
      << "the virtual drive's state cannot be opened";
  // With its subkeys: the programs keep theirs below it.
  LONG deleted = RegDeleteTreeA(HKEY_CURRENT_USER, kSuiteKey);
  ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);

  ASSERT_FALSE(drive_entry_key('D').empty()) << "no hardware registry entry for D:";
  ASSERT_TRUE(set_auto_insert(false));
}

bool set_auto_insert(bool on) {
  for (const DriveEntry& entry : drive_entries()) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.key.c_str(), 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
      return false;
    const BYTE value = on ? 1 : 0;
    LONG set = RegSetValueExA(key, "AutoInsertNotification", 0, REG_BINARY, &value, 1);
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) return false;
  }
  return true;
}

bool wait_for_ticks(size_t count) {
  std::vector<vdrive::LogEntry> log = drive_log();
  const uint32_t after = log.empty() ? 0 : log.back().seq;
  for (DWORD begin = GetTickCount(); GetTickCount() - begin < kTickWaitMs && !check_stray_boxes();
       Sleep(50)) {
    size_t reads = 0;
    for (const vdrive::LogEntry& e : drive_log()) reads += e.seq > after && is_report_read(e);
    if (reads >= count) return true;
  }
  return false;
}

}  // namespace itest
