// The file and video devices of halvomedia.drv under winmm, registered for
// mpegvideo, mpegvideocd, CDIVideo, avivideo, waveaudio and sequencer, on
// discs put into the virtual drive's D: by halvo-remote. Each test starts
// and ends with "halvo-remote reset", which also empties the MCI log.
#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/mci/win32/tests/mci_itest_support.h"

namespace {

using mcilog::Entry;
using mcitest::Device;
using mcitest::disc_folder;
using mcitest::error_text;
using mcitest::remote;

// One entry a log must hold, after the ones before it.
struct Expected {
    const char* what;
    std::function<bool(const Entry&)> matches;
};

::testing::AssertionResult holds_in_order(const std::vector<Entry>& log,
                                          const std::vector<Expected>& expected)
{
    size_t at = 0;
    for (const Expected& e : expected) {
        while (at < log.size() && !e.matches(log[at]))
            ++at;
        if (at == log.size())
            return ::testing::AssertionFailure() << "no " << e.what << " in order in\n"
                                                 << mcilog::dump(log);
        ++at;
    }
    return ::testing::AssertionSuccess();
}

class MediaTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(remote("reset")); }
    void TearDown() override
    {
        for (Device* d : {&a_, &b_})
            d->close();
        EXPECT_TRUE(remote("reset"));
    }

    void insert(const char* disc) { ASSERT_TRUE(remote("insert " + disc_folder(disc))); }

    mcitest::Notifications notes_;
    Device a_;
    Device b_;
};

