// The client against the test video server over loopback, as processes:
// whole clips with loss, reordering and duplication, the handshake's
// settings, the server's error codes, the identity reply, hostile servers
// and connect failures.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "qemliv32/posix/tests/loopback.h"

namespace loop {
namespace {

const char* const kPlayerId = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

std::string ini(const std::string& settings = "BufferSize=9000\n",
                const std::string& player_id = kPlayerId) {
  return "[Settings]\n" + settings +
         "[User Details]\n"
         "Player ID=" + player_id + "\n"
         "Name=Test Viewer\nCompany=Loopback Ltd\nEMail=viewer@loop.example\n";
}

// The clip every run streams unless a case says otherwise.
vsrv::ClipShape clip_shape(uint32_t frames = 150) {
  vsrv::ClipShape c;
  c.video_frames = frames;
  c.fps = 250;
  return c;
}

std::vector<std::string> server_args(const std::vector<std::string>& more = {}) {
  std::vector<std::string> a = {"--frames", "150", "--fps", "250", "--rate", "1000",
                                "--buffering", "40", "--player-id", kPlayerId, "--path", "/clip"};
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

struct Session {
  ServerRun server;
  ClientRun client;
};

Session run(const std::vector<std::string>& args, const std::string& ini_text = ini(),
        const std::string& path = "/clip") {
  Session r;
  r.server = start_server(args);
  EXPECT_GT(r.server.port, 0) << "server did not start";
  r.client = run_client(ini_text, url_for(r.server, path));
  EXPECT_TRUE(r.server.wait()) << "server still running after the client ended";
  return r;
}

std::string dump(const Session& r) {
  std::string s = "--- client\n";
  for (const auto& l : r.client.lines)
    if (l.rfind("frame ", 0) != 0) s += l + "\n";
  s += "--- server\n";
  for (const auto& l : r.server.log)
    if (l.rfind("datagram ", 0) != 0) s += l + "\n";
  return s;
}

// Every frame handed over is the clip's frame, byte for byte.
void expect_intact(const std::vector<FrameLine>& frames, const vsrv::ClipShape& shape,
                   const std::string& name) {
  for (const FrameLine& f : frames) {
    ASSERT_GE(f.number, 1u) << name << ": " << f.text;
    vsrv::Bytes b = vsrv::frame_bytes(shape, uint8_t(f.stream), f.number - 1);
    auto all = vsrv::clip_frames(shape);
    auto it = std::find_if(all.begin(), all.end(), [&](const vsrv::ClipFrame& c) {
      return c.stream == f.stream && c.number == f.number - 1;
    });
    ASSERT_NE(it, all.end()) << name << ": a frame the clip does not have: " << f.text;
    EXPECT_EQ(f.time, it->time) << name << ": " << f.text;
    EXPECT_EQ(f.length, b.size()) << name << ": " << f.text;
    EXPECT_EQ(f.first, b[0]) << name << ": " << f.text;
    EXPECT_EQ(f.checksum, vsrv::frame_checksum(b.data(), b.size())) << name << ": " << f.text;
  }
}

std::vector<std::pair<int, uint32_t>> keys(const std::vector<FrameLine>& frames) {
  std::vector<std::pair<int, uint32_t>> k;
  for (const FrameLine& f : frames) k.push_back({f.stream, f.number});
  return k;
}

// Where two frame lists part, for the failure message.
std::string first_difference(const std::vector<std::pair<int, uint32_t>>& got,
                             const std::vector<std::pair<int, uint32_t>>& want) {
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  auto name = [](const std::vector<std::pair<int, uint32_t>>& v, std::size_t i) {
    if (i >= v.size()) return std::string("(end)");
    return std::string(v[i].first == 0 ? "video " : "audio ") + std::to_string(v[i].second);
  };
  return "got " + std::to_string(got.size()) + " frames, want " + std::to_string(want.size()) +
         "; at " + std::to_string(i) + " got " + name(got, i) + ", want " + name(want, i);
}

std::set<uint32_t> dropped(const std::vector<SentDatagram>& sent) {
  std::set<uint32_t> d;
  for (const SentDatagram& s : sent)
    if (s.how == "dropped") d.insert(s.seq);
  return d;
}

TEST(Loopback, WholeClipArrivesWithLossAndReordering) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"clean", {}},
      {"loss and reordering", {"--loss", "0.1", "--reorder", "0.15", "--seed", "7"}},
      {"heavy loss", {"--loss", "0.3", "--reorder", "0.1", "--seed", "11"}},
      {"small datagrams, many fragments",
       {"--datagram", "256", "--loss", "0.1", "--reorder", "0.1", "--seed", "3"}},
      {"reports requested along the way", {"--loss", "0.1", "--report-every", "10", "--seed", "5"}},
  };
  for (const Case& c : cases) {
    Session r = run(server_args(c.args));
    SCOPED_TRACE(c.name + std::string("\n") + dump(r));
    EXPECT_EQ(r.client.status, 0) << c.name;
    EXPECT_TRUE(has_line(r.client.lines, "end-of-transmission")) << c.name;
    EXPECT_TRUE(has_line(r.server.log, "final-report ok")) << c.name;
    EXPECT_TRUE(has_line(r.server.log, "code 11")) << c.name << ": CODE 11 not echoed";

    auto sent = datagrams_of(r.server.log);
    auto lost = dropped(sent);
    // Every lost datagram is listed, and nothing else: loopback loses none itself.
    EXPECT_EQ(final_missing(r.server.log), lost) << c.name;

    auto frames = frames_of(r.client.lines);
    expect_intact(frames, clip_shape(), c.name);
    EXPECT_EQ(keys(frames), expected_frames(sent, lost))
        << c.name << ": " << first_difference(keys(frames), expected_frames(sent, lost));

    // Datagrams received and the late ones, as the client counts them.
    uint32_t received = 0, late = 0, highest = 0;
    bool any = false;
    for (const SentDatagram& s : sent) {
      if (s.how == "dropped") continue;
      ++received;
      if (any && s.seq < highest) ++late;
      if (!any || s.seq > highest) highest = s.seq;
      any = true;
    }
    auto stats = lines_of(r.client.lines, "stats");
    ASSERT_EQ(stats.size(), 1u) << c.name;
    EXPECT_EQ(field(stats[0], "datagrams"), std::to_string(received)) << c.name;
    EXPECT_EQ(field(stats[0], "late"), std::to_string(late)) << c.name;
  }
}

