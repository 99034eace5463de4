// Start-up and disc discovery, against the scripted MCI, library and folders.
#include <gtest/gtest.h>

#include <algorithm>

#include "panel/tests/fakes.h"

namespace panel::testing {
namespace {

using Lines = std::vector<std::string>;

class Discovery : public PanelTest {};

TEST_F(Discovery, AudioCdStartedForItsDiscPlaysTrackOne) {
  put_cd(5, 3, 20, "9f3a0c12");
  start("/play /cda");
  EXPECT_EQ(mci.take(), (Lines{
                            "cdaudio open [shareable,element,typeid,type] element=D:",
                            "cdaudio set [time_format] format=tmsf",
                            "cdaudio status [wait,item] item=tracks",
                            "cdaudio info [media_identity] size=16",
                            "cdaudio status [wait,track,item] item=length track=1",
                            "cdaudio play [notify,from,to] from=1:00:00 to=1:03:20 cb=0x500",
                        }));
  EXPECT_EQ(panel.kind(), kAudioCd);
  EXPECT_EQ(panel.start_mode(), kStartMatched);
  EXPECT_EQ(panel.disc_identity().text(), "Audio9f3a0c12");
  EXPECT_EQ(panel.source_list(), (SourceList{"Track1", "Track2", "Track3", "Track4", "Track5"}));
  ASSERT_EQ(panel.play_list().size(), 5u);
  EXPECT_EQ(panel.play_list()[4].number, 5);
  EXPECT_EQ(panel.play_list()[4].name, "Track5");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 1), state(5)}));
  EXPECT_EQ(shell.indicators[IDC_DISC_TYPE], kAudioCd);
  EXPECT_EQ(shell.enabled_transport(), "Previous Pause SkipBack SkipForward Stop Next");
  EXPECT_EQ(shell.timers, std::set<int>{kStatusTimer});
  EXPECT_TRUE(shell.take_boxes().empty());
}

TEST_F(Discovery, MixedModeCdSkipsItsDataTrack) {
  put_cd(12);
  remote.caps[MMCD_CAP_DISC_TYPE] = 5;
  start();
  EXPECT_EQ(panel.kind(), kMixedModeCd);
  EXPECT_EQ(panel.disc_identity().text(), "Mixed0123abcd");
  ASSERT_EQ(panel.source_list().size(), 11u);
  EXPECT_EQ(panel.source_list().front(), "Track2");
  EXPECT_EQ(panel.source_list().back(), "Track12");
  ASSERT_EQ(panel.play_list().size(), 11u);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(panel.play_list()[i].number, i + 2);
  EXPECT_EQ(panel.current_track(), 2);
  EXPECT_EQ(time_text(panel.displayed()), "2 0:00:00");
}

TEST_F(Discovery, AudioCdWithoutTracks) {
  put_cd(0);
  start();
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_AUDIO_NOT_INSERTED)});
  const Lines lines = mci.take();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "cdaudio stop [wait]") << "the device is closed again";
  EXPECT_EQ(lines.back(), "cdaudio close []");
  EXPECT_FALSE(panel.any_device_open());
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_TRUE(shell.enabled(IDC_EJECT));
  EXPECT_TRUE(shell.enabled(IDC_POWER));
}

TEST_F(Discovery, AudioCdThatCannotBeOpened) {
  put_cd(5);
  mci.fail("cdaudio", mci::kOpen, mci::kErrDriveInUse);
  start();
  EXPECT_EQ(shell.take_boxes(), (Lines{ownerless_box(IDS_OPEN_AUDIO_FAILED), box(IDS_DRIVE_IN_USE)}));
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_EQ(mci.take().size(), 1u);
}

TEST_F(Discovery, OtherMciErrorsShowMcisOwnText) {
  put_cd(5);
  mci.fail("cdaudio", mci::kOpen, 266);
  start();
  EXPECT_EQ(shell.take_boxes(), (Lines{ownerless_box(IDS_OPEN_AUDIO_FAILED), "'MCI error 266'"}));
}

TEST_F(Discovery, PlainStartJoinsACdThatIsPlayingAlready) {
  put_cd(6);
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusMode, mci::kModePlay);
  cd_at(4, 2, 5);
  start();
  EXPECT_EQ(panel.current_track(), 4);
  EXPECT_EQ(panel.position(), 3);
  EXPECT_EQ(time_text(shell.time), "4 0:02:05");
  EXPECT_FALSE(shell.enabled(IDC_PLAY));
  EXPECT_TRUE(shell.enabled(IDC_PAUSE));
  EXPECT_TRUE(shell.enabled(IDC_STOP));
  for (const std::string& line : mci.take()) EXPECT_EQ(line.find(" play "), std::string::npos) << line;
  EXPECT_TRUE(remote.take_reports().empty());
}

