#include "qemliv32/win32/message_shell.h"

#include <string>

#include "qemliv32/messages.h"
#include "qemliv32/qem_play.h"
#include "qemliv32/settings.h"
#include "qemliv32/win32/system_settings.h"

namespace qem {

namespace {

std::string player_directory() {
  return load_settings(private_profile_store(kIniFileName)).directory;
}

// The program by its own path, so nothing in the command line can choose
// another one; not waited for.
bool start_player(const std::string& program, std::string command_line) {
  if (program.empty() || command_line.empty()) return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program.c_str(), &command_line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                      &started))
    return false;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

std::string up_to_zero(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

// lasthdr is one profile line of at most the length read back.
std::string one_line_title(std::string_view title) {
  std::string line = up_to_zero(title).substr(0, kMaxTempText);
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

}  // namespace

bool show_error(int number) {
  if (number == kErrorReceptionTimeout) {
    system_message_box(error_text(number));
    return true;
  }
  return show_system_message(error_text(number));
}

bool show_system_message(std::string_view text) {
  const std::string directory = player_directory();
  for (const char* program : kSysmsgPrograms)
    if (start_player(player_program_path(directory, program), sysmsg_command(directory, program, text)))
      return true;
  return false;
}

bool show_server_message(std::string_view text, std::string_view title) {
  ProfileStore& store = private_profile_store(kIniFileName);
  // Cut as it is stored and read back (more would never be shown), then
  // handed over decoded, as put_msgbox_message encodes it.
  const std::string stored = encode_lastmsg(up_to_zero(text)).substr(0, kMaxTempText);
  if (!put_msgbox_message(store, decode_lastmsg(stored), one_line_title(title))) return false;
  const std::string directory = load_settings(store).directory;
  for (const char* program : kMsgboxPrograms)
    if (start_player(player_program_path(directory, program), msgbox_command(directory, program)))
      return true;
  return false;
}

void system_message_box(std::string_view text) {
  const std::string shown = system_message_text(text);
  MessageBoxA(NULL, shown.c_str(), kSystemMessageTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void msgbox_message_box() {
  const MsgboxMessage message = get_msgbox_message(private_profile_store(kIniFileName));
  MessageBoxA(NULL, message.text.c_str(), message.title.c_str(), MB_OK | MB_SETFOREGROUND);
}

}  // namespace qem
