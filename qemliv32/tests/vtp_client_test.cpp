#include "qemliv32/vtp_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qemliv32/identity.h"
#include "qemliv32/tests/vtp_test_bytes.h"

using namespace qem;
using namespace qem_test;

namespace {

// Records every upcall as a short line; the queue answers are set by the test.
class Recorder : public VtpEvents {
 public:
  std::vector<std::string> log;
  std::vector<MediaFrame> frames;
  bool take_frames = true;
  bool video_empty = true;
  bool audio_empty = true;
  bool audio_advancing = false;
  uint32_t last_shown = 0;
  int playback_ticks = 0;
  int interface_ticks = 0;

  void progress(int percent) override { log.push_back("progress " + std::to_string(percent)); }
  void error(int number) override { log.push_back("error " + std::to_string(number)); }
  void connected() override { log.push_back("connected"); }
  void disconnected() override { log.push_back("disconnected"); }
  void stream_format(uint32_t kind, const uint8_t* format, std::size_t n) override {
    log.push_back("format " + std::to_string(kind) + " " + hex(Bytes(format, format + n)));
  }
  void reception_started(uint32_t) override { log.push_back("reception"); }
  void server_text(const ServerText& t) override {
    log.push_back("text " + std::to_string(t.action()) + (t.show_now() ? " now " : " held ") + t.text);
  }
  void end_of_transmission() override { log.push_back("end"); }
  void start_playback(uint32_t now) override { log.push_back("start " + std::to_string(now)); }
  bool frame(MediaFrame&& f) override {
    if (!take_frames) return false;
    frames.push_back(std::move(f));
    return true;
  }
  void fatal(std::string_view text) override { log.push_back("fatal " + std::string(text)); }
  void playback_tick(uint32_t) override { ++playback_ticks; }
  void interface_tick(uint32_t) override { ++interface_ticks; }
  bool video_queue_empty() override { return video_empty; }
  bool audio_queue_empty() override { return audio_empty; }
  bool audio_position_advancing() override { return audio_advancing; }
  uint32_t last_video_time_shown() override { return last_shown; }

  std::vector<std::string> take() {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }
};

using Log = std::vector<std::string>;

constexpr uint32_t kPort = 40001;
constexpr uint32_t kStart = 100000;

HandshakeDetails details() {
  HandshakeDetails d;
  d.name = "Ann";
  d.company = "Co";
  d.email = "a@b";
  d.buffer_size_ms = 3000;  // below 7501: 7500 goes out
  d.player_id = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
  return d;
}

class VtpClientTest : public ::testing::Test {
 protected:
  Recorder events;
  VtpClient client{events};