TEST_F(Discovery, PlainStartWithAStoppedCdWaitsForPlay) {
  put_cd(6);
  mci.answer_value("cdaudio", mci::kStatus, mci::kStatusMode, mci::kModeStop);
  start();
  EXPECT_EQ(panel.current_track(), 1);
  EXPECT_TRUE(shell.enabled(IDC_PLAY));
  EXPECT_FALSE(shell.enabled(IDC_STOP));
  EXPECT_TRUE(remote.take_reports().empty());
}

TEST_F(Discovery, VideoCdItemsAndIdentity) {
  put_video_cd(0x00A1B2C3, 0x00100000);
  folders.add("D:\\MPEGAV", {{"AVSEQ01.DAT", false, 0x00A1B2C3},
                             {"avseq02.dat", false, 0x00100000},
                             {"OLD.DAT", true, 0x77}});
  start("/play /dat");
  EXPECT_EQ(folders.take_log(), (Lines{"drive D", "cd D:\\MPEGAV", "find *.DAT"}));
  EXPECT_EQ(panel.kind(), kVideoCd);
  EXPECT_EQ(panel.source_list(), (SourceList{"D:\\MPEGAV\\AVSEQ01.DAT", "D:\\MPEGAV\\AVSEQ02.DAT"}));
  ASSERT_EQ(panel.play_list().size(), 2u);
  EXPECT_EQ(panel.play_list()[0].number, 1);
  EXPECT_EQ(panel.play_list()[1].number, 2);
  EXPECT_EQ(panel.play_list()[1].name, "D:\\MPEGAV\\AVSEQ02.DAT");
  EXPECT_EQ(panel.disc_identity().text(), "Videob1b2c5");  // 0xA1B2C3 + 0x100000 + 2
  const Lines lines = mci.take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "mpegvideo open [shareable,element,type] element=D:\\MPEGAV\\AVSEQ01.DAT");
  EXPECT_EQ(lines.back(), "mpegvideo play [notify] cb=0x500");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 1), state(5)}));
}

TEST_F(Discovery, VideoCdSizeSumWrapsAtThirtyTwoBits) {
  put_video_cd(0xFFFFFFFF, 0x00000004);
  start();
  EXPECT_EQ(panel.disc_identity().text(), "Video5");
}

TEST_F(Discovery, VideoCdWithoutItsFolder) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 9;
  start("/play /dat");
  EXPECT_TRUE(shell.take_boxes().empty());
  EXPECT_EQ(panel.item_count(), 0);
  EXPECT_EQ(panel.disc_identity().text(), "Video0");
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_TRUE(mci.take().empty());
  EXPECT_EQ(shell.timers, std::set<int>{kStatusTimer});
}

TEST_F(Discovery, PlainVideoCdStartOpensOnPlayWithoutListingTwice) {
  put_video_cd();
  start();
  EXPECT_EQ(panel.play_list().size(), 2u);
  EXPECT_TRUE(mci.take().empty()) << "nothing opened before Play";
  panel.play();
  EXPECT_EQ(panel.play_list().size(), 2u);
  EXPECT_EQ(panel.source_list().size(), 2u);
  EXPECT_EQ(panel.disc_identity().text(), "Video3002");
  int plays = 0;
  for (const std::string& line : mci.take()) plays += line.find(" play ") != std::string::npos;
  EXPECT_EQ(plays, 1);
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 1), state(5)}));
}

TEST_F(Discovery, CdiFallsBackWithoutAMessageAndIsOneTitle) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 8;
  mci.fail("CDIVideo", mci::kOpen, 266);
  start("/play /cdi");
  EXPECT_TRUE(shell.take_boxes().empty());
  EXPECT_EQ(panel.kind(), kCdiDisc);
  EXPECT_EQ(panel.disc_identity().text(), "Cdi");
  const Lines lines = mci.take();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "mpegvideocd open [shareable,element,type] element=D:");
  EXPECT_EQ(shell.enabled_transport(), "Pause SkipBack SkipForward Stop");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 1), state(5)}));
}

