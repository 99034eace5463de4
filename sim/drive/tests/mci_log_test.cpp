#include "sim/drive/mci_log.h"

#include <gtest/gtest.h>

#include <memory>

#include "sim/drive/vdrive.h"

namespace vdrive {
namespace {

class MciStateTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(*state); }
  std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
};

MciLogEntry command(uint16_t message, uint32_t flags) {
  MciLogEntry entry{};
  entry.message = message;
  entry.flags = flags;
  entry.device = 3;
  set_field(entry.type, "mpegvideo");
  return entry;
}

TEST_F(MciStateTest, LogRingKeepsTheNewestAndNumbersOnAfterAClear) {
  const uint32_t total = kMciLogSize + 7;
  for (uint32_t i = 0; i < total; ++i) {
    MciLogEntry entry = command(0x0814, 0x102);
    entry.item = i;
    append_mci_log(*state, entry);
  }
  ASSERT_EQ(mci_log_count(*state), kMciLogSize);
  for (uint32_t i = 0; i < kMciLogSize; ++i) {
    ASSERT_EQ(mci_log_entry(*state, i).seq, 8 + i);
    ASSERT_EQ(mci_log_entry(*state, i).item, 7 + i);
  }
  clear_mci_log(*state);
  EXPECT_EQ(mci_log_count(*state), 0u);
  append_mci_log(*state, command(0x0808, 0));
  ASSERT_EQ(mci_log_count(*state), 1u);
  EXPECT_EQ(mci_log_entry(*state, 0).seq, total + 1);
  // The ASPI log is another ring.
  EXPECT_EQ(log_count(*state), 0u);
}

TEST_F(MciStateTest, FieldsAreCutToFitAndTerminated) {
  MciLogEntry entry{};
  set_field(entry.type, "a-device-type-name-too-long");
  EXPECT_EQ(std::string(entry.type), "a-device-type-n");
  set_field(entry.text, std::string(200, 'x'));
  EXPECT_EQ(std::string(entry.text), std::string(kMciTextSize - 1, 'x'));
  set_field(entry.text, "D:");
  EXPECT_EQ(std::string(entry.text), "D:");
  EXPECT_EQ(entry.text[3], '\0');  // nothing of the longer text stays behind
}

TEST_F(MciStateTest, EntryText) {
  struct Case {
    const char* name;
    MciLogEntry entry;
    const char* text;
  };
  MciLogEntry open = command(0x0803, 0x2302);
  set_field(open.text, "D:\\MPEGAV\\AVSEQ01.DAT");
  MciLogEntry status = command(0x0814, 0x102);
  status.item = 0x4001;
  status.value = 0x10042;
  MciLogEntry track_type = status;
  set_field(track_type.type, "cdaudio");
  track_type.flags = 0x112;
  track_type.track = 2;
  track_type.value = 0x4000400;
  track_type.result = 0x00010000;  // MCI_RESOURCE_RETURNED
  MciLogEntry play = command(0x0806, 0x0D);
  play.from = 0x02;
  play.to = 0x1E0002;
  play.callback = 0x20;
  MciLogEntry failed = command(0x0806, 0);
  failed.result = 262;
  MciLogEntry set = command(0x080D, 0x402);
  set.time_format = 10;
  MciLogEntry window = command(0x0841, 0x80002);
  set_field(window.text, "AVSEQ01.DAT");
  MciLogEntry notify = command(kMciNotifyPosted, 1);
  notify.callback = 0x20;
  MciLogEntry odd = command(0x0999, 0);
  const Case cases[] = {
      {"open", open, "open flags 2302 element \"D:\\MPEGAV\\AVSEQ01.DAT\" -> 0"},
      {"video window", status, "status flags 102 item hwnd -> 0 value 65602 (10042)"},
      {"CD track type", track_type,
       "status flags 112 item track-type track 2 -> 0 (1) value 67109888 (4000400)"},
      {"play", play, "play flags d from 2 to 1e0002 notify 20 -> 0"},
      {"failed play", failed, "play flags 0 -> 262"},
      {"time format", set, "set flags 402 time-format tmsf -> 0"},
      {"window text", window, "window flags 80002 text \"AVSEQ01.DAT\" -> 0"},
      {"notification", notify, "notify successful to 20"},
      {"unknown message", odd, "999 flags 0 -> 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string line = format_mci_entry(c.entry);
    ASSERT_GT(line.size(), 24u);
    EXPECT_EQ(line.substr(24), c.text);
  }
  EXPECT_EQ(format_mci_entry(open).substr(0, 24), "     0 mpegvideo   #3   ");
}

TEST_F(MciStateTest, RefusalsByNameWithoutCase) {
  EXPECT_EQ(find_refusal(*state, "CDIVideo"), nullptr);
  ASSERT_TRUE(add_refusal(*state, "CDIVideo", 262));
  const RefusedOpen* found = find_refusal(*state, "cdivideo");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->error, 262u);
  EXPECT_EQ(find_refusal(*state, "CDIVideo2"), nullptr);
  EXPECT_EQ(find_refusal(*state, "CDIVide"), nullptr);
  // Naming it again changes its error in place.
  ASSERT_TRUE(add_refusal(*state, "CDIVIDEO", 291));
  EXPECT_EQ(find_refusal(*state, "CDIVideo")->error, 291u);
  for (const char* type : {"mpegvideo", "mpegvideocd", "cdaudio"}) {
    EXPECT_TRUE(add_refusal(*state, type, 262)) << type;
  }
  EXPECT_FALSE(add_refusal(*state, "waveaudio", 262));  // all places taken
  EXPECT_FALSE(add_refusal(*state, "", 262));
  EXPECT_FALSE(add_refusal(*state, std::string(kMciTypeSize, 'a'), 262));
  clear_refusals(*state);
  EXPECT_EQ(find_refusal(*state, "cdaudio"), nullptr);
  EXPECT_EQ(find_refusal(*state, ""), nullptr);
}

TEST_F(MciStateTest, PositionControlOfADriveSlot) {
  PositionControl* d = position_control(*state, 'd');
  PositionControl* f = position_control(*state, 'F');
  ASSERT_NE(d, nullptr);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(d, &state->positions[0]);
  EXPECT_EQ(f, &state->positions[1]);
  EXPECT_EQ(position_control(*state, 'E'), nullptr);
  EXPECT_EQ(d->serial, 0u);  // reset leaves nothing to apply
}

}  // namespace
}  // namespace vdrive
