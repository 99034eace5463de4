#include "beamhub/volume.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "beamhub/codes.h"
#include "beamhub/tests/hub_fixture.h"

namespace beamhub {
namespace {

constexpr uint8_t kModeSelect = 0x55;

// Mixer device 0 with controls by identifier; records every write.
class FakeMixer : public MixerPort {
 public:
  struct Control {
    std::string name;
    uint16_t volume = 0;
    bool muted = false;
  };
  struct Write {
    uint32_t id;
    uint32_t value;
    bool operator==(const Write& o) const { return id == o.id && value == o.value; }
  };

  explicit FakeMixer(std::vector<Control> c) : controls(std::move(c)) {}

  bool open() override { return opens; }
  void close() override { ++closes; }
  bool control_name(uint32_t id, std::string& name) override {
    if (id >= controls.size()) return false;
    name = controls[id].name;
    return true;
  }
  bool read_volume(uint32_t id, uint16_t& v) override {
    if (id >= controls.size()) return false;
    v = controls[id].volume;
    return true;
  }
  bool write_volume(uint32_t id, uint16_t v) override {
    writes.push_back({id, v});
    if (id >= controls.size()) return false;
    controls[id].volume = v;
    return true;
  }
  bool read_mute(uint32_t id, bool& m) override {
    if (id >= controls.size()) return false;
    m = controls[id].muted;
    return true;
  }
  bool write_mute(uint32_t id, bool m) override {
    writes.push_back({id, m});
    if (id >= controls.size()) return false;
    controls[id].muted = m;
    return true;
  }

  std::vector<Control> controls;
  bool opens = true;
  int closes = 0;
  std::vector<Write> writes;
};

// Identifiers in the usual mixer: other lines' controls around the master ones.
constexpr uint32_t kLineVolume = 0;
constexpr uint32_t kMasterVolume = 1;
constexpr uint32_t kWaveMute = 2;
constexpr uint32_t kMasterMute = 3;

std::vector<FakeMixer::Control> usual_controls(uint16_t volume, bool muted) {
  return {{"Line In Volume ", 0x1111, false},
          {"Master Volume ", volume, false},
          {"Wave Mute", 0, true},
          {"Master Mute", 0, muted}};
}

// A drive that answers the CD audio control page with its two port volumes
// and keeps what is written to them.
class AudioDrive : public testing::RecordingPort {
 public:
  Transport execute(aspi::ExecRequest& r) override {
    if (r.cdb[2] == kPageAudio && r.flags == aspi::SRB_DIR_IN) {
      r.data[8] = kPageAudio;
      r.data[9] = 14;
      r.data[16] = 0x01;  // port 0: channel 0
      r.data[17] = left;
      r.data[18] = 0x02;  // port 1: channel 1
      r.data[19] = right;
    }
    if (r.cdb[2] == kPageAudio && r.flags == aspi::SRB_DIR_OUT) {
      left = r.data[17];
      right = r.data[19];
    }
    return RecordingPort::execute(r);
  }

  // Bytes 17 and 19 of the last MODE SELECT of the audio page.
  std::optional<std::pair<int, int>> last_written() const {
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
      if (it->opcode == kModeSelect && it->page == kPageAudio) {
        return std::make_pair(int{it->data[17]}, int{it->data[19]});
      }
    }
    return std::nullopt;
  }
  // Every page written carried the drive's own output channel selections.
  bool channels_kept() const {
    for (const auto& c : commands) {
      if (c.opcode == kModeSelect && c.page == kPageAudio && (c.data[16] != 1 || c.data[18] != 2)) {
        return false;
      }
    }
    return true;
  }

  uint8_t left = 0x80;
  uint8_t right = 0x60;
};

class VolumeTest : public ::testing::Test {
 protected:
  explicit VolumeTest(std::vector<FakeMixer::Control> controls = usual_controls(0x8000, false))
      : mixer_(std::move(controls)) {
    area_->drive.current = 3;
    area_->drive.drives[3].has_receiver = 1;
  }
  void TearDown() override { EXPECT_TRUE(drive_.channels_kept()); }

  Volume& start() {
    volume_.setup();
    mixer_.writes.clear();
    return volume_;
  }
  // The drive reports that it holds the volume.
  void drive_takes_over() {
    volume_.on_target_report(false);
    drive_.commands.clear();
  }

