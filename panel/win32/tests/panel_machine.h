// What the panel's Wine tests share: a capture holder standing in for the
// detector (the disc is probed before a player starts, as on a real desk;
// it also asks the panel with 1091 commands),
// discs put in the virtual drive, and panel.exe run as a process and read
// through its window and the remote-control library.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "beamhub/mmcd.h"
#include "beamhub/win32/tests/client_process.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"
#include "testing/win32/machine.h"

namespace itest {

constexpr DWORD kPanelWaitMs = kEventuallyMs;

// A string of mcures.dll, as the panel shows it.
std::string panel_string(UINT id);

// The Windows path of a disc folder of sim/discs.
std::string disc_folder(const std::string& name);

// panel.exe started from the program folder.
class PanelProcess {
 public:
  PanelProcess() = default;
  ~PanelProcess() { end(); }
  PanelProcess(const PanelProcess&) = delete;
  PanelProcess& operator=(const PanelProcess&) = delete;

  // Starts "panel.exe <arguments>" in folder (NULL: the program folder);
  // true once it waits for input (its dialog, or a box of its start-up).
  bool start(const std::string& arguments, const char* folder = NULL);
  DWORD pid() const { return process_.pid(); }
  bool running() const { return process_.running(); }
  bool wait_for_exit(DWORD timeout_ms, DWORD* code = NULL) { return process_.wait(timeout_ms, code); }
  // Its panel dialog (the one holding the Power button), or NULL.
  HWND window() const;
  HWND wait_for_window() const;
  bool enabled(int control) const;
  // Closes it with WM_CLOSE, or ends it when it does not go.
  void end();

 private:
  Process process_;
};

class PanelTest : public MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Takes the disc out, puts this folder's in and waits until the library
  // has probed it as disc_type.
  void put_in(const std::string& folder, unsigned disc_type);
  // The library's disc type, play state or another capability (hex id).
  unsigned long capability(unsigned id);
  // A 1091 command of class 1 offered to the programs: its answer's value.
  unsigned long query(unsigned item);
  // The drive's play status nibble (5 playing, 6 paused, 8 stopped).
  int drive_play_status();
  bool drive_tray_open();

  // The holder takes the capture unless the detector is to hold it.
  bool hold_capture_ = true;
  ClientProcess holder_;
  PanelProcess panel_;
};

}  // namespace itest
