#include "beamhub/hub.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "beamhub/codes.h"
#include "beamhub/tests/hub_fixture.h"

namespace beamhub {
namespace {

using testing::FakeHost;

constexpr uint16_t kMessage = 0xC0DE;
constexpr Hwnd kCapture = 0x100, kA = 0x201, kB = 0x202, kC = 0x203, kD = 0x204;

class HubTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area_->message_id = kMessage;
    area_->drive.receiver_count = 1;
    area_->drive.current = 3;
    std::strcpy(area_->drive.current_text, "D:");
    std::strcpy(area_->drive.letters, "D");
    area_->drive.drives[3].has_receiver = 1;
    area_->settings.intelligent_voice = 1;
    std::strcpy(area_->settings.wave_path, "C:\\suite\\wave");
    std::strcpy(area_->settings.rcb_path, "C:\\suite");
  }

  // A window that answers every code with the same value.
  void window(Hwnd w, uint32_t answer) {
    host_.windows[w] = [answer](uint32_t, void*) { return answer; };
  }
  uint32_t registered(Hwnd w) {
    uint16_t msg = 0;
    uint32_t h = 0;
    EXPECT_EQ(hub_.register_app(w, &msg, &h), MMCD_OK);
    return h;
  }
  uint32_t capture(Hwnd w) {
    uint16_t msg = 0;
    uint32_t h = 0;
    EXPECT_EQ(hub_.set_capture(w, &msg, &h), MMCD_OK);
    return h;
  }
  std::vector<Hwnd> table() const {
    std::vector<Hwnd> t;
    for (int i = 0; i < area_->client_count; ++i) t.push_back(area_->clients[i].window);
    return t;
  }
  std::vector<Hwnd> offered() const {
    std::vector<Hwnd> t;
    for (auto& s : host_.sent) t.push_back(s.window);
    return t;
  }

  std::unique_ptr<SharedArea> area_ = std::make_unique<SharedArea>();
  FakeHost host_;
  Hub hub_{*area_, host_};
};

// ---- registrations ----

TEST_F(HubTest, WithoutReceiverRegistrationsAndCaptureFailWithHandleZero) {
  area_->drive.receiver_count = 0;
  uint16_t msg = 7;
  uint32_t h = 99;
  EXPECT_EQ(hub_.register_app(kA, &msg, &h), MMCD_ERR_NO_RECEIVER);
  EXPECT_EQ(h, 0u);
  h = 99;
  EXPECT_EQ(hub_.set_capture(kA, &msg, &h), MMCD_ERR_NO_RECEIVER);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(hub_.get_last_error(), MMCD_ERR_NO_RECEIVER);
  EXPECT_EQ(area_->client_count, 0);
}

TEST_F(HubTest, NullArgumentsAreRefused) {
  uint16_t msg;
  uint32_t h;
  EXPECT_EQ(hub_.register_app(0, &msg, &h), MMCD_ERR_BAD_PARAM);
  EXPECT_EQ(hub_.register_app(kA, nullptr, &h), MMCD_ERR_BAD_PARAM);
  EXPECT_EQ(hub_.register_app(kA, &msg, nullptr), MMCD_ERR_BAD_PARAM);
  EXPECT_EQ(hub_.set_capture(kA, nullptr, &h), MMCD_ERR_BAD_PARAM);
  EXPECT_EQ(area_->client_count, 0);
  EXPECT_EQ(area_->capture_window, 0u);
}

TEST_F(HubTest, FourClientsAndOneCaptureAtMost) {
  std::set<uint32_t> handles;
  for (Hwnd w : {kA, kB, kC, kA}) handles.insert(registered(w));  // the same window twice is allowed
  EXPECT_EQ(handles.size(), 4u);
  EXPECT_EQ(handles.count(0), 0u);
  EXPECT_EQ(handles.count(kCaptureHandle), 0u);
  uint16_t msg = 0;
  uint32_t h = 0;
  EXPECT_EQ(hub_.register_app(kD, &msg, &h), MMCD_ERR_BUSY);
  EXPECT_EQ(hub_.get_last_error(), MMCD_ERR_BUSY);
  uint32_t ch = capture(kCapture);
  EXPECT_EQ(ch, kCaptureHandle);
  EXPECT_EQ(hub_.set_capture(kD, &msg, &h), MMCD_ERR_BUSY);
  EXPECT_EQ(area_->capture_window, kCapture);
}

