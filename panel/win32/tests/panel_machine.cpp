#include "panel/win32/tests/panel_machine.h"

#include <algorithm>

#include "panel/mcures_ids.h"
#include "sim/drive/win32/vdrive_store.h"

namespace itest {

std::string panel_string(UINT id) {
  static HMODULE library =
      LoadLibraryExA((program_folder() + "mcures.dll").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  char text[4096];
  int length = library ? LoadStringA(library, id, text, sizeof text) : 0;
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

std::string disc_folder(const std::string& name) {
  std::string path = std::string(HALVO_DISCS_FOLDER) + "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// ---- the panel ----

bool PanelProcess::start(const std::string& arguments, const char* folder) {
  end();
  std::string line = "\"" + program_folder() + "panel.exe\"";
  if (!arguments.empty()) line += " " + arguments;
  if (!process_.start(line, folder ? folder : program_folder().c_str())) return false;
  return WaitForInputIdle(process_.handle(), kPanelWaitMs) == 0;
}

HWND PanelProcess::window() const {
  for (HWND dialog : find_windows("#32770", NULL, pid()))
    if (GetDlgItem(dialog, IDC_POWER)) return dialog;
  return NULL;
}

HWND PanelProcess::wait_for_window() const {
  HWND found = NULL;
  eventually([&] { return (found = window()) != NULL && IsWindowVisible(found); });
  return found;
}

bool PanelProcess::enabled(int control) const {
  HWND panel = window();
  return panel && is_enabled(GetDlgItem(panel, control));
}

void PanelProcess::end() {
  if (process_.running()) {
    HWND panel = window();
    if (panel) PostMessageA(panel, WM_CLOSE, 0, 0);
    if (!process_.wait(kPanelWaitMs)) process_.end();
  }
  process_.end();
}

// ---- the machine ----

void PanelTest::SetUp() {
  MachineTest::SetUp();
  // No announcements: sound holds the poll up.
  ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
  ASSERT_TRUE(holder_.start());
  if (hold_capture_)
    ASSERT_EQ("capture status=80000000", holder_.run("capture").substr(0, 23));
  else
    ASSERT_EQ("register status=80000000", holder_.run("register").substr(0, 24));
}

void PanelTest::TearDown() {
  panel_.end();
  holder_.quit();
  run_remote("reset");
  MachineTest::TearDown();
}

void PanelTest::put_in(const std::string& folder, unsigned disc_type) {
  std::string output;
  // The tray stays open for a few polls, as a hand would hold it.
  ASSERT_TRUE(run_remote("eject --remove", &output) && wait_for_ticks(2)) << output;
  ASSERT_TRUE(run_remote("insert \"" + disc_folder(folder) + "\"", &output)) << output;
  ASSERT_TRUE(run_remote("close", &output)) << output;
  ASSERT_TRUE(eventually([&] { return capability(MMCD_CAP_DISC_TYPE) == disc_type; }))
      << folder << " probed as " << capability(MMCD_CAP_DISC_TYPE);
}

unsigned long PanelTest::capability(unsigned id) {
  char command[32];
  wsprintfA(command, "getcap %x", id);
  std::string line = holder_.run(command);
  if (field(line, "status") != "80000000") return 0xFFFFFFFFul;
  return hex_field(line, "value");
}

unsigned long PanelTest::query(unsigned item) {
  std::string line = holder_.run("command 1 " + std::to_string(item) + " 0 -");
  return hex_field(line, "value");
}

namespace {

vdrive::Store g_store;

template <typename Read>
int read_drive_d(Read read) {
  vdrive::StoreError error;
  vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
  if (!state) return -1;
  const vdrive::DriveSlot* d = vdrive::find_drive(*state, 'D');
  int value = d ? read(*d) : -1;
  vdrive::store_unlock(&g_store);
  return value;
}

}  // namespace

int PanelTest::drive_play_status() {
  return read_drive_d([](const vdrive::DriveSlot& d) { return static_cast<int>(d.play_status); });
}

bool PanelTest::drive_tray_open() {
  return read_drive_d([](const vdrive::DriveSlot& d) { return static_cast<int>(d.tray_open); }) == 1;
}

}  // namespace itest
