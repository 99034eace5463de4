#include "beamhub/poll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "beamhub/codes.h"
#include "beamhub/tests/hub_fixture.h"

namespace beamhub {
namespace {

using testing::FakeHost;

// A drive whose receiver reports come from a queue, one per page-0x00 read;
// with the queue empty it reports nothing.
class ReceiverPort : public AspiPort {
 public:
  uint32_t support_info() override { return 1; }
  void send(aspi::DeviceTypeRequest& r) override { r.status = aspi::SS_NO_DEVICE; }
  Transport execute(aspi::ExecRequest& r) override {
    r.status = aspi::SS_COMP;
    const uint8_t page = r.cdb[2];
    if (r.flags == aspi::SRB_DIR_OUT) {
      selects.push_back(page);
      return Transport::ok;
    }
    std::memset(r.data, 0, r.data_length);
    r.data[8] = page;
    if (page == 0x00) {
      ++report_reads;
      if (!reports.empty()) {
        std::memcpy(r.data, reports.front().data(), 20);
        reports.pop_front();
      } else {
        r.data[9] = 10;
        r.data[10] = 0x80;  // nothing
        r.data[11] = static_cast<uint8_t>(medium << 4 | play_status);
      }
    } else {
      r.data[9] = static_cast<uint8_t>(r.data_length - 10);
    }
    return Transport::ok;
  }
  void sleep_ms(unsigned) override {}

  std::deque<std::vector<uint8_t>> reports;
  std::vector<uint8_t> selects;
  int report_reads = 0;
  uint8_t medium = 15;
  uint8_t play_status = 8;
};


class FolderSet : public DiscFiles {
 public:
  bool file_exists(const std::string& p) override { return files.count(p) > 0; }
  bool folder_exists(const std::string& p) override { return folders.count(p) > 0; }
  bool read_start(const std::string& p, uint8_t* out, std::size_t size, std::size_t& got) override {
    auto it = contents.find(p);
    if (it == contents.end()) return false;
    got = std::min(size, it->second.size());
    std::memcpy(out, it->second.data(), got);
    return true;
  }
  bool any_match(const std::string&) override { return false; }

  std::set<std::string> files, folders;
  std::map<std::string, std::string> contents;
};

class InputLog : public PollHost {
 public:
  void mouse_move(int dx, int dy) override { input.push_back("move " + std::to_string(dx) + "," + std::to_string(dy)); }
  void mouse_click(bool right) override { input.push_back(right ? "rclick" : "lclick"); }
  void key(uint8_t vk) override { input.push_back("key " + std::to_string(vk)); }
  bool cd_command(char, CdCommand c) override {
    input.push_back(c == CdCommand::stop ? "cd stop" : c == CdCommand::open_door ? "cd open" : "cd close");
    return true;
  }
  DiscFiles& disc_files() override { return files; }

  std::vector<std::string> input;
  FolderSet files;
};

constexpr Hwnd kClient = 0x300;
const uint8_t kAddress[4] = {0x4e, 0xb1, 0x0a, 0xf5};

class PollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SharedArea& a = *area_;
    a.message_id = 0xC000;
    a.drive.receiver_count = 1;
    a.drive.current = 3;
    std::strcpy(a.drive.current_text, "D:");
    a.drive.drives[3].has_receiver = 1;
    a.drive.settings_pages_valid = 1;
    a.settings.intelligent_voice = 1;
    a.settings.mouse_interval = 5;
    std::strcpy(a.settings.wave_path, "W");
    map(kPlay, 0x01, 0x10);
    map(kMenu, 0x01, 0x11);
    map(kEnter, 0x01, 0x12);
    map(kAppMenu, 0x01, 0x13);
    map(kStop, 0x01, 0x14);
    map(kShiftLock, 0x01, 0x15);
    map(kScrollUp, 0x01, 0x16);
    map(kMouseUp, kLayerMouse | kAutoRepeat, 0x16);
    map(kMouseLClick, kLayerMouse, 0x12);
    map(kVolumeUp, 0x11, 0x17);
    map(kMouseLock, 0x01, 0x18);
    host_.windows[kClient] = [this](uint32_t code, void* lp) {
      auto* st = static_cast<MMCD_STATUS*>(lp);
      got_.push_back(code);
      names_.push_back(st->name);
      return answer_;
    };
    uint16_t m;
    uint32_t h;
    ASSERT_EQ(hub_.register_app(kClient, &m, &h), MMCD_OK);
    poller_.first_poll();
    host_.played.clear();
    port_.selects.clear();
  }