TEST(Loopback, DuplicatedDatagramsStillGiveIntactFrames) {
  Session r = run(server_args({"--dup", "0.3", "--loss", "0.05", "--reorder", "0.1", "--seed", "9"}));
  SCOPED_TRACE(dump(r));
  EXPECT_EQ(r.client.status, 0);
  auto sent = datagrams_of(r.server.log);
  auto lost = dropped(sent);
  ASSERT_GT(std::count_if(sent.begin(), sent.end(), [](auto& s) { return s.how == "dup"; }), 0);
  EXPECT_EQ(final_missing(r.server.log), lost);
  auto frames = frames_of(r.client.lines);
  expect_intact(frames, clip_shape(), "dup");
  // Each frame that could be rebuilt came at least once; none came that could not.
  auto want = expected_frames(sent, lost);
  std::set<std::pair<int, uint32_t>> want_set(want.begin(), want.end());
  auto got = keys(frames);
  std::set<std::pair<int, uint32_t>> got_set(got.begin(), got.end());
  EXPECT_EQ(got_set, want_set);
}

TEST(Loopback, ServerKind6LiftsTheFirstDatagramRule) {
  Session r = run(server_args({"--kind", "6", "--first-seq", "100000", "--loss", "0.1", "--seed", "2"}));
  SCOPED_TRACE(dump(r));
  EXPECT_EQ(r.client.status, 0);
  auto sent = datagrams_of(r.server.log);
  auto frames = frames_of(r.client.lines);
  ASSERT_FALSE(frames.empty()) << "datagrams above 4 were dropped despite kind 6";
  EXPECT_EQ(keys(frames), expected_frames(sent, dropped(sent)))
      << first_difference(keys(frames), expected_frames(sent, dropped(sent)));
}

