#include "detector/win32/disc_change.h"

#include <optional>
#include <vector>

#include "common/win32/win32_registry.h"
#include "detector/autorun.h"
#include "detector/keys.h"
#include "detector/play_command.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/mixed_mode_dialog.h"
#include "detector/win32/detres/detres_ids.h"

namespace detector {

namespace {

std::string root_of(char letter) { return std::string(1, letter) + ":\\"; }

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The text of "<d>:\autorun.inf"; nullopt when missing, unreadable or
// larger than an autorun file may be.
std::optional<std::string> read_autorun_file(char letter) {
  std::string path = root_of(letter) + "autorun.inf";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  std::optional<std::string> text;
  if (size != INVALID_FILE_SIZE && high == 0 && size <= kMaxAutorunFile) {
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size == 0 || ReadFile(file, &bytes[0], size, &read, NULL)) {
      bytes.resize(read);
      text = bytes;
    }
  }
  CloseHandle(file);
  return text;
}

// The autorun command of the disc in the drive, with the drive's root made
// the current folder for the program it names.
std::optional<std::string> autorun_of(char letter) {
  SetCurrentDirectoryA(root_of(letter).c_str());
  std::optional<std::string> text = read_autorun_file(letter);
  if (!text) return std::nullopt;
  std::optional<std::string> value = autorun_value(*text);
  if (!value) return std::nullopt;
  return autorun_command(*value, letter);
}

void start_if(HWND owner, const std::optional<std::string>& command) {
  if (command) start_program(owner, *command);
}

void run_installer(HWND owner, char letter) {
  std::optional<std::string> autorun = autorun_of(letter);
  start_if(owner, installer_command(autorun, file_exists(root_of(letter) + "install.exe"),
                                    file_exists(root_of(letter) + "setup.exe"), letter));
}

void play(HWND owner, int kind, char letter) {
  halvo::Win32Registry classes(HKEY_CLASSES_ROOT);
  start_if(owner, play_command(classes, kind, letter));
}

void start_for_mixed_mode(HWND owner, char letter) {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::optional<MixedModeChoice> choice = mixed_mode_choice(user);
  if (!choice) return;
  if (*choice == MixedModeChoice::ask) {
    int answer = ask_mixed_mode(owner);
    if (answer == IDC_MIXED_INSTALL_BUTTON)
      choice = MixedModeChoice::install;
    else if (answer == IDC_MIXED_PLAY_BUTTON)
      choice = MixedModeChoice::play;
    else
      return;
  }
  if (*choice == MixedModeChoice::install)
    run_installer(owner, letter);
  else
    play(owner, kMixedModeCd, letter);
}

}  // namespace

bool start_program(HWND owner, const std::string& command_line) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS, NULL,
                      NULL, &startup, &process)) {
    resource_box(owner, IDS_START_FAILED, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void start_for_disc(HWND owner, uint16_t disc_type, uint16_t drive) {
  char letter = drive_letter(drive);
  if (!letter) return;
  if (disc_type == 0) {
    start_if(owner, autorun_of(letter));
    return;
  }
  std::optional<int> kind = kind_of_disc(disc_type);
  if (!kind) return;
  if (*kind == kMixedModeCd)
    start_for_mixed_mode(owner, letter);
  else
    play(owner, *kind, letter);
}

void play_as(HWND owner, int kind, char letter) {
  halvo::Win32Registry classes(HKEY_CLASSES_ROOT);
  std::optional<std::string> command = play_command(classes, kind, letter);
  if (!command) {
    resource_box(owner, IDS_NO_PLAY_COMMAND, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  start_program(owner, *command);
}

void start_web_front_end(HWND owner) {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::optional<std::string> command = web_front_end_command(user);
  if (!command) {
    resource_box(owner, IDS_START_FAILED, IDS_DETECTOR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  start_program(owner, *command);
}

}  // namespace detector