  void connect(uint32_t now = kStart) {
    client.on_connect_started(now, kPort);
    client.on_connected(now, details());
  }
  // Connected, OPEN sent, output and log drained.
  void request(uint32_t now = kStart) {
    connect(now);
    client.send_slide_mode(1);
    ASSERT_TRUE(client.send_play_request("/clip", 12, now));
    client.take_output();
    events.take();
  }
  void streaming(uint32_t now = kStart) {
    request(now);
    server(framed(2, be32(kCodeAccepted)), now);
    ASSERT_EQ(client.state(), ProtocolState::streaming);
  }
  void server(const Bytes& bytes, uint32_t now = kStart) {
    client.on_control_bytes(bytes.data(), bytes.size(), now);
  }
  void udp(const Bytes& bytes, uint32_t now = kStart) { client.on_datagram(bytes.data(), bytes.size(), now); }
  std::string sent() { return hex(client.take_output()); }
};

TEST_F(VtpClientTest, HandshakeThenPlayRequestInOrder) {
  client.on_connect_started(kStart, kPort);
  EXPECT_TRUE(client.connecting());
  EXPECT_TRUE(client.buffering());
  EXPECT_FALSE(client.send_code(11)) << "nothing goes out before the connection is up";
  client.on_connected(kStart + 10, details());
  EXPECT_EQ(events.take(), Log{"connected"});
  EXPECT_EQ(sent(), hex(cat({encode_identity(257, 0, (const uint8_t*)"xxxxxxxxxx", 10),
                             encode_hello(kPort), encode_user_info("Ann", "Co", "a@b")})));
  // What the engine's connected upcall does next.
  EXPECT_TRUE(client.send_slide_mode(1));
  EXPECT_TRUE(client.send_play_request("/c:\\/a.avi", 12, kStart + 20));
  EXPECT_EQ(sent(), hex(cat({encode_slide_mode(1), encode_open(kPort, 7500, 5, 12, "/c:\\/a.avi")})));
  EXPECT_EQ(client.state(), ProtocolState::requested);
  EXPECT_EQ(client.request_time(), kStart + 20);
  EXPECT_EQ(client.path(), "/c:\\/a.avi");
  EXPECT_FALSE(client.send_play_request("/again", 12, kStart + 30)) << "only from Idle";
  EXPECT_TRUE(sent().empty());
}

TEST_F(VtpClientTest, LargeBufferSizeIsKeptAndUserDetailsCut) {
  client.on_connect_started(kStart, kPort);
  HandshakeDetails d = details();
  d.buffer_size_ms = 7501;
  d.name = std::string(400, 'n');
  client.on_connected(kStart, d);
  client.send_play_request("/p", 0, kStart);
  EXPECT_EQ(sent(), hex(cat({encode_identity(257, 0, (const uint8_t*)"xxxxxxxxxx", 10), encode_hello(kPort),
                             encode_user_info(std::string(255, 'n'), "Co", "a@b"),
                             encode_open(kPort, 7501, 5, 0, "/p")})));
}

TEST_F(VtpClientTest, ControlMessageFedOneBytePerRead) {
  request();
  Bytes all = cat({framed(2, be32(kCodeAccepted)), framed(14, cat({be32(0x102), be32(500), text("hi"), zeros(1)}))});
  for (uint8_t b : all) client.on_control_bytes(&b, 1, kStart);
  EXPECT_EQ(client.state(), ProtocolState::streaming);
  EXPECT_EQ(events.take(), Log{"text 2 now hi"});
}

TEST_F(VtpClientTest, CodeReactions) {
  const int stop_codes[] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 13, 14};
  for (int code : stop_codes) {
    Recorder ev;
    VtpClient c(ev);
    c.on_connect_started(kStart, kPort);
    c.on_connected(kStart, details());
    c.send_play_request("/x", 12, kStart);
    c.take_output();
    ev.take();
    Bytes msg = framed(2, be32(uint32_t(code)));
    c.on_control_bytes(msg.data(), msg.size(), kStart + 5);
    EXPECT_EQ(ev.take(), (Log{"disconnected", "error " + std::to_string(code)})) << "code " << code;
    EXPECT_EQ(c.state(), ProtocolState::idle) << "code " << code;
    EXPECT_TRUE(c.disconnect_requested()) << "code " << code;
    EXPECT_FALSE(c.has_output()) << "code " << code;
  }
}

TEST_F(VtpClientTest, AcceptedOnlyWhileWaitingAndStartPlaybackEchoed) {
  connect();
  server(framed(2, be32(kCodeAccepted)));
  EXPECT_EQ(client.state(), ProtocolState::idle) << "7 before any request changes nothing";
  client.send_play_request("/x", 12, kStart);
  client.take_output();
  server(framed(2, be32(kCodeAccepted)));
  EXPECT_EQ(client.state(), ProtocolState::streaming);

  events.take();
  server(framed(2, be32(kCodeStartPlayback)), kStart + 50);
  EXPECT_EQ(events.take(), (Log{"progress 100", "start " + std::to_string(kStart + 50)}));
  EXPECT_FALSE(client.buffering());
  EXPECT_EQ(client.playback_start_time(), kStart + 50);
  EXPECT_EQ(sent(), hex(encode_code(11)));

  server(framed(2, be32(kCodeStartPlayback)), kStart + 60);
  EXPECT_TRUE(events.take().empty()) << "not buffering: only the echo";
  EXPECT_EQ(sent(), hex(encode_code(11)));

  server(cat({framed(2, be32(9)), framed(2, be32(99)), framed(3, be32(1)), framed(12, {}), framed(2, {})}));
  EXPECT_TRUE(events.take().empty()) << "unknown codes, FRAME and short messages do nothing";
  EXPECT_EQ(client.state(), ProtocolState::streaming);
}