TEST_F(MediaTest, VideoCdItemAsThePanelPlaysIt)
{
    insert("videocd-avseq");
    ASSERT_EQ(0u, a_.open("mpegvideo", "D:\\MPEGAV\\AVSEQ01.DAT"));
    HWND window = (HWND)a_.status_ok(MCI_DGV_STATUS_HWND);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(NULL, GetParent(window));
    EXPECT_EQ((LONG)WS_OVERLAPPEDWINDOW, GetWindowLongA(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(window, NULL));
    ASSERT_EQ(0u, a_.time_format(MCI_FORMAT_MILLISECONDS));
    EXPECT_EQ(3900000u, a_.status_ok(MCI_STATUS_LENGTH));
    ASSERT_EQ(0u, a_.window_text("AVSEQ01.DAT"));
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ("AVSEQ01.DAT", caption);

    // Placed hidden, as the panel places it before it plays.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.showCmd = SW_HIDE;
    placement.rcNormalPosition = {60, 70, 460, 370};
    ASSERT_TRUE(SetWindowPlacement(window, &placement));
    ASSERT_EQ(0u, a_.play(MCI_NOTIFY, notes_.window()));
    EXPECT_TRUE(IsWindowVisible(window));
    WINDOWPLACEMENT back = {};
    back.length = sizeof back;
    ASSERT_TRUE(GetWindowPlacement(window, &back));
    EXPECT_EQ(60, back.rcNormalPosition.left);
    EXPECT_EQ(370, back.rcNormalPosition.bottom);
    EXPECT_EQ(MCI_MODE_PLAY, a_.mode());
    EXPECT_EQ(0u, mciSendCommandA(a_.id(), MCI_REALIZE, MCI_DGV_REALIZE_NORM | MCI_WAIT, 0));
    ASSERT_TRUE(itest::wait_until([&] { return a_.status_ok(MCI_STATUS_POSITION) >= 200; },
                                  mcitest::kNotifyTimeoutMs));
    ASSERT_EQ(0u, a_.send(MCI_STOP));
    LPARAM from = 0;
    EXPECT_EQ((WPARAM)MCI_NOTIFY_ABORTED, notes_.next(mcitest::kNotifyTimeoutMs, &from));
    EXPECT_EQ((LPARAM)a_.id(), from);
    EXPECT_EQ(MCI_MODE_STOP, a_.mode());
    EXPECT_TRUE(IsWindowVisible(window));  // until the device is closed
    MCIDEVICEID id = a_.id();
    a_.close();
    EXPECT_FALSE(IsWindow(window));

    std::vector<Entry> log = mcilog::of_type(mcilog::read(), "mpegvideo");
    const uint32_t callback = (uint32_t)(DWORD_PTR)notes_.window();
    EXPECT_TRUE(holds_in_order(log, {
        {"open of the item", [&](const Entry& e) {
             return e.message == MCI_OPEN && e.text == "D:\\MPEGAV\\AVSEQ01.DAT" &&
                    (e.flags & MCI_OPEN_SHAREABLE) && e.error() == 0 && e.device == id;
         }},
        {"its window", [&](const Entry& e) {
             return e.message == MCI_STATUS && e.item == MCI_DGV_STATUS_HWND &&
                    e.value == (uint64_t)(DWORD_PTR)window;
         }},
        {"milliseconds", [](const Entry& e) {
             return e.message == MCI_SET && e.time_format == MCI_FORMAT_MILLISECONDS;
         }},
        {"the length", [](const Entry& e) {
             return e.message == MCI_STATUS && e.item == MCI_STATUS_LENGTH && e.value == 3900000;
         }},
        {"the window text", [](const Entry& e) {
             return e.message == MCI_WINDOW && e.text == "AVSEQ01.DAT";
         }},
        {"the play", [&](const Entry& e) {
             return e.message == MCI_PLAY && e.flags == MCI_NOTIFY && e.callback == callback;
         }},
        {"realize", [](const Entry& e) { return e.message == MCI_REALIZE && e.error() == 0; }},
        {"the stop", [](const Entry& e) { return e.message == MCI_STOP; }},
        {"the aborted notification", [&](const Entry& e) {
             return e.is_notify() && e.flags == MCI_NOTIFY_ABORTED && e.callback == callback;
         }},
        {"the close", [](const Entry& e) { return e.message == MCI_CLOSE; }},
    }));
}

TEST_F(MediaTest, EveryTypeSeeksAndPlaysToTheRealEnd)
{
    struct Case {
        const char* disc;
        const char* type;   // by name, or null for type_id
        WORD type_id;
        const char* element;
        DWORD length;
        const char* jump;   // a position halvo-remote moves the play to first
        DWORD at_least;     // how long the notification takes at least
    } cases[] = {
        // Played from the middle.
        {"qmcd-media", NULL, MCI_DEVTYPE_WAVEFORM_AUDIO, "D:\\WAVE\\CHIME.WAV", 1000, NULL, 500},
        {"qmcd-media", NULL, MCI_DEVTYPE_SEQUENCER, "D:\\MIDI\\SCALE.MID", 2000, NULL, 1000},
        {"qmcd-media", "avivideo", 0, "D:\\AVI\\BAR.AVI", 1000, NULL, 500},
        {"videocd-avseq", "mpegvideo", 0, "D:\\MPEGAV\\AVSEQ02.DAT", 2000, NULL, 1000},
        // 1.5 s left, of which halvo-remote's exit may take some.
        {"cdi-movie", "CDIVideo", 0, "D:", 12000, "0:10.5", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        insert(c.disc);
        MCIERROR e = c.type != NULL ? a_.open(c.type, c.element) : a_.open_id(c.type_id, c.element);
        ASSERT_EQ(0u, e) << error_text(e);
        ASSERT_EQ(0u, a_.time_format(MCI_FORMAT_MILLISECONDS));
        EXPECT_EQ(c.length, a_.status_ok(MCI_STATUS_LENGTH));
        ASSERT_EQ(0u, a_.seek(c.length / 2));
        EXPECT_EQ(c.length / 2, a_.status_ok(MCI_STATUS_POSITION));
        EXPECT_EQ(MCI_MODE_STOP, a_.mode());
        ASSERT_EQ(0u, a_.play(MCI_NOTIFY, notes_.window()));  // from where it is
        if (c.jump != NULL) {
            ASSERT_TRUE(remote(std::string("position D ") + c.jump));
        }
        DWORD start = GetTickCount();
        LPARAM from = 0;
        EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, notes_.next(c.length + 3000, &from));
        DWORD took = GetTickCount() - start;
        EXPECT_EQ((LPARAM)a_.id(), from);
        // Not before the item's time is up (the clock ticks in steps of a few ms).
        EXPECT_GE(took + 40, c.at_least);
        EXPECT_EQ(MCI_MODE_STOP, a_.mode());
        EXPECT_EQ(c.length, a_.status_ok(MCI_STATUS_POSITION));
        EXPECT_EQ(0u, a_.send(MCI_STOP));
        EXPECT_EQ(0u, notes_.next(100));  // the play has ended: nothing to abort
        a_.close();
        ASSERT_TRUE(remote("reset"));
    }
}

TEST_F(MediaTest, SupersedePauseResumeAndSeek)
{
    insert("qmcd-media");
    ASSERT_EQ(0u, a_.open_id(MCI_DEVTYPE_WAVEFORM_AUDIO, "D:\\WAVE\\TONE.WAV"));
    ASSERT_EQ(0u, a_.time_format(MCI_FORMAT_MILLISECONDS));
    ASSERT_EQ(0u, a_.play(MCI_NOTIFY, notes_.window()));
    ASSERT_EQ(0u, a_.play(MCI_NOTIFY, notes_.window()));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUPERSEDED, notes_.next());
    ASSERT_EQ(0u, a_.send(MCI_PAUSE));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_ABORTED, notes_.next());
    EXPECT_EQ(MCI_MODE_PAUSE, a_.mode());
    DWORD_PTR paused = a_.status_ok(MCI_STATUS_POSITION);
    EXPECT_EQ(0u, notes_.next(300));
    EXPECT_EQ(paused, a_.status_ok(MCI_STATUS_POSITION));
    ASSERT_EQ(0u, a_.send(MCI_RESUME));
    EXPECT_EQ(MCI_MODE_PLAY, a_.mode());
    EXPECT_TRUE(itest::wait_until([&] { return a_.status_ok(MCI_STATUS_POSITION) > paused; },
                                  mcitest::kNotifyTimeoutMs));
    ASSERT_EQ(0u, a_.seek(1000));
    EXPECT_EQ(MCI_MODE_STOP, a_.mode());
    EXPECT_EQ(1000u, a_.status_ok(MCI_STATUS_POSITION));

    EXPECT_EQ((MCIERROR)MCIERR_OUTOFRANGE, a_.seek(6001));
    EXPECT_EQ((MCIERROR)MCIERR_OUTOFRANGE, a_.play(MCI_FROM | MCI_TO, NULL, 5000, 7000));
    EXPECT_EQ((MCIERROR)MCIERR_BAD_TIME_FORMAT, a_.time_format(MCI_FORMAT_BYTES));
    DWORD_PTR none;
    EXPECT_EQ((MCIERROR)MCIERR_UNSUPPORTED_FUNCTION, a_.status(MCI_DGV_STATUS_HWND, &none));
    EXPECT_EQ((MCIERROR)MCIERR_UNSUPPORTED_FUNCTION, a_.window_text("no window"));
    // From near the end: the rest plays to the end.
    ASSERT_EQ(0u, a_.play(MCI_FROM | MCI_NOTIFY, notes_.window(), 5800));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, notes_.next());
    EXPECT_EQ(6000u, a_.status_ok(MCI_STATUS_POSITION));
}