TEST_F(HubTest, RegistrationHandsOutTheMessageId) {
  uint16_t msg = 0;
  uint32_t h = 0;
  ASSERT_EQ(hub_.register_app(kA, &msg, &h), MMCD_OK);
  EXPECT_EQ(msg, kMessage);
  msg = 0;
  ASSERT_EQ(hub_.set_capture(kB, &msg, &h), MMCD_OK);
  EXPECT_EQ(msg, kMessage);
}

TEST_F(HubTest, HandlesStayUniqueAfterUnregistering) {
  uint32_t a = registered(kA), b = registered(kB);
  ASSERT_EQ(hub_.unregister_app(a), MMCD_OK);
  uint32_t c = registered(kC);
  EXPECT_NE(c, b);
  EXPECT_EQ(hub_.unregister_app(a), MMCD_ERR_NOT_FOUND);  // a's handle is gone for good
}

TEST_F(HubTest, SetFirstAppOnTheLastOfThree) {
  registered(kA);
  registered(kB);
  uint32_t c = registered(kC);
  EXPECT_EQ(hub_.set_first_app(c), MMCD_OK);
  EXPECT_EQ(table(), (std::vector<Hwnd>{kC, kA, kB}));
}

TEST_F(HubTest, UnregisteringTheMiddleKeepsTheOrderAndClearsTheFreedEntry) {
  registered(kA);
  uint32_t b = registered(kB);
  registered(kC);
  EXPECT_EQ(hub_.unregister_app(b), MMCD_OK);
  EXPECT_EQ(table(), (std::vector<Hwnd>{kA, kC}));
  EXPECT_EQ(area_->clients[2].handle, 0u);
  EXPECT_EQ(area_->clients[2].window, 0u);
}

TEST_F(HubTest, UnknownZeroAndCaptureHandlesLeaveTheTableIntact) {
  registered(kA);
  registered(kB);
  capture(kCapture);
  for (uint32_t h : {0u, 12345u, kCaptureHandle}) {
    EXPECT_EQ(hub_.unregister_app(h), MMCD_ERR_NOT_FOUND) << h;
    EXPECT_EQ(hub_.set_first_app(h), MMCD_ERR_NOT_FOUND) << h;
    EXPECT_EQ(table(), (std::vector<Hwnd>{kA, kB})) << h;
  }
  EXPECT_EQ(area_->capture_window, kCapture);
}

TEST_F(HubTest, TimerStopsAndGoodbyeWhenTheLastHolderGoes) {
  uint32_t a = registered(kA);
  capture(kCapture);
  ASSERT_EQ(hub_.unregister_app(a), MMCD_OK);
  EXPECT_EQ(host_.timer_stops, 0) << "the capture is still held";
  ASSERT_EQ(hub_.release_capture(0), MMCD_OK);  // the handle is not examined
  EXPECT_EQ(host_.timer_stops, 1);
  EXPECT_EQ(host_.played, (std::vector<std::string>{"C:\\suite\\wave\\GOODBYE.WAV"}));
  EXPECT_EQ(hub_.release_capture(kCaptureHandle), MMCD_ERR_NOT_FOUND);
}

// ---- offering ----

TEST_F(HubTest, OfferingOrderAndResult) {
  struct Row {
    const char* what;
    int capture_answer;  // -1: no capture window
    std::vector<uint32_t> client_answers;
    std::vector<Hwnd> expected_offered;
    uint32_t expected_result;
  };
  const Row rows[] = {
      {"nobody at all", -1, {}, {}, 0},
      {"capture keeps it", 1, {2, 2}, {kCapture}, 1},
      {"capture passes to the first client", 2, {1, 2}, {kCapture, kA}, 1},
      {"capture and first pass", 2, {2, 1}, {kCapture, kA, kB}, 1},
      {"capture alone passes", 2, {}, {kCapture}, 2},
      {"every client passes", -1, {2, 2, 2}, {kA, kB, kC}, 2},
      {"a client's own value stops the offer", -1, {7, 2}, {kA}, 7},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    area_ = std::make_unique<SharedArea>();
    SetUp();
    host_.sent.clear();
    Hub hub(*area_, host_);
    const Hwnd clients[] = {kA, kB, kC};
    if (r.capture_answer >= 0) {
      window(kCapture, r.capture_answer);
      uint16_t m;
      uint32_t h;
      hub.set_capture(kCapture, &m, &h);
    }
    for (std::size_t i = 0; i < r.client_answers.size(); ++i) {
      window(clients[i], r.client_answers[i]);
      uint16_t m;
      uint32_t h;
      hub.register_app(clients[i], &m, &h);
    }
    EXPECT_EQ(hub.offer(kMenu, &area_->status, true), r.expected_result);
    EXPECT_EQ(offered(), r.expected_offered);
    for (auto& s : host_.sent) EXPECT_EQ(s.code, kMenu);
    if (!host_.sent.empty()) {
      EXPECT_EQ(host_.messages, std::set<uint16_t>{kMessage});
    }
  }
}

