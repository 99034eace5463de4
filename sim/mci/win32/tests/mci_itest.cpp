// The cdaudio driver under winmm, with the driver registered for "cdaudio"
// and the virtual drive's D: holding test discs put in by halvo-remote.
// Each test starts and ends with "halvo-remote reset".
#include <windows.h>
#include <mmsystem.h>

#include <string>

#include <gtest/gtest.h>

#include "sim/drive/win32/vdrive_store.h"
#include "sim/mci/win32/tests/mci_itest_support.h"

namespace {

using mcitest::disc_folder;
using mcitest::error_text;
using mcitest::kNotifyTimeoutMs;
using mcitest::remote;

struct DriveState {
    int tray_open;
    int medium;
    int play_status;
};

DriveState drive_d()
{
    static vdrive::Store store;
    DriveState s = {-1, -1, -1};
    vdrive::StoreError error;
    vdrive::MachineState* state = vdrive::store_lock(&store, &error);
    if (state == NULL)
        return s;
    const vdrive::DriveSlot* d = vdrive::find_drive(*state, 'D');
    if (d != NULL) {
        s.tray_open = d->tray_open;
        s.medium = d->medium;
        s.play_status = d->play_status;
    }
    vdrive::store_unlock(&store);
    return s;
}

bool file_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

class MciTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        insert("audio");
        ASSERT_TRUE(notes_.window() != NULL);
    }

    void TearDown() override
    {
        cd_.close();
        EXPECT_TRUE(remote("reset"));
    }

    void insert(const char* disc)
    {
        ASSERT_TRUE(remote("reset"));
        ASSERT_TRUE(remote(std::string("insert ") + disc_folder(disc)));
    }

    // Opened as the remote-control library opens it.
    void open_d()
    {
        MCIERROR e = cd_.open_id(MCI_DEVTYPE_CD_AUDIO, "D:", MCI_OPEN_SHAREABLE);
        ASSERT_EQ(0u, e) << error_text(e);
        ASSERT_NE(0u, cd_.id());
    }

    MCIERROR play(DWORD flags, DWORD from, DWORD to)
    {
        return cd_.play(flags, notes_.window(), from, to);
    }

    MCIERROR door(bool open)
    {
        return mciSendCommandA(cd_.id(), MCI_SET,
                               (open ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED) | MCI_WAIT, 0);
    }

    // The next MM_MCINOTIFY's status, or 0 when none comes in time; it
    // must come from the device.
    WPARAM wait_notify(DWORD timeout = kNotifyTimeoutMs)
    {
        LPARAM from = 0;
        WPARAM status = notes_.next(timeout, &from);
        if (status != 0) {
            EXPECT_EQ((LPARAM)cd_.id(), from);
        }
        return status;
    }

    mcitest::Notifications notes_;
    mcitest::Device cd_;
};

TEST_F(MciTest, RemoteLibraryFlowReadsTheAudioDisc)
{
    open_d();
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_STOP, MCI_WAIT, 0));
    EXPECT_EQ(4u, cd_.status_ok(MCI_STATUS_NUMBER_OF_TRACKS));
    EXPECT_EQ(1u, cd_.status_ok(MCI_STATUS_CURRENT_TRACK));
    EXPECT_EQ(MCI_MODE_STOP, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(TRUE, LOWORD(cd_.status_ok(MCI_STATUS_MEDIA_PRESENT)));
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_MILLISECONDS));
    EXPECT_EQ(840000u, cd_.status_ok(MCI_STATUS_LENGTH));
    struct { DWORD track; DWORD_PTR ms; } lengths[] = {{1, 215000}, {2, 187000}, {4, 198000}};
    for (const auto& c : lengths)
        EXPECT_EQ(c.ms, cd_.status_ok(MCI_STATUS_LENGTH, c.track)) << c.track;
    EXPECT_EQ(217000u, cd_.status_ok(MCI_STATUS_POSITION, 2));
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    EXPECT_EQ(0x000703u, cd_.status_ok(MCI_STATUS_LENGTH, 2));   // 03:07:00, as MSF
    EXPECT_EQ(0x00000003u, cd_.status_ok(MCI_STATUS_POSITION, 3));
    DWORD_PTR value;
    EXPECT_EQ(MCIERR_OUTOFRANGE, cd_.status(MCI_STATUS_LENGTH, &value, 5));
}

