// What the Setup, About and message tests share: QEMPLAY.INI saved and
// restored around each test, a folder the Directory setting points at with
// the outside player (or a recorder) under the names looked for, and the
// ends of processes the tests did not start themselves.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/win32/driver.h"

namespace qemtest {

// The prefix's QEMPLAY.INI (in the Windows folder, where the plain name
// leads): removed for the test, its bytes put back after it.
class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static std::string ini_path();
  static std::optional<std::string> ini_get(const char* section, const char* key);
  static bool ini_put(const char* section, const char* key, const std::string& value);
  // The file's bytes; nullopt when it is absent.
  static std::optional<std::string> ini_bytes();

 private:
  std::optional<std::string> saved_;
};

// A folder with a blank in its name for the Directory setting.
class PlayerFolder {
 public:
  PlayerFolder();
  bool ok() const { return folder_.ok(); }
  // Without the trailing backslash, as the setting is usually written.
  std::string directory() const;
  std::string path(const char* name) const { return folder_.path() + name; }
  // The real outside player under this name, with qemliv32.dll beside it.
  bool place_player(const char* name);
  // The recorder stand-in under this name.
  bool place_recorder(const char* name);

 private:
  itest::TestFolder folder_;
};

// The test's own program, for a child mode: "\"...\\qemliv32_ui_itest.exe\"".
std::string self();
// Waits for a process the test did not start (a box's program, say) to end.
bool wait_for_exit(DWORD pid, DWORD timeout_ms, DWORD* exit_code = NULL);
// Closes every recorder's window and waits for its process to end.
void end_recorders();

}  // namespace qemtest