TEST(Loopback, HandshakeCarriesTheSettings) {
  struct Case {
    const char* name;
    std::string settings;
    std::string buffer;
  } cases[] = {
      {"BufferSize above the minimum", "BufferSize=9000\n", "9000"},
      {"BufferSize below the minimum", "BufferSize=100\n", "7500"},
      {"no BufferSize", "", "7500"},
  };
  for (const Case& c : cases) {
    Session r = run(server_args(), ini(c.settings));
    SCOPED_TRACE(dump(r));
    EXPECT_EQ(r.client.status, 0) << c.name;
    auto open = lines_of(r.server.log, "open");
    ASSERT_EQ(open.size(), 1u) << c.name;
    EXPECT_EQ(field(open[0], "buffer"), c.buffer) << c.name;
    EXPECT_EQ(field(open[0], "tag"), "5") << c.name;
    EXPECT_EQ(field(open[0], "path"), "/clip") << c.name;
    auto hello = lines_of(r.server.log, "hello");
    ASSERT_EQ(hello.size(), 1u) << c.name;
    EXPECT_EQ(field(hello[0], "port"), field(open[0], "port")) << c.name;
    EXPECT_TRUE(has_line(r.server.log, "identity-probe version=257 kind=0 n=10 ok")) << c.name;
    auto user = lines_of(r.server.log, "user");
    ASSERT_EQ(user.size(), 1u) << c.name;
    EXPECT_EQ(field(user[0], "name"), "Test Viewer") << c.name;
    EXPECT_EQ(field(user[0], "company"), "Loopback Ltd") << c.name;
    EXPECT_EQ(field(user[0], "email"), "viewer@loop.example") << c.name;
  }
}

// A free UDP port, found by binding port 0.
int free_udp_port(int* keep_fd = nullptr) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  if (keep_fd)
    *keep_fd = fd;
  else
    close(fd);
  return ntohs(a.sin_port);
}

TEST(Loopback, DataPortRules) {
  int port = free_udp_port();
  Session r = run(server_args(), ini("AutoDataPort=0\nDataPort=" + std::to_string(port) + "\n"));
  SCOPED_TRACE(dump(r));
  EXPECT_EQ(r.client.status, 0) << "fixed data port";
  auto hello = lines_of(r.server.log, "hello");
  ASSERT_EQ(hello.size(), 1u);
  EXPECT_EQ(field(hello[0], "port"), std::to_string(port));

  int held;
  int busy = free_udp_port(&held);
  ServerRun s = start_server(server_args());
  ClientRun c = run_client(ini("AutoDataPort=0\nDataPort=" + std::to_string(busy) + "\n"),
                           url_for(s));
  close(held);
  kill(s.pid, SIGTERM);
  s.wait();
  EXPECT_EQ(c.status, 36) << "data port in use";
  EXPECT_TRUE(has_line(c.lines, "connect-failed 6 Data Port In Use"));
}

TEST(Loopback, ScriptFileNamesTheStream) {
  // As the player's Save writes it: the URL and a zero byte, no line end.
  ServerRun s = start_server(server_args());
  char path[] = "/tmp/vtp_loop_scriptXXXXXX";
  int fd = mkstemp(path);
  std::string url = url_for(s);
  ASSERT_EQ(write(fd, url.c_str(), url.size() + 1), ssize_t(url.size() + 1));
  close(fd);
  ClientRun c = run_client(ini(), client_path(path));
  unlink(path);
  EXPECT_TRUE(s.wait());
  EXPECT_EQ(c.status, 0);
  EXPECT_TRUE(has_line(c.lines, "end-of-transmission"));

  ClientRun missing = run_client(ini(), client_path("/tmp/vtp_loop_no_such_script.qem"));
  EXPECT_EQ(missing.status, 17) << "unreadable script";
}

TEST(Loopback, UnknownHostIsAConnectFailure) {
  ClientRun c = run_client(ini(), "qem://no-such-host.invalid:7000/x");
  EXPECT_EQ(c.status, 32);
  EXPECT_TRUE(has_line(c.lines, "connect-failed 2 No server."));
}

TEST(Loopback, ServerCodesEndTheStreamWithTheirError) {
  for (int code : {1, 2, 3, 4, 5, 6, 8, 10, 12, 13, 14}) {
    Session r = run(server_args({"--code", std::to_string(code)}));
    SCOPED_TRACE(dump(r));
    EXPECT_EQ(r.client.status, code) << "code " << code;
    EXPECT_TRUE(has_line(r.client.lines, "error " + std::to_string(code) + " ")) << "code " << code;
    EXPECT_TRUE(has_line(r.server.log, "end client closed")) << "code " << code;
  }
  Session r = run(server_args(), ini(), "/other");
  EXPECT_EQ(r.client.status, 1) << "a path the server does not have";
}

