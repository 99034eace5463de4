// mmcdclient.exe run as a child process: commands go to its standard input,
// its lines come back through a pipe read with a timeout.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace itest {

// One "msg ..." line of a client.
struct RemoteMessage {
  unsigned code = 0;
  std::string name;
  DWORD pid = 0;
  unsigned long long t = 0;  // performance counter when it arrived
  std::string line;
};
bool parse_message(const std::string& line, RemoteMessage& message);

// Text after "key=" in a result line, up to the next blank; empty if absent.
std::string field(const std::string& line, const char* key);
unsigned long hex_field(const std::string& line, const char* key);

class ClientProcess {
 public:
  ClientProcess() = default;
  ~ClientProcess();
  ClientProcess(const ClientProcess&) = delete;
  ClientProcess& operator=(const ClientProcess&) = delete;

  // Starts the client with folder as its current folder (the build's
  // program folder when empty) and waits for its first line.
  bool start(const std::string& folder = std::string());
  const std::string& banner() const { return banner_; }
  DWORD pid() const { return pid_; }
  HWND window() const { return window_; }

  // Sends one command and returns its result line; the remote messages
  // printed meanwhile are kept. On a timeout the text says so.
  std::string run(const std::string& command);
  // The same in two steps, for commands that run in several clients at once.
  bool send(const std::string& command);
  std::string result(const std::string& command, DWORD timeout_ms);
  // Takes in what the client has printed so far without waiting: a client
  // printing many messages must never block on a full pipe.
  void drain();

  // Every remote message the client has printed so far, oldest first; those
  // returned are forgotten.
  std::vector<RemoteMessage> take_messages();

  // "quit", then the end of the process.
  bool quit();
  // Closes the client's input (it leaves without unloading the library),
  // then waits for the end of the process.
  bool end_input();
  // Ends the process at once, as a crash would: nothing is unregistered.
  bool kill();
  bool running() const;

 private:
  bool read_line(std::string& line, DWORD timeout_ms);
  bool wait_for_exit();

  HANDLE process_ = NULL;
  HANDLE input_ = NULL;
  HANDLE output_ = NULL;
  DWORD pid_ = 0;
  HWND window_ = NULL;
  std::string banner_;
  std::string pending_;
  std::vector<std::string> messages_;
};

// Messages from several clients in the order they arrived.
std::vector<RemoteMessage> by_arrival(const std::vector<std::vector<RemoteMessage>>& clients);

// The messages' lines, one a line, for a failure's message.
std::string describe(const std::vector<RemoteMessage>& messages);

}  // namespace itest
