// The stand-alone entry's command line, the command lines that start the
// outside player program to show a message, and the system-information
// lines of the about box.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qem {

// The outside player program under its names, in the order tried.
constexpr const char* kPlayerProgram = "QEMPLAY.EXE";
constexpr const char* kPlayerProgramShort = "QEMPLA~1.EXE";
constexpr const char* kPlayerProgram32 = "QEMPLAY32.EXE";
// "/SYSMSG" tries these two, "/MSGBOX" all three.
constexpr const char* kSysmsgPrograms[] = {kPlayerProgram, kPlayerProgram32};
constexpr const char* kMsgboxPrograms[] = {kPlayerProgram, kPlayerProgramShort, kPlayerProgram32};

constexpr const char* kSwitchSetup = "/SETUP";
constexpr const char* kSwitchAbout = "/ABOUT";
constexpr const char* kSwitchSysmsg = "/SYSMSG";
constexpr const char* kSwitchMsgbox = "/MSGBOX";
constexpr const char* kSwitchLoop = "/LOOP";
constexpr const char* kSwitchNogui = "/NOGUI";

// Longest system message carried on a command line and shown; error and
// fatal texts are far shorter.
constexpr std::size_t kMaxSystemMessage = 1024;
// The caption of a system message box (errors and fatal texts).
constexpr const char* kSystemMessageTitle = "QEMLive Video Player";

struct QemPlaySwitches {
  enum class Action { setup, about, sysmsg, msgbox, play };
  Action action = Action::play;
  std::string text;     // sysmsg: the message, at most kMaxSystemMessage characters
  bool loop = false;    // play: "/LOOP" was given
  bool nogui = false;   // play: "/NOGUI" was given
  std::string script;   // play: the script path, empty for none
};

// Switches are found anywhere in the text, case as written, and the first
// found in the order "/SETUP", "/ABOUT", "/SYSMSG", "/MSGBOX" decides;
// otherwise "/LOOP" is taken out and "/NOGUI" read. Everything after the
// first "/SYSMSG" is its message and is never searched for switches, so a
// message can carry any text.
QemPlaySwitches parse_qem_play(std::string_view command_line);

// What the outside program passes on to the entry: its whole command line
// without the program name (quoted or not) and the blanks after it.
std::string_view player_arguments(std::string_view program_command_line);

// The program file of the outside player: the Directory value (one trailing
// backslash dropped) and the name; empty when the directory cannot be a
// folder name (a quote or a control character in it).
std::string player_program_path(std::string_view directory, const char* program);

// A message as it rides on a command line: up to its first zero character,
// at most kMaxSystemMessage characters.
std::string system_message_text(std::string_view text);

// The quoted program path, " /SYSMSG" and the message right after it (the
// entry takes the rest of its command line as the message); empty when the
// directory cannot be used.
std::string sysmsg_command(std::string_view directory, const char* program, std::string_view text);
// The quoted program path and " /MSGBOX" (two blanks after it for
// QEMPLAY.EXE); empty when the directory cannot be used.
std::string msgbox_command(std::string_view directory, const char* program);

// The about box's lines, each ending with "\r\n".
constexpr std::size_t kMaxSocketsDescription = 256;
std::vector<std::string> system_information_lines(bool sound_present,
                                                  std::string_view sockets_description);
// The lines one after the other, as the about box shows and copies them.
std::string system_information_text(const std::vector<std::string>& lines);

}  // namespace qem
