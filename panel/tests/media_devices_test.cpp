#include "panel/media_devices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "panel/tests/fakes.h"

namespace panel::testing {
namespace {

using Lines = std::vector<std::string>;

constexpr WindowHandle kNotify = 0x500;

class DeviceTest : public ::testing::Test {
 protected:
  FakeMci mci;
  FakeShell shell;
};

TEST_F(DeviceTest, CdOpenSetsTmsfAndCountsTracks) {
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 12);
  mci.fail("cdaudio", mci::kSet, mci::kErrHardware);  // the open still succeeds
  CdAudioDevice cd(mci, shell);
  EXPECT_EQ(cd.open("D:"), 0u);
  EXPECT_EQ(mci.take(), (Lines{
                            "cdaudio open [shareable,element,typeid,type] element=D:",
                            "cdaudio set [time_format] format=tmsf",
                            "cdaudio status [wait,item] item=tracks",
                        }));
  EXPECT_TRUE(cd.is_open());
  EXPECT_EQ(cd.track_count(), 12);
  EXPECT_TRUE(shell.take_boxes().empty());
}

TEST_F(DeviceTest, CdTrackCountIsZeroWhenItsQueryFails) {
  mci.answer("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, MciResult{mci::kErrDeviceNotReady, 0, 12, ""});
  CdAudioDevice cd(mci, shell);
  EXPECT_EQ(cd.open("D:"), 0u);
  EXPECT_EQ(cd.track_count(), 0);
}

TEST_F(DeviceTest, CdPlaysOneTrackToItsEnd) {
  CdAudioDevice cd(mci, shell);
  cd.open("D:");
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusLength, 4 | 10 << 8, 3);
  mci.take();
  EXPECT_EQ(cd.play_track(kNotify, 3, 1, 2), 0u);
  EXPECT_EQ(mci.take(), (Lines{
                            "cdaudio status [wait,track,item] item=length track=3",
                            "cdaudio play [notify,from,to] from=3:01:02 to=3:04:10 cb=0x500",
                        }));

  mci.fail("cdaudio", mci::kPlay, mci::kErrHardware);
  EXPECT_EQ(cd.play_track(kNotify, 3, 0, 0), mci::kErrHardware) << "the play's own error";
}

TEST_F(DeviceTest, CdWithoutATrackLengthPlaysOnFromThere) {
  CdAudioDevice cd(mci, shell);
  cd.open("D:");
  mci.answer("cdaudio", mci::kStatus, mci::kStatusLength, MciResult{mci::kErrHardware, 0, 0, ""}, 2);
  mci.take();
  cd.play_track(kNotify, 2, 0, 30);
  EXPECT_EQ(mci.take().back(), "cdaudio play [notify,from] from=2:00:30 cb=0x500");
}

TEST_F(DeviceTest, CdQueriesAndDoor) {
  CdAudioDevice cd(mci, shell);
  cd.open("E:");
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusLength, 3 | 59 << 8, 7);
  MciResult identity;
  identity.text = "0123456789abcdefXYZ";  // longer than the buffer holds
  mci.answer("cdaudio", mci::kInfo, 0, identity);
  mci.take();

  int minutes = 0, seconds = 0;
  EXPECT_EQ(cd.track_length(7, minutes, seconds), 0u);
  EXPECT_EQ(minutes, 3);
  EXPECT_EQ(seconds, 59);
  EXPECT_EQ(cd.media_identity(), "0123456789abcde");
  cd.pause();
  cd.stop();
  cd.set_door(true);
  cd.set_door(false);
  EXPECT_EQ(mci.take(), (Lines{
                            "cdaudio status [wait,track,item] item=length track=7",
                            "cdaudio info [media_identity] size=16",
                            "cdaudio pause []",
                            "cdaudio stop [wait]",
                            "cdaudio set [door_open]",
                            "cdaudio set [door_closed]",
                        }));
}

TEST_F(DeviceTest, DestroyingAudioDevicesStopsAndClosesThem) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<MediaDevice>()> make;
    Lines expected;
  } cases[] = {
      {"cd",
       [&] {
         auto d = std::make_unique<CdAudioDevice>(mci, shell);
         d->open("D:");
         return std::unique_ptr<MediaDevice>(std::move(d));
       },
       {"cdaudio stop [wait]", "cdaudio close []"}},
      {"wave",
       [&] {
         auto d = std::make_unique<WaveDevice>(mci, shell);
         d->open("C:\\A.WAV");
         return std::unique_ptr<MediaDevice>(std::move(d));
       },
       {"waveaudio stop []", "waveaudio close []"}},
      {"sequencer",
       [&] {
         auto d = std::make_unique<SequencerDevice>(mci, shell);
         d->open("C:\\A.MID");
         return std::unique_ptr<MediaDevice>(std::move(d));
       },
       {"sequencer stop []", "sequencer close []"}},
      {"mpeg video sends nothing",
       [&] {
         auto d = std::make_unique<MpegVideoDevice>(mci, shell);
         d->open("D:\\MPEGAV\\AVSEQ01.DAT", kVideoCd);
         return std::unique_ptr<MediaDevice>(std::move(d));
       },
       {}},
      {"avi sends nothing",
       [&] {
         auto d = std::make_unique<AviVideoDevice>(mci, shell);
         d->open("C:\\A.AVI");
         return std::unique_ptr<MediaDevice>(std::move(d));
       },
       {}},
  };
  for (const Case& c : cases) {
    auto device = c.make();
    mci.take();
    device.reset();
    EXPECT_EQ(mci.take(), c.expected) << c.name;
  }
}

