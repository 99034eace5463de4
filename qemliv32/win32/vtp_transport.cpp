#include "qemliv32/win32/vtp_transport.h"

#include <algorithm>
#include <cstring>

#include "qemliv32/shell_settings.h"
#include "qemliv32/vtp_client.h"

namespace qem {

namespace {

const char kWindowClass[] = "VTP";

// IPv4 address of host: dotted form or a name.
bool resolve(const std::string& host, uint16_t port, sockaddr_in& out) {
  out = sockaddr_in{};
  out.sin_family = AF_INET;
  out.sin_port = htons(port);
  unsigned long a = inet_addr(host.c_str());
  if (a == INADDR_NONE) {
    hostent* h = gethostbyname(host.c_str());
    if (!h || h->h_addrtype != AF_INET || !h->h_addr_list[0]) return false;
    memcpy(&a, h->h_addr_list[0], sizeof a);
  }
  out.sin_addr.s_addr = a;
  return true;
}

uint32_t now_ms() { return GetTickCount(); }

}  // namespace

VtpTransport::VtpTransport(VtpClient& client, ProfileStore& settings)
    : client_(client), settings_(settings) {
  WSADATA wsa;
  started_ = WSAStartup(MAKEWORD(1, 1), &wsa) == 0;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
  // Never shown: it only receives the socket events and the timer.
  window_ = CreateWindowA(kWindowClass, kWindowClass, WS_OVERLAPPEDWINDOW, 10, 10, 240, 140,
                          nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (window_) SetTimer(window_, kTickTimerId, kTickTimerMs, nullptr);
}

VtpTransport::~VtpTransport() {
  close_sockets();
  if (window_) {
    KillTimer(window_, kTickTimerId);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (started_) WSACleanup();
}

LRESULT CALLBACK VtpTransport::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<VtpTransport*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case kMsgSocketEvent:
      self->on_socket_event(SOCKET(wp), WSAGETSELECTEVENT(lp), WSAGETSELECTERROR(lp));
      return 0;
    case kMsgMessageSent:
      return 0;  // the client has no use for it; kept for the engine's window
    case kMsgFlush:
      self->flush();
      return 0;
    case WM_TIMER:
      if (wp == kTickTimerId) self->on_tick();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void VtpTransport::close_sockets() {
  if (tcp_ != INVALID_SOCKET) closesocket(tcp_);
  if (udp_ != INVALID_SOCKET) closesocket(udp_);
  tcp_ = udp_ = INVALID_SOCKET;
  connecting_ = false;
  flush();
}

void VtpTransport::flush() {
  out_.clear();
  out_pos_ = 0;
  message_ends_.clear();
}

int VtpTransport::connect(const std::string& host_arg, uint16_t port) {
  close_sockets();
  const std::string host = host_arg.empty() ? "localhost" : host_arg;
  ShellSettings s = read_shell_settings(settings_);
  // Every failure closes what was opened so far, whichever step failed.
  auto fail = [this](int code) {
    close_sockets();
    return code;
  };

  tcp_ = socket(AF_INET, SOCK_STREAM, 0);
  if (tcp_ == INVALID_SOCKET) return fail(kTcpSocket);
  BOOL nodelay = TRUE;
  setsockopt(tcp_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&nodelay),
             sizeof nodelay);
  sockaddr_in server;
  if (!resolve(host, port, server)) return fail(kResolveHost);
  if (WSAAsyncSelect(tcp_, window_, kMsgSocketEvent, FD_CONNECT) != 0)
    return fail(kEventRegistration);
  if (::connect(tcp_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK)
    return fail(kConnectRefused);

  udp_ = socket(AF_INET, SOCK_DGRAM, 0);
  if (udp_ == INVALID_SOCKET) return fail(kUdpSocket);
  int rcvbuf = 0;
  int len = sizeof rcvbuf;
  if (getsockopt(udp_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&rcvbuf), &len) == 0 &&
      rcvbuf < kMinDataReceiveBuffer) {
    rcvbuf = kMinDataReceiveBuffer;
    setsockopt(udp_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&rcvbuf), sizeof rcvbuf);
  }
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(s.auto_data_port ? 0 : s.data_port);
  if (bind(udp_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return fail(kBindDataPort);
  sockaddr_in data;
  if (!resolve(host, uint16_t(port + 1), data)) return fail(kResolveDataAddress);
  if (::connect(udp_, reinterpret_cast<sockaddr*>(&data), sizeof data) != 0)
    return fail(kUdpConnect);
  if (WSAAsyncSelect(udp_, window_, kMsgSocketEvent, FD_READ) != 0)
    return fail(kUdpEventRegistration);
  len = sizeof local;
  if (getsockname(udp_, reinterpret_cast<sockaddr*>(&local), &len) != 0)
    return fail(kLocalPortUnreadable);
  data_port_ = ntohs(local.sin_port);

  connecting_ = true;
  client_.on_connect_started(now_ms(), data_port_);
  return kConnectOk;
}

void VtpTransport::disconnect() {
  bool was_open = tcp_ != INVALID_SOCKET || udp_ != INVALID_SOCKET;
  close_sockets();
  if (was_open) client_.on_socket_closed(now_ms());
}

void VtpTransport::on_socket_event(SOCKET s, WORD event, WORD error) {
  if (s == INVALID_SOCKET) return;
  if (s == tcp_) {
    switch (event) {
      case FD_CONNECT: return on_connect_event(error);
      case FD_READ: return on_control_readable();
      case FD_WRITE: return send_pending();
      case FD_CLOSE: return on_control_closed();
    }
  } else if (s == udp_ && event == FD_READ) {
    on_datagram_readable();
  }
  // Events of a socket closed since they were posted fall through here.
}

void VtpTransport::on_connect_event(WORD error) {
  // A failed connect is left to the client's connect time-out.
  if (error != 0 || !connecting_) return;
  connecting_ = false;
  WSAAsyncSelect(tcp_, window_, kMsgSocketEvent, FD_READ | FD_WRITE | FD_CLOSE);
  client_.on_connected(now_ms(), handshake_details(read_shell_settings(settings_)));
  after_client_call();
}

void VtpTransport::on_control_readable() {
  char buf[4096];
  int n = recv(tcp_, buf, sizeof buf, 0);
  // Errors other than would-block are left to the close event that follows.
  if (n <= 0) return;
  client_.on_control_bytes(reinterpret_cast<uint8_t*>(buf), std::size_t(n), now_ms());
  after_client_call();
}

void VtpTransport::on_control_closed() {
  // What the server sent before closing still counts.
  char buf[4096];
  int n;
  while (tcp_ != INVALID_SOCKET && (n = recv(tcp_, buf, sizeof buf, 0)) > 0) {
    client_.on_control_bytes(reinterpret_cast<uint8_t*>(buf), std::size_t(n), now_ms());
    after_client_call();
  }
  if (tcp_ == INVALID_SOCKET && udp_ == INVALID_SOCKET) return;
  close_sockets();
  client_.on_socket_closed(now_ms());
  after_client_call();
}

void VtpTransport::on_datagram_readable() {
  u_long pending = 0;
  if (ioctlsocket(udp_, FIONREAD, &pending) != 0) return;
  if (pending == 0) {
    // An empty datagram, or one that came after the count: a one-byte read
    // would cut the latter short, so look first. The next read event
    // brings a datagram that is there.
    char byte;
    if (recv(udp_, &byte, 1, MSG_PEEK) == 0) recv(udp_, &byte, 1, 0);
    return;
  }
  // FIONREAD may count every queued datagram; one is read, then trimmed.
  PacketBuffer b = PacketBuffer::allocate(std::size_t(pending), PacketBuffer::Channel::data);
  if (!b) return;
  int n = recv(udp_, reinterpret_cast<char*>(b.data()), int(b.size()), 0);
  if (n <= 0) return;  // nothing read: ignored
  b.trim(std::size_t(n));
  b.set_received(std::size_t(n));
  client_.on_datagram(std::move(b), now_ms());
  after_client_call();
}

void VtpTransport::on_tick() {
  client_.on_tick(now_ms());  // the client guards against re-entry itself
  after_client_call();
}

void VtpTransport::send_pending() {
  while (tcp_ != INVALID_SOCKET && !connecting_ && out_pos_ < out_.size()) {
    int n = send(tcp_, reinterpret_cast<const char*>(out_.data() + out_pos_),
                 int(out_.size() - out_pos_), 0);
    if (n <= 0) return;  // would block: the write event resumes
    out_pos_ += std::size_t(n);
    while (!message_ends_.empty() && message_ends_.front() <= out_pos_) {
      message_ends_.pop_front();
      PostMessageA(window_, kMsgMessageSent, 0, 0);
    }
  }
  if (out_pos_ == out_.size()) {
    out_.clear();
    out_pos_ = 0;
  }
}

void VtpTransport::after_client_call() {
  if (client_.has_output()) {
    std::vector<uint8_t> more = client_.take_output();
    if (tcp_ != INVALID_SOCKET && !connecting_) {
      // Each message is [u32 length][content]: note where each one ends.
      std::size_t base = out_.size(), off = 0;
      while (off + 4 <= more.size()) {
        std::size_t len = std::size_t(more[off]) << 24 | std::size_t(more[off + 1]) << 16 |
                          std::size_t(more[off + 2]) << 8 | more[off + 3];
        off = std::min(more.size(), off + 4 + len);
        message_ends_.push_back(base + off);
      }
      out_.insert(out_.end(), more.begin(), more.end());
      send_pending();
    }
  }
  if (client_.disconnect_requested() && (tcp_ != INVALID_SOCKET || udp_ != INVALID_SOCKET)) {
    close_sockets();
    client_.on_socket_closed(now_ms());
  }
}

}  // namespace qem
