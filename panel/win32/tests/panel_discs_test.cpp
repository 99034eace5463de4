// What the panel opens and plays on each kind of disc, read from the MCI
// drivers' log: the real mciSendCommandA path, command by command.
#include <windows.h>

#include <string>
#include <vector>

#include "panel/mci.h"
#include "panel/mcures_ids.h"
#include "panel/win32/tests/panel_machine.h"
#include "sim/mci/win32/mci_log_reader.h"

namespace itest {
namespace {

namespace mci = panel::mci;

constexpr int kPlaying = 5;

// The first entry of a type and message (and a result of 0 unless any_result).
const mcilog::Entry* find(const std::vector<mcilog::Entry>& log, const char* type, uint16_t message,
                          bool any_result = false) {
  for (const mcilog::Entry& e : log)
    if (lstrcmpiA(e.type.c_str(), type) == 0 && e.message == message && !e.is_notify() &&
        (any_result || e.error() == 0))
      return &e;
  return NULL;
}

bool has_play(const std::vector<mcilog::Entry>& log, const char* type) {
  return find(log, type, mci::kPlay) != NULL;
}

struct DiscCase {
  const char* name;
  const char* folder;
  unsigned disc_type;
  const char* arguments;
  const char* device_type;  // of the first open
  const char* element;      // it opens
  unsigned long track;      // the current track once it plays
};

const DiscCase kDiscCases[] = {
    {"audio CD", "audio", 4, "/play /cda", "cdaudio", "D:", 1},
    {"mixed-mode CD", "mixed12", 5, "/play /mix", "cdaudio", "D:", 2},
    {"Video CD", "videocd-avseq", 9, "/play /dat", "mpegvideo", "D:\\MPEGAV\\AVSEQ01.DAT", 1},
    {"CD-i", "cdi-movie", 8, "/play /cdi", "CDIVideo", "D:", 1},
    {"multimedia CD", "qmcd-media", 12, "/play /qmcd", "waveaudio", "D:\\WAVE\\CHIME.WAV", 1},
    {"its first file another's", "qmcd-other-first", 12, "/play /qmcd", "sequencer",
     "D:\\MIDI\\SCALE.MID", 1},
    {"a track file", "mixed12", 5, "-file D:\\Track07.cda", "cdaudio", "D:", 7},
};

class PanelDiscTest : public PanelTest {};

TEST_F(PanelDiscTest, EachKindOpensAndPlaysItsFirstItem) {
  for (const DiscCase& c : kDiscCases) {
    SCOPED_TRACE(c.name);
    put_in(c.folder, c.disc_type);
    mcilog::clear();
    ASSERT_TRUE(panel_.start(c.arguments));
    std::vector<mcilog::Entry> log;
    EXPECT_TRUE(mcilog::wait_for([&](const std::vector<mcilog::Entry>& l) { return has_play(l, c.device_type); },
                                 kPanelWaitMs, &log))
        << mcilog::dump(log);
    const mcilog::Entry* open = find(log, c.device_type, mci::kOpen);
    ASSERT_TRUE(open != NULL) << mcilog::dump(log);
    EXPECT_EQ(c.element, open->text);
    EXPECT_EQ(c.track, query(2));
    panel_.end();
  }
}

TEST_F(PanelDiscTest, AudioCdPlaysOneTrackToItsEnd) {
  put_in("audio", 4);
  mcilog::clear();
  ASSERT_TRUE(panel_.start("/play /cda"));
  std::vector<mcilog::Entry> log;
  ASSERT_TRUE(mcilog::wait_for([](const std::vector<mcilog::Entry>& l) { return has_play(l, "cdaudio"); },
                               kPanelWaitMs, &log));
  std::vector<std::string> expected = {"open", "set", "status", "info", "status", "play"};
  std::vector<mcilog::Entry> cd = mcilog::of_type(log, "cdaudio");
  std::vector<std::string> got = mcilog::messages(cd);
  got.resize(std::min(got.size(), expected.size()));
  EXPECT_EQ(expected, got) << mcilog::dump(cd);
  const mcilog::Entry* open = find(log, "cdaudio", mci::kOpen);
  ASSERT_TRUE(open != NULL);
  EXPECT_EQ(mci::kOpenType | mci::kOpenTypeId | mci::kOpenElement | mci::kOpenShareable,
            open->flags & ~mci::kWait);
  const mcilog::Entry* set = find(log, "cdaudio", mci::kSet);
  ASSERT_TRUE(set != NULL);
  EXPECT_EQ(mci::kFormatTmsf, set->time_format);
  const mcilog::Entry* play = find(log, "cdaudio", mci::kPlay);
  ASSERT_TRUE(play != NULL);
  EXPECT_EQ(mci::kNotify | mci::kFrom | mci::kTo, play->flags);
  EXPECT_EQ(mci::tmsf(1, 0, 0, 0), play->from);
  // Track 1 of the disc is 3:35 long.
  EXPECT_EQ(mci::tmsf(1, 3, 35, 0), play->to);
}

TEST_F(PanelDiscTest, CdiFallsBackWithoutAWord) {
  put_in("cdi-movie", 8);
  ASSERT_TRUE(run_remote("mci-refuse CDIVideo"));
  mcilog::clear();
  ASSERT_TRUE(panel_.start("/play /cdi"));
  std::vector<mcilog::Entry> log;
  EXPECT_TRUE(mcilog::wait_for([](const std::vector<mcilog::Entry>& l) { return has_play(l, "mpegvideocd"); },
                               kPanelWaitMs, &log))
      << mcilog::dump(log);
  const mcilog::Entry* refused = find(log, "CDIVideo", mci::kOpen, true);
  ASSERT_TRUE(refused != NULL) << mcilog::dump(log);
  EXPECT_NE(0u, refused->error());
  // A box would have failed the test as a stray.
  EXPECT_FALSE(check_stray_boxes());
}

TEST_F(PanelDiscTest, VideoCdWithoutItemsStartsIdleWithoutAWord) {
  put_in("videocd-no-mpegav", 9);
  ASSERT_TRUE(panel_.start("/play /dat"));
  HWND panel = panel_.wait_for_window();
  ASSERT_TRUE(panel != NULL);
  EXPECT_TRUE(eventually([&] { return !panel_.enabled(IDC_PLAY) && panel_.enabled(IDC_EJECT); }));
  EXPECT_TRUE(mcilog::of_type(mcilog::read(), "mpegvideo").empty() ||
              find(mcilog::read(), "mpegvideo", mci::kPlay) == NULL);
  EXPECT_FALSE(check_stray_boxes());
}

TEST_F(PanelDiscTest, ZoomStepsTheVideoWindowThroughThirdsOfTheDesktop) {
  put_in("videocd-avseq", 9);
  mcilog::clear();
  ASSERT_TRUE(panel_.start("/play /dat"));
  std::vector<mcilog::Entry> log;
  ASSERT_TRUE(mcilog::wait_for([](const std::vector<mcilog::Entry>& l) { return has_play(l, "mpegvideo"); },
                               kPanelWaitMs, &log));
  HWND video = NULL;
  for (const mcilog::Entry& e : log)
    if (e.message == mci::kStatus && e.item == mci::kDgvStatusHwnd && e.error() == 0)
      video = reinterpret_cast<HWND>(static_cast<uintptr_t>(e.value));
  ASSERT_TRUE(IsWindow(video)) << mcilog::dump(log);
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  const int levels[] = {1, 2, 3, 1};
  for (int level : levels) {
    SCOPED_TRACE("zoom level " + std::to_string(level));
    // The same button again within half a second would count as held.
    ASSERT_TRUE(wait_for_ticks(3));
    ASSERT_TRUE(press("Zoom"));
    const LONG width = level * desktop.right / 3, height = level * desktop.bottom / 3;
    const RECT expected = {desktop.right / 2 - width / 2, desktop.bottom / 2 - height / 2,
                           desktop.right / 2 - width / 2 + width, desktop.bottom / 2 - height / 2 + height};
    RECT got = {};
    EXPECT_TRUE(eventually([&] {
      GetWindowRect(video, &got);
      return EqualRect(&got, &expected) != FALSE;
    })) << got.left << "," << got.top << " " << got.right << "," << got.bottom;
    EXPECT_EQ(static_cast<unsigned long>(level), query(3));
  }
  EXPECT_EQ(5ul, capability(MMCD_CAP_PLAY_STATE));
}

// The panel's current folder is on the disc (its items' folder): the door
// opens all the same, through a CD device opened for it, and the panel ends.
TEST_F(PanelDiscTest, EjectWhileAVideoCdPlays) {
  put_in("videocd-avseq", 9);
  mcilog::clear();
  ASSERT_TRUE(panel_.start("/play /dat"));
  ASSERT_TRUE(mcilog::wait_for([](const std::vector<mcilog::Entry>& l) { return has_play(l, "mpegvideo"); },
                               kPanelWaitMs));
  ASSERT_TRUE(press("Eject"));
  EXPECT_TRUE(eventually([&] { return drive_tray_open(); }));
  EXPECT_TRUE(panel_.wait_for_exit(kPanelWaitMs));
  std::vector<mcilog::Entry> log = mcilog::read();
  const mcilog::Entry* close = find(log, "mpegvideo", mci::kClose);
  const mcilog::Entry* door = NULL;
  for (const mcilog::Entry& e : log)
    if (e.type == "cdaudio" && e.message == mci::kSet && (e.flags & mci::kSetDoorOpen) && e.error() == 0)
      door = &e;
  ASSERT_TRUE(close != NULL) << mcilog::dump(log);
  ASSERT_TRUE(door != NULL) << mcilog::dump(log);
  EXPECT_LT(close->seq, door->seq) << "the video device closes before the door opens";
}

TEST_F(PanelDiscTest, MultimediaCdWalksOnToTheNextFileKind) {
  put_in("qmcd-media", 12);
  mcilog::clear();
  ASSERT_TRUE(panel_.start("/play /qmcd"));
  // CHIME.WAV plays for a second, then TONE.WAV on the same kind of device.
  std::vector<mcilog::Entry> log;
  EXPECT_TRUE(mcilog::wait_for(
      [](const std::vector<mcilog::Entry>& l) {
        for (const mcilog::Entry& e : l)
          if (e.message == mci::kOpen && e.text == "D:\\WAVE\\TONE.WAV" && e.error() == 0) return true;
        return false;
      },
      kPanelWaitMs, &log))
      << mcilog::dump(log);
  EXPECT_TRUE(eventually([&] { return query(2) == 2; })) << query(2);
  std::vector<mcilog::Entry> notified;
  for (const mcilog::Entry& e : log)
    if (e.is_notify()) notified.push_back(e);
  ASSERT_FALSE(notified.empty()) << mcilog::dump(log);
  EXPECT_EQ(mci::kNotifySuccessful, notified.front().flags) << mcilog::dump(log);
}

TEST_F(PanelDiscTest, FileFromTheCommandLineClosesThePanelWhenPlayed) {
  put_in("qmcd-media", 12);
  mcilog::clear();
  ASSERT_TRUE(panel_.start("-file D:\\WAVE\\CHIME.WAV"));
  ASSERT_TRUE(panel_.wait_for_window());
  EXPECT_FALSE(panel_.enabled(IDC_NEXT));
  EXPECT_FALSE(panel_.enabled(IDC_PREVIOUS));
  EXPECT_TRUE(panel_.wait_for_exit(kPanelWaitMs)) << mcilog::dump(mcilog::read());
  EXPECT_TRUE(has_play(mcilog::read(), "waveaudio"));
}

}  // namespace
}  // namespace itest