TEST_F(HubTest, CallNextAppOffersButtonsToClientsOnlyWithTheCommandBuffer) {
  window(kCapture, 1);
  void* seen = nullptr;
  host_.windows[kA] = [&](uint32_t, void* lp) { seen = lp; return 2u; };
  capture(kCapture);
  EXPECT_EQ(hub_.call_next_app(kWeb, nullptr), 2u) << "capture alone, no clients: 2";
  EXPECT_TRUE(host_.sent.empty());
  registered(kA);
  EXPECT_EQ(hub_.call_next_app(0x10000 | kWeb, nullptr), 2u);  // low 16 bits used
  EXPECT_EQ(offered(), std::vector<Hwnd>{kA});
  EXPECT_EQ(host_.sent[0].code, kWeb);
  EXPECT_EQ(seen, area_->command_buffer);
  EXPECT_EQ(hub_.get_last_error(), 2u);
}

// ---- command requests (1091) ----

struct Answer {
  uint32_t value;
  uint32_t length;
  std::vector<uint8_t> payload;
};

TEST_F(HubTest, CommandLengthLimit) {
  struct Row { uint32_t length; uint32_t expected; bool delivered; };
  const Row rows[] = {
      {1012, MMCD_OK, true},
      {1013, MMCD_ERR_BAD_PARAM, false},
      {0xFFFFFFF8u, MMCD_ERR_BAD_PARAM, false},  // would wrap if 12 were added
      {0xFFFFFFFFu, MMCD_ERR_BAD_PARAM, false},
  };
  std::vector<uint8_t> payload(1012, 0x5A);
  for (const Row& r : rows) {
    host_.sent.clear();
    uint32_t seen_length = 0;
    uint8_t last_byte = 0;
    host_.windows[kA] = [&](uint32_t, void* lp) {
      auto* buf = static_cast<uint8_t*>(lp);
      std::memcpy(&seen_length, buf + 8, 4);
      last_byte = buf[MMCD_CMD_BUFFER_SIZE - 1];
      return 1u;
    };
    if (area_->client_count == 0) registered(kA);
    MMCD_CMD cmd{1, 7, 0, r.length, payload.data()};
    EXPECT_EQ(hub_.call_next_app(kEvCommand, &cmd), r.expected) << r.length;
    EXPECT_EQ(!host_.sent.empty(), r.delivered) << r.length;
    if (r.delivered) {
      EXPECT_EQ(seen_length, r.length);
      EXPECT_EQ(last_byte, 0x5A);
    }
  }
}

TEST_F(HubTest, AnsweredCommandIsCopiedBack) {
  host_.windows[kA] = [](uint32_t code, void* lp) {
    EXPECT_EQ(code, kEvCommand);
    auto* buf = static_cast<uint8_t*>(lp);
    uint32_t value = 0xABCD, length = 3;
    std::memcpy(buf + 4, &value, 4);
    std::memcpy(buf + 8, &length, 4);
    std::memcpy(buf + 12, "xyz", 3);
    return 1u;
  };
  registered(kA);
  char payload[8] = "abcdefg";
  MMCD_CMD cmd{1, 3, 1, 7, payload};
  ASSERT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_OK);
  EXPECT_EQ(cmd.value, 0xABCDu);
  EXPECT_EQ(cmd.length, 3u);
  EXPECT_EQ(std::string(payload, 7), "xyzdefg");
  EXPECT_EQ(cmd.data, payload) << "the caller's pointer is kept";
}