TEST(Loopback, IdentityReply) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string player_id;
    int status;
    std::string server_says;
  } cases[] = {
      {"the server reads our identifier", {}, kPlayerId, 0, "identity-reply id=\"" + std::string(kPlayerId) + "\" ok"},
      {"another identifier is refused", {"--player-id", "{someone else}"}, kPlayerId, 5, "identity-reply"},
      {"four key bytes", {"--identity", "a1b2c3d4"}, kPlayerId, 0, "identity-reply id=\"" + std::string(kPlayerId) + "\" ok"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = server_args();
    args.insert(args.end(), c.args.begin(), c.args.end());
    Session r = run(args, ini("", c.player_id));
    SCOPED_TRACE(dump(r));
    EXPECT_EQ(r.client.status, c.status) << c.name;
    EXPECT_TRUE(has_line(r.server.log, c.server_says)) << c.name;
  }

  // Fewer than 4 bytes: no reply at all.
  Session r = run(server_args({"--identity", "a1b2c3"}));
  SCOPED_TRACE(dump(r));
  EXPECT_EQ(r.client.status, 0) << "three bytes";
  EXPECT_FALSE(has_line(r.server.log, "identity-reply")) << "three bytes";

  // No Player ID yet: the client makes one and that is what the server reads.
  Session fresh = run(server_args({"--player-id", ""}), ini("", ""));
  auto made = lines_of(fresh.client.lines, "player-id");
  ASSERT_EQ(made.size(), 1u);
  std::string id = made[0].substr(10, 38);
  EXPECT_EQ(made[0].substr(48), " (new)");
  EXPECT_TRUE(has_line(fresh.server.log, "identity-reply id=\"" + id + "\" ok")) << dump(fresh);
}

TEST(Loopback, HostileServers) {
  // The same client on a plain run: what its memory is without hostility.
  Session base = run(server_args());
  ASSERT_EQ(base.client.status, 0) << dump(base);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* client_says;
    bool whole_clip;  // every clip frame still arrives
  } cases[] = {
      {"zero control length", {"--hostile", "zero-length"}, 50, "fatal \"Fatal error: Lost protocol sync", false},
      {"huge control length", {"--hostile", "huge-length"}, 50, "fatal \"Fatal error: Lost protocol sync", false},
      {"sequence jump of 2^31", {"--hostile", "seq-jump"}, 0, "end-of-transmission", true},
      {"entry longer than its datagram", {"--hostile", "long-entry"}, 0, "end-of-transmission", true},
      {"endless fragments", {"--hostile", "endless-fragments", "--endless", "40000", "--rate", "12000"},
       0, "end-of-transmission", true},
  };
  for (const Case& c : cases) {
    Session r = run(server_args(c.args));
    SCOPED_TRACE(dump(r));
    EXPECT_EQ(r.client.status, c.status) << c.name;
    EXPECT_TRUE(has_line(r.client.lines, c.client_says)) << c.name;
    // Bounded memory: the endless fragments carry 56 MB, which a list that
    // kept them would add to a plain run's size. (A release build stays
    // within 1 MB; ASan's allocator grows by about 7 MB per 10000 datagrams.)
    EXPECT_LT(r.client.max_rss_kb - base.client.max_rss_kb, 40 * 1024)
        << c.name << ": " << r.client.max_rss_kb << " kB against " << base.client.max_rss_kb;
    for (const auto& l : lines_of(r.server.log, "report"))
      EXPECT_LE(std::stoul(field(l, "count")), 65535u) << c.name << ": " << l;
    std::printf("%s: %ld kB, plain run %ld kB\n", c.name, r.client.max_rss_kb,
                base.client.max_rss_kb);
    auto frames = frames_of(r.client.lines);
    expect_intact(frames, clip_shape(), c.name);
    if (c.whole_clip) {
      auto sent = datagrams_of(r.server.log);
      std::vector<SentDatagram> clip_only;
      for (const auto& d : sent) {
        SentDatagram k = d;
        k.entries.erase(std::remove_if(k.entries.begin(), k.entries.end(),
                                       [](const vsrv::Entry& e) { return e.number >= 1000000; }),
                        k.entries.end());
        clip_only.push_back(k);
      }
      // A flood may overflow the socket: the frames are then those of the
      // lossless list, in its order, with gaps.
      auto want = expected_frames(clip_only, {});
      auto got = keys(frames);
      std::size_t w = 0;
      for (const auto& k : got) {
        while (w < want.size() && want[w] != k) ++w;
        ASSERT_LT(w, want.size()) << c.name << ": out of order or not in the clip: stream "
                                  << k.first << " frame " << k.second;
        ++w;
      }
      if (c.args[1] != "endless-fragments") {
        EXPECT_EQ(got, want) << c.name << ": " << first_difference(got, want);
      }
    }
  }
}

}  // namespace
}  // namespace loop
