// qemliv32.dll in a real host: qemhost.exe creates the engine on its window
// and the test works it through the host's commands, reads the engine's
// window and answers the outside player's message boxes.
#include <windows.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qemliv32/messages.h"
#include "qemliv32/win32/tests/engine_fixture.h"

using namespace itest;
using namespace qemhost;
using namespace engine_test;

namespace {

// A box from the outside player program; its text.
std::optional<FoundBox> outside_player_box(ExpectedBoxes& boxes) {
  FoundBox box;
  if (!boxes.next(box, 20000)) return std::nullopt;
  answer_box(box.window, IDOK);
  return box;
}

bool is_outside_player(const FoundBox& box) { return _stricmp(box.image.c_str(), "QEMPLAY.EXE") == 0; }

TEST_F(EngineTest, CallsOnTheHostsWindow) {
  ASSERT_TRUE(start_host("\"" + script("qem://127.0.0.1:1/x") + "\""));
  EXPECT_EQ(send(kNullState), -1) << "GetCurState of no engine";
  EXPECT_EQ(state(), 0);
  int rect[4];
  for (int i = 0; i < 4; ++i) rect[i] = int(send(kOutputRect, i));
  EXPECT_EQ(rect[0], 4);
  EXPECT_EQ(rect[1], 4);
  EXPECT_EQ(rect[2], 316);
  EXPECT_EQ(rect[3], 224) << "320 x 240, less the status line, 4 pixels in";

  ExpectedBoxes boxes;
  EXPECT_EQ(send(kCreateAgain), 0) << "one engine per process";
  std::optional<FoundBox> box = outside_player_box(boxes);
  ASSERT_TRUE(box);
  EXPECT_TRUE(is_outside_player(*box)) << box->image;
  EXPECT_EQ(box->text, qem::kAlreadyInUse);
  EXPECT_EQ(box->caption, qem::kAlreadyInUseTitle);
  EXPECT_EQ(profile("temp", "lastmsg"), qem::kAlreadyInUse);
  EXPECT_EQ(profile("temp", "lasthdr"), qem::kAlreadyInUseTitle);
}

TEST_F(EngineTest, MissingScriptRaisesError17ThroughTheOutsidePlayer) {
  ExpectedBoxes boxes;
  ASSERT_TRUE(start_host("\"C:\\no\\such\\clip.qem\""));
  std::optional<FoundBox> box = outside_player_box(boxes);
  ASSERT_TRUE(box);
  EXPECT_TRUE(is_outside_player(*box)) << box->image;
  EXPECT_EQ(box->text, qem::error_text(17));
}

TEST_F(EngineTest, ConnectFailuresAndOtherSchemesOnTheOwnWindowsTitle) {
  ASSERT_TRUE(start_host("--own \"" + script("qem://no-such-host.invalid/x") + "\""));
  HWND own = engine_window();
  ASSERT_TRUE(own != NULL);
  send(kPlay, 0);
  EXPECT_TRUE(eventually([&] { return text_of(own) == qem::kStatusNoServer; })) << text_of(own);
  EXPECT_EQ(state(), 0);

  // A bound data port: "Data Port In Use".
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  int len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  WritePrivateProfileStringA("Settings", "AutoDataPort", "0", "QEMPLAY.INI");
  WritePrivateProfileStringA("Settings", "DataPort", std::to_string(ntohs(a.sin_port)).c_str(),
                             "QEMPLAY.INI");
  ASSERT_TRUE(copy_data(kOpenNarrow, script("qem://127.0.0.1:1/x")));
  send(kPlay, 0);
  EXPECT_TRUE(eventually([&] { return text_of(own) == qem::kStatusDataPortInUse; })) << text_of(own);
  closesocket(s);
  WSACleanup();

  // Another scheme: Play does nothing at all.
  ASSERT_TRUE(copy_data(kOpenNarrow, script("http://127.0.0.1/x")));
  ASSERT_TRUE(copy_data(kShowMsg, "before"));
  send(kPlay, 0);
  EXPECT_EQ(state(), 0);
  EXPECT_EQ(text_of(own), "before");
}

TEST_F(EngineTest, WideScriptPathAndSwappedParent) {
  ASSERT_TRUE(start_host("--own --wide --swap-parent \"" +
                         script("qem://no-such-host.invalid/wide") + "\""));
  HWND own = engine_window();
  ASSERT_TRUE(own != NULL);
  EXPECT_EQ(GetParent(own), window_) << "the swapped handle was taken for the host's window";
  send(kPlay, 0);
  EXPECT_TRUE(eventually([&] { return text_of(own) == qem::kStatusNoServer; }))
      << "the UTF-16 path named the script: " << text_of(own);

  std::string wide;
  for (char c : script("http://h/x")) wide += std::string(1, c) + std::string(1, '\0');
  ASSERT_TRUE(copy_data(kOpenWide, wide));
  ASSERT_TRUE(copy_data(kShowMsg, "opened"));
  send(kPlay, 0);
  EXPECT_EQ(text_of(own), "opened") << "Open took the UTF-16 path too (an http URL: no play)";
}

}  // namespace