TEST_F(MediaTest, RefusedCdiVideoLeavesMpegVideoCd)
{
    insert("cdi-movie");
    ASSERT_TRUE(remote("mci-refuse CDIVideo"));
    EXPECT_EQ((MCIERROR)MCIERR_HARDWARE, a_.open("CDIVideo", "D:"));
    ASSERT_EQ(0u, b_.open("mpegvideocd", "D:"));
    ASSERT_EQ(0u, b_.time_format(MCI_FORMAT_MILLISECONDS));
    EXPECT_EQ(12000u, b_.status_ok(MCI_STATUS_LENGTH));
    EXPECT_TRUE(IsWindow((HWND)b_.status_ok(MCI_DGV_STATUS_HWND)));
    b_.close();

    ASSERT_TRUE(remote("mci-refuse CDIVideo --error 291"));
    EXPECT_EQ((MCIERROR)291, a_.open("CDIVideo", "D:"));
    ASSERT_TRUE(remote("mci-refuse --clear"));
    EXPECT_EQ(0u, a_.open("CDIVideo", "D:"));

    std::vector<Entry> log = mcilog::read();
    EXPECT_TRUE(holds_in_order(log, {
        {"the refused open", [](const Entry& e) {
             return e.type == "CDIVideo" && e.message == MCI_OPEN && e.text == "D:" &&
                    e.error() == MCIERR_HARDWARE;
         }},
        {"the fallback", [](const Entry& e) {
             return e.type == "mpegvideocd" && e.message == MCI_OPEN && e.error() == 0;
         }},
        {"the open refused with 291", [](const Entry& e) {
             return e.type == "CDIVideo" && e.message == MCI_OPEN && e.error() == 291;
         }},
        {"the open once allowed", [](const Entry& e) {
             return e.type == "CDIVideo" && e.message == MCI_OPEN && e.error() == 0;
         }},
    }));
}

