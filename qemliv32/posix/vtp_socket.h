// The POSIX shell of the video transport: a TCP control socket and a UDP
// data socket on the poll loop, around the sans-I/O VtpClient. Used by the
// native qemcat and the loopback tests and benchmark; the product's shell is
// the Win32 one, which follows the same steps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qem {

class ProfileStore;
class VtpClient;

// Why connect() failed; the engine shows "Data Port In Use" for
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

// The data socket's receive buffer is raised to at least this.
constexpr int kMinDataReceiveBuffer = 65280;

// The millisecond tick count the client runs on (wraps like the system's).
uint32_t posix_now_ms();

class PosixTransport {
 public:
  // settings is read at connect (AutoDataPort, DataPort) and when the
  // connection completes (the handshake's user details and BufferSize).
  PosixTransport(VtpClient& client, ProfileStore& settings);
  ~PosixTransport();
  PosixTransport(const PosixTransport&) = delete;
  PosixTransport& operator=(const PosixTransport&) = delete;

  // Starts connecting to host (empty: "localhost"), control port `port`,
  // data port port + 1. 0 when under way, else a ConnectFailure; on failure
  // no socket stays open.
  int connect(const std::string& host, uint16_t port);

  // Waits at most max_wait_ms for socket events or the next 33 ms tick and
  // handles what has come.
  void run_once(int max_wait_ms);

  // Closes both sockets and drops unsent bytes; the client hears of it.
  void disconnect();

  bool is_open() const { return tcp_ >= 0 || udp_ >= 0; }
  uint16_t local_data_port() const { return data_port_; }

 private:
  void close_sockets();
  void on_connect_event();
  void read_control();
  void read_datagrams();
  void write_control();
  void after_client_call();

  VtpClient& client_;
  ProfileStore& settings_;
  int tcp_ = -1;
  int udp_ = -1;
  bool connecting_ = false;
  uint16_t data_port_ = 0;
  std::vector<uint8_t> out_;
  std::size_t out_pos_ = 0;
  uint32_t next_tick_ = 0;
};

}  // namespace qem