TEST_F(MciTest, PlayToItsEndNotifiesAndShowsTheDriveStatus)
{
    open_d();
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    // Track 2 from its start to 00:00:30 (0.4 s).
    ASSERT_EQ(0u, play(MCI_FROM | MCI_TO | MCI_NOTIFY, 0x02, 0x1E000002));
    EXPECT_EQ(MCI_MODE_PLAY, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(2u, cd_.status_ok(MCI_STATUS_CURRENT_TRACK));
    EXPECT_EQ(5, drive_d().play_status);
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, wait_notify());
    EXPECT_EQ(MCI_MODE_STOP, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(0x1E000002u, cd_.status_ok(MCI_STATUS_POSITION));
    EXPECT_EQ(8, drive_d().play_status);
}

TEST_F(MciTest, StopAndANewPlayEndTheWaitingNotification)
{
    open_d();
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    ASSERT_EQ(0u, play(MCI_FROM | MCI_NOTIFY, 0x02, 0));
    ASSERT_EQ(0u, play(MCI_FROM | MCI_NOTIFY, 0x03, 0));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUPERSEDED, wait_notify());
    // It moves on through track 3.
    DWORD_PTR position = cd_.status_ok(MCI_STATUS_POSITION);
    for (DWORD begin = GetTickCount(); (position >> 8) == 0 && GetTickCount() - begin < kNotifyTimeoutMs;) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        position = cd_.status_ok(MCI_STATUS_POSITION);
    }
    EXPECT_EQ(3u, position & 0xFF);
    EXPECT_GT(position >> 8, 0u);
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_STOP, MCI_WAIT, 0));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_ABORTED, wait_notify());
    EXPECT_EQ(MCI_MODE_STOP, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(8, drive_d().play_status);
    EXPECT_EQ(0u, wait_notify(300));  // nothing more
}

TEST_F(MciTest, PauseResumeAndSeek)
{
    open_d();
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    ASSERT_EQ(0u, play(MCI_FROM, 0x02, 0));
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_PAUSE, MCI_WAIT, 0));
    EXPECT_EQ(MCI_MODE_PAUSE, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(6, drive_d().play_status);
    DWORD_PTR paused = cd_.status_ok(MCI_STATUS_POSITION);
    Sleep(200);
    EXPECT_EQ(paused, cd_.status_ok(MCI_STATUS_POSITION));
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_RESUME, MCI_WAIT, 0));
    EXPECT_EQ(MCI_MODE_PLAY, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(5, drive_d().play_status);
    MCI_SEEK_PARMS seek = {};
    seek.dwTo = 0x00000104;  // track 4, 00:01:00
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_SEEK, MCI_TO | MCI_WAIT, (DWORD_PTR)&seek));
    EXPECT_EQ(MCI_MODE_STOP, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(0x00000104u, cd_.status_ok(MCI_STATUS_POSITION));
    seek.dwTo = 0x00000005;
    EXPECT_EQ(MCIERR_OUTOFRANGE,
              mciSendCommandA(cd_.id(), MCI_SEEK, MCI_TO | MCI_WAIT, (DWORD_PTR)&seek));
}

TEST_F(MciTest, DoorMovesTheDrivesTray)
{
    open_d();
    ASSERT_EQ(0, drive_d().tray_open);
    ASSERT_EQ(0u, door(true));
    EXPECT_EQ(1, drive_d().tray_open);
    EXPECT_EQ(1, drive_d().medium);       // the disc stays in the tray
    EXPECT_FALSE(file_exists("D:\\disc.ini"));
    EXPECT_EQ(MCI_MODE_OPEN, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    DWORD_PTR value;
    EXPECT_EQ(MCIERR_DEVICE_NOT_READY, cd_.status(MCI_STATUS_NUMBER_OF_TRACKS, &value));
    EXPECT_EQ(MCIERR_DEVICE_NOT_READY, play(MCI_WAIT, 0, 0));
    ASSERT_EQ(0u, door(false));
    EXPECT_EQ(0, drive_d().tray_open);
    EXPECT_TRUE(file_exists("D:\\disc.ini"));
    EXPECT_EQ(4u, cd_.status_ok(MCI_STATUS_NUMBER_OF_TRACKS));
}

TEST_F(MciTest, DoorOpenAbortsAPlay)
{
    open_d();
    ASSERT_EQ(0u, play(MCI_NOTIFY, 0, 0));
    ASSERT_EQ(0u, door(true));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_ABORTED, wait_notify());
    EXPECT_EQ(1, drive_d().tray_open);
}

TEST_F(MciTest, DiscsWithoutAudio)
{
    struct Case {
        const char* disc; DWORD tracks; DWORD first_audio;
    } cases[] = {{"data", 1, 0}, {"cdi", 1, 0}, {"mixed", 3, 2}, {"mixed12", 12, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.disc);
        insert(c.disc);
        open_d();
        ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
        EXPECT_EQ(c.tracks, cd_.status_ok(MCI_STATUS_NUMBER_OF_TRACKS));
        EXPECT_EQ(MCI_CDA_TRACK_OTHER, LOWORD(cd_.status_ok(MCI_CDA_STATUS_TYPE_TRACK, 1)));
        EXPECT_EQ(MCIERR_HARDWARE, play(MCI_FROM | MCI_WAIT, 0x01, 0));
        if (c.first_audio) {
            EXPECT_EQ(MCI_CDA_TRACK_AUDIO,
                      LOWORD(cd_.status_ok(MCI_CDA_STATUS_TYPE_TRACK, c.first_audio)));
            EXPECT_EQ(0u, play(MCI_FROM, c.first_audio, 0));
        }
        cd_.close();
    }
}