TEST_F(DeviceTest, FileAndVideoOpenSequences) {
  std::unique_ptr<MediaDevice> kept;  // destroying a file device would add its stop and close
  auto keep = [&](auto device, auto open) {
    const uint32_t error = open(*device);
    kept = std::move(device);
    return error;
  };
  struct Case {
    const char* name;
    std::function<uint32_t()> open;
    Lines expected;
  } cases[] = {
      {"wave",
       [&] { return keep(std::make_unique<WaveDevice>(mci, shell), [](WaveDevice& d) { return d.open("C:\\SOUND.WAV"); }); },
       {"waveaudio open [element,typeid,type] element=C:\\SOUND.WAV"}},
      {"sequencer",
       [&] {
         return keep(std::make_unique<SequencerDevice>(mci, shell),
                     [](SequencerDevice& d) { return d.open("C:\\TUNE.MID"); });
       },
       {"sequencer open [element,typeid,type] element=C:\\TUNE.MID"}},
      {"avi", [&] { return AviVideoDevice(mci, shell).open("C:\\MOVIE.AVI"); },
       {"avivideo open [element,type] element=C:\\MOVIE.AVI", "avivideo status [item] item=hwnd"}},
      {"video cd item", [&] { return MpegVideoDevice(mci, shell).open("D:\\MPEGAV\\AVSEQ01.DAT", kVideoCd); },
       {"mpegvideo open [shareable,element,type] element=D:\\MPEGAV\\AVSEQ01.DAT",
        "mpegvideo status [item] item=hwnd"}},
  };
  // Every one then counts in milliseconds and asks for its length; the Video
  // CD item also names its window.
  const Lines timed = {"set [time_format] format=ms", "status [wait,item] item=length"};
  for (const Case& c : cases) {
    kept.reset();
    mci.take();
    EXPECT_EQ(c.open(), 0u) << c.name;
    const Lines lines = mci.take();
    ASSERT_FALSE(lines.empty()) << c.name;
    const std::string device = lines[0].substr(0, lines[0].find(' '));
    Lines expected = c.expected;
    for (const std::string& t : timed) expected.push_back(device + " " + t);
    if (device == "mpegvideo") expected.push_back("mpegvideo window [text] text=AVSEQ01.DAT");
    EXPECT_EQ(lines, expected) << c.name;
  }
}

TEST(DeviceOpenFailure, ShowsTheDevicesOwnBox) {
  using Opener = std::function<uint32_t(Mci&, PanelShell&)>;
  struct Case {
    const char* type;
    Opener open;
    uint32_t text;
    bool beep;
  } cases[] = {
      {"cdaudio", [](Mci& m, PanelShell& s) { return CdAudioDevice(m, s).open("D:"); }, IDS_OPEN_AUDIO_FAILED, false},
      {"waveaudio", [](Mci& m, PanelShell& s) { return WaveDevice(m, s).open("C:\\A.WAV"); }, IDS_OPEN_WAVE_FAILED,
       true},
      {"sequencer", [](Mci& m, PanelShell& s) { return SequencerDevice(m, s).open("C:\\A.MID"); },
       IDS_OPEN_MIDI_FAILED, true},
      {"avivideo", [](Mci& m, PanelShell& s) { return AviVideoDevice(m, s).open("C:\\A.AVI"); }, IDS_OPEN_AVI_FAILED,
       true},
      {"mpegvideo", [](Mci& m, PanelShell& s) { return MpegVideoDevice(m, s).open("D:\\A.DAT", kVideoCd); },
       IDS_OPEN_VIDEO_FAILED, true},
  };
  for (const Case& c : cases) {
    FakeMci mci;
    FakeShell shell;
    mci.fail(c.type, mci::kOpen, 266);
    EXPECT_EQ(c.open(mci, shell), 266u) << c.type;
    EXPECT_EQ(mci.take().size(), 1u) << c.type << ": nothing after the failed open";
    EXPECT_EQ(shell.take_boxes(), Lines{ownerless_box(c.text)}) << c.type;
    EXPECT_EQ(shell.beeps, c.beep ? 1 : 0) << c.type;
  }
}

