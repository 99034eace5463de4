// The engine's messages as a program linking the shell shows them: the
// outside player started from the Directory folder under each of its names
// in turn, its box found; error 15 in a box of the program itself.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "qemliv32/messages.h"
#include "qemliv32/qem_play.h"
#include "qemliv32/win32/message_shell.h"
#include "qemliv32/win32/tests/ui_support.h"

namespace qemtest {
namespace {

// What the child modes show, by index.
const char* const kSystemTexts[] = {
    "QEMLive Error: one line /SETUP \"quoted\" /ABOUT",
};
const struct {
  const char* text;
  const char* title;
} kServerMessages[] = {
    {"Welcome /SETUP", qem::kServerMessageTitle},
    {"Welcome\r\nto the ~stream~\nserver", qem::kServerMessageTitle},
    {"Hello", "Title\n[Settings]\nBufferSize=1"},
};

int show_error_main(int argc, char** argv) {
  return argc >= 3 && qem::show_error(std::atoi(argv[2])) ? 1 : 0;
}
int system_message_main(int argc, char** argv) {
  return argc >= 3 && qem::show_system_message(kSystemTexts[std::atoi(argv[2])]) ? 1 : 0;
}
int server_message_main(int argc, char** argv) {
  if (argc < 3) return 0;
  const auto& m = kServerMessages[std::atoi(argv[2])];
  return qem::show_server_message(m.text, m.title) ? 1 : 0;
}
const itest::ChildMode kShowError("--show-error", show_error_main);
const itest::ChildMode kSystemMessage("--system-message", system_message_main);
const itest::ChildMode kServerMessage("--server-message", server_message_main);

const char* const kProgramNames[] = {qem::kPlayerProgram, qem::kPlayerProgramShort, qem::kPlayerProgram32};

class MessageShellTest : public IniFileTest {
 protected:
  void TearDown() override {
    end_recorders();
    IniFileTest::TearDown();
  }
  // A fresh player folder that Directory names.
  void use_folder(PlayerFolder& folder) {
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(ini_put("Program", "Directory", folder.directory()));
  }
  // Started without an output pipe: the players it starts would hold one open.
  DWORD run_child(const std::string& arguments) {
    itest::Process child;
    DWORD code = itest::kNotStarted;
    if (!child.start(self() + " " + arguments)) return code;
    child.wait(itest::kRunTimeoutMs, &code);
    return code;
  }
  // Answers the box of the outside player, checks it and waits for the
  // player to end with QEM_Play's 1.
  void expect_player_box(itest::ExpectedBoxes& boxes, const std::string& caption, const std::string& text,
                         const char* image) {
    itest::FoundBox box;
    ASSERT_TRUE(itest::answer_expected_box(boxes, caption, text.c_str(), IDOK, itest::kWindowTimeoutMs, &box));
    EXPECT_STRCASEEQ(image, box.image.c_str());
    DWORD code = 0;
    EXPECT_TRUE(wait_for_exit(box.pid, itest::kWindowTimeoutMs, &code));
    EXPECT_EQ(1u, code);
  }
};

// The names are tried in their order; the first that starts is given its
// command line, quoted, the folder's blank and all; with none, nothing.
TEST_F(MessageShellTest, OutsidePlayerNamesAreTriedInOrder) {
  struct Case {
    const char* child;
    std::vector<const char*> present;
    const char* started;  // NULL: none
    const char* tail;     // after the quoted program path
  };
  const std::string sysmsg_tail = std::string(" /SYSMSG") + kSystemTexts[0];
  const Case cases[] = {
      {"--system-message 0", {"QEMPLAY.EXE", "QEMPLAY32.EXE"}, "QEMPLAY.EXE", sysmsg_tail.c_str()},
      {"--system-message 0", {"QEMPLAY32.EXE", "QEMPLA~1.EXE"}, "QEMPLAY32.EXE", sysmsg_tail.c_str()},
      {"--system-message 0", {"QEMPLA~1.EXE"}, NULL, ""},
      {"--server-message 0", {"QEMPLAY.EXE", "QEMPLA~1.EXE", "QEMPLAY32.EXE"}, "QEMPLAY.EXE", " /MSGBOX  "},
      {"--server-message 0", {"QEMPLA~1.EXE", "QEMPLAY32.EXE"}, "QEMPLA~1.EXE", " /MSGBOX"},
      {"--server-message 0", {"QEMPLAY32.EXE"}, "QEMPLAY32.EXE", " /MSGBOX"},
      {"--server-message 0", {}, NULL, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.child) + " with " + std::to_string(c.present.size()) + " programs, " +
                 (c.started ? c.started : "none") + " expected");
    PlayerFolder folder;
    use_folder(folder);
    for (const char* name : c.present) ASSERT_TRUE(folder.place_recorder(name));
    EXPECT_EQ(c.started ? 1u : 0u, run_child(c.child));
    if (c.started) {
      const std::string program = folder.path(c.started);
      ASSERT_TRUE(itest::wait_for_lines(program + ".log", 1, itest::kEventuallyMs));
      EXPECT_EQ(std::vector<std::string>{"\"" + program + "\"" + c.tail}, itest::recorded_starts(program));
      EXPECT_TRUE(itest::eventually([] { return !itest::find_windows(itest::kRecorderClass, NULL).empty(); }));
    }
    for (const char* name : kProgramNames) {
      if (!c.started || std::string(name) != c.started) {
        EXPECT_TRUE(itest::recorded_starts(folder.path(name)).empty()) << name << " started";
      }
    }
    end_recorders();
  }
}

// The text reaches the outside player through lastmsg with its line ends
// as "~", the title through lasthdr; a title cannot add profile lines.
TEST_F(MessageShellTest, ServerMessageShownByTheOutsidePlayer) {
  PlayerFolder folder;
  use_folder(folder);
  ASSERT_TRUE(folder.place_player("QEMPLAY.EXE"));
  itest::ExpectedBoxes boxes;

  EXPECT_EQ(1u, run_child("--server-message 1"));
  EXPECT_EQ("Welcome~to the ~stream~~server", ini_get("temp", "lastmsg").value_or("(missing)"));
  EXPECT_EQ(qem::kServerMessageTitle, ini_get("temp", "lasthdr").value_or("(missing)"));
  expect_player_box(boxes, qem::kServerMessageTitle, "Welcome\nto the \nstream\n\nserver", "QEMPLAY.EXE");

  EXPECT_EQ(1u, run_child("--server-message 2"));
  EXPECT_EQ("Title [Settings] BufferSize=1", ini_get("temp", "lasthdr").value_or("(missing)"));
  EXPECT_FALSE(ini_get("Settings", "BufferSize")) << "the title wrote a profile line";
  expect_player_box(boxes, "Title [Settings] BufferSize=1", "Hello", "QEMPLAY.EXE");
}

TEST_F(MessageShellTest, ErrorsShownByTheOutsidePlayer) {
  struct Case {
    const char* present;
    int number;
  };
  const Case cases[] = {
      {"QEMPLAY.EXE", 13},
      {"QEMPLAY.EXE", 99},
      {"QEMPLAY32.EXE", 18},
  };
  itest::ExpectedBoxes boxes;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.present) + " error " + std::to_string(c.number));
    PlayerFolder folder;
    use_folder(folder);
    ASSERT_TRUE(folder.place_player(c.present));
    EXPECT_EQ(1u, run_child("--show-error " + std::to_string(c.number)));
    expect_player_box(boxes, qem::kSystemMessageTitle, qem::error_text(c.number), c.present);
  }
}