TEST_F(VtpClientTest, StreamInfo) {
  streaming();
  server(framed(2, be32(kCodeStartPlayback)));
  events.take();
  client.take_output();
  server(framed(5, cat({be32(1), be32(1800), be32(3), Bytes{0xA, 0xB, 0xC}})));
  EXPECT_EQ(events.take(), (Log{"progress 0", "format 1 0a0b0c", "reception"}));
  EXPECT_TRUE(client.buffering()) << "STREAM_INFO switches buffering on again";
  EXPECT_TRUE(client.stream_has_video());
  EXPECT_EQ(client.stream_length(), 1800u);

  server(framed(5, cat({be32(0), be32(1700), be32(2), Bytes{1, 2}})));
  EXPECT_EQ(events.take(), (Log{"format 0 0102", "reception"})) << "audio: no progress first";
  EXPECT_EQ(client.stream_length(), 1700u);

  server(framed(5, cat({be32(0), be32(1), be32(50), Bytes{1, 2}})));
  EXPECT_TRUE(events.take().empty()) << "a format block running past the message is dropped";
}

TEST_F(VtpClientTest, ServerTextActionsAndNoAudioBit) {
  streaming();
  struct Case {
    uint32_t flags;
    const char* expected;  // "" = no upcall
  } cases[] = {{1, "text 1 held a"}, {0x101, "text 1 now a"}, {0x1103, "text 3 now a"},
               {6, "text 6 held a"}, {7, ""},                {0x100, ""}};
  for (const Case& c : cases) {
    server(framed(14, cat({be32(c.flags), be32(1000), text("a"), zeros(1)})));
    Log got = events.take();
    EXPECT_EQ(got, c.expected[0] ? Log{c.expected} : Log{}) << std::hex << "flags 0x" << c.flags;
  }
  EXPECT_TRUE(client.audio_expected());
  server(framed(14, cat({be32(0x2006), be32(0), zeros(1)})));
  EXPECT_FALSE(client.audio_expected());
}

TEST_F(VtpClientTest, IdentityReplyOnlyForFourOrMoreBytes) {
  request();
  server(framed(16, cat({be32(257), be32(6), be32(3), text("abc")})));
  EXPECT_TRUE(sent().empty()) << "n below 4: no reply";
  EXPECT_EQ(client.server_version(), 257u);
  EXPECT_EQ(client.server_kind(), 6u);
  EXPECT_FALSE(client.strict_loss());

  const Bytes key = text(std::string("k3y\0abcdefgh", 12));
  server(framed(16, cat({be32(300), be32(0), be32(uint32_t(key.size())), key})));
  std::vector<uint8_t> cipher = encipher_player_id(key.data(), key.size(), details().player_id);
  ASSERT_FALSE(cipher.empty());
  EXPECT_EQ(sent(), hex(encode_identity(257, 0, cipher.data(), cipher.size())));
  EXPECT_TRUE(client.strict_loss());

  server(framed(16, cat({be32(256), be32(0), be32(4), text("abcd")})));
  EXPECT_FALSE(sent().empty()) << "a reply, whatever the version";
  EXPECT_FALSE(client.strict_loss()) << "version 256 is not above 256";
}

TEST_F(VtpClientTest, LostSyncStopsAndDisconnectsWithoutQuitting) {
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"length 0", be32(0)},
      {"length above 1 MiB", be32(kMaxControlMessage + 1)},
      {"length 4 GiB - 1", be32(0xFFFFFFFF)},
  };
  for (const Case& c : cases) {
    Recorder ev;
    VtpClient cl(ev);
    cl.on_connect_started(kStart, kPort);
    cl.on_connected(kStart, details());
    cl.send_play_request("/x", 12, kStart);
    cl.take_output();
    ev.take();
    Bytes all = cat({c.bytes, framed(2, be32(kCodeAccepted))});
    cl.on_control_bytes(all.data(), all.size(), kStart);
    EXPECT_EQ(ev.take(), (Log{std::string("fatal ") + kLostProtocolSync, "disconnected"})) << c.name;
    EXPECT_EQ(cl.state(), ProtocolState::idle) << c.name << ": nothing after the bad word is read";
    EXPECT_TRUE(cl.disconnect_requested()) << c.name;
    cl.on_socket_closed(kStart + 1);
    EXPECT_TRUE(ev.take().empty()) << c.name << ": the close that follows is ours";
    EXPECT_FALSE(cl.disconnect_requested()) << c.name << ": done once closed";
  }
}