TEST_F(Discovery, MultimediaCdListsItsFoldersInOrder) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 12;
  folders.add("D:\\WAVE", {{"intro.wav", false, 100}, {"B.WAV", false, 200}, {"SUB.WAV", true, 0}});
  folders.add("D:\\MIDI", {{"TUNE.MID", false, 300}});
  start("/play /qmcd");
  EXPECT_EQ(folders.take_log(), (Lines{"drive D", "cd D:\\WAVE", "find *.WAV", "cd D:\\MIDI", "find *.MID",
                                       "cd D:\\AVI"}));
  EXPECT_EQ(panel.source_list(), (SourceList{"D:\\WAVE\\INTRO.WAV", "D:\\WAVE\\B.WAV", "D:\\MIDI\\TUNE.MID"}));
  // Sizes, plus the running count after each folder that had entries: 2, then 3.
  EXPECT_EQ(panel.disc_identity().text(), "QMCD" + std::string("25d"));  // 600 + 5 = 0x25d
  EXPECT_EQ(panel.kind(), kWaveFile);
  const Lines lines = mci.take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "waveaudio open [element,typeid,type] element=D:\\WAVE\\INTRO.WAV");
  EXPECT_EQ(lines.back(), "waveaudio play [notify] cb=0x500");
  EXPECT_EQ(panel.current_track(), 1);
}

TEST_F(Discovery, EmptyMultimediaCd) {
  remote.caps[MMCD_CAP_DISC_TYPE] = 12;
  start("/play /qmcd");
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_QMCD_NOT_INSERTED)});
  EXPECT_EQ(panel.disc_identity().text(), "QMCD0");
  EXPECT_EQ(shell.enabled_transport(), "");
}

TEST_F(Discovery, MultimediaCdWhoseFirstFileIsNoMedia) {
  // A resource library that names another extension for the wave folder.
  shell.strings[IDS_EXT_WAVE] = "MP2";
  remote.caps[MMCD_CAP_DISC_TYPE] = 12;
  folders.add("D:\\WAVE", {{"SONG.MP2", false, 10}});
  folders.add("D:\\AVI", {{"CLIP.AVI", false, 10}});
  start("/play /qmcd");
  EXPECT_EQ(panel.kind(), kMultimediaCd);
  EXPECT_TRUE(mci.take().empty());
  EXPECT_TRUE(shell.take_boxes().empty());
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_FALSE(panel.any_device_open());
}

TEST_F(Discovery, SwitchesAgainstTheDiscInTheDrive) {
  struct Case {
    const char* command_line;
    uint32_t disc;
    uint32_t mismatch;
  } cases[] = {
      {"/play /cdi", 8, IDS_CDI_NOT_INSERTED},
      {"/play /mix", 5, IDS_MIXED_NOT_INSERTED},
      {"/play /cda", 4, IDS_AUDIO_NOT_INSERTED},
      {"/play /dat", 9, IDS_VIDEO_NOT_INSERTED},
      {"/play /qmcd", 12, IDS_QMCD_NOT_INSERTED},
  };
  for (const Case& c : cases) {
    for (bool matching : {true, false}) {
      FakeMci m;
      FakeShell s;
      FakeRemote r;
      FakeFolders f;
      halvo::MemoryRegistry reg;
      r.caps[MMCD_CAP_DISC_TYPE] = matching ? c.disc : 9;
      if (!matching && c.disc == 9) r.caps[MMCD_CAP_DISC_TYPE] = 4;
      PlaybackPanel p(m, s, r, f, reg);
      p.on_init(kPanelWindow, c.command_line);
      const std::string name = std::string(c.command_line) + (matching ? " matching" : " not matching");
      EXPECT_EQ(p.start_mode(), matching ? kStartMatched : kStartFile) << name;
      EXPECT_EQ(s.timers, std::set<int>{kStatusTimer}) << name;
      if (!matching) {
        EXPECT_EQ(s.take_boxes(), Lines{box(c.mismatch)}) << name;
        EXPECT_EQ(s.enabled_transport(), "") << name;
        EXPECT_EQ(p.displayed().track, 0) << name;
        EXPECT_TRUE(m.take().empty()) << name << ": nothing opened";
      }
    }
  }
}

TEST_F(Discovery, VideoCdGivenForAnAudioSwitch) {
  put_video_cd();
  start("/play /cda");
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_AUDIO_NOT_INSERTED)});
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_EQ(shell.closes_posted, 0) << "the panel stays open";
}

TEST_F(Discovery, UnknownSwitchStartsNoTimer) {
  put_cd(3);
  start("/play /cdx");
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_BAD_SWITCH)});
  EXPECT_TRUE(shell.timers.empty());
  for (const std::string& line : shell.take_log()) EXPECT_NE(line.rfind("timer", 0), 0u) << line;
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_TRUE(mci.take().empty());
  EXPECT_EQ(shell.volume_level, -1) << "no volume bar refresh without the timer";
}