TEST_F(DeviceTest, CdiFallsBackToTheVideoCdDriver) {
  mci.fail("CDIVideo", mci::kOpen, 266);
  MpegVideoDevice cdi(mci, shell);
  EXPECT_EQ(cdi.open("D:", kCdiDisc), 0u);
  const Lines lines = mci.take();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "CDIVideo open [shareable,element,type] element=D:");
  EXPECT_EQ(lines[1], "mpegvideocd open [shareable,element,type] element=D:");
  EXPECT_EQ(lines[2], "mpegvideocd status [item] item=hwnd");
  EXPECT_TRUE(shell.take_boxes().empty());
  EXPECT_EQ(shell.beeps, 0);
  EXPECT_EQ(shell.take_log(), Lines{"text 0x7001 CD-I movie"});

  FakeMci none;
  none.fail("CDIVideo", mci::kOpen, 266);
  none.fail("mpegvideocd", mci::kOpen, 275);
  FakeShell s;
  EXPECT_EQ(MpegVideoDevice(none, s).open("D:", kCdiDisc), 275u);
  EXPECT_EQ(s.take_boxes(), Lines{ownerless_box(IDS_OPEN_CDI_FAILED)});
  EXPECT_EQ(s.beeps, 1);
}

TEST_F(DeviceTest, VideoOpenAnswersItsTimeFormatError) {
  mci.fail("avivideo", mci::kSet, mci::kErrUnsupportedFunction);
  AviVideoDevice avi(mci, shell);
  EXPECT_EQ(avi.open("C:\\A.AVI"), mci::kErrUnsupportedFunction);
  EXPECT_TRUE(avi.is_open());
}

TEST_F(DeviceTest, VideoPlayPlacesTheWindowUnlessToldToKeepIt) {
  const Rect rect{10, 20, 330, 260};
  struct Case {
    const char* name;
    bool mpeg;
    bool keep;
    Lines shell_log;
  } cases[] = {
      {"mpeg, placed hidden", true, false, {"placement 0x7001 10,20,330,260 hidden"}},
      {"avi, placed normal", false, false, {"placement 0x7001 10,20,330,260 normal"}},
      {"mpeg, kept", true, true, {}},
      {"avi, kept", false, true, {}},
  };
  for (const Case& c : cases) {
    FakeMci m;
    FakeShell s;
    std::unique_ptr<VideoDevice> v;
    if (c.mpeg) {
      auto d = std::make_unique<MpegVideoDevice>(m, s);
      d->open("D:\\A.DAT", kVideoCd);
      v = std::move(d);
    } else {
      auto d = std::make_unique<AviVideoDevice>(m, s);
      d->open("C:\\A.AVI");
      v = std::move(d);
    }
    m.take();
    EXPECT_FALSE(v->window_shown());
    EXPECT_EQ(v->play(kNotify, rect, c.keep), 0u);
    EXPECT_EQ(s.take_log(), c.shell_log) << c.name;
    EXPECT_EQ(m.take(), Lines{std::string(c.mpeg ? "mpegvideo" : "avivideo") + " play [notify] cb=0x500"}) << c.name;
    EXPECT_TRUE(v->window_shown()) << c.name;
  }
}

TEST_F(DeviceTest, FailedVideoPlayLeavesTheWindowHidden) {
  mci.fail("avivideo", mci::kPlay, mci::kErrHardware);
  AviVideoDevice avi(mci, shell);
  avi.open("C:\\A.AVI");
  EXPECT_EQ(avi.play(kNotify, Rect{}, true), mci::kErrHardware);
  EXPECT_FALSE(avi.window_shown());
}

TEST_F(DeviceTest, CloseAndRememberTakesTheShownWindowsPlace) {
  for (bool mpeg : {true, false}) {
    FakeMci m;
    FakeShell s;
    std::unique_ptr<VideoDevice> v;
    if (mpeg) {
      auto d = std::make_unique<MpegVideoDevice>(m, s);
      d->open("D:\\A.DAT", kVideoCd);
      v = std::move(d);
    } else {
      auto d = std::make_unique<AviVideoDevice>(m, s);
      d->open("C:\\A.AVI");
      v = std::move(d);
    }
    v->play(kNotify, Rect{1, 2, 3, 4}, false);
    s.placements[v->window()] = Rect{40, 50, 360, 290};  // the user moved it
    m.take();

    Rect remembered{0, 0, 0, 0};
    EXPECT_EQ(v->close_and_remember(remembered), 0u);
    EXPECT_EQ(remembered.left, 40);
    EXPECT_EQ(remembered.bottom, 290);
    EXPECT_FALSE(v->window_shown());
    EXPECT_FALSE(v->is_open());
    const std::string type = mpeg ? "mpegvideo" : "avivideo";
    const Lines expected = mpeg ? Lines{type + " stop []", type + " close []"} : Lines{type + " close []"};
    EXPECT_EQ(m.take(), expected);
  }

  // Never shown: the rectangle stays as it was.
  AviVideoDevice avi(mci, shell);
  avi.open("C:\\A.AVI");
  Rect kept{7, 7, 9, 9};
  avi.close_and_remember(kept);
  EXPECT_EQ(kept.left, 7);
}

