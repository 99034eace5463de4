#include "qemliv32/posix/tests/loopback.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

namespace loop {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  return out;
}

// Forks argv with stdout on a pipe (stderr passed through); env entries are
// added to the child's environment.
int spawn(const std::vector<std::string>& argv, int& out_fd,
          const std::vector<std::string>& env = {}) {
  int p[2];
  if (pipe(p) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(p[1], 1);
    close(p[0]);
    close(p[1]);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> a;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    execv(a[0], a.data());
    std::perror(a[0]);
    _exit(127);
  }
  close(p[1]);
  out_fd = p[0];
  return pid;
}

std::string read_all(int fd) {
  std::string s;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, std::size_t(n));
  close(fd);
  return s;
}

std::vector<std::string> client_command() {
  std::vector<std::string> cmd;
  if (const char* c = std::getenv("VTP_LOOP_CLIENT")) {
    std::string s = c;
    std::size_t start = 0;
    for (;;) {
      std::size_t semi = s.find(';', start);
      cmd.push_back(s.substr(start, semi - start));
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
  } else {
    cmd.push_back(QEMCAT_PATH);
  }
  return cmd;
}

}  // namespace

std::string client_path(const std::string& path) {
  if (!wine_client()) return path;
  std::string w = "Z:" + path;
  for (char& c : w)
    if (c == '/') c = '\\';
  return w;
}

bool wine_client() { return std::getenv("VTP_LOOP_CLIENT") != nullptr; }

ServerRun start_server(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {QEMSRV_PATH, "--port", "0", "--linger", "3000"};
  argv.insert(argv.end(), args.begin(), args.end());
  ServerRun s;
  int fd;
  s.pid = spawn(argv, fd);
  // The first line names the port.
  std::string line;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  std::sscanf(line.c_str(), "listening %*s %d", &s.port);
  // The rest is read as it comes: a full pipe would stall the server.
  s.text = std::make_shared<std::string>(line + "\n");
  auto text = s.text;
  // A test that stops early still ends the server and its reader.
  int pid = s.pid;
  s.reader = std::shared_ptr<std::thread>(
      new std::thread([fd, text] { *text += read_all(fd); }), [pid](std::thread* t) {
        if (t->joinable()) {
          if (waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
          }
          t->join();
        }
        delete t;
      });
  return s;
}

bool ServerRun::wait() {
  if (pid < 0) return false;
  // The server ends its session by itself; a stuck one is a failure.
  bool killed = false;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int st = 0;
  while (waitpid(pid, &st, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      kill(pid, SIGKILL);
      waitpid(pid, &st, 0);
      killed = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reader->join();
  log = split_lines(*text);
  status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  pid = -1;
  return !killed;
}

ClientRun run_client(const std::string& ini_text, const std::string& target,
                     const std::vector<std::string>& extra) {
  char ini[] = "/tmp/vtp_loop_iniXXXXXX";
  int fd = mkstemp(ini);
  if (fd >= 0) {
    ssize_t w = write(fd, ini_text.data(), ini_text.size());
    (void)w;
    close(fd);
  }
  std::vector<std::string> argv = client_command();
  argv.push_back("--ini");
  argv.push_back(client_path(ini));
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.push_back(target);
  // A small quarantine: freed blocks must not look like a leak.
  std::string asan = "ASAN_OPTIONS=quarantine_size_mb=4";
  if (const char* a = std::getenv("ASAN_OPTIONS")) asan += std::string(":") + a;
  int out_fd;
  int pid = spawn(argv, out_fd, {asan});
  ClientRun r;
  std::string text = read_all(out_fd);
  int st = 0;
  rusage ru{};
  wait4(pid, &st, 0, &ru);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  r.max_rss_kb = ru.ru_maxrss;
  r.lines = split_lines(text);
  unlink(ini);
  return r;
}

std::string url_for(const ServerRun& s, const std::string& path) {
  return "qem://127.0.0.1:" + std::to_string(s.port) + path;
}

std::vector<std::string> lines_of(const std::vector<std::string>& log, const std::string& word) {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.compare(0, word.size() + 1, word + " ") == 0) out.push_back(l);
  return out;
}

bool has_line(const std::vector<std::string>& log, const std::string& prefix) {
  for (const std::string& l : log)
    if (l.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

std::string field(const std::string& line, const std::string& key) {
  std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "";
  at += key.size() + 2;
  if (line[at] == '"') return line.substr(at + 1, line.find('"', at + 1) - at - 1);
  return line.substr(at, line.find(' ', at) - at);
}

std::vector<SentDatagram> datagrams_of(const std::vector<std::string>& log) {
  std::vector<SentDatagram> out;
  for (const std::string& l : lines_of(log, "datagram")) {
    std::istringstream in(l);
    std::string word, name;
    SentDatagram d;
    in >> word >> d.seq >> d.how;
    while (in >> name) {
      vsrv::Entry e;
      e.stream = name[0] == 'v' ? 0 : 1;
      e.number = uint32_t(std::strtoul(name.c_str() + 1, nullptr, 10));
      std::size_t slash = name.find('/');
      if (slash != std::string::npos) {
        e.fragment = uint8_t(std::strtoul(name.c_str() + slash + 1, nullptr, 10));
        if (name.back() == 'L') e.fragment |= 0x80;
      }
      d.entries.push_back(e);
    }
    out.push_back(d);
  }
  return out;
}

std::set<uint32_t> final_missing(const std::vector<std::string>& log) {
  auto reports = lines_of(log, "report");
  std::set<uint32_t> out;
  if (reports.empty()) return out;
  std::string m = field(reports.back(), "missing");
  std::istringstream in(m);
  std::string n;
  while (std::getline(in, n, ','))
    if (!n.empty()) out.insert(uint32_t(std::strtoul(n.c_str(), nullptr, 10)));
  return out;
}

std::vector<FrameLine> frames_of(const std::vector<std::string>& lines) {
  std::vector<FrameLine> out;
  for (const std::string& l : lines_of(lines, "frame")) {
    FrameLine f;
    char stream[8] = {};
    std::sscanf(l.c_str(), "frame %7s %u %u %u %x %x", stream, &f.number, &f.time, &f.length,
                &f.first, &f.checksum);
    f.stream = std::strcmp(stream, "video") == 0 ? 0 : 1;
    f.text = l;
    out.push_back(f);
  }
  return out;
}

std::vector<std::pair<int, uint32_t>> expected_frames(const std::vector<SentDatagram>& sent,
                                                      const std::set<uint32_t>& lost) {
  std::vector<std::pair<int, uint32_t>> out;
  std::map<std::pair<int, uint32_t>, std::set<int>> pieces;
  std::map<std::pair<int, uint32_t>, int> last_index;
  for (const SentDatagram& d : sent) {
    if (d.how == "dropped" || lost.count(d.seq)) continue;
    for (const vsrv::Entry& e : d.entries) {
      auto key = std::make_pair(int(e.stream), e.number + 1);
      if (e.fragment == 0) {
        out.push_back(key);
        continue;
      }
      pieces[key].insert(e.fragment & 0x7F);
      if (e.fragment & 0x80) last_index[key] = e.fragment & 0x7F;
      auto li = last_index.find(key);
      if (li != last_index.end() && int(pieces[key].size()) == li->second &&
          *pieces[key].begin() == 1 && *pieces[key].rbegin() == li->second) {
        out.push_back(key);
        pieces.erase(key);
        last_index.erase(key);
      }
    }
  }
  return out;
}

}  // namespace loop