TEST_F(HubTest, EnlargedAnswerIsCutToTheCallersPayload) {
  host_.windows[kA] = [](uint32_t, void* lp) {
    auto* buf = static_cast<uint8_t*>(lp);
    uint32_t length = 0xFFFFFFF0u;  // more than the buffer holds
    std::memcpy(buf + 8, &length, 4);
    std::memset(buf + 12, 'Q', MMCD_CMD_BUFFER_SIZE - 12);
    return 1u;
  };
  registered(kA);
  struct {
    char payload[4];
    char guard[8];
  } caller;
  std::memset(&caller, '-', sizeof caller);
  MMCD_CMD cmd{1, 3, 0, 4, caller.payload};
  ASSERT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_OK);
  EXPECT_EQ(std::string(caller.payload, 4), "QQQQ");
  EXPECT_EQ(std::string(caller.guard, 8), "--------");
  EXPECT_EQ(cmd.length, 4u);
}

TEST_F(HubTest, CommandRoutingByClassBitAndResult) {
  window(kCapture, 1);
  window(kA, 2);
  capture(kCapture);
  registered(kA);

  MMCD_CMD plain{1, 3, 0, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &plain), MMCD_OK);
  EXPECT_EQ(offered(), std::vector<Hwnd>{kA}) << "no bit 15: capture left out";

  host_.sent.clear();
  MMCD_CMD with_capture{0x8001, 3, 0, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &with_capture), MMCD_OK);
  EXPECT_EQ(offered(), std::vector<Hwnd>{kCapture});
  EXPECT_EQ(with_capture.cmd_class, 1) << "bit 15 cleared in the caller's record";

  host_.sent.clear();
  MMCD_CMD other_class{2, 3, 0, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &other_class), MMCD_OK);
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(HubTest, UnansweredCommands) {
  MMCD_CMD cmd{1, 2, 0, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_ERR_NOT_FOUND) << "nobody to offer it to";
  window(kA, 2);
  registered(kA);
  host_.track = 6;
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_OK);
  EXPECT_EQ(cmd.value, 6u) << "item 2 nobody answered: the CD's current track";
  MMCD_CMD other{1, 3, 77, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &other), MMCD_OK);
  EXPECT_EQ(other.value, 77u);
}