TEST_F(VtpClientTest, RequestAndConnectTimeouts) {
  request();
  client.on_tick(kStart + 30000);
  EXPECT_TRUE(events.take().empty()) << "30000 ms is not more than 30000";
  client.on_tick(kStart + 30001);
  EXPECT_EQ(events.take(), (Log{"disconnected", "error 9"}));
  EXPECT_EQ(client.state(), ProtocolState::idle);
  EXPECT_TRUE(client.disconnect_requested());

  Recorder ev;
  VtpClient c(ev);
  const uint32_t near_wrap = 0xFFFFF000u;
  c.on_connect_started(near_wrap, kPort);
  c.on_tick(near_wrap + 20000);
  EXPECT_TRUE(ev.take().empty());
  c.on_socket_closed(near_wrap + 20001);  // a failed connect: the time-out decides
  EXPECT_TRUE(ev.take().empty());
  c.on_tick(near_wrap + 30001);
  EXPECT_EQ(ev.take(), (Log{"disconnected", "error 9"}));
  EXPECT_FALSE(c.connecting());
}

TEST_F(VtpClientTest, ReceptionTimeoutWithoutAnyDatagram) {
  streaming();
  client.on_tick(kStart + 30000);
  EXPECT_TRUE(events.take().empty());
  client.on_tick(kStart + 30001);
  EXPECT_EQ(events.take(), (Log{"end", "disconnected", "error 15"}));
  EXPECT_EQ(client.state(), ProtocolState::idle);
  EXPECT_TRUE(client.buffering());
}

TEST_F(VtpClientTest, ReceptionTimeoutAfterTheLastDatagramWaitsForTheVideoQueue) {
  streaming();
  udp(datagram(1, 0, {}), kStart + 1000);
  events.video_empty = false;
  client.on_tick(kStart + 31001);
  EXPECT_TRUE(events.take().empty()) << "frames still to show";
  events.video_empty = true;
  client.on_tick(kStart + 31000);
  EXPECT_TRUE(events.take().empty()) << "exactly 30000 ms";
  client.on_tick(kStart + 31002);
  EXPECT_EQ(events.take(), (Log{"end", "disconnected", "error 15"}));
}

TEST_F(VtpClientTest, ServerCloseDrainsToEndOfTransmission) {
  streaming();
  events.audio_empty = false;
  events.video_empty = false;
  client.on_socket_closed(kStart + 10);
  EXPECT_EQ(events.take(), (Log{"progress 100", "start " + std::to_string(kStart + 10)}));
  EXPECT_EQ(client.state(), ProtocolState::draining);
  EXPECT_FALSE(client.buffering());

  struct Step {
    bool video_empty, audio_empty, advancing;
    bool ends;
  } steps[] = {{false, true, false, false}, {true, false, false, false}, {true, true, true, false},
               {true, true, false, true}};
  uint32_t now = kStart + 100;
  for (const Step& s : steps) {
    events.video_empty = s.video_empty;
    events.audio_empty = s.audio_empty;
    events.audio_advancing = s.advancing;
    int before = events.playback_ticks;
    client.on_tick(now += 33);
    EXPECT_EQ(events.playback_ticks, before + 1) << "playback steps run while draining";
    EXPECT_EQ(events.take(), s.ends ? (Log{"disconnected", "end"}) : Log{})
        << "video empty " << s.video_empty << ", audio empty " << s.audio_empty << ", advancing "
        << s.advancing;
  }
  EXPECT_EQ(client.state(), ProtocolState::idle);
  EXPECT_FALSE(client.disconnect_requested()) << "already closed";
}

TEST_F(VtpClientTest, DrainingIgnoresTheAudioQueueWhenNoAudioFollows) {
  streaming();
  server(framed(14, cat({be32(0x2006), be32(0), zeros(1)})));
  server(framed(2, be32(kCodeStartPlayback)));
  client.on_socket_closed(kStart);
  events.take();
  events.audio_empty = false;
  client.on_tick(kStart + 33);
  EXPECT_EQ(events.take(), (Log{"disconnected", "end"}));
}

TEST_F(VtpClientTest, CloseBeforeThePlayRequestStops) {
  connect();
  events.take();
  client.on_socket_closed(kStart + 5);
  EXPECT_EQ(events.take(), Log{"disconnected"});
  EXPECT_FALSE(client.disconnect_requested());
}