TEST_F(DeviceTest, TenSecondSeeks) {
  struct Case {
    const char* name;
    bool forward;
    uint32_t position;
    uint32_t length;
    const char* seek;  // nullptr: no seek
    uint32_t after;
  } cases[] = {
      {"forward", true, 3723000, 4000000, "to=3733000", 3733000},
      {"forward up to just before the end", true, 5000, 15001, "to=15000", 15000},
      {"forward that would reach the end", true, 5000, 15000, nullptr, 5000},
      {"back", false, 65000, 90000, "to=55000", 55000},
      {"back from exactly ten seconds", false, 10000, 90000, "to=0", 0},
      {"back below ten seconds", false, 9999, 90000, nullptr, 9999},
  };
  for (const Case& c : cases) {
    FakeMci m;
    FakeShell s;
    m.answer_value("waveaudio", mci::kStatus, mci::kStatusLength, c.length);
    WaveDevice wave(m, s);
    wave.open("C:\\A.WAV");
    m.take();
    uint32_t position = c.position;
    EXPECT_EQ(c.forward ? wave.seek_forward_10(position) : wave.seek_back_10(position), 0u) << c.name;
    EXPECT_EQ(position, c.after) << c.name;
    const Lines lines = m.take();
    if (c.seek)
      EXPECT_EQ(lines, Lines{std::string("waveaudio seek [wait,to] ") + c.seek}) << c.name;
    else
      EXPECT_TRUE(lines.empty()) << c.name;
  }
}

TEST_F(DeviceTest, ReopenClosesFirst) {
  SequencerDevice seq(mci, shell);
  seq.open("D:\\MIDI\\A.MID");
  const MciDeviceId first = seq.id();
  mci.take();
  EXPECT_EQ(seq.reopen("D:\\MIDI\\B.MID"), 0u);
  const Lines lines = mci.take();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "sequencer close []");
  EXPECT_EQ(lines[1], "sequencer open [element,typeid,type] element=D:\\MIDI\\B.MID");
  EXPECT_NE(seq.id(), first);
  seq.play(kNotify);
  EXPECT_EQ(mci.take(), Lines{"sequencer play [notify] cb=0x500"});
}

TEST_F(DeviceTest, ADeviceThatIsNotOpenSendsNothing) {
  mci.fail("waveaudio", mci::kOpen, 275);
  WaveDevice wave(mci, shell);
  wave.open("C:\\A.WAV");
  mci.take();
  uint32_t position = 50000;
  uintptr_t mode = 0;
  EXPECT_EQ(wave.play(kNotify), mci::kErrInvalidDeviceId);
  EXPECT_EQ(wave.stop(), mci::kErrInvalidDeviceId);
  EXPECT_EQ(wave.status(mci::kStatusMode, mode), mci::kErrInvalidDeviceId);
  EXPECT_EQ(wave.close(), 0u);
  wave.seek_back_10(position);
  EXPECT_TRUE(mci.take().empty());
}

TEST_F(DeviceTest, ZoomResizeCentresThirdsOfTheDesktop) {
  MpegVideoDevice v(mci, shell);
  v.open("D:\\A.DAT", kVideoCd);
  mci.take();
  Rect rect;
  struct Case {
    int level;
    const char* pos;
  } cases[] = {
      {1, "pos 0x7001 342,256 341x256"},
      {2, "pos 0x7001 171,128 682x512"},
      {3, "pos 0x7001 0,0 1024x768"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(v.resize(c.level, Size{1024, 768}, rect), 0u);
    EXPECT_EQ(mci.take(), Lines{"mpegvideo stop []"}) << c.level;
    EXPECT_EQ(shell.take_log(), Lines{c.pos}) << c.level;
    EXPECT_EQ(rect.right - rect.left, c.level * 1024 / 3) << c.level;
  }
}

TEST(FileName, TakesWhatFollowsTheLastSeparator) {
  EXPECT_EQ(file_name_of("D:\\MPEGAV\\AVSEQ01.DAT"), "AVSEQ01.DAT");
  EXPECT_EQ(file_name_of("D:AVSEQ01.DAT"), "AVSEQ01.DAT");
  EXPECT_EQ(file_name_of("D:"), "");
  EXPECT_EQ(file_name_of("plain.dat"), "plain.dat");
}

}  // namespace
}  // namespace panel::testing