  std::unique_ptr<SharedArea> area_ = std::make_unique<SharedArea>();
  SharedArea& area = *area_;
  FakeMixer mixer_;
  AudioDrive drive_;
  Volume volume_{area, mixer_, drive_};
};

TEST_F(VolumeTest, SetupFindsTheMasterControlsAndReadsThem) {
  mixer_.controls[kMasterVolume].volume = 0x3000;
  mixer_.controls[kMasterMute].muted = true;
  Volume& v = start();
  EXPECT_EQ(area.status.mute, 1);
  EXPECT_EQ(area.volume.mixer_left, 0x3000);
  EXPECT_EQ(area.volume.mixer_right, 0x3000);

  v.on_code(kVolumeUp);
  // Unmute on the master mute control, then the master volume.
  const std::vector<FakeMixer::Write> expected{{kMasterMute, 0}, {kMasterVolume, 0x4000}};
  EXPECT_EQ(mixer_.writes, expected);
  EXPECT_EQ(area.status.mute, 0);
  EXPECT_EQ(drive_.commands.size(), 0u);
}

struct StepCase {
  const char* name;
  uint16_t start;
  uint16_t code;
  uint16_t expected;
};
void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class VolumeStep : public VolumeTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(VolumeStep, ClampsOnTheMixer) {
  const StepCase& c = GetParam();
  mixer_.controls[kMasterVolume].volume = c.start;
  start().on_code(c.code);
  EXPECT_EQ(area.volume.mixer_left, c.expected);
  EXPECT_EQ(area.volume.mixer_right, c.expected);
  EXPECT_EQ(mixer_.controls[kMasterVolume].volume, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, VolumeStep,
    ::testing::Values(StepCase{"UpNearTopGivesFull", 0xF800, kVolumeUp, 0xFFFF},
                      StepCase{"UpAtFullStays", 0xFFFF, kVolumeUp, 0xFFFF},
                      StepCase{"UpOneStep", 0x1000, kVolumeUp, 0x2000},
                      StepCase{"DownNearZeroGivesZero", 0x0800, kVolumeDown, 0},
                      StepCase{"DownOneStep", 0x2000, kVolumeDown, 0x1000},
                      StepCase{"DriveButtonUp", 0x1000, kEvDriveVolumeUp, 0x2000},
                      StepCase{"DriveButtonDown", 0x2000, kEvDriveVolumeDown, 0x1000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VolumeTest, MuteTogglesTheMasterMute) {
  Volume& v = start();
  v.on_code(kMute);
  EXPECT_EQ(area.status.mute, 1);
  EXPECT_TRUE(mixer_.controls[kMasterMute].muted);
  v.on_code(kMute);
  EXPECT_EQ(area.status.mute, 0);
  EXPECT_FALSE(mixer_.controls[kMasterMute].muted);
}

TEST_F(VolumeTest, DriveTargetIsSilencedWhileMutedAndKeepsItsVolume) {
  start();
  drive_.left = 0x40;
  drive_.right = 0x20;
  drive_takes_over();
  ASSERT_EQ(area.volume.target, kTargetDrive);
  EXPECT_EQ(area.volume.drive_left, 0x40 * 257);
  EXPECT_EQ(area.volume.drive_right, 0x20 * 257);

  volume_.on_code(kMute);
  EXPECT_EQ(drive_.last_written(), std::make_pair(0, 0));
  EXPECT_EQ(area.volume.drive_left, 0x40 * 257);
  EXPECT_EQ(area.volume.drive_right, 0x20 * 257);
  EXPECT_TRUE(mixer_.controls[kMasterMute].muted);

  volume_.on_code(kMute);
  EXPECT_EQ(drive_.last_written(), std::make_pair(0x40, 0x20));
}

TEST_F(VolumeTest, DriveStepsFromItsSavedVolume) {
  start();
  drive_.left = 0xF8;
  drive_.right = 0x10;
  drive_takes_over();
  volume_.on_code(kVolumeUp);
  EXPECT_EQ(drive_.last_written(), std::make_pair(0xFF, (0x10 * 257 + 4096) / 257));
  EXPECT_EQ(area.volume.drive_left, 0xFFFF);
  // The mixer's volume is not the one that moved.
  EXPECT_EQ(mixer_.controls[kMasterVolume].volume, 0x8000);
}

TEST_F(VolumeTest, VolumeUpWhileMutedOnTheDriveUnmutesFirst) {
  start();
  drive_takes_over();
  volume_.on_code(kMute);
  volume_.on_code(kVolumeUp);
  EXPECT_EQ(area.status.mute, 0);
  EXPECT_FALSE(mixer_.controls[kMasterMute].muted);
  EXPECT_EQ(drive_.last_written(),
            std::make_pair((0x80 * 257 + 4096) / 257, (0x60 * 257 + 4096) / 257));
}

TEST_F(VolumeTest, OwnMuteIsNotReportedOutsideMuteIsOnce) {
  Volume& v = start();
  v.on_code(kMute);
  EXPECT_FALSE(v.on_mixer_change(kMasterMute));
  EXPECT_EQ(area.status.mute, 1);

  mixer_.controls[kMasterMute].muted = false;  // unmuted in the mixer's own window
  EXPECT_TRUE(v.on_mixer_change(kMasterMute));
  EXPECT_EQ(area.status.mute, 0);

  // A step while unmuted writes no mute, so the next outside change still counts.
  v.on_code(kVolumeUp);
  mixer_.controls[kMasterMute].muted = true;
  EXPECT_TRUE(v.on_mixer_change(kMasterMute));
  EXPECT_EQ(area.status.mute, 1);
}

TEST_F(VolumeTest, OutsideMuteSilencesTheDriveTarget) {
  Volume& v = start();
  drive_takes_over();
  mixer_.controls[kMasterMute].muted = true;
  EXPECT_TRUE(v.on_mixer_change(kMasterMute));
  EXPECT_EQ(drive_.last_written(), std::make_pair(0, 0));
}

TEST_F(VolumeTest, OutsideVolumeChangeIsSavedNotReported) {
  Volume& v = start();
  mixer_.controls[kMasterVolume].volume = 0x2345;
  EXPECT_FALSE(v.on_mixer_change(kMasterVolume));
  EXPECT_EQ(area.volume.mixer_left, 0x2345);
  EXPECT_EQ(area.volume.mixer_right, 0x2345);
  EXPECT_FALSE(v.on_mixer_change(kLineVolume));
  EXPECT_EQ(area.volume.mixer_left, 0x2345);
}

struct TargetCase {
  const char* name;
  uint16_t before;
  bool mixer_holds;
  uint16_t after;
  std::optional<std::pair<int, int>> drive_gets;
};
void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }

class TargetReport : public VolumeTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(TargetReport, MovesTheVolume) {
  const TargetCase& c = GetParam();
  start();
  area.volume.target = c.before;
  area.volume.drive_left = 0x3000;
  area.volume.drive_right = 0x2000;
  area.volume.drive_volume_known = 1;
  volume_.on_target_report(c.mixer_holds);
  EXPECT_EQ(area.volume.target, c.after);
  EXPECT_EQ(drive_.last_written(), c.drive_gets);
  EXPECT_EQ(area.volume.drive_left, 0x3000);
  EXPECT_EQ(area.volume.drive_right, 0x2000);
  EXPECT_TRUE(mixer_.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reports, TargetReport,
    ::testing::Values(
        TargetCase{"DriveToMixerSetsDriveFull", kTargetDrive, true, kTargetMixer,
                   std::make_pair(0xFF, 0xFF)},
        TargetCase{"MixerToDriveRestoresSaved", kTargetMixer, false, kTargetDrive,
                   std::make_pair(0x3000 / 257, 0x2000 / 257)},
        TargetCase{"FirstReportDrive", kTargetNone, false, kTargetDrive,
                   std::make_pair(0x3000 / 257, 0x2000 / 257)},
        TargetCase{"FirstReportMixer", kTargetNone, true, kTargetMixer, std::nullopt},
        TargetCase{"MixerStays", kTargetMixer, true, kTargetMixer, std::nullopt},
        TargetCase{"DriveStays", kTargetDrive, false, kTargetDrive, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VolumeTest, DriveTakingOverWhileMutedStaysSilent) {
  Volume& v = start();
  v.on_target_report(true);
  v.on_code(kMute);
  v.on_target_report(false);
  EXPECT_EQ(drive_.last_written(), std::make_pair(0, 0));
  EXPECT_EQ(area.volume.drive_left, 0x80 * 257);
}

TEST_F(VolumeTest, BeforeAnyReportTheMixerHoldsTheVolume) {
  mixer_.controls[kMasterVolume].volume = 0x1000;
  start().on_code(kVolumeUp);
  EXPECT_EQ(mixer_.controls[kMasterVolume].volume, 0x2000);
  EXPECT_EQ(area.volume.target, kTargetNone);
  EXPECT_EQ(drive_.commands.size(), 0u);
}

struct MixerlessCase {
  const char* name;
  std::vector<FakeMixer::Control> controls;
  bool opens;
};
void PrintTo(const MixerlessCase& c, std::ostream* os) { *os << c.name; }

class Mixerless : public VolumeTest, public ::testing::WithParamInterface<MixerlessCase> {
 protected:
  Mixerless() : VolumeTest(GetParam().controls) { mixer_.opens = GetParam().opens; }
};

TEST_P(Mixerless, LeavesTheMixerAlone) {
  volume_.setup();
  volume_.on_code(kMute);
  volume_.on_code(kVolumeUp);
  volume_.on_code(kVolumeDown);
  for (uint32_t id = 0; id < 3; ++id) EXPECT_FALSE(volume_.on_mixer_change(id)) << id;
  EXPECT_TRUE(mixer_.writes.empty());
  EXPECT_EQ(area.volume.self_change, 0);
  // The drive still follows the remote.
  drive_takes_over();
  volume_.on_code(kMute);
  EXPECT_EQ(drive_.last_written(), std::make_pair(0, 0));
  EXPECT_TRUE(mixer_.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Mixers, Mixerless,
    ::testing::Values(
        MixerlessCase{"NoMasterNames",
                      {{"Line In Volume ", 0x1000, false}, {"Wave Mute", 0, false},
                       {"Master Balance", 0, false}},
                      true},
        // Without the trailing blank the level control is not recognised.
        MixerlessCase{"NamesWithoutBlank", {{"Master Volume", 0x1000, false}}, true},
        MixerlessCase{"DoesNotOpen", usual_controls(0x8000, false), false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace beamhub
