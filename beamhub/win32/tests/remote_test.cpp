// The remote end to end: a button pressed on the virtual remote reaches a
// program in another process through the poll, and the drive's own events
// (a disc put in) arrive as codes. Ticks are counted by the drive's log of
// receiver-report reads, not by the clock.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beamhub/mmcd.h"
#include "beamhub/win32/tests/client_process.h"
#include "beamhub/win32/tests/machine.h"
#include "testing/win32/harness.h"

namespace itest {
namespace {

constexpr DWORD kWaitMs = 15000;

std::string hex_bytes(const std::vector<uint8_t>& bytes) {
  std::string out;
  char pair[3];
  for (uint8_t b : bytes) {
    snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}

// Reads of the receiver report whose report carried this remote code.
size_t reads_of(const std::vector<vdrive::LogEntry>& log, const std::vector<uint8_t>& code) {
  size_t n = 0;
  for (const vdrive::LogEntry& e : log)
    if (is_report_read(e) && carries(e, code)) ++n;
  return n;
}

// Receiver-report reads after the last one that carried this code.
size_t reads_after(const std::vector<vdrive::LogEntry>& log, const std::vector<uint8_t>& code) {
  size_t n = 0;
  for (const vdrive::LogEntry& e : log) {
    if (!is_report_read(e)) continue;
    bool carried = e.data_count >= 18 && (e.data[10] >> 6) == 1 && memcmp(e.data + 12, code.data(), 6) == 0;
    n = carried ? 0 : n + 1;
  }
  return n;
}

// Waits until the drive's log satisfies done (checked every 50 ms).
template <typename Done>
bool wait_for_log(Done done) {
  for (DWORD waited = 0; waited < kWaitMs && !check_stray_boxes(); waited += 50) {
    if (done(drive_log())) return true;
    Sleep(50);
  }
  return false;
}

// The client's messages so far, after its output has caught up.
std::vector<RemoteMessage> messages_of(ClientProcess& client) {
  client.run("echo sync");
  return client.take_messages();
}

size_t count(const std::vector<RemoteMessage>& messages, unsigned code) {
  return static_cast<size_t>(std::count_if(messages.begin(), messages.end(),
                                           [code](const RemoteMessage& m) { return m.code == code; }));
}

class RemoteTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // No announcements: the tests count codes, and sound holds the poll up.
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
    ASSERT_TRUE(client_.start()) << client_.banner();
    client_.run("answer 1");
    ASSERT_EQ("register status=80000000", client_.run("register").substr(0, 24));
  }
  void TearDown() override {
    client_.quit();
    run_remote("reset");
    MachineTest::TearDown();
  }

  ClientProcess client_;
};

TEST_F(RemoteTest, PressedButtonReachesTheProgramWithItsStatus) {
  const std::vector<uint8_t> play = map_code("Play");
  ASSERT_TRUE(press("Play"));
  ASSERT_TRUE(wait_for_log([&](const std::vector<vdrive::LogEntry>& log) {
    return reads_of(log, play) == 1 && reads_after(log, play) >= 1;
  }));
  std::vector<RemoteMessage> got = messages_of(client_);
  ASSERT_EQ(1u, count(got, 1028));
  const RemoteMessage& m = *std::find_if(got.begin(), got.end(),
                                         [](const RemoteMessage& r) { return r.code == 1028; });
  EXPECT_EQ("Play", field(m.line, "status"));
  EXPECT_EQ(hex_bytes(play), field(m.line, "raw"));
  EXPECT_EQ("8", field(m.line, "play")) << "stopped or not known at start";
  EXPECT_EQ("0", field(m.line, "shift"));
  EXPECT_EQ("0", field(m.line, "mouse"));
}

TEST_F(RemoteTest, HeldButtonEveryThirdTickThenOneIdleNotice) {
  const std::vector<uint8_t> menu = map_code("Menu");
  ASSERT_TRUE(press("Menu --hold 7"));
  ASSERT_TRUE(wait_for_log([&](const std::vector<vdrive::LogEntry>& log) {
    return reads_of(log, menu) == 7 && reads_after(log, menu) >= 6;
  }));
  std::vector<RemoteMessage> got = messages_of(client_);
  EXPECT_EQ(3u, count(got, 1024)) << "reads 1, 4 and 7 of seven";
  EXPECT_EQ(1u, count(got, 1085)) << "one idle notice";
}

TEST_F(RemoteTest, AutoRepeatButtonOnEveryTick) {
  const std::vector<uint8_t> up = map_code("VolumeUp");
  ASSERT_TRUE(press("VolumeUp --hold 4"));
  ASSERT_TRUE(wait_for_log([&](const std::vector<vdrive::LogEntry>& log) {
    return reads_of(log, up) == 4 && reads_after(log, up) >= 1;
  }));
  EXPECT_EQ(4u, count(messages_of(client_), 1036));
}

TEST_F(RemoteTest, VideoCdPutInIsReportedAsADiscOfItsKind) {
  std::string discs = HALVO_DISCS_FOLDER;
  std::replace(discs.begin(), discs.end(), '/', '\\');
  std::string output;
  ASSERT_TRUE(run_remote("eject", &output)) << output;
  ASSERT_TRUE(run_remote("insert Z:" + discs + "\\videocd", &output)) << output;
  ASSERT_TRUE(run_remote("close", &output)) << output;
  std::vector<RemoteMessage> got;
  for (DWORD waited = 0; waited < kWaitMs && count(got, 1090) == 0 && !check_stray_boxes();
       waited += 200) {
    Sleep(200);
    std::vector<RemoteMessage> more = messages_of(client_);
    got.insert(got.end(), more.begin(), more.end());
  }
  auto disc = std::find_if(got.begin(), got.end(), [](const RemoteMessage& m) { return m.code == 1090; });
  ASSERT_NE(got.end(), disc) << "no disc event";
  EXPECT_EQ("9", field(disc->line, "disc"));
}

// The notice that the drive's insert notification was switched off at this
// start reaches the capture holder once, with one idle notice after it,
// whether the capture is taken before the poll's first tick or well after.
using StartupNoticeTest = MachineTest;

TEST_F(StartupNoticeTest, AutoInsertNoticeOnceThenOneIdleNotice) {
  const struct {
    const char* name;
    bool notification_on;
    size_t ticks_before_capture;
    std::vector<unsigned> codes;
  } rows[] = {
      {"found on, captured at once", true, 0, {1092, 1085}},
      {"found on, captured after the first tick", true, 2, {1092, 1085}},
      {"found off", false, 0, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(change_drive([](vdrive::MachineState& state) { vdrive::reset(state); }));
    ASSERT_TRUE(set_auto_insert(row.notification_on));
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
    ClientProcess holder;
    ASSERT_TRUE(holder.start()) << holder.banner();
    if (row.ticks_before_capture) {
      ASSERT_TRUE(wait_for_ticks(row.ticks_before_capture));
    }
    ASSERT_EQ("capture status=80000000", holder.run("capture").substr(0, 23));
    // Both notices come within three ticks of the capture; a fourth shows nothing follows.
    ASSERT_TRUE(wait_for_ticks(4));
    std::vector<RemoteMessage> got = messages_of(holder);
    std::vector<unsigned> codes;
    for (const RemoteMessage& m : got) codes.push_back(m.code);
    EXPECT_EQ(row.codes, codes) << describe(got);
    ASSERT_TRUE(holder.quit());
  }
}

}  // namespace
}  // namespace itest
