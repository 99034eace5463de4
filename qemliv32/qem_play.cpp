#include "qemliv32/qem_play.h"

#include <cstring>

namespace qem {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view skip_blanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  return text.substr(i);
}

bool contains(std::string_view text, const char* what) {
  return text.find(what) != std::string_view::npos;
}

}  // namespace

QemPlaySwitches parse_qem_play(std::string_view command_line) {
  QemPlaySwitches out;
  const std::size_t sysmsg = command_line.find(kSwitchSysmsg);
  // The message of "/SYSMSG" may be any text: switches are looked for only
  // before it.
  const std::string_view searched = command_line.substr(0, sysmsg);
  if (contains(searched, kSwitchSetup)) {
    out.action = QemPlaySwitches::Action::setup;
    return out;
  }
  if (contains(searched, kSwitchAbout)) {
    out.action = QemPlaySwitches::Action::about;
    return out;
  }
  if (sysmsg != std::string_view::npos) {
    out.action = QemPlaySwitches::Action::sysmsg;
    out.text = system_message_text(command_line.substr(sysmsg + std::strlen(kSwitchSysmsg)));
    return out;
  }
  if (contains(command_line, kSwitchMsgbox)) {
    out.action = QemPlaySwitches::Action::msgbox;
    return out;
  }

  std::string rest(command_line);
  const std::size_t loop = rest.find(kSwitchLoop);
  if (loop != std::string::npos) {
    out.loop = true;
    rest.erase(loop, std::strlen(kSwitchLoop));
  }
  const std::size_t nogui = rest.find(kSwitchNogui);
  if (nogui != std::string::npos) {
    out.nogui = true;
    out.script = std::string(skip_blanks(std::string_view(rest).substr(nogui + std::strlen(kSwitchNogui))));
  } else {
    out.script = std::string(skip_blanks(rest));
  }
  return out;
}

std::string_view player_arguments(std::string_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !is_blank(line[i])) ++i;
  }
  return skip_blanks(line.substr(i));
}

std::string player_program_path(std::string_view directory, const char* program) {
  for (char c : directory)
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return std::string();
  if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/'))
    directory.remove_suffix(1);
  std::string path(directory);
  path += '\\';
  path += program;
  return path;
}

std::string system_message_text(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return std::string(text.substr(0, kMaxSystemMessage));
}

std::string sysmsg_command(std::string_view directory, const char* program, std::string_view text) {
  const std::string path = player_program_path(directory, program);
  if (path.empty()) return path;
  // Quoted, so that a folder with blanks in its name stays one program name.
  return "\"" + path + "\" " + kSwitchSysmsg + system_message_text(text);
}

std::string msgbox_command(std::string_view directory, const char* program) {
  const std::string path = player_program_path(directory, program);
  if (path.empty()) return path;
  std::string line = "\"" + path + "\" " + kSwitchMsgbox;
  if (std::strcmp(program, kPlayerProgram) == 0) line += "  ";
  return line;
}

std::vector<std::string> system_information_lines(bool sound_present,
                                                  std::string_view sockets_description) {
  std::string description(sockets_description.substr(0, sockets_description.find('\0'))
                              .substr(0, kMaxSocketsDescription));
  // One line each: a line end inside the description would start another.
  for (char& c : description)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return {
      "Player Version: 2.0 Beta II 32 bit\r\n",
      "Protocol Version: VTP 0.9.0\r\n",
      "Build: 19:25:00, Jul 18 1996\r\n",
      std::string("Sound card: ") + (sound_present ? "Present" : "Not Present") + "\r\n",
      "Windows sockets: " + description + "\r\n",
  };
}

std::string system_information_text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

}  // namespace qem