TEST_F(MediaTest, PositionHeldWhilePlayingThenMovedToTheEnd)
{
    insert("videocd-avseq");
    ASSERT_EQ(0u, a_.open("mpegvideo", "D:\\MPEGAV\\AVSEQ01.DAT"));
    ASSERT_EQ(0u, a_.time_format(MCI_FORMAT_MILLISECONDS));
    ASSERT_EQ(0u, a_.play(MCI_NOTIFY, notes_.window()));
    ASSERT_TRUE(remote("position D 1:02:03.5 --hold"));
    ASSERT_TRUE(mcitest::wait_status(a_, MCI_STATUS_POSITION, 3723500, mcitest::kNotifyTimeoutMs));
    EXPECT_EQ(0u, notes_.next(400));
    EXPECT_EQ(3723500u, a_.status_ok(MCI_STATUS_POSITION));
    EXPECT_EQ(MCI_MODE_PLAY, a_.mode());
    // A device opened while the drive is held starts held.
    ASSERT_EQ(0u, b_.open("mpegvideo", "D:\\MPEGAV\\AVSEQ02.DAT"));
    ASSERT_EQ(0u, b_.play(0));
    EXPECT_EQ(0u, notes_.next(300));
    EXPECT_EQ(0u, b_.status_ok(MCI_STATUS_POSITION));
    b_.close();

    ASSERT_TRUE(remote("position D --release"));
    EXPECT_TRUE(itest::wait_until([&] { return a_.status_ok(MCI_STATUS_POSITION) > 3723500; },
                                  mcitest::kNotifyTimeoutMs));
    ASSERT_TRUE(remote("position D 1:04:59.5"));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, notes_.next());
    EXPECT_EQ(3900000u, a_.status_ok(MCI_STATUS_POSITION));
}

TEST_F(MediaTest, OpenErrors)
{
    struct Case {
        const char* disc;
        const char* command;  // halvo-remote's, after the insert
        const char* type;
        const char* element;
        MCIERROR error;
    } cases[] = {
        {"videocd-avseq", NULL, "mpegvideo", "D:\\MPEGAV\\AVSEQ09.DAT", MCIERR_FILE_NOT_FOUND},
        {"videocd-avseq", NULL, "waveaudio", "D:\\MPEGAV\\AVSEQ02.DAT", MCIERR_INVALID_FILE},
        {"qmcd-media", NULL, "sequencer", "D:\\WAVE\\CHIME.WAV", MCIERR_INVALID_FILE},
        {"qmcd-media", NULL, "avivideo", "D:\\MIDI\\SCALE.MID", MCIERR_INVALID_FILE},
        {"cdi-movie", "eject", "CDIVideo", "D:", MCIERR_DEVICE_NOT_READY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        ASSERT_TRUE(remote("reset"));
        insert(c.disc);
        if (c.command != NULL) {
            ASSERT_TRUE(remote(c.command));
        }
        EXPECT_EQ(c.error, a_.open(c.type, c.element));
        std::vector<Entry> log = mcilog::read();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(MCI_OPEN, log.back().message);
        EXPECT_EQ(c.error, log.back().error());
        EXPECT_EQ(c.element, log.back().text);
        a_.close();
    }
}

// The folders as the panel's discovery finds them on D: under Wine.
TEST_F(MediaTest, DiscFoldersAsProgramsSeeThem)
{
    struct Case {
        const char* disc;
        const char* pattern;
        std::vector<std::string> names;  // in the order they are found
    } cases[] = {
        {"videocd-avseq", "D:\\MPEGAV\\*.DAT", {"AVSEQ01.DAT", "AVSEQ02.DAT"}},
        {"videocd-no-mpegav", "D:\\MPEGAV", {}},
        {"videocd-no-mpegav", "D:\\vcd\\info.vcd", {"info.vcd"}},
        {"qmcd-media", "D:\\WAVE\\*.WAV", {"CHIME.WAV", "TONE.WAV"}},
        {"qmcd-media", "D:\\MIDI\\*.MID", {"SCALE.MID", "TUNE.MID"}},
        {"qmcd-media", "D:\\AVI\\*.AVI", {"BAR.AVI", "FIELD.AVI"}},
        // Found by its short name; its own name ends in another extension.
        {"qmcd-other-first", "D:\\WAVE\\*.WAV", {"INTRO.WAVE"}},
        {"cdi-movie", "D:\\CDI\\*", {".", "..", "MOVIE.APP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.disc) + " " + c.pattern);
        ASSERT_TRUE(remote("reset"));
        insert(c.disc);
        std::vector<std::string> found;
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA(c.pattern, &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do
                found.push_back(entry.cFileName);
            while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        EXPECT_EQ(c.names, found);
    }
}

}  // namespace
