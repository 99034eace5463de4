// Loopback runs: the test video server (qemsrv) and a client (qemcat, or
// the command VTP_LOOP_CLIENT names, such as Wine and qemcat.exe) as real
// processes, with their output parsed for checks.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/clip.h"

namespace loop {

struct ServerRun {
  int pid = -1;
  int port = 0;
  std::vector<std::string> log;  // complete after wait()
  int status = -1;
  bool wait();  // false when the server had to be killed
 private:
  friend ServerRun start_server(const std::vector<std::string>&);
  std::shared_ptr<std::string> text;  // filled by reader while it runs
  std::shared_ptr<std::thread> reader;
};

// Starts qemsrv on a free port pair with the given options.
ServerRun start_server(const std::vector<std::string>& args);

struct ClientRun {
  int status = -1;    // exit status, or 128 + signal
  long max_rss_kb = 0;
  std::vector<std::string> lines;
};

// Runs the client with --ini (a file holding ini_text) and the target.
ClientRun run_client(const std::string& ini_text, const std::string& target,
                     const std::vector<std::string>& extra = {});

// True when the client runs under Wine (VTP_LOOP_CLIENT set).
bool wine_client();
// A file's path as the client names it (Wine sees the Unix root as Z:).
std::string client_path(const std::string& path);

std::string url_for(const ServerRun& s, const std::string& path = "/clip");

// Lines of a log that start with word + " ".
std::vector<std::string> lines_of(const std::vector<std::string>& log, const std::string& word);
bool has_line(const std::vector<std::string>& log, const std::string& prefix);
// The value of key=VALUE in a line ("" when absent).
std::string field(const std::string& line, const std::string& key);

// What the server's log says about the datagrams it sent.
struct SentDatagram {
  uint32_t seq = 0;
  std::string how;  // "sent", "dup" or "dropped"
  std::vector<vsrv::Entry> entries;
};
std::vector<SentDatagram> datagrams_of(const std::vector<std::string>& log);
std::set<uint32_t> final_missing(const std::vector<std::string>& log);

struct FrameLine {
  int stream = 0;
  uint32_t number = 0, time = 0, length = 0, first = 0, checksum = 0;
  std::string text;
};
std::vector<FrameLine> frames_of(const std::vector<std::string>& lines);

// The frames a receiver of the sent datagrams (not those in `lost`) hands
// over, in the order their last piece arrives: whole entries at once, a
// fragment run when all its pieces are in.
std::vector<std::pair<int, uint32_t>> expected_frames(const std::vector<SentDatagram>& sent,
                                                      const std::set<uint32_t>& lost);

}  // namespace loop