TEST_F(HubTest, CommandSetsPlayState) {
  MMCD_CMD cmd{1, 1, 0x00010006, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_OK);
  EXPECT_EQ(area_->status.play_state, 6);
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(HubTest, CommandAnnouncements) {
  struct Row {
    uint32_t value;
    uint16_t disc_type;
    std::vector<std::string> files;
    uint16_t disc_type_after;
  };
  const Row rows[] = {
      {0, 4, {"TRAYOUT.WAV"}, 15},
      {1, 4, {"TRAYCLOS.WAV"}, 15},
      {2 | 250u << 16, 4, {"PLAYING.WAV", "TRACK.WAV", "200_8.WAV", "AND.WAV", "050_8.WAV"}, 4},
      {2 | 300u << 16, 4, {"PLAYING.WAV", "TRACK.WAV", "300_8.WAV"}, 4},
      {2 | 7u << 16, 12, {"PLAYING.WAV", "FILE.WAV", "007_8.WAV"}, 12},
      {2 | 1000u << 16, 9, {"PLAYING.WAV", "TRACK.WAV"}, 9},
      {2 | 5u << 16, 6, {"PLAYING.WAV", "005_8.WAV"}, 6},
      {3, 4, {"STOP.WAV"}, 4},
      {9, 4, {"NEXTRACK.WAV"}, 4},
  };
  for (const Row& r : rows) {
    host_.played.clear();
    area_->status.disc_type = r.disc_type;
    MMCD_CMD cmd{1, 4, r.value, 0, nullptr};
    EXPECT_EQ(hub_.call_next_app(kEvCommand, &cmd), MMCD_OK) << r.value;
    std::vector<std::string> expected;
    for (auto& f : r.files) expected.push_back("C:\\suite\\wave\\" + f);
    EXPECT_EQ(host_.played, expected) << std::hex << r.value;
    EXPECT_EQ(area_->status.disc_type, r.disc_type_after) << r.value;
    EXPECT_EQ(area_->pending_number, r.value >> 16);
  }
  MMCD_CMD beyond{1, 4, 10, 0, nullptr};
  EXPECT_EQ(hub_.call_next_app(kEvCommand, &beyond), MMCD_ERR_BAD_PARAM);
}

// ---- voice requests (1088) ----

TEST_F(HubTest, VoiceRequestPlaysTheFileAndReprogramsTheDrive) {
  area_->drive.settings_pages_valid = 1;
  MMCD_VOICE v{};
  std::strcpy(v.file, "HELLO.WAV");
  EXPECT_EQ(hub_.call_next_app(kEvVoice, &v), MMCD_OK);
  EXPECT_EQ(host_.played, std::vector<std::string>{"C:\\suite\\wave\\HELLO.WAV"});
  EXPECT_EQ(host_.port.commands.size(), 6u) << "pages 0x20 and 0x21, three times";
}

TEST_F(HubTest, VoiceOffPlaysNothingAndLeavesTheDriveAlone) {
  area_->drive.settings_pages_valid = 1;
  area_->settings.intelligent_voice = 0;
  MMCD_VOICE v{kPlay, 3, 0, ""};
  EXPECT_EQ(hub_.call_next_app(kEvVoice, &v), MMCD_OK);
  EXPECT_TRUE(host_.played.empty());
  EXPECT_TRUE(host_.port.commands.empty());
}

TEST_F(HubTest, FailedFileGivesSoundErrorButTheRestIsTried) {
  area_->status.disc_type = 4;
  host_.silent.insert("C:\\suite\\wave\\PLAYING.WAV");
  MMCD_VOICE v{kButton3, 12, 0, ""};
  EXPECT_EQ(hub_.call_next_app(kEvVoice, &v), MMCD_ERR_SOUND);
  EXPECT_EQ(host_.played.size(), 3u);
  EXPECT_EQ(hub_.get_last_error(), MMCD_ERR_SOUND);
}

TEST_F(HubTest, StandardFileNameWrittenWithinTheLongestStandardName) {
  MMCD_VOICE v{};
  v.code = kEvTrayClosed;
  std::memset(v.file, 'x', sizeof v.file);
  EXPECT_EQ(hub_.call_next_app(kEvVoice, &v), MMCD_OK);
  EXPECT_STREQ(v.file, "TRAYCLOS.WAV");
  for (std::size_t i = MMCD_STD_FILE_SIZE; i < sizeof v.file; ++i) ASSERT_EQ(v.file[i], 'x') << i;
  EXPECT_EQ(hub_.call_next_app(kEvVoice, nullptr), MMCD_ERR_BAD_PARAM);
}

TEST_F(HubTest, UnterminatedFileNameIsReadWithinItsField) {
  MMCD_VOICE v{};
  std::memset(v.file, 'y', sizeof v.file);  // no terminator anywhere
  hub_.call_next_app(kEvVoice, &v);
  ASSERT_EQ(host_.played.size(), 1u);
  EXPECT_EQ(host_.played[0].size(), std::strlen("C:\\suite\\wave\\") + sizeof v.file);
}

// ---- capabilities ----

TEST_F(HubTest, CapabilityErrors) {
  uint32_t h = registered(kA);
  uint32_t out = 0;
  struct Row {
    const char* what;
    bool set;
    uint32_t handle;
    uint32_t id;
    uintptr_t p1;
    uintptr_t p2;
    uint32_t expected;
  };
  const uintptr_t p = reinterpret_cast<uintptr_t>(&out);
  const Row rows[] = {
      {"unknown handle", false, 999, MMCD_CAP_MOUSE_INTERVAL, p, 0, MMCD_ERR_NOT_FOUND},
      {"zero handle", true, 0, MMCD_CAP_MOUSE_INTERVAL, 5, 0, MMCD_ERR_NOT_FOUND},
      {"mouse step 0", true, h, MMCD_CAP_MOUSE_INTERVAL, 0, 0, MMCD_ERR_BAD_PARAM},
      {"mouse step 11", true, h, MMCD_CAP_MOUSE_INTERVAL, 11, 0, MMCD_ERR_BAD_PARAM},
      {"mouse step 10", true, h, MMCD_CAP_MOUSE_INTERVAL, 10, 0, MMCD_OK},
      {"button map count", false, h, MMCD_CAP_BUTTON_MAP, p, 0, MMCD_OK},
      {"button map event code", false, h, MMCD_CAP_BUTTON_MAP, p, 1073, MMCD_ERR_BAD_PARAM},
      {"button map set bad index", true, h, MMCD_CAP_BUTTON_MAP, p, 1023, MMCD_ERR_BAD_PARAM},
      {"button map set null", true, h, MMCD_CAP_BUTTON_MAP, 0, 0xFFFF, MMCD_ERR_BAD_PARAM},
      {"disc type get", false, h, MMCD_CAP_DISC_TYPE, p, 0, MMCD_OK},
      {"disc type set", true, h, MMCD_CAP_DISC_TYPE, 4, 0, MMCD_ERR_UNSUPPORTED},
      {"disc type null", false, h, MMCD_CAP_DISC_TYPE, 0, 0, MMCD_ERR_BAD_PARAM},
      {"reserved 7 small p2", false, h, MMCD_CAP_RESERVED_7, p, 255, MMCD_ERR_BAD_PARAM},
      {"reserved 7", false, h, MMCD_CAP_RESERVED_7, p, 256, MMCD_OK},
      {"reserved 7 set", true, h, MMCD_CAP_RESERVED_7, p, 256, MMCD_ERR_UNSUPPORTED},
      {"reserved 8 get", false, h, MMCD_CAP_RESERVED_8, p, 0, MMCD_ERR_UNSUPPORTED},
      {"reserved 8 set", true, h, MMCD_CAP_RESERVED_8, 1, 0, MMCD_OK},
      {"play state 10", true, h, MMCD_CAP_PLAY_STATE, 10, 0, MMCD_ERR_BAD_PARAM},
      {"play state 9", true, h, MMCD_CAP_PLAY_STATE, 9, 0, MMCD_OK},
      {"drive above Z", true, h, MMCD_CAP_DRIVE, 26, 0, MMCD_ERR_BAD_PARAM},
      {"drive without receiver", true, h, MMCD_CAP_DRIVE, 4, 0, MMCD_ERR_NO_REMOTE_DRIVE},
      {"drive get null p2", false, h, MMCD_CAP_DRIVE, p, 0, MMCD_ERR_BAD_PARAM},
      {"remote controller null", true, h, MMCD_CAP_REMOTE_CONTROLLER, 0, 0, MMCD_ERR_BAD_PARAM},
      {"unknown id", false, h, 0x100E, p, 0, MMCD_ERR_UNSUPPORTED},
      {"id below the table", true, h, 0x0FFF, 1, 0, MMCD_ERR_UNSUPPORTED},
      {"high bits ignored", false, h, 0x51004, p, 0, MMCD_OK},
  };
  for (const Row& r : rows) {
    uint32_t got = r.set ? hub_.set_cap(r.handle, r.id, r.p1, static_cast<uint32_t>(r.p2))
                         : hub_.get_cap(r.handle, r.id, reinterpret_cast<void*>(r.p1),
                                        reinterpret_cast<void*>(r.p2));
    EXPECT_EQ(got, r.expected) << r.what;
    EXPECT_EQ(hub_.get_last_error(), r.expected) << r.what;
  }
}

TEST_F(HubTest, CapabilityValuesAreWrittenAs32Bits) {
  uint32_t h = capture(kCapture);  // the capture handle is accepted too
  area_->status.disc_type = 9;
  area_->status.play_state = 5;
  area_->settings.mouse_interval = 7;
  struct Row { uint32_t id; uint32_t expected; };
  const Row rows[] = {
      {MMCD_CAP_DISC_TYPE, 9}, {MMCD_CAP_PLAY_STATE, 5}, {MMCD_CAP_MOUSE_INTERVAL, 7},
      {MMCD_CAP_BUTTON_MAP, 49}, {MMCD_CAP_VOICE, 1}, {MMCD_CAP_MUTE, 0},
  };
  for (const Row& r : rows) {
    uint32_t out = 0xFFFFFFFF;
    EXPECT_EQ(hub_.get_cap(h, r.id, &out, nullptr), MMCD_OK) << std::hex << r.id;
    EXPECT_EQ(out, r.expected) << std::hex << r.id;
  }
}

TEST_F(HubTest, SetThenGetRoundTrips) {
  uint32_t h = registered(kA);
  struct Row { uint32_t id; uint32_t set; uint32_t expected; };
  const Row rows[] = {
      {MMCD_CAP_PLAY_STATE, 6, 6},   {MMCD_CAP_MUTE, 5, 1},  {MMCD_CAP_MUTE, 0, 0},
      {MMCD_CAP_VOICE, 0, 0},        {MMCD_CAP_VOICE, 9, 1}, {MMCD_CAP_MOUSE_INTERVAL, 1, 1},
      {MMCD_CAP_VOLUME, 0x12345678, 0x12345678},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(hub_.set_cap(h, r.id, r.set, 0), MMCD_OK) << std::hex << r.id;
    uint32_t out = 0;
    ASSERT_EQ(hub_.get_cap(h, r.id, &out, nullptr), MMCD_OK);
    EXPECT_EQ(out, r.expected) << std::hex << r.id << " set " << r.set;
  }
  EXPECT_EQ(area_->status.voice, 1) << "the status record mirrors the voice flag";
}

TEST_F(HubTest, DriveCapability) {
  uint32_t h = registered(kA);
  area_->drive.drives[5].has_receiver = 1;
  std::strcpy(area_->drive.letters, "DF");
  char current[3] = "??", letters[27] = {};
  ASSERT_EQ(hub_.get_cap(h, MMCD_CAP_DRIVE, current, letters), MMCD_OK);
  EXPECT_STREQ(current, "D:");
  EXPECT_STREQ(letters, "DF");
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_DRIVE, 5, 0), MMCD_OK);
  ASSERT_EQ(hub_.get_cap(h, MMCD_CAP_DRIVE, current, letters), MMCD_OK);
  EXPECT_STREQ(current, "F:");
  EXPECT_EQ(area_->status.drive, 5);
}