// The reception timeout is shown by the program itself; the outside player
// (a recorder here) is not started.
TEST_F(MessageShellTest, Error15InABoxOfTheProgramItself) {
  PlayerFolder folder;
  use_folder(folder);
  ASSERT_TRUE(folder.place_recorder("QEMPLAY.EXE"));
  itest::ExpectedBoxes boxes;
  itest::Process child;
  ASSERT_TRUE(child.start(self() + " --show-error 15"));
  itest::FoundBox box;
  ASSERT_TRUE(itest::answer_expected_box(boxes, qem::kSystemMessageTitle, qem::error_text(15), IDOK,
                                         itest::kWindowTimeoutMs, &box));
  EXPECT_EQ(child.pid(), box.pid);
  DWORD code = 0;
  ASSERT_TRUE(child.wait(itest::kWindowTimeoutMs, &code));
  EXPECT_EQ(1u, code);
  EXPECT_TRUE(itest::recorded_starts(folder.path("QEMPLAY.EXE")).empty());
}

// With no Directory setting the installed player, C:\qemplay\QEMPLAY.EXE,
// shows the message.
TEST_F(MessageShellTest, DefaultDirectoryReachesTheInstalledPlayer) {
  itest::ExpectedBoxes boxes;
  EXPECT_EQ(1u, run_child("--show-error 9"));
  itest::FoundBox box;
  ASSERT_TRUE(boxes.next(box, itest::kWindowTimeoutMs)) << "no box";
  std::string image = "?";
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, box.pid)) {
    char path[MAX_PATH];
    DWORD size = sizeof path;
    if (QueryFullProcessImageNameA(process, 0, path, &size)) image.assign(path, size);
    CloseHandle(process);
  }
  itest::answer_box(box.window, IDOK);
  EXPECT_STRCASEEQ("C:\\qemplay\\QEMPLAY.EXE", image.c_str());
  EXPECT_EQ(qem::error_text(9), box.text);
  EXPECT_TRUE(wait_for_exit(box.pid, itest::kWindowTimeoutMs));
}

}  // namespace
}  // namespace qemtest