TEST_F(Discovery, DiscTypesOfAPlainStart) {
  struct Case {
    uint32_t disc;
    MediaKind kind;
    bool transport;
  } cases[] = {
      {4, kAudioCd, true},  {7, kAudioCd, true},  {5, kMixedModeCd, true}, {8, kCdiDisc, true},
      {9, kVideoCd, true},  {15, kNoDisc, false}, {0, kNoDisc, false},     {1, kNoDisc, false},
      {2, kNoDisc, false},  {6, kNoDisc, false},  {3, kNoDisc, true},
  };
  for (const Case& c : cases) {
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 3);
    f.add("D:\\MPEGAV", {{"AVSEQ01.DAT", false, 1}});
    r.caps[MMCD_CAP_DISC_TYPE] = c.disc;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, "");
    EXPECT_EQ(p.kind(), c.kind) << "disc type " << c.disc;
    EXPECT_EQ(s.indicators[IDC_DISC_TYPE], c.kind) << "disc type " << c.disc;
    EXPECT_EQ(s.enabled(IDC_NEXT), c.transport) << "disc type " << c.disc;
    EXPECT_TRUE(s.take_boxes().empty()) << "disc type " << c.disc;
    EXPECT_EQ(p.start_mode(), kStartPlain);
  }
}

TEST_F(Discovery, FilesOnTheCommandLine) {
  struct Case {
    const char* command_line;
    MediaKind kind;
    const char* open;
    const char* play;
  } cases[] = {
      {"-play C:\\MEDIA\\SOUND.WAV", kWaveFile, "waveaudio open [element,typeid,type] element=C:\\MEDIA\\SOUND.WAV",
       "waveaudio play [notify] cb=0x500"},
      {"-play C:\\MEDIA\\tune.mid", kMidiFile, "sequencer open [element,typeid,type] element=C:\\MEDIA\\tune.mid",
       "sequencer play [notify] cb=0x500"},
      {"-play C:\\MEDIA\\Clip.Avi", kAviFile, "avivideo open [element,type] element=C:\\MEDIA\\Clip.Avi",
       "avivideo play [notify] cb=0x500"},
      {"-play D:\\MPEGAV\\AVSEQ02.DAT", kVideoCd, "mpegvideo open [shareable,element,type] element=D:\\MPEGAV\\AVSEQ02.DAT",
       "mpegvideo play [notify] cb=0x500"},
  };
  for (const Case& c : cases) {
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, c.command_line);
    const Lines lines = m.take();
    ASSERT_FALSE(lines.empty()) << c.command_line;
    EXPECT_EQ(lines.front(), c.open) << c.command_line;
    EXPECT_EQ(lines.back(), c.play) << c.command_line;
    EXPECT_EQ(p.kind(), c.kind) << c.command_line;
    EXPECT_EQ(p.start_mode(), kStartFile) << c.command_line;
    EXPECT_EQ(p.drive(), std::string(c.command_line).substr(6, 2)) << c.command_line;
    EXPECT_EQ(s.enabled_transport(), "Pause SkipBack SkipForward Stop") << c.command_line;
    EXPECT_EQ(time_text(s.time), "0 0:00:00") << c.command_line;
    EXPECT_EQ(r.take_reports(), (Lines{announce(2), state(5)})) << c.command_line;
  }
}

TEST_F(Discovery, AviFromTheCommandLineStartsInItsOwnRectangle) {
  start("-play C:\\CLIP.AVI");
  const Lines log = shell.take_log();
  EXPECT_NE(std::find(log.begin(), log.end(), "placement 0x7001 50,50,200,200 normal"), log.end());
}

TEST_F(Discovery, CdaFileOnTheCommandLinePlaysItsTrack) {
  put_cd(12);
  remote.drive = "E:";
  start("-play D:\\Track07.cda");
  EXPECT_EQ(panel.drive(), "D:");
  EXPECT_EQ(panel.current_track(), 7);
  EXPECT_EQ(panel.position(), 6);
  const Lines lines = mci.take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "cdaudio open [shareable,element,typeid,type] element=D:");
  EXPECT_EQ(lines.back(), "cdaudio play [notify,from,to] from=7:00:00 to=7:04:00 cb=0x500");
  EXPECT_EQ(remote.take_reports(), (Lines{announce(2, 7), state(5)}));
  EXPECT_TRUE(shell.enabled(IDC_NEXT)) << "a CD keeps its track buttons";
}

