// VtpTransport: the Win32 shell of the video transport. Windows Sockets 1.1
// with asynchronous selection: socket events, the 33 ms timer and the
// posted "message sent" and "flush" requests all arrive as messages of the
// hidden "VTP" window, on the thread that runs the message loop; each is
// handed to the sans-I/O VtpClient.
#pragma once

#include <winsock.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qem {

class ProfileStore;
class VtpClient;

// The event window's messages and timer.
constexpr UINT kMsgSocketEvent = 0x500;  // wParam socket, lParam event | error << 16
constexpr UINT kMsgMessageSent = 0x501;  // posted after each completely sent message
constexpr UINT kMsgFlush = 0x502;        // empties both send queues
constexpr UINT_PTR kTickTimerId = 4096;
constexpr UINT kTickTimerMs = 33;
constexpr int kMinDataReceiveBuffer = 65280;

// connect()'s failure codes; the engine shows "Data Port In Use" for
// kBindDataPort and "No server." for the others.
enum ConnectFailure : int {
  kConnectOk = 0,
  kTcpSocket = 1,
  kResolveHost = 2,
  kEventRegistration = 3,
  kConnectRefused = 4,
  kUdpSocket = 5,
  kBindDataPort = 6,
  kResolveDataAddress = 7,
  kUdpConnect = 8,
  kUdpEventRegistration = 9,
  kLocalPortUnreadable = 10,
};

class VtpTransport {
 public:
  // Starts the socket library (1.1) and creates the event window and its
  // timer; ready() tells whether both worked. settings is read at connect
  // (AutoDataPort, DataPort) and when the connection completes (handshake).
  VtpTransport(VtpClient& client, ProfileStore& settings);
  ~VtpTransport();
  VtpTransport(const VtpTransport&) = delete;
  VtpTransport& operator=(const VtpTransport&) = delete;

  bool ready() const { return window_ != nullptr && started_; }
  HWND window() const { return window_; }

  // Connects to host (empty: "localhost"), control port `port`, data port
  // port + 1. 0 when under way, else a ConnectFailure; on failure no
  // socket stays open.
  int connect(const std::string& host, uint16_t port);
  // Closes both sockets, drops half-received and half-sent messages; the
  // client hears of it.
  void disconnect();
  // Empties both send queues, dropping a partly sent message.
  void flush();

  uint16_t local_data_port() const { return data_port_; }

  // Sends what the client queued outside a transport event (the engine's
  // own calls), and closes the sockets when it asked to disconnect.
  void send_client_output() { after_client_call(); }

 private:
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void on_socket_event(SOCKET s, WORD event, WORD error);
  void on_connect_event(WORD error);
  void on_control_readable();
  void on_datagram_readable();
  void on_control_closed();
  void on_tick();
  void send_pending();
  void after_client_call();
  void close_sockets();

  VtpClient& client_;
  ProfileStore& settings_;
  bool started_ = false;
  HWND window_ = nullptr;
  SOCKET tcp_ = INVALID_SOCKET;
  SOCKET udp_ = INVALID_SOCKET;
  bool connecting_ = false;
  uint16_t data_port_ = 0;
  // The control queue: bytes to send and the length of each message in it,
  // so a completely sent message can be told.
  std::vector<uint8_t> out_;
  std::size_t out_pos_ = 0;
  std::deque<std::size_t> message_ends_;  // offsets into out_
};

}  // namespace qem
