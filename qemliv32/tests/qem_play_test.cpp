#include "qemliv32/qem_play.h"

#include <gtest/gtest.h>

#include <string>

namespace qem {
namespace {

using Action = QemPlaySwitches::Action;

const char* action_name(Action a) {
  switch (a) {
    case Action::setup: return "setup";
    case Action::about: return "about";
    case Action::sysmsg: return "sysmsg";
    case Action::msgbox: return "msgbox";
    case Action::play: return "play";
  }
  return "?";
}

TEST(QemPlaySwitches, FirstSwitchInTheOrderDecides) {
  struct Case {
    const char* line;
    Action action;
    const char* text;  // sysmsg
  };
  const Case cases[] = {
      {"/SETUP", Action::setup, ""},
      {"x.qem /ABOUT /SETUP", Action::setup, ""},
      {"/ABOUT", Action::about, ""},
      {"/MSGBOX /ABOUT", Action::about, ""},
      {"/SETUP /SYSMSG hello", Action::setup, ""},
      {"/SYSMSGQEMLive Error: Timeout", Action::sysmsg, "QEMLive Error: Timeout"},
      {"/SYSMSG two  blanks ", Action::sysmsg, " two  blanks "},
      {"/MSGBOX  ", Action::msgbox, ""},
      {"/MSGBOX /LOOP", Action::msgbox, ""},
      // Switches are case-sensitive.
      {"/setup", Action::play, ""},
  };
  for (const Case& c : cases) {
    QemPlaySwitches s = parse_qem_play(c.line);
    EXPECT_STREQ(action_name(c.action), action_name(s.action)) << c.line;
    EXPECT_EQ(c.text, s.text) << c.line;
  }
}

TEST(QemPlaySwitches, SystemMessageIsNeverSearchedForSwitches) {
  const char* texts[] = {
      " /SETUP",  " /ABOUT",  "/MSGBOX",          "a /LOOP b /NOGUI c", "\" /SETUP \"",
      "/SYSMSG",  "x\n/SETUP", "QEMLive Error: /ABOUT\nTry again",
  };
  for (const char* t : texts) {
    QemPlaySwitches s = parse_qem_play(std::string("/SYSMSG") + t);
    EXPECT_STREQ("sysmsg", action_name(s.action)) << t;
    EXPECT_EQ(t, s.text);
    EXPECT_FALSE(s.loop || s.nogui) << t;
  }
}

TEST(QemPlaySwitches, LoopNoguiAndTheScriptPath) {
  struct Case {
    const char* line;
    bool loop, nogui;
    const char* script;
  };
  const Case cases[] = {
      {"", false, false, ""},
      {"   c:\\clips\\a.qem", false, false, "c:\\clips\\a.qem"},
      {"/LOOP c:\\a.qem", true, false, "c:\\a.qem"},
      // Only the leading blanks go.
      {"c:\\a.qem /LOOP", true, false, "c:\\a.qem "},
      {"/NOGUI \t c:\\b.qem", false, true, "c:\\b.qem"},
      {"/NOGUI", false, true, ""},
      {"ignored /NOGUI c:\\b.qem", false, true, "c:\\b.qem"},
      {"/LOOP/NOGUI x.qem", true, true, "x.qem"},
      {"/NOGUI/LOOP x.qem", true, true, "x.qem"},
      // One "/LOOP" is taken out; a second stays in the path.
      {"/LOOP /LOOP", true, false, "/LOOP"},
  };
  for (const Case& c : cases) {
    QemPlaySwitches s = parse_qem_play(c.line);
    EXPECT_STREQ("play", action_name(s.action)) << c.line;
    EXPECT_EQ(c.loop, s.loop) << c.line;
    EXPECT_EQ(c.nogui, s.nogui) << c.line;
    EXPECT_EQ(c.script, s.script) << c.line;
  }
}

TEST(QemPlaySwitches, SystemMessageIsBoundedAndEndsAtAZero) {
  std::string long_text(kMaxSystemMessage * 3, 'x');
  EXPECT_EQ(kMaxSystemMessage, parse_qem_play("/SYSMSG" + long_text).text.size());
  EXPECT_EQ("ab", parse_qem_play(std::string("/SYSMSGab\0/SETUP", 16)).text);
}

TEST(PlayerArguments, ProgramNameAndBlanksAfterItGo) {
  struct Case {
    const char* line;
    const char* arguments;
  };
  const Case cases[] = {
      {"QEMPLAY.EXE /SETUP", "/SETUP"},
      {"\"C:\\Program Files\\qemplay\\QEMPLAY.EXE\"  \t/SYSMSG x ", "/SYSMSG x "},
      {"\"C:\\a b\\QEMPLAY.EXE\"/ABOUT", "/ABOUT"},
      {"QEMPLAY.EXE", ""},
      {"\"unclosed /SETUP", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.arguments, player_arguments(c.line)) << c.line;
}

TEST(OutsidePlayerCommands, ExactCommandLines) {
  EXPECT_EQ("\"C:\\qemplay\\QEMPLAY.EXE\" /SYSMSGQEMLive Error: Unknown error",
            sysmsg_command("C:\\qemplay", kPlayerProgram, "QEMLive Error: Unknown error"));
  EXPECT_EQ("\"C:\\qemplay\\QEMPLAY32.EXE\" /SYSMSGx", sysmsg_command("C:\\qemplay", kPlayerProgram32, "x"));
  EXPECT_EQ("\"C:\\qemplay\\QEMPLAY.EXE\" /MSGBOX  ", msgbox_command("C:\\qemplay", kPlayerProgram));
  EXPECT_EQ("\"C:\\qemplay\\QEMPLA~1.EXE\" /MSGBOX", msgbox_command("C:\\qemplay", kPlayerProgramShort));
  EXPECT_EQ("\"C:\\qemplay\\QEMPLAY32.EXE\" /MSGBOX", msgbox_command("C:\\qemplay", kPlayerProgram32));
}

TEST(OutsidePlayerCommands, DirectoryForms) {
  struct Case {
    const char* directory;
    const char* path;  // "" when it cannot be used
  };
  const Case cases[] = {
      {"C:\\qemplay", "C:\\qemplay\\QEMPLAY.EXE"},
      {"C:\\Program Files\\QEM Play", "C:\\Program Files\\QEM Play\\QEMPLAY.EXE"},
      {"C:\\qemplay\\", "C:\\qemplay\\QEMPLAY.EXE"},
      {"C:\\", "C:\\QEMPLAY.EXE"},
      {"", "\\QEMPLAY.EXE"},
      {"C:\\a\" /SETUP \"", ""},
      {"C:\\a\nb", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.path, player_program_path(c.directory, kPlayerProgram)) << c.directory;
    const std::string line = sysmsg_command(c.directory, kPlayerProgram, "t");
    if (*c.path) {
      EXPECT_EQ(std::string("\"") + c.path + "\" /SYSMSGt", line) << c.directory;
      EXPECT_EQ("/SYSMSGt", player_arguments(line)) << c.directory;
    } else {
      EXPECT_EQ("", line) << c.directory;
      EXPECT_EQ("", msgbox_command(c.directory, kPlayerProgram)) << c.directory;
    }
  }
}

// What the outside program hands the entry shows exactly the message, so a
// server or error text cannot add switches or arguments.
TEST(OutsidePlayerCommands, HostileMessagesArriveAsTheirText) {
  const std::string texts[] = {
      "QEMLive Error: File Open\nServer could not open the requested file.",
      "/SETUP",
      " /ABOUT /MSGBOX /LOOP /NOGUI c:\\evil.qem",
      "\" /SETUP \"",
      "\"\"\" /ABOUT",
      "/SYSMSG/SETUP",
      "\r\n/SETUP\r\n",
      "",
      std::string(5000, '/'),
      std::string("before zero\0/SETUP", 18),
  };
  for (const char* directory : {"C:\\qemplay", "C:\\Program Files\\QEM Play\\"}) {
    for (const std::string& t : texts) {
      const std::string line = sysmsg_command(directory, kPlayerProgram, t);
      QemPlaySwitches s = parse_qem_play(player_arguments(line));
      EXPECT_STREQ("sysmsg", action_name(s.action)) << t;
      EXPECT_EQ(system_message_text(t), s.text) << t;
      EXPECT_LE(s.text.size(), kMaxSystemMessage);
    }
  }
  EXPECT_EQ("before zero", system_message_text(std::string("before zero\0/SETUP", 18)));
}

TEST(SystemInformation, TheLines) {
  const std::vector<std::string> expected = {
      "Player Version: 2.0 Beta II 32 bit\r\n",
      "Protocol Version: VTP 0.9.0\r\n",
      "Build: 19:25:00, Jul 18 1996\r\n",
      "Sound card: Present\r\n",
      "Windows sockets: WinSock 2.0\r\n",
  };
  EXPECT_EQ(expected, system_information_lines(true, "WinSock 2.0"));
  EXPECT_EQ("Sound card: Not Present\r\n", system_information_lines(false, "")[3]);
  EXPECT_EQ("Windows sockets: \r\n", system_information_lines(false, "")[4]);
  EXPECT_EQ("Player Version: 2.0 Beta II 32 bit\r\nProtocol Version: VTP 0.9.0\r\n",
            system_information_text({expected[0], expected[1]}));
}

TEST(SystemInformation, DescriptionStaysOneBoundedLine) {
  EXPECT_EQ("Windows sockets: a  b c\r\n", system_information_lines(true, "a\r\nb\tc")[4]);
  EXPECT_EQ("Windows sockets: cut\r\n",
            system_information_lines(true, std::string("cut\0rest", 8))[4]);
  const std::string line = system_information_lines(true, std::string(1000, 'd'))[4];
  EXPECT_EQ(std::string("Windows sockets: ").size() + kMaxSocketsDescription + 2, line.size());
}

}  // namespace
}  // namespace qem