TEST_F(Discovery, CdaTrackNumbersTheDiscDoesNotHave) {
  for (const char* command_line : {"-play D:\\Track99.cda", "-play D:\\Track00.cda", "-play D:\\T.cda",
                                   "-play D:\\Trackab.cda"}) {
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    m.answer_value("cdaudio", mci::kStatus, mci::kStatusNumberOfTracks, 12);
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, command_line);
    EXPECT_EQ(p.current_track(), 1) << command_line;
    EXPECT_EQ(p.position(), 0) << command_line;
    EXPECT_EQ(m.take().back(), "cdaudio play [notify,from,to] from=1:00:00 to=1:00:00 cb=0x500") << command_line;
  }
}

TEST_F(Discovery, CommandLinesThatOpenNothing) {
  for (const char* command_line : {"-play C:\\NOTES.TXT", "-play C:", "-play ", "-play", "-"}) {
    FakeMci m;
    FakeShell s;
    FakeRemote r;
    FakeFolders f;
    halvo::MemoryRegistry reg;
    PlaybackPanel p(m, s, r, f, reg);
    p.on_init(kPanelWindow, command_line);
    EXPECT_TRUE(m.take().empty()) << command_line;
    EXPECT_EQ(p.start_mode(), kStartFile) << command_line;
    EXPECT_EQ(s.enabled_transport(), "") << command_line;
    EXPECT_TRUE(r.take_reports().empty()) << command_line;
    EXPECT_EQ(s.timers, std::set<int>{kStatusTimer}) << command_line;
  }
}

TEST_F(Discovery, FileThatCannotBeOpened) {
  mci.fail("waveaudio", mci::kOpen, 275);
  start("-play C:\\SOUND.WAV");
  EXPECT_EQ(shell.take_boxes(), (Lines{ownerless_box(IDS_OPEN_WAVE_FAILED), "'MCI error 275'"}));
  EXPECT_EQ(shell.enabled_transport(), "");
  EXPECT_TRUE(remote.take_reports().empty());
}

TEST_F(Discovery, RegistrationAndReceiverFailures) {
  remote.register_status = MMCD_ERR_NO_RECEIVER;
  put_cd(3);
  start("/play /cda");
  EXPECT_EQ(shell.take_boxes(), (Lines{box(IDS_REGISTER_FAILED), box(IDS_AUDIO_NOT_INSERTED)}))
      << "without a handle the disc type is unknown";
  EXPECT_EQ(shell.timers, std::set<int>{kStatusTimer}) << "start-up goes on";
  EXPECT_EQ(panel.remote_message(), 0);

  FakeShell s;
  FakeRemote r;
  r.drive_status = MMCD_ERR_BAD_PARAM;
  PlaybackPanel p(mci, s, r, folders, registry);
  p.on_init(kPanelWindow, "");
  EXPECT_EQ(s.take_boxes(), Lines{box(IDS_NO_RECEIVER)});
  EXPECT_EQ(p.remote_message(), FakeRemote::kMessage);
}

TEST_F(Discovery, TimerThatCannotBeHad) {
  shell.refuse_timers = {kStatusTimer};
  start();
  EXPECT_EQ(shell.take_boxes(), Lines{box(IDS_NO_TIMER)});
  EXPECT_EQ(shell.volume_level, -1);
}

TEST_F(Discovery, StartShowsSettingsIndicatorsAndVolume) {
  registry.create_key(kSettingsKey);
  registry.write_binary(kSettingsKey, "ContinuousPlay", {0});
  registry.write_dword(kSettingsKey, "PanelX", 400);
  registry.write_dword(kSettingsKey, "PanelY", 300);
  remote.caps[MMCD_CAP_MUTE] = 1;
  remote.caps[MMCD_CAP_VOLUME] = 0x4000FFFF;  // left channel full
  start();
  EXPECT_EQ(shell.take_log().front(), "pos 0x500 400,300 369x37");
  EXPECT_EQ(shell.indicators[IDC_REPEAT], 1);
  EXPECT_EQ(shell.indicators[IDC_MUTE], 1);
  EXPECT_EQ(shell.indicators[IDC_DISC_TYPE], kNoDisc);
  EXPECT_EQ(shell.volume_level, kVolumeBarWidth);
  EXPECT_TRUE(panel.muted());
  EXPECT_FALSE(shell.enabled(IDC_PLAY_LIST)) << "the play-list editor is not there yet";
  EXPECT_EQ(remote.take_log().front(), "register 0x500");
}

}  // namespace
}  // namespace panel::testing