TEST_F(VtpClientTest, FirstDatagramRule) {
  struct Case {
    const char* name;
    int kind;  // -1: no IDENTITY
    bool seven_accepted;
  } cases[] = {{"no identity", -1, false}, {"kind 0", 0, false}, {"kind 6", 6, true}};
  for (const Case& c : cases) {
    Recorder ev;
    VtpClient cl(ev);
    cl.on_connect_started(kStart, kPort);
    cl.on_connected(kStart, details());
    cl.send_play_request("/x", 12, kStart);
    if (c.kind >= 0) {
      Bytes id = framed(16, cat({be32(257), be32(uint32_t(c.kind)), be32(0)}));
      cl.on_control_bytes(id.data(), id.size(), kStart);
    }
    Bytes seven = datagram(7, 0, {entry(0, 0, 70, 6, {1})});
    Bytes three = datagram(3, 0, {entry(0, 0, 30, 2, {1})});
    cl.on_datagram(seven.data(), seven.size(), kStart + 1);
    EXPECT_EQ(ev.frames.size(), c.seven_accepted ? 1u : 0u) << c.name;
    EXPECT_EQ(cl.last_datagram_time().has_value(), c.seven_accepted) << c.name;
    cl.on_datagram(three.data(), three.size(), kStart + 2);
    EXPECT_EQ(ev.frames.size(), c.seven_accepted ? 2u : 1u) << c.name << ": 3 is accepted";
    cl.on_datagram(seven.data(), seven.size(), kStart + 3);
    EXPECT_EQ(ev.frames.size(), c.seven_accepted ? 3u : 2u) << c.name << ": 7 after the first";
    EXPECT_EQ(cl.last_datagram_time(), kStart + 3) << c.name;
  }
}

TEST_F(VtpClientTest, MissingDatagramsReportedOnTheNextTickThenLateOneRemoved) {
  streaming();
  for (uint32_t s : {1u, 2u, 5u}) udp(datagram(s, 0, {}), kStart + 10);
  client.on_tick(kStart + 11);
  Bytes report = client.take_output();
  ASSERT_EQ(report.size(), 8u + 36 + 8);
  EXPECT_EQ(hex(Bytes(report.end() - 8, report.end())), hex(cat({be32(4), be32(3)}))) << "4 first";

  udp(datagram(3, 0, {}), kStart + 20);
  client.on_tick(kStart + 3011);
  EXPECT_FALSE(client.has_output()) << "next report 3000 ms after the last";
  client.on_tick(kStart + 3012);
  report = client.take_output();
  ASSERT_EQ(report.size(), 8u + 36 + 4);
  EXPECT_EQ(hex(Bytes(report.end() - 4, report.end())), hex(be32(4)));
  EXPECT_EQ(report[8 + 31], 1) << "one late datagram";
  EXPECT_EQ(report[8 + 23], 4) << "four datagrams";
}

TEST_F(VtpClientTest, ReportsOnlyWhileStreaming) {
  request();
  udp(datagram(1, 0, {}, true), kStart + 1);
  client.on_tick(kStart + 2);
  EXPECT_FALSE(client.has_output()) << "Requested is not Streaming";
  server(framed(2, be32(kCodeAccepted)));
  client.on_tick(kStart + 3);
  Bytes report = client.take_output();
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(report[12], 0x80) << "urgent: the server asked";
}

TEST_F(VtpClientTest, EntriesBecomeFramesSharingTheDatagram) {
  streaming();
  udp(datagram(1, 0, {entry(0, 0, 40, 3, text("abc")), entry(1, 0, 45, 7, text("pq")),
                      entry(2, 0, 50, 8, text("ignored stream"))}));
  ASSERT_EQ(events.frames.size(), 2u);
  const MediaFrame& v = events.frames[0];
  EXPECT_EQ(v.number, 4u);
  EXPECT_EQ(v.time, 40u);
  EXPECT_EQ(v.stream, MediaStream::video);
  EXPECT_EQ(std::string((const char*)v.data(), v.length()), "abc");
  EXPECT_EQ(events.frames[1].stream, MediaStream::audio);
  EXPECT_EQ(v.bytes.buffer().use_count(), 2) << "both frames view the one datagram block";
  EXPECT_EQ(v.bytes.buffer().data(), events.frames[1].bytes.buffer().data());
}

TEST_F(VtpClientTest, FragmentsArrivingThreeOneTwoGiveOneFrame) {
  streaming();
  udp(datagram(1, 0, {entry(0, 0x83, 90, 9, text("E"))}));
  udp(datagram(2, 0, {entry(0, 0x01, 90, 9, text("abc"))}));
  EXPECT_TRUE(events.frames.empty());
  udp(datagram(3, 0, {entry(0, 0x02, 90, 9, text("d"))}));
  ASSERT_EQ(events.frames.size(), 1u);
  EXPECT_EQ(std::string((const char*)events.frames[0].data(), events.frames[0].length()), "abcdE");
  EXPECT_EQ(events.frames[0].number, 10u);
  EXPECT_EQ(client.fragments().size(), 0u);
}