  void map(uint16_t button, uint8_t flags, uint8_t command) {
    MapEntry& e = area_->button_map[button - kFirstButton];
    e.flags = flags;
    e.count = 6;
    e.code[0] = command;
    e.code[1] = static_cast<uint8_t>(~command);
    std::memcpy(e.code + 2, kAddress, 4);
  }
  std::vector<uint8_t> report(uint8_t kind) const {
    std::vector<uint8_t> r(20, 0);
    r[9] = 10;
    r[10] = static_cast<uint8_t>(kind << 6);
    r[11] = static_cast<uint8_t>(port_.medium << 4 | port_.play_status);
    return r;
  }
  void press(uint16_t button, int reads = 1) {
    std::vector<uint8_t> r = report(1);
    std::memcpy(&r[12], area_->button_map[button - kFirstButton].code, 6);
    r[18] = 0x42;
    for (int i = 0; i < reads; ++i) port_.reports.push_back(r);
  }
  void event(uint16_t bits, uint8_t flags = 0x08) {
    std::vector<uint8_t> r = report(0);
    r[13] = static_cast<uint8_t>(bits);
    r[14] = static_cast<uint8_t>(flags | ((bits >> 8) & 0x07));
    r[15] = 7;
    port_.reports.push_back(r);
  }
  // The first tick, with its welcome, out of the way.
  void start() {
    ticks(1);
    host_.played.clear();
    port_.selects.clear();
  }
  // Runs ticks and returns the codes delivered, with 0 for a tick that delivered nothing.
  std::vector<uint32_t> ticks(int n) {
    std::vector<uint32_t> out;
    for (int i = 0; i < n; ++i) {
      got_.clear();
      poller_.tick();
      out.push_back(got_.empty() ? 0 : got_.back());
    }
    return out;
  }
  std::vector<std::string> played() const {
    std::vector<std::string> out;
    for (const std::string& p : host_.played) out.push_back(p.substr(2));
    return out;
  }

  std::unique_ptr<SharedArea> area_ = std::make_unique<SharedArea>();
  ReceiverPort port_;
  FakeHost host_{port_};
  Hub hub_{*area_, host_};
  InputLog input_;
  Poller poller_{*area_, hub_, port_, input_};
  std::vector<uint32_t> got_;
  std::vector<std::string> names_;
  uint32_t answer_ = 1;
};

TEST_F(PollTest, FirstTickWelcomesOrHandsOnTheAutoInsertNotice) {
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{0});
  EXPECT_EQ(played(), std::vector<std::string>{"WELCOME.WAV"});

  area_->poll.started = 0;
  area_->drive.auto_insert_switched_off = 1;
  host_.played.clear();
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvAutoInsertOff});
  EXPECT_TRUE(host_.played.empty());
}

TEST_F(PollTest, HeldButtonEveryThirdTickAutoRepeatEveryTick) {
  start();
  press(kMenu, 7);
  EXPECT_EQ(ticks(7), (std::vector<uint32_t>{kMenu, 0, 0, kMenu, 0, 0, kMenu}));
  ticks(5);
  press(kVolumeUp, 4);
  EXPECT_EQ(ticks(4), (std::vector<uint32_t>{kVolumeUp, kVolumeUp, kVolumeUp, kVolumeUp}));
}

TEST_F(PollTest, OneIdleNoticeAfterAButton) {
  start();
  press(kMenu);
  EXPECT_EQ(ticks(6), (std::vector<uint32_t>{kMenu, 0, 0, kEvNothing, 0, 0}));
}

// Nobody registered yet when the drive reports: start-up notices wait for a
// window, and a code that reached nobody brings no idle notice later.
TEST_F(PollTest, NoticesWaitForAWindowAndNobodyGetsAnIdleNoticeForNothing) {
  ASSERT_EQ(hub_.unregister_app(hub_.table().clients[0].handle), MMCD_OK);
  area_->drive.auto_insert_switched_off = 1;
  press(kMenu);
  host_.sent.clear();
  ticks(6);
  EXPECT_TRUE(host_.sent.empty()) << "nobody to offer anything to";
  EXPECT_EQ(area_->poll.pending, kEvAutoInsertOff) << "kept for the first window";

  uint16_t m;
  uint32_t h;
  ASSERT_EQ(hub_.register_app(kClient, &m, &h), MMCD_OK);
  EXPECT_EQ(ticks(6), (std::vector<uint32_t>{kEvAutoInsertOff, kEvNothing, 0, 0, 0, 0}))
      << "the notice once, then one idle notice for it";

  // A button pressed while nobody is there is not followed by an idle notice.
  ASSERT_EQ(hub_.unregister_app(h), MMCD_OK);
  press(kEnter);
  ticks(1);
  ASSERT_EQ(hub_.register_app(kClient, &m, &h), MMCD_OK);
  EXPECT_EQ(ticks(6), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0}));
}

