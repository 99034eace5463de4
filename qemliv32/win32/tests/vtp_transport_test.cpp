// The Win32 shell on its own, under Wine: the hidden event window and its
// timer, connect failures that leave nothing open, and the handshake on the
// control socket with one "message sent" notice per message. The server
// side is a plain listening socket of the test.
#include <winsock.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "qemliv32/qemcat/cat_events.h"
#include "qemliv32/qemcat/cat_setup.h"
#include "qemliv32/vtp_client.h"
#include "qemliv32/win32/vtp_transport.h"
#include "testing/win32/harness.h"

namespace qem {
namespace {

uint32_t tick_count() { return GetTickCount(); }

// Runs the thread's messages until done() or ms pass; counts the notices
// posted after each completely sent message.
template <class Done>
bool pump_until(Done done, DWORD ms, int* sent_notices = nullptr) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms || itest::check_stray_boxes()) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == kMsgMessageSent && sent_notices) ++*sent_notices;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  return true;
}

// A listening control socket on 127.0.0.1 that collects what a client sends.
class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(fd_, 4);
    u_long on = 1;
    ioctlsocket(fd_, FIONBIO, &on);
  }
  ~Listener() {
    if (conn_ != INVALID_SOCKET) closesocket(conn_);
    closesocket(fd_);
  }
  uint16_t port() const { return port_; }

  // Accepts and reads what has come; false once the peer has closed.
  bool poll() {
    if (conn_ == INVALID_SOCKET) {
      conn_ = accept(fd_, nullptr, nullptr);
      if (conn_ == INVALID_SOCKET) return true;
      ++accepted_;
      u_long on = 1;
      ioctlsocket(conn_, FIONBIO, &on);
    }
    char buf[4096];
    int n = recv(conn_, buf, sizeof buf, 0);
    if (n > 0) bytes_.insert(bytes_.end(), buf, buf + n);
    if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) closed_ = true;
    return !closed_;
  }
  int accepted() const { return accepted_; }
  bool closed() const { return closed_; }

  // The message types received so far, and each message's payload.
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> messages() const {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> out;
    std::size_t off = 0;
    auto u32 = [&](std::size_t at) {
      return uint32_t(bytes_[at]) << 24 | uint32_t(bytes_[at + 1]) << 16 |
             uint32_t(bytes_[at + 2]) << 8 | bytes_[at + 3];
    };
    while (off + 8 <= bytes_.size()) {
      uint32_t n = u32(off);
      if (n < 4 || off + 4 + n > bytes_.size()) break;
      out.push_back({u32(off + 4), std::vector<uint8_t>(bytes_.begin() + off + 8,
                                                        bytes_.begin() + off + 4 + n)});
      off += 4 + n;
    }
    return out;
  }

 private:
  SOCKET fd_ = INVALID_SOCKET, conn_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  int accepted_ = 0;
  bool closed_ = false;
  std::vector<uint8_t> bytes_;
};

class VtpTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
    out_ = std::tmpfile();
  }
  void TearDown() override {
    if (out_) std::fclose(out_);
    WSACleanup();
  }
  std::FILE* out_ = nullptr;
};

TEST_F(VtpTransportTest, HiddenEventWindowAndItsTimer) {
  CatEvents ev(out_, tick_count, true);
  VtpClient client(ev);
  VtpTransport t(client, ini_text_store(""));
  ASSERT_TRUE(t.ready());
  HWND w = FindWindowA("VTP", "VTP");
  EXPECT_EQ(w, t.window()) << "class and window name \"VTP\"";
  EXPECT_FALSE(IsWindowVisible(w));
  RECT r;
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right - r.left, 240);
  EXPECT_EQ(r.bottom - r.top, 140);

  // Timer 4096 every 33 ms: about ten in a third of a second.
  int ticks = 0;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 330) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_TIMER && m.hwnd == w && m.wParam == kTickTimerId) ++ticks;
      DispatchMessageA(&m);
    }
  }
  EXPECT_GE(ticks, 5);
  EXPECT_LE(ticks, 15);
}

TEST_F(VtpTransportTest, ConnectFailuresCloseWhatWasOpened) {
  // A UDP port held by the test: the data socket cannot bind it.
  SOCKET held = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  bind(held, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int len = sizeof a;
  getsockname(held, reinterpret_cast<sockaddr*>(&a), &len);
  std::string busy = "[Settings]\nAutoDataPort=0\nDataPort=" + std::to_string(ntohs(a.sin_port)) + "\n";

  struct Case {
    const char* name;
    std::string ini;
    const char* host;
    int code;
    bool reaches_server;  // the control connect was under way before the failure
  } cases[] = {
      {"host not resolved", "", "no-such-host.invalid", kResolveHost, false},
      {"data port in use", busy, "127.0.0.1", kBindDataPort, true},
  };
  for (const Case& c : cases) {
    Listener server;
    CatEvents ev(out_, tick_count, true);
    VtpClient client(ev);
    VtpTransport t(client, ini_text_store(c.ini));
    EXPECT_EQ(t.connect(c.host, server.port()), c.code) << c.name;
    if (c.reaches_server) {
      // The half-made control connection is closed, not left behind.
      EXPECT_TRUE(pump_until([&] { return !server.poll(); }, 3000)) << c.name;
      EXPECT_EQ(server.accepted(), 1) << c.name;
    }
    // Ready for another attempt, which now gets through.
    Listener second;
    CatEvents ev2(out_, tick_count, true);
    VtpClient client2(ev2);
    VtpTransport t2(client2, ini_text_store(""));
    EXPECT_EQ(t2.connect("127.0.0.1", second.port()), kConnectOk) << c.name;
    EXPECT_TRUE(pump_until([&] { return second.poll() && second.accepted() == 1; }, 3000))
        << c.name;
  }
  closesocket(held);
}

TEST_F(VtpTransportTest, HandshakeGoesOutWithANoticePerMessage) {
  Listener server;
  CatEvents ev(out_, tick_count, true);
  VtpClient client(ev);
  ev.set_request(client, "/clip", 0, 12);
  VtpTransport t(client, ini_text_store("[User Details]\nName=Win Viewer\n"));
  ASSERT_EQ(t.connect("", server.port()), kConnectOk) << "empty host means localhost";
  ASSERT_NE(t.local_data_port(), 0) << "the system chose the data port";
  int notices = 0;
  // IDENTITY, HELLO, USER_INFO, then SLIDE_MODE and OPEN from the connected upcall.
  ASSERT_TRUE(pump_until([&] { return server.poll() && server.messages().size() >= 5; }, 5000,
                         &notices));
  auto msgs = server.messages();
  std::vector<uint32_t> types;
  for (auto& m : msgs) types.push_back(m.first);
  EXPECT_EQ(types, (std::vector<uint32_t>{16, 6, 7, 15, 1}));
  // Notices may still be in the queue when the last bytes arrive.
  pump_until([&] { return notices >= 5; }, 1000, &notices);
  EXPECT_EQ(notices, 5);
  const auto& hello = msgs[1].second;
  ASSERT_EQ(hello.size(), 28u);
  uint32_t port = uint32_t(hello[24]) << 24 | uint32_t(hello[25]) << 16 | hello[26] << 8 | hello[27];
  EXPECT_EQ(port, t.local_data_port());
  std::string user(msgs[2].second.begin(), msgs[2].second.end());
  EXPECT_EQ(user.substr(0, 11), std::string("Win Viewer\0", 11));
}

}  // namespace
}  // namespace qem
