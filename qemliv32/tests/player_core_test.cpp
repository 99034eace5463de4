#include "qemliv32/player_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "qemliv32/messages.h"
#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

using Log = std::vector<std::string>;

std::string show(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// The engine's Win32 side, as lines; the answers are set by the test.
class FakeShell : public PlayerShell {
 public:
  uint32_t clock = 100000;
  int connect_result = 0;
  std::map<std::string, std::vector<std::optional<std::string>>> scripts;  // answers in turn
  PlayerSettings settings;
  bool audio_opens = true;
  bool video_prepares = true;
  bool stop_while_opening_audio = false;
  bool picture = false;
  Rect client{0, 0, 320, 240};
  std::string title;
  std::string strip_text;
  Log log;
  PlayerCore* core = nullptr;
  bool sockets_open = false;

  uint32_t now() override { return clock; }
  int connect(const std::string& host, uint16_t port) override {
    log.push_back("connect " + host + ":" + std::to_string(port));
    if (connect_result == 0) {
      sockets_open = true;
      core->client().on_connect_started(clock, 40001);
    }
    return connect_result;
  }
  void close_sockets() override {
    log.push_back("close sockets");
    if (sockets_open) {
      sockets_open = false;
      core->client().on_socket_closed(clock);
    }
  }
  void send_client_output() override {}
  PlayerSettings read_settings() override { return settings; }
  void ensure_player_id() override {}
  std::optional<std::string> read_script(const std::string& path) override {
    log.push_back("read " + path);
    auto it = scripts.find(path);
    if (it == scripts.end() || it->second.empty()) return std::nullopt;
    std::optional<std::string> answer = it->second.front();
    it->second.erase(it->second.begin());
    return answer;
  }
  void dispatch_one_message() override { log.push_back("dispatch"); }
  bool own_window_exists() override { return true; }
  Rect output_client_rect() override { return client; }
  void set_own_window_title(const std::string& text) override { title = text; }
  void paint_now() override {}
  void invalidate(bool) override {}
  void draw_status_strip(const Rect& strip, const std::string& text) override {
    strip_text = show(strip) + " " + text;
  }
  void draw_logo(const Rect&) override {}
  void fill_black(const Rect&) override {}
  void bring_own_window_to_top() override {}
  void size_own_window(Size video, bool zoom) override {
    log.push_back("size " + std::to_string(video.width) + "x" + std::to_string(video.height) +
                  (zoom ? " zoomed" : ""));
  }
  void start_logo() override {}
  std::optional<Size> prepare_video(const uint8_t*, std::size_t) override {
    if (!video_prepares) return std::nullopt;
    return Size{176, 144};
  }
  int decode_video(const MediaFrame& frame, int flag) override {
    log.push_back("decode " + std::to_string(frame.number) + " flag " + std::to_string(flag));
    picture = true;
    return 0;
  }
  bool has_picture() override { return picture; }
  void draw_picture(const Rect& r, bool, bool) override { log.push_back("draw " + show(r)); }
  void close_video() override {}
  bool open_audio(const uint8_t*, std::size_t, int) override {
    if (stop_while_opening_audio) core->stop();
    return audio_opens;
  }
  bool audio_open() override { return audio_opens; }
  bool play_audio(const MediaFrame&) override { return true; }
  void pause_audio() override {}
  void restart_audio() override {}
  void stop_audio() override {}
  bool audio_position_advancing() override { return false; }
  void show_error(int number) override { log.push_back("error " + std::to_string(number)); }
  void show_system_message(const std::string& text) override { log.push_back("sysmsg " + text); }
  void show_server_message(const std::string& text, const std::string& title) override {
    log.push_back("msgbox " + title + ": " + text);
  }
  void notify_mci(uint32_t window, uint32_t device) override {
    log.push_back("mci notify " + std::to_string(window) + " " + std::to_string(device));
  }
  void post_notify(uint32_t window) override {
    log.push_back("post notify " + std::to_string(window));
  }

  Log take(const std::string& prefix) {
    Log out, rest;
    for (const std::string& l : log) (l.rfind(prefix, 0) == 0 ? out : rest).push_back(l);
    log = rest;
    return out;
  }
};

// Paint calls as lines.
class FakePainter : public Painter {
 public:
  Log log;
  void fill_black(const Rect& r) override { log.push_back("black " + show(r)); }
  void draw_picture(const Rect& r, bool interlaced) override {
    log.push_back(std::string("picture ") + show(r) + (interlaced ? " interlaced" : ""));
  }
  void draw_idle_picture(const Rect& r) override { log.push_back("idle " + show(r)); }
  void draw_logo(const Rect& r) override { log.push_back("logo " + show(r)); }
  void draw_bevel(const Rect& r) override { log.push_back("bevel " + show(r)); }
  void draw_status_strip(const Rect& strip, const std::string& text) override {
    log.push_back("strip " + show(strip) + " " + text);
  }
};

constexpr const char* kScript = "c:\\clip.qem";

class PlayerCoreTest : public ::testing::Test {
 protected:
  FakeShell shell;
  PlayerCore core{shell};

  void SetUp() override {
    shell.core = &core;
    shell.scripts[kScript] = {std::string("qem://server:7010/clips/a.avi")};
    core.create(true, kScript);
    shell.log.clear();
  }
  void server(const Bytes& bytes) {
    core.client().on_control_bytes(bytes.data(), bytes.size(), shell.clock);
  }
  // Play through the handshake and the server's acceptance.
  void streaming() {
    core.play();
    core.client().on_connected(shell.clock, HandshakeDetails{});
    server(framed(2, be32(7)));
    ASSERT_EQ(core.client().state(), ProtocolState::streaming);
  }
  void tick(uint32_t ms) {
    shell.clock += ms;
    core.client().on_tick(shell.clock);
  }
};

TEST_F(PlayerCoreTest, CreationReadsTheScriptAndShowsClickToPlay) {
  EXPECT_EQ(core.url(), "qem://server:7010/clips/a.avi");
  EXPECT_EQ(shell.title, kStatusClickToPlay);
  EXPECT_EQ(core.state(), PlayerState::idle);

  FakeShell bare;
  PlayerCore no_media(bare);
  bare.core = &no_media;
  bare.scripts[kScript] = {std::string("qem://x/y")};
  no_media.create(false, kScript);
  EXPECT_EQ(no_media.url(), "") << "creation stops when a decoder cannot be made";
  EXPECT_EQ(bare.title, "");
}

TEST_F(PlayerCoreTest, OpenTriesTwiceThenRaisesError17) {
  shell.scripts["b.qem"] = {std::nullopt, std::string("qem://h/second")};
  core.open("b.qem");
  EXPECT_EQ(shell.log, (Log{"read b.qem", "dispatch", "read b.qem"}));
  EXPECT_EQ(core.url(), "qem://h/second");

  shell.log.clear();
  core.open("missing.qem");
  EXPECT_EQ(shell.log, (Log{"read missing.qem", "dispatch", "read missing.qem", "error 17"}));
  EXPECT_EQ(core.url(), "qem://h/second") << "a failed open keeps the stored URL";

  shell.scripts["long.qem"] = {std::string("qem://h/") + std::string(400, 'p')};
  core.open("long.qem");
  EXPECT_EQ(core.url().size(), kMaxScriptUrl);
}

TEST_F(PlayerCoreTest, PlayConnectsOnlyForQemUrls) {
  struct Case {
    const char* url;
    const char* connect;  // "" = none
  } cases[] = {
      {"qem://server:7010/clips/a.avi", "connect server:7010"},
      {"QEM://host:7070/x", "connect host:7070"},
      {"qem:///x", "connect :7000"},
      {"http://host/x", ""},
      {"host/x", ""},
  };
  for (const Case& c : cases) {
    shell.scripts["s.qem"] = {std::string(c.url)};
    core.open("s.qem");
    shell.log.clear();
    shell.connect_result = 4;
    core.play();
    EXPECT_EQ(shell.take("connect"), c.connect[0] ? Log{c.connect} : Log{}) << c.url;
  }
}

TEST_F(PlayerCoreTest, ConnectFailuresLeaveTheEngineIdle) {
  struct Case {
    int failure;
    const char* status;
  } cases[] = {{6, kStatusDataPortInUse}, {4, kStatusNoServer}, {2, kStatusNoServer},
               {10, kStatusNoServer}};
  for (const Case& c : cases) {
    shell.connect_result = c.failure;
    core.play();
    EXPECT_EQ(core.state(), PlayerState::idle) << c.failure;
    EXPECT_EQ(core.status(), c.status) << c.failure;
  }
  shell.connect_result = 0;
  core.play();
  EXPECT_EQ(core.state(), PlayerState::connecting) << "ready for another Play";
  EXPECT_EQ(core.status(), kStatusConnecting);
}

TEST_F(PlayerCoreTest, HandshakeRequestsThePathWithTheBandwidthFigure) {
  core.play();
  core.client().on_connected(shell.clock, HandshakeDetails{});
  EXPECT_EQ(core.state(), PlayerState::requesting);
  EXPECT_EQ(core.status(), kStatusRequesting);
  Bytes out = core.client().take_output();
  auto holds = [&](const Bytes& part) {
    return std::search(out.begin(), out.end(), part.begin(), part.end()) != out.end();
  };
  // SLIDE_MODE 0, then OPEN carrying the bandwidth 12 and the path.
  EXPECT_TRUE(holds(framed(15, be32(0)))) << hex(out);
  EXPECT_TRUE(holds(cat({be32(12), text("/clips/a.avi")}))) << hex(out);
}

TEST_F(PlayerCoreTest, NotifyTargetIsToldOnceAtTheNextStop) {
  core.play_with_notify(0x12345678, 9, NotifyKind::message);
  core.stop();
  EXPECT_EQ(shell.take("post notify"), (Log{"post notify 22136"})) << "low 16 bits of the window";
  EXPECT_EQ(core.state(), PlayerState::idle);
  EXPECT_EQ(core.status(), kStatusDisconnected);
  core.stop();
  EXPECT_TRUE(shell.take("post notify").empty()) << "a second Stop tells nobody";

  core.play_with_notify(0x0001ABCD, 3, NotifyKind::mci);
  core.stop();
  EXPECT_EQ(shell.take("mci notify"), (Log{"mci notify 43981 3"}));
  EXPECT_TRUE(shell.take("post notify").empty());
}

TEST_F(PlayerCoreTest, EndOfTransmissionNotifiesOnceAndShowsTheHeldText) {
  core.play_with_notify(0x4242, 0, NotifyKind::message);
  core.client().on_connected(shell.clock, HandshakeDetails{});
  server(framed(2, be32(7)));
  // Held texts: a status line and then a message box; the later one is kept.
  server(framed(14, cat({be32(3), be32(500), text("Thanks for watching"), zeros(1)})));
  EXPECT_EQ(core.status(), kStatusRequesting) << "held, not shown yet";
  shell.close_sockets();  // the server closes: draining, queues empty
  tick(33);
  EXPECT_EQ(shell.take("post notify"), (Log{"post notify 16962"}));
  EXPECT_EQ(core.status(), "Thanks for watching");
  tick(33);
  tick(33);
  EXPECT_TRUE(shell.take("post notify").empty());

  core.play();
  core.client().on_connected(shell.clock, HandshakeDetails{});
  server(framed(2, be32(7)));
  server(framed(14, cat({be32(1), be32(0), text("Line one\nline two"), zeros(1)})));
  shell.close_sockets();
  tick(33);
  EXPECT_EQ(shell.take("msgbox"), (Log{std::string("msgbox ") + kServerMessageTitle +
                                       ": Line one\nline two"}));
}

TEST_F(PlayerCoreTest, ServerTextsShownAtOnceAndTheProgressLabel) {
  streaming();
  server(framed(14, cat({be32(0x101), be32(0), text("Welcome"), zeros(1)})));
  EXPECT_EQ(shell.take("msgbox"), (Log{std::string("msgbox ") + kServerMessageTitle + ": Welcome"}));

  server(framed(14, cat({be32(0x104), be32(2000), text("Loading clip"), zeros(1)})));
  EXPECT_EQ(core.status(), "Loading clip");
  server(framed(5, cat({be32(1), be32(100), be32(4), Bytes{0, 0, 0, 0}})));
  EXPECT_EQ(core.status(), "Loading clip") << "a timed text holds the line for 2000 ms";
  shell.clock += 2000;
  server(framed(5, cat({be32(1), be32(100), be32(4), Bytes{0, 0, 0, 0}})));
  EXPECT_EQ(core.status(), "Loading clip 0 %") << "the server text became the progress label";
  EXPECT_EQ(core.state(), PlayerState::buffering);

  server(framed(2, be32(11)));
  EXPECT_EQ(core.status(), kStatusWait) << "100 %";
}

TEST_F(PlayerCoreTest, StatusLineHoldsTimedTextsAndDrawsTheStripWhenHosted) {
  core.show_status("timed", 100);
  core.show_message("plain");
  EXPECT_EQ(core.status(), "timed");
  shell.clock += 99;
  core.show_message("plain");
  EXPECT_EQ(core.status(), "timed");
  shell.clock += 1;
  core.show_message("plain");
  EXPECT_EQ(core.status(), "plain");
  EXPECT_EQ(shell.title, "plain");
  core.show_message(std::string(80, 'x'));
  EXPECT_EQ(core.status(), std::string(kMaxStatus, 'x'));

  core.set_hosted(true);
  core.show_message("hosted");
  EXPECT_EQ(shell.strip_text, "0,228,320,240 hosted");
  core.set_explicit_rect({10, 10, 110, 90});
  core.show_message("explicit");
  EXPECT_EQ(shell.strip_text, "10,78,110,90 explicit");
  EXPECT_EQ(show(core.output_rect()), "10,10,110,90");
}

TEST_F(PlayerCoreTest, FormatFailures) {
  streaming();
  shell.video_prepares = false;
  server(framed(5, cat({be32(1), be32(100), be32(4), Bytes{0, 0, 0, 0}})));
  EXPECT_EQ(shell.take("sysmsg"), (Log{std::string("sysmsg ") + kNoVideoFrame}));

  shell.audio_opens = false;
  server(framed(5, cat({be32(0), be32(100), be32(2), Bytes{0xFF, 0xFF}})));
  server(framed(5, cat({be32(0), be32(100), be32(2), Bytes{0xFF, 0xFF}})));
  EXPECT_EQ(shell.take("error"), (Log{"error 18"})) << "once per process";
}

TEST_F(PlayerCoreTest, StopWhileTheSoundDeviceOpensStaysStopped) {
  // Opening a wave device lets messages sent by other threads in: Stop can
  // run inside the audio format upcall.
  streaming();
  shell.stop_while_opening_audio = true;
  server(framed(5, cat({be32(0), be32(100), be32(2), Bytes{0xFF, 0xFF}})));
  EXPECT_EQ(core.state(), PlayerState::idle);
  EXPECT_EQ(core.status(), kStatusDisconnected);
}

TEST_F(PlayerCoreTest, PaintDependsOnTheStateUntilAPictureIsDecoded) {
  FakePainter idle;
  core.paint(idle);
  // Stretched into the output area of 320 x 240 (not hosted: 4 pixels in).
  EXPECT_EQ(idle.log, (Log{"idle 4,4,316,236", "bevel 3,3,317,237"}));

  core.play();
  FakePainter connecting;
  core.paint(connecting);
  EXPECT_EQ(connecting.log, (Log{"logo 4,4,316,236", "bevel 3,3,317,237"}));

  core.client().on_connected(shell.clock, HandshakeDetails{});
  server(framed(2, be32(7)));
  server(framed(5, cat({be32(1), be32(100), be32(4), Bytes{0, 0, 0, 0}})));
  Bytes d = datagram(1, 1, {entry(0, 0, 0, 0, Bytes{0, 1, 2, 3}), entry(0, 0, 40, 1, Bytes{16, 1, 2, 3})});
  core.client().on_datagram(d.data(), d.size(), shell.clock);
  server(framed(2, be32(11)));  // buffering ends, playback starts
  tick(33);
  EXPECT_EQ(core.state(), PlayerState::playing);
  EXPECT_FALSE(shell.take("decode").empty());
  core.set_zoom(true);
  core.set_stretch(false);
  FakePainter picture;
  core.paint(picture);
  EXPECT_EQ(picture.log, (Log{"black -16,-24,336,236", "picture -16,-24,336,236 interlaced",
                              "bevel -17,-25,337,237"}))
      << "zoomed and interlaced: black first, then every other line";
}

TEST_F(PlayerCoreTest, PositionIsTheVideosWhicheverFormatComesLast) {
  streaming();
  server(framed(5, cat({be32(1), be32(3000), be32(4), Bytes{0, 0, 0, 0}})));
  server(framed(5, cat({be32(0), be32(3360), be32(2), Bytes{0xFF, 0xFF}})));
  // Frames 1 and 2 of the video, then buffering ends; version 257 counts in ms.
  server(framed(16, cat({be32(257), be32(0), be32(0)})));
  Bytes d = datagram(1, 1, {entry(0, 0, 0, 0, Bytes{0, 1}), entry(0, 0, 1500, 1, Bytes{0, 1})});
  core.client().on_datagram(d.data(), d.size(), shell.clock);
  server(framed(2, be32(11)));
  for (int i = 0; i < 60; ++i) tick(33);
  EXPECT_EQ(core.position1000(), 500) << "1500 ms of the video's 3000, not of the audio's 3360";
}

TEST_F(PlayerCoreTest, ConfigureSendsAChangedSlideModeWhileConnected) {
  shell.settings.slide_mode = 1;
  core.settings_changed();
  EXPECT_EQ(core.settings().slide_mode, 1);
  EXPECT_FALSE(core.client().has_output()) << "idle: nothing to send";

  streaming();
  core.client().take_output();
  shell.settings.slide_mode = 2;
  core.settings_changed();
  EXPECT_EQ(hex(core.client().take_output()), hex(framed(15, be32(2 << 16))));
  core.settings_changed();
  EXPECT_FALSE(core.client().has_output()) << "unchanged";
}

TEST_F(PlayerCoreTest, DestroyWritesTheBandwidthFigure) {
  EXPECT_EQ(core.destroy(20), 16) << "current 12 below the stored 20: their mean";
  EXPECT_EQ(core.destroy(0), 12);
}

}  // namespace