TEST_F(HubTest, LockCapabilitiesAnnounceEvenWhenUnchanged) {
  uint32_t h = registered(kA);
  area_->status.mouse_lock = 1;
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_MOUSE_LOCK, 1, 0), MMCD_OK);
  EXPECT_EQ(area_->status.mouse_lock, 1);
  EXPECT_EQ(host_.played, std::vector<std::string>{"C:\\suite\\wave\\MOUSEON.WAV"});
  host_.played.clear();
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_SHIFT_LOCK, 0, 0), MMCD_OK);
  EXPECT_EQ(area_->status.shift_lock, 0);
  EXPECT_EQ(host_.played, (std::vector<std::string>{"C:\\suite\\wave\\SHIFTLOK.WAV",
                                                    "C:\\suite\\wave\\ISOFF.WAV"}));
  uint32_t out = 9;
  hub_.get_cap(h, MMCD_CAP_SHIFT_LOCK, &out, nullptr);
  EXPECT_EQ(out, 0u);
}

TEST_F(HubTest, ButtonMapEntriesAndWholeMap) {
  uint32_t h = registered(kA);
  MapEntry entry{};
  entry.flags = kLayerNormal | kAutoRepeat;
  entry.count = 2;
  entry.code[0] = 0x12;
  entry.extra[193] = 0xEE;  // kept whole
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_BUTTON_MAP, reinterpret_cast<uintptr_t>(&entry), kTab), MMCD_OK);
  MapEntry back{};
  ASSERT_EQ(hub_.get_cap(h, MMCD_CAP_BUTTON_MAP, &back, reinterpret_cast<void*>(uintptr_t{kTab})),
            MMCD_OK);
  EXPECT_EQ(std::memcmp(&back, &entry, sizeof entry), 0);
  std::vector<uint8_t> whole(9898, 0);
  ASSERT_EQ(hub_.get_cap(h, MMCD_CAP_BUTTON_MAP, whole.data(), reinterpret_cast<void*>(0xFFFF)),
            MMCD_OK);
  EXPECT_EQ(std::memcmp(whole.data() + 48 * 202, &entry, sizeof entry), 0);
  whole.assign(9898, 0x11);
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_BUTTON_MAP, reinterpret_cast<uintptr_t>(whole.data()), 0xFFFF),
            MMCD_OK);
  EXPECT_EQ(area_->button_map[0].flags, 0x11);
}