TEST_F(MciTest, InfoAndCapabilities)
{
    open_d();
    char text[64] = "";
    MCI_INFO_PARMSA info = {};
    info.lpstrReturn = text;
    info.dwRetSize = sizeof text;
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_INFO, MCI_INFO_PRODUCT | MCI_WAIT,
                                  (DWORD_PTR)&info));
    EXPECT_STREQ("Halvo CD Audio", text);
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_INFO, MCI_INFO_MEDIA_IDENTITY | MCI_WAIT,
                                  (DWORD_PTR)&info));
    std::string audio_id = text;
    EXPECT_FALSE(audio_id.empty());
    struct { DWORD item; DWORD value; } caps[] = {
        {MCI_GETDEVCAPS_DEVICE_TYPE, MCI_DEVTYPE_CD_AUDIO}, {MCI_GETDEVCAPS_CAN_EJECT, TRUE},
        {MCI_GETDEVCAPS_CAN_PLAY, TRUE}, {MCI_GETDEVCAPS_CAN_RECORD, FALSE},
        {MCI_GETDEVCAPS_HAS_VIDEO, FALSE}};
    for (const auto& c : caps) {
        MCI_GETDEVCAPS_PARMS parms = {};
        parms.dwItem = c.item;
        ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT,
                                      (DWORD_PTR)&parms)) << c.item;
        EXPECT_EQ(c.value, LOWORD(parms.dwReturn)) << c.item;
    }
    cd_.close();
    insert("mixed");
    open_d();
    ASSERT_EQ(0u, mciSendCommandA(cd_.id(), MCI_INFO, MCI_INFO_MEDIA_IDENTITY | MCI_WAIT,
                                  (DWORD_PTR)&info));
    EXPECT_NE(audio_id, text);
}

// The commands the playback panel sends, as the log records them.
TEST_F(MciTest, CommandsAndNotificationsAreLogged)
{
    insert("mixed12");
    open_d();
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    EXPECT_EQ(12u, cd_.status_ok(MCI_STATUS_NUMBER_OF_TRACKS));
    EXPECT_EQ(0x0200u, cd_.status_ok(MCI_STATUS_LENGTH, 12));  // 00:02, as MSF
    ASSERT_EQ(0u, play(MCI_NOTIFY | MCI_FROM | MCI_TO, 0x0C, 0x0002000C));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, wait_notify());

    std::vector<mcilog::Entry> log = mcilog::of_type(mcilog::read(), "cdaudio");
    const uint32_t callback = (uint32_t)(DWORD_PTR)notes_.window();
    struct Step {
        UINT message;
        DWORD flags;
        std::string text;
        DWORD item, track, from, to;
        uint64_t value;
    } steps[] = {
        {MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE | MCI_WAIT,
         "D:", 0, 0, 0, 0, 0},
        {MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, "", 0, 0, 0, 0, 0},
        {MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, "", MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, 0, 12},
        {MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK | MCI_WAIT, "", MCI_STATUS_LENGTH, 12, 0, 0, 0x0200},
        {MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, "", 0, 0, 0x0C, 0x0002000C, 0},
        {vdrive::kMciNotifyPosted, MCI_NOTIFY_SUCCESSFUL, "", 0, 0, 0, 0, 0},
    };
    ASSERT_EQ(sizeof steps / sizeof steps[0], log.size()) << mcilog::dump(log);
    for (size_t i = 0; i < log.size(); ++i) {
        const mcilog::Entry& e = log[i];
        const Step& s = steps[i];
        SCOPED_TRACE(e.describe());
        EXPECT_EQ(s.message, e.message);
        EXPECT_EQ(s.flags, e.flags);
        EXPECT_EQ(0u, e.is_notify() ? 0 : e.error());
        EXPECT_EQ(cd_.id(), e.device);
        EXPECT_EQ(GetCurrentProcessId(), e.process);
        if (s.message == MCI_OPEN) {
            EXPECT_EQ(s.text, e.text);
        }
        if (s.message == MCI_SET) {
            EXPECT_EQ((uint32_t)MCI_FORMAT_TMSF, e.time_format);
        }
        if (s.message == MCI_STATUS) {
            EXPECT_EQ(s.item, e.item);
            EXPECT_EQ(s.track, e.track);
            EXPECT_EQ(s.value, e.value);
        }
        if (s.message == MCI_PLAY) {
            EXPECT_EQ(s.from, e.from);
            EXPECT_EQ(s.to, e.to);
        }
        if (s.message == MCI_PLAY || e.is_notify()) {
            EXPECT_EQ(callback, e.callback);
        }
    }
}

