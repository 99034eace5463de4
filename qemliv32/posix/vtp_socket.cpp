#include "qemliv32/posix/vtp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "qemliv32/shell_settings.h"
#include "qemliv32/vtp_client.h"

namespace qem {

uint32_t posix_now_ms() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

// IPv4 only, as Windows Sockets 1.1 is.
bool resolve(const std::string& host, uint16_t port, sockaddr_in& out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* res = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  std::memcpy(&out, res->ai_addr, sizeof out);
  freeaddrinfo(res);
  out.sin_port = htons(port);
  return true;
}

bool set_nonblocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

PosixTransport::PosixTransport(VtpClient& client, ProfileStore& settings)
    : client_(client), settings_(settings) {}

PosixTransport::~PosixTransport() { close_sockets(); }

void PosixTransport::close_sockets() {
  if (tcp_ >= 0) ::close(tcp_);
  if (udp_ >= 0) ::close(udp_);
  tcp_ = udp_ = -1;
  connecting_ = false;
  out_.clear();
  out_pos_ = 0;
}

int PosixTransport::connect(const std::string& host_arg, uint16_t port) {
  close_sockets();
  const std::string host = host_arg.empty() ? "localhost" : host_arg;
  ShellSettings s = read_shell_settings(settings_);
  // Every failure closes what was opened so far, so a failed attempt
  // leaves no socket behind whichever step failed.
  auto fail = [this](int code) {
    close_sockets();
    return code;
  };

  tcp_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (tcp_ < 0) return fail(kTcpSocket);
  int one = 1;
  setsockopt(tcp_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in server{};
  if (!resolve(host, port, server)) return fail(kResolveHost);
  if (!set_nonblocking(tcp_)) return fail(kEventRegistration);
  if (::connect(tcp_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
      errno != EINPROGRESS)
    return fail(kConnectRefused);

  udp_ = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (udp_ < 0) return fail(kUdpSocket);
  int rcvbuf = 0;
  socklen_t len = sizeof rcvbuf;
  if (getsockopt(udp_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, &len) == 0 &&
      rcvbuf < kMinDataReceiveBuffer) {
    rcvbuf = kMinDataReceiveBuffer;
    setsockopt(udp_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(s.auto_data_port ? 0 : s.data_port);
  if (::bind(udp_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return fail(kBindDataPort);
  sockaddr_in data{};
  if (!resolve(host, uint16_t(port + 1), data)) return fail(kResolveDataAddress);
  if (::connect(udp_, reinterpret_cast<sockaddr*>(&data), sizeof data) != 0)
    return fail(kUdpConnect);
  if (!set_nonblocking(udp_)) return fail(kUdpEventRegistration);
  len = sizeof local;
  if (getsockname(udp_, reinterpret_cast<sockaddr*>(&local), &len) != 0)
    return fail(kLocalPortUnreadable);
  data_port_ = ntohs(local.sin_port);

  connecting_ = true;
  uint32_t now = posix_now_ms();
  next_tick_ = now + kTickIntervalMs;
  client_.on_connect_started(now, data_port_);
  return kConnectOk;
}

void PosixTransport::disconnect() {
  bool was_open = is_open();
  close_sockets();
  if (was_open) client_.on_socket_closed(posix_now_ms());
}

void PosixTransport::run_once(int max_wait_ms) {
  uint32_t now = posix_now_ms();
  int until_tick = int32_t(next_tick_ - now) < 0 ? 0 : int(next_tick_ - now);
  pollfd p[2] = {{-1, 0, 0}, {-1, 0, 0}};
  if (tcp_ >= 0) {
    p[0].fd = tcp_;
    p[0].events = connecting_ ? POLLOUT : short(POLLIN | (out_pos_ < out_.size() ? POLLOUT : 0));
  }
  if (udp_ >= 0 && !connecting_) {
    p[1].fd = udp_;
    p[1].events = POLLIN;
  }
  int n = ::poll(p, 2, std::min(max_wait_ms, until_tick));
  if (n > 0) {
    if (p[0].revents) {
      if (connecting_) {
        on_connect_event();
      } else {
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) read_control();
        if (tcp_ >= 0 && (p[0].revents & POLLOUT)) write_control();
      }
    }
    if (udp_ >= 0 && (p[1].revents & POLLIN)) read_datagrams();
  }
  now = posix_now_ms();
  if (int32_t(now - next_tick_) >= 0) {
    next_tick_ = now + kTickIntervalMs;
    client_.on_tick(now);
    after_client_call();
  }
}

void PosixTransport::on_connect_event() {
  int err = 0;
  socklen_t len = sizeof err;
  getsockopt(tcp_, SOL_SOCKET, SO_ERROR, &err, &len);
  if (err != 0) {
    // Ignored, as a failed connect event is: the client's 30 s connect
    // time-out ends the attempt. Stop listening to the dead socket.
    ::close(tcp_);
    tcp_ = -1;
    return;
  }
  connecting_ = false;
  client_.on_connected(posix_now_ms(), handshake_details(read_shell_settings(settings_)));
  after_client_call();
}

void PosixTransport::read_control() {
  uint8_t buf[4096];
  ssize_t n = ::recv(tcp_, buf, sizeof buf, 0);
  if (n > 0) {
    client_.on_control_bytes(buf, std::size_t(n), posix_now_ms());
    after_client_call();
    return;
  }
  // Read errors other than would-block are left to the close that follows.
  if (n < 0 && errno != ECONNRESET) return;
  close_sockets();
  client_.on_socket_closed(posix_now_ms());
  after_client_call();
}

void PosixTransport::read_datagrams() {
  // Bounded per wake-up so the control socket and the tick keep their turn.
  for (int i = 0; i < 64 && udp_ >= 0; ++i) {
    int pending = 0;
    if (ioctl(udp_, FIONREAD, &pending) != 0) return;
    if (pending <= 0) {
      // Nothing queued, an empty datagram, or one that came after the
      // count: a one-byte read would cut the latter short, so look first.
      uint8_t byte;
      ssize_t peek = ::recv(udp_, &byte, 1, MSG_PEEK);
      if (peek < 0) return;                    // would block: all read
      if (peek > 0) continue;                  // count it again
      ::recv(udp_, &byte, 1, 0);               // an empty datagram: ignored
      continue;
    }
    PacketBuffer b = PacketBuffer::allocate(std::size_t(pending), PacketBuffer::Channel::data);
    if (!b) return;
    ssize_t n = ::recv(udp_, b.data(), b.size(), 0);
    if (n <= 0) continue;
    b.trim(std::size_t(n));
    b.set_received(std::size_t(n));
    client_.on_datagram(std::move(b), posix_now_ms());
    after_client_call();
  }
}

void PosixTransport::write_control() {
  while (tcp_ >= 0 && out_pos_ < out_.size()) {
    ssize_t n = ::send(tcp_, out_.data() + out_pos_, out_.size() - out_pos_, MSG_NOSIGNAL);
    if (n <= 0) return;  // would block: go on at the next write event
    out_pos_ += std::size_t(n);
  }
  out_.clear();
  out_pos_ = 0;
}

void PosixTransport::after_client_call() {
  if (client_.has_output()) {
    std::vector<uint8_t> more = client_.take_output();
    if (tcp_ >= 0 && !connecting_) {
      out_.insert(out_.end(), more.begin(), more.end());
      write_control();
    }
  }
  if (client_.disconnect_requested() && is_open()) {
    close_sockets();
    client_.on_socket_closed(posix_now_ms());
  }
}

}  // namespace qem