TEST_F(HubTest, VersionLeavesTheLastStatusAlone) {
  uint32_t out;
  hub_.get_cap(77, MMCD_CAP_VOICE, &out, nullptr);
  EXPECT_EQ(hub_.get_version(), 0x00010001u);
  EXPECT_EQ(hub_.get_last_error(), MMCD_ERR_NOT_FOUND);
}

// ---- configuration ----

TEST_F(HubTest, RemoteControllerNameLimits) {
  uint32_t h = registered(kA);
  std::strcpy(area_->settings.remote_controller, "C:\\suite\\zk.rcb");
  struct Row { const char* what; std::string name; uint32_t expected; };
  const Row rows[] = {
      {"261 characters", std::string(261, 'n'), MMCD_ERR_BAD_PARAM},
      {"long string with no terminator in reach", std::string(5000, 'n'), MMCD_ERR_BAD_PARAM},
      {"expansion past 260", "C:\\" + std::string(250, 'd') + "\\name", MMCD_ERR_BAD_PARAM},
      {"relative name whose expansion is too long", std::string(255, 'r'), MMCD_ERR_BAD_PARAM},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(hub_.set_cap(h, MMCD_CAP_REMOTE_CONTROLLER, reinterpret_cast<uintptr_t>(r.name.c_str()), 0),
              r.expected) << r.what;
    EXPECT_STREQ(area_->settings.remote_controller, "C:\\suite\\zk.rcb") << r.what;
  }
  EXPECT_TRUE(host_.reg.values.empty()) << "nothing saved";
}