TEST_F(MciTest, PositionHeldInATrackWhilePlaying)
{
    insert("mixed12");
    open_d();
    ASSERT_EQ(0u, cd_.time_format(MCI_FORMAT_TMSF));
    // Track 5 (3:18) from its start to its end, as the panel plays a track.
    ASSERT_EQ(0u, play(MCI_NOTIFY | MCI_FROM | MCI_TO, 0x05, 0x00120305));
    ASSERT_TRUE(remote("position D 5 0:03:07 --hold"));
    ASSERT_TRUE(itest::wait_until([&] { return cd_.status_ok(MCI_STATUS_POSITION) == 0x00070305u; },
                                  kNotifyTimeoutMs));
    EXPECT_EQ(0u, wait_notify(400));  // the clock stands
    EXPECT_EQ(0x00070305u, cd_.status_ok(MCI_STATUS_POSITION));
    EXPECT_EQ(MCI_MODE_PLAY, LOWORD(cd_.status_ok(MCI_STATUS_MODE)));
    EXPECT_EQ(5, drive_d().play_status);

    ASSERT_TRUE(remote("position D --release"));
    EXPECT_TRUE(itest::wait_until([&] { return cd_.status_ok(MCI_STATUS_POSITION) != 0x00070305u; },
                                  kNotifyTimeoutMs));
    // A time without a track is one in the track playing: 1 s before its end.
    ASSERT_TRUE(remote("position D 3:17"));
    EXPECT_EQ((WPARAM)MCI_NOTIFY_SUCCESSFUL, wait_notify());
    EXPECT_EQ(0x00000006u, cd_.status_ok(MCI_STATUS_POSITION));  // the end is where track 6 starts
}

TEST_F(MciTest, RefusedOpenFailsWithTheErrorChosen)
{
    ASSERT_TRUE(remote("mci-refuse cdaudio --error 291"));
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = (LPCSTR)(DWORD_PTR)MCI_DEVTYPE_CD_AUDIO;
    open.lpstrElementName = "D:";
    EXPECT_EQ(291u, mciSendCommandA(0, MCI_OPEN,
                                    MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_WAIT,
                                    (DWORD_PTR)&open));
    std::vector<mcilog::Entry> log = mcilog::read();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(291u, log[0].error());
    ASSERT_TRUE(remote("mci-refuse --clear"));
    open_d();
}

// Discs copied onto the drive keep their files' times; a disc.ini of the
// same time as the one before must not be answered from a cached copy.
TEST_F(MciTest, DiscIniOfTheSameTimeIsReadAfresh)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string base = std::string(temp) + "halvo-same-time";
    const char* tracks[2] = {"Tracks=100,100\r\n", "Tracks=100,100,100\r\n"};
    FILETIME when = {0x12345678, 0x01D00000};
    std::string folders[2];
    for (int i = 0; i < 2; ++i) {
        folders[i] = base + std::to_string(i);
        CreateDirectoryA(folders[i].c_str(), NULL);
        std::string ini = folders[i] + "\\disc.ini";
        HANDLE file = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        std::string text = std::string("[Disc]\r\nType=4\r\n") + tracks[i];
        DWORD written = 0;
        WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
        SetFileTime(file, &when, &when, &when);
        CloseHandle(file);
    }
    DWORD counts[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(remote("insert " + folders[i]));
        open_d();
        counts[i] = (DWORD)cd_.status_ok(MCI_STATUS_NUMBER_OF_TRACKS);
        cd_.close();
    }
    EXPECT_TRUE(remote("reset"));
    for (const std::string& folder : folders) {
        DeleteFileA((folder + "\\disc.ini").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    EXPECT_EQ(2u, counts[0]);
    EXPECT_EQ(3u, counts[1]);
}

TEST_F(MciTest, CommandStrings)
{
    char text[128];
    struct { const char* command; const char* answer; } steps[] = {
        {"open cdaudio alias cd wait", "1"},
        {"status cd number of tracks", "4"},
        {"set cd time format tmsf", ""},
        {"status cd length track 2", "03:07:00"},
        {"status cd position track 3", "03:00:00:00"},
        {"status cd mode", "stopped"},
        {"set cd time format milliseconds", ""},
        {"status cd length", "840000"},
        {"close cd", ""},
    };
    for (const auto& s : steps) {
        text[0] = 0;
        MCIERROR e = mciSendStringA(s.command, text, sizeof text, NULL);
        EXPECT_EQ(0u, e) << s.command << ": " << error_text(e);
        EXPECT_STREQ(s.answer, text) << s.command;
    }
}

}  // namespace