TEST_F(PollTest, AnotherButtonIsTakenAtOnce) {
  start();
  press(kMenu);
  press(kEnter);
  press(kMenu);
  EXPECT_EQ(ticks(3), (std::vector<uint32_t>{kMenu, kEnter, kMenu}));
  EXPECT_EQ(names_.back(), "Menu");
  EXPECT_EQ(area_->status.value, 0x42);
  EXPECT_EQ(std::memcmp(area_->status.raw_code, area_->button_map[0].code, 6), 0);
}

TEST_F(PollTest, UnknownCodeIsDeliveredAs1086WithItsRawCode) {
  start();
  std::vector<uint8_t> r = report(1);
  const uint8_t code[6] = {1, 2, 3, 4, 5, 6};
  std::memcpy(&r[12], code, 6);
  port_.reports.push_back(r);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvUnknownCode});
  EXPECT_EQ(std::memcmp(area_->status.raw_code, code, 6), 0);
  EXPECT_EQ(names_.back(), "");
}

TEST_F(PollTest, EventBitOrder) {
  struct Row { uint16_t bits; uint16_t expected; };
  const Row rows[] = {
      {0x0003, kEvStopped}, {0x0002, kEvNextTrack},  // playing while playing: the next track {0x000C, kEvRewinding}, {0x0008, kEvForwarding},
      {0x0030, kEvPrevTrack}, {0x0020, kEvNextTrack}, {0x00C0, kEvDriveVolumeDown},
      {0x0080, kEvDriveVolumeUp}, {0x0300, kEvPaused}, {0x0400, kEvAnnounceTrack},
  };
  start();
  for (const Row& r : rows) {
    area_->status.play_state = kPlaying;  // leaves these codes as they are
    area_->poll.elapsed = 1000;
    event(r.bits);
    EXPECT_EQ(ticks(1), std::vector<uint32_t>{r.expected}) << std::hex << r.bits;
  }
}

TEST_F(PollTest, DiscPresentIsTakenEvenWithin500ms) {
  start();
  port_.medium = 4;
  area_->status.disc_type = kDiscUnknown;
  press(kMenu);
  event(0);
  EXPECT_EQ(ticks(2), (std::vector<uint32_t>{kMenu, kEvDiscPresent}));
  EXPECT_EQ(area_->status.disc_type, kDiscAudio) << "probed again";
  EXPECT_EQ(played(), (std::vector<std::string>{"DISCIS.WAV", "AUDIOCD.WAV"}));
}

TEST_F(PollTest, VideoCdIsAnnouncedWhenTheDiscIsPresent) {
  start();
  input_.files.files.insert("D:\\vcd\\info.vcd");
  input_.files.contents["D:\\vcd\\info.vcd"] = std::string("VIDEO_CD\x02\x00", 10);
  port_.medium = 1;
  area_->status.disc_type = kDiscUnknown;
  event(0);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvDiscPresent});
  EXPECT_EQ(area_->status.disc_type, kDiscVideoCd);
  EXPECT_EQ(played(), (std::vector<std::string>{"DISCIS.WAV", "VIDEOCD.WAV"}));
}

TEST_F(PollTest, LostSettingsAreSentAgainBeforeTheEventIsDecoded) {
  start();
  area_->status.play_state = kPlaying;
  area_->volume.target = kTargetDrive;  // no volume change to write
  event(0x0001, 0x00);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvStopped});
  EXPECT_EQ(port_.selects, (std::vector<uint8_t>{0x20, 0x21, 0x20, 0x21, 0x20, 0x21}));
  port_.selects.clear();
  event(0x0002, 0x08);
  ticks(1);
  EXPECT_TRUE(port_.selects.empty()) << "settings held: nothing sent";
}

TEST_F(PollTest, ShiftLockTogglesAnnouncesAndIsStillDelivered) {
  start();
  area_->status.shift_lock = 1;
  press(kShiftLock);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kShiftLock});
  EXPECT_EQ(area_->status.shift_lock, 0);
  EXPECT_EQ(played(), (std::vector<std::string>{"SHIFTLOK.WAV", "ISOFF.WAV"}));
}

TEST_F(PollTest, MouseKeysActAndAreConsumed) {
  start();
  area_->status.mouse_lock = 1;
  press(kScrollUp);  // the same code as MouseUp: the mouse layer wins
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{0});
  area_->status.shift_lock = 1;
  press(kScrollUp);
  press(kEnter);  // MouseLClick in the mouse layer
  ticks(2);
  EXPECT_EQ(input_.input, (std::vector<std::string>{"move 0,-5", "move 0,-10", "lclick", "lclick"}));
  area_->status.mouse_lock = 0;
  area_->status.shift_lock = 0;
  press(kScrollUp);
  answer_ = 1;
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kScrollUp});
}