TEST_F(HubTest, RemoteControllerIsSavedExpandedAndTheMapReloaded) {
  uint32_t h = registered(kA);
  std::strcpy(area_->settings.base_folder, "C:\\suite");
  host_.reg.exists = true;
  host_.reg.values["RcbPath"] = {SettingsRegistry::Type::string, "C:\\suite\\rcb", 0};
  std::strcpy(area_->settings.rcb_path, "C:\\suite\\rcb");
  host_.files["C:\\suite\\rcb\\tv.rcb"] = {{"Mapping/Menu", "0102abcd"}};
  ASSERT_EQ(hub_.set_cap(h, MMCD_CAP_REMOTE_CONTROLLER, reinterpret_cast<uintptr_t>("tv.map"), 0),
            MMCD_OK);
  EXPECT_EQ(host_.reg.values["RemoteController"].text, "C:\\suite\\rcb\\tv.rcb");
  EXPECT_EQ(area_->button_map[0].count, 2);
  EXPECT_EQ(area_->button_map[0].code[1], 0xCD);
  char path[261];
  ASSERT_EQ(hub_.get_cap(h, MMCD_CAP_REMOTE_CONTROLLER, path, nullptr), MMCD_OK);
  EXPECT_STREQ(path, "C:\\suite\\rcb\\tv.rcb");
}

TEST_F(HubTest, LaterAttachKeepsTheDrivesWhenItFindsNone) {
  area_->attach_count = 1;
  area_->drive.settings_pages_valid = 1;
  std::memset(area_->drive.pages.standalone, 0xAB, sizeof area_->drive.pages.standalone);
  testing::FakeDiscovery discovery;  // this process sees no receiver drive
  EXPECT_FALSE(hub_.attach(discovery));
  EXPECT_EQ(area_->attach_count, 2);
  EXPECT_EQ(area_->drive.receiver_count, 1);
  EXPECT_STREQ(area_->drive.letters, "D");
  EXPECT_STREQ(area_->drive.current_text, "D:");
  EXPECT_EQ(area_->drive.pages.standalone[10], 0xAB) << "the button map's page is kept";

  discovery.letters = "EG";
  host_.port.cdrom = true;
  EXPECT_FALSE(hub_.attach(discovery));
  EXPECT_STREQ(area_->drive.letters, "EG");
  EXPECT_STREQ(area_->drive.current_text, "E:");
  EXPECT_EQ(area_->drive.current, 4);
  EXPECT_EQ(area_->status.drive, 4);
  EXPECT_EQ(area_->drive.pages.standalone[10], 0xAB) << "the receiver test read into a copy";
}

TEST_F(HubTest, FirstAttachDiscoversIntoTheSharedTable) {
  area_->drive.receiver_count = 0;
  testing::FakeDiscovery discovery;
  discovery.letters = "F";
  host_.port.cdrom = true;
  EXPECT_TRUE(hub_.attach(discovery));
  EXPECT_STREQ(area_->drive.letters, "F");
  EXPECT_EQ(area_->drive.receiver_count, 1);
  EXPECT_EQ(area_->drive.pages.standalone[8], 0x20);
}

TEST_F(HubTest, LastDetachSavesSettingsAndGivesTheDriveBack) {
  area_->attach_count = 2;
  area_->drive.settings_pages_valid = 1;
  area_->status.special_mode = 1;
  area_->settings.mouse_interval = 3;
  EXPECT_FALSE(hub_.detach());
  EXPECT_TRUE(host_.reg.values.empty());
  EXPECT_TRUE(hub_.detach());
  EXPECT_EQ(host_.reg.values["MouseInterval"].number, 3u);
  ASSERT_EQ(host_.port.commands.size(), 6u);
  const auto& first = host_.port.commands[0];
  EXPECT_EQ(first.page, 0x20);
  ASSERT_GE(first.data.size(), 14u);
  EXPECT_EQ(first.data[11] & 0x03, 0x02) << "PC mode off, special mode kept";
}

}  // namespace
}  // namespace beamhub