TEST_F(VtpClientTest, ShortDatagramCountsButCarriesNothing) {
  streaming();
  udp(datagram(1, 0, {}), kStart);
  for (std::size_t extra : {0u, 11u}) {
    Bytes d = cat({datagram(2, 0, {}), Bytes(extra, 0x55)});
    udp(d, kStart + 1);
  }
  EXPECT_TRUE(events.frames.empty());
  EXPECT_EQ(client.loss_reporter().fields().datagrams, 3u);
  EXPECT_EQ(client.loss_reporter().fields().bytes, 12u + 12 + 20);
  udp(Bytes(11, 0), kStart + 2);
  EXPECT_EQ(client.loss_reporter().fields().datagrams, 3u) << "no room for a header: dropped";
}

TEST_F(VtpClientTest, FramesNotTakenAreReleased) {
  streaming();
  events.take_frames = false;
  Bytes d = datagram(1, 0, {entry(0, 0, 1, 1, text("x"))});
  PacketBuffer block = PacketBuffer::copy_of(d.data(), d.size(), PacketBuffer::Channel::data);
  client.on_datagram(block, kStart);
  EXPECT_EQ(block.use_count(), 1) << "no view of the refused frame remains";
}

TEST_F(VtpClientTest, PurgeEveryHundredTicksWhilePlaying) {
  streaming();
  server(framed(2, be32(kCodeStartPlayback)));
  udp(datagram(1, 0, {entry(0, 0x01, 500, 1, text("a")), entry(0, 0x01, 2500, 2, text("b"))}));
  ASSERT_EQ(client.fragments().size(), 2u);
  events.last_shown = 3000;  // cutoff 2000
  uint32_t now = kStart;
  for (int i = 0; i < 99; ++i) client.on_tick(now += 10);
  EXPECT_EQ(client.fragments().size(), 2u);
  client.on_tick(now += 10);
  EXPECT_EQ(client.fragments().size(), 1u);
}

TEST_F(VtpClientTest, LagSignalsSendNotice) {
  streaming(kStart);
  const uint32_t t = 200000;
  for (uint32_t i = 0; i < 11; ++i) client.lag_signal(t + i * 100);
  EXPECT_EQ(sent(), hex(encode_notice(10)));
}

TEST_F(VtpClientTest, ResetClearsReportsFragmentsAndConnection) {
  streaming();
  udp(datagram(3, 0, {entry(0, 0x01, 1, 1, text("a"))}));
  EXPECT_EQ(client.fragments().size(), 1u);
  EXPECT_EQ(client.loss_reporter().missing().size(), 2u);
  client.reset();
  EXPECT_EQ(events.take(), Log{"disconnected"});
  EXPECT_EQ(client.fragments().size(), 0u);
  EXPECT_TRUE(client.loss_reporter().missing().empty());
  EXPECT_EQ(client.loss_reporter().fields().datagrams, 0u);
  EXPECT_TRUE(client.disconnect_requested());
  udp(datagram(6, 0, {entry(0, 0, 1, 1, text("a"))}));
  EXPECT_TRUE(events.frames.empty()) << "a stray datagram after the stop";

  // A new play reconnects cleanly.
  connect(kStart + 500);
  EXPECT_FALSE(client.disconnect_requested());
  EXPECT_TRUE(client.send_play_request("/y", 12, kStart + 500));
}

TEST_F(VtpClientTest, NewPlayWhileDrainingStartsFresh) {
  streaming();
  udp(datagram(3, 0, {entry(0, 0x01, 1, 1, text("a"))}));
  client.on_socket_closed(kStart + 1);
  ASSERT_EQ(client.state(), ProtocolState::draining);
  connect(kStart + 2);
  EXPECT_EQ(client.state(), ProtocolState::idle);
  EXPECT_EQ(client.fragments().size(), 0u);
  EXPECT_EQ(client.loss_reporter().fields().datagrams, 0u);
  EXPECT_FALSE(client.last_datagram_time());
  EXPECT_TRUE(client.send_play_request("/next", 12, kStart + 2));
}

TEST_F(VtpClientTest, InterfaceTickEveryHundredMs) {
  request();
  uint32_t now = kStart;
  for (int i = 0; i < 30; ++i) client.on_tick(now += 33);
  EXPECT_EQ(events.interface_ticks, 8) << "33 ms ticks: every fourth, 132 ms apart";
}

}  // namespace