TEST_F(PollTest, UnclaimedKeysAreTypedAfterTheirAnnouncement) {
  start();
  answer_ = 2;
  press(kEnter);
  press(kAppMenu);
  press(kScrollUp);
  ticks(3);
  EXPECT_EQ(input_.input, (std::vector<std::string>{"key 13", "key 18", "key 13", "key 38"}));
  EXPECT_EQ(played(), (std::vector<std::string>{"ENTER.WAV", "APPMENU.WAV"}));
}

TEST_F(PollTest, ClaimedKeysAreNotTyped) {
  start();
  press(kEnter);
  ticks(1);
  EXPECT_TRUE(input_.input.empty());
}

TEST_F(PollTest, MappingByPlayStateAndTheTrayActions) {
  start();
  answer_ = 2;
  port_.play_status = 5;  // the drive plays
  press(kPlay);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kNextTrack});
  port_.play_status = 8;
  area_->status.play_state = kStopped;
  press(kStop);
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvTrayOpened});
  EXPECT_EQ(input_.input, std::vector<std::string>{"cd open"});
  EXPECT_EQ(area_->status.play_state, kTrayOpen);
  EXPECT_EQ(area_->status.disc_type, kDiscUnknown);
  EXPECT_EQ(played(), std::vector<std::string>{"TRAYOUT.WAV"});
}

TEST_F(PollTest, UnclaimedStopOnlyStopsAnAudioCd) {
  start();
  answer_ = 2;
  port_.play_status = 5;
  area_->status.disc_type = kDiscVideoCd;
  press(kStop);
  ticks(1);
  EXPECT_TRUE(input_.input.empty());
  area_->status.disc_type = kDiscAudio;
  area_->poll.elapsed = 1000;
  press(kStop);
  ticks(1);
  EXPECT_EQ(input_.input, std::vector<std::string>{"cd stop"});
  EXPECT_EQ(area_->status.play_state, kStopped);
  EXPECT_EQ(played(), std::vector<std::string>{"STOP.WAV"});
}

TEST_F(PollTest, UnclaimedPlayMakesTheDiscEventPending) {
  start();
  answer_ = 2;
  area_->status.disc_type = kDiscAudio;
  port_.medium = 4;
  press(kPlay);
  EXPECT_EQ(ticks(2), (std::vector<uint32_t>{kPlay, kEvDiscPresent}));
  area_->status.disc_type = kDiscUnknown;
  area_->poll.elapsed = 1000;
  port_.medium = 15;
  press(kPlay);
  EXPECT_EQ(ticks(2), (std::vector<uint32_t>{kPlay, 0}));
}

TEST_F(PollTest, TrayClosedStatusRunsTheTrayClosedActionOnce) {
  start();
  area_->status.play_state = kTrayOpen;
  port_.play_status = 1;
  ticks(2);
  EXPECT_EQ(input_.input, std::vector<std::string>{"cd close"});
  EXPECT_EQ(area_->status.play_state, kTrayClosed);
  EXPECT_EQ(played(), std::vector<std::string>{"TRAYCLOS.WAV"});
}

TEST_F(PollTest, TickDuringDeliveryReturnsAtOnce) {
  start();
  int reads_inside = -1;
  host_.windows[kClient] = [&](uint32_t, void*) {
    int before = port_.report_reads;
    poller_.tick();  // a timer message served while the code is being sent
    reads_inside = port_.report_reads - before;
    return 1u;
  };
  press(kMenu);
  poller_.tick();
  EXPECT_EQ(reads_inside, 0);
  EXPECT_EQ(area_->poll.busy, 0);
}

TEST_F(PollTest, NothingWithoutAReceiver) {
  area_->drive.receiver_count = 0;
  press(kMenu);
  int before = port_.report_reads;
  EXPECT_EQ(ticks(3), (std::vector<uint32_t>{0, 0, 0}));
  EXPECT_EQ(port_.report_reads, before);
}

TEST_F(PollTest, SpecialModeToggleFromTheDrive) {
  start();
  event(0x0200, 0x08);  // special mode reported off, toggle: on
  EXPECT_EQ(ticks(1), std::vector<uint32_t>{kEvSpecialMode});
  EXPECT_EQ(area_->status.special_mode, 1);
  EXPECT_EQ(played(), (std::vector<std::string>{"SPECMODE.WAV", "ISON.WAV"}));
  ASSERT_FALSE(port_.selects.empty());
}

}  // namespace
}  // namespace beamhub
