// halvocd.drv: the MCI "cdaudio" driver of the virtual drive. The element
// ("D:") picks the drive; its disc is read from <letter>:\disc.ini. Playing
// is simulated by the clock and shown in the drive's play status nibble;
// the door opens and closes the drive's tray as halvo-remote's eject and
// close do.
//
// Discs without audio tracks (no disc.ini, or a medium type other than
// audio and mixed) have one data track of length 0: status reports 1 track,
// and play fails with MCIERR_HARDWARE. No disc or an open door gives
// MCIERR_DEVICE_NOT_READY for everything that needs the disc.
//
// Every command and notification goes to the virtual drive's MCI log; a
// position halvo-remote sets for the drive moves or holds the play.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <string>
#include <vector>

#include "sim/drive/remote_commands.h"
#include "sim/drive/win32/drive_files.h"
#include "sim/mci/cd_player.h"
#include "sim/mci/win32/driver_shell.h"

namespace {

using halvomci::Disc;
using halvomci::Error;
using halvomci::Mode;
using halvomci::TimeFormat;

const DWORD kStatusTrackType = MCI_CDA_STATUS_TYPE_TRACK;
const DWORD kTrackAudio = MCI_CDA_TRACK_AUDIO;
const DWORD kTrackOther = MCI_CDA_TRACK_OTHER;
const uint8_t kNibblePlaying = 5;
const uint8_t kNibblePaused = 6;
const uint8_t kNibbleStopped = vdrive::kStatusIdle;
const wchar_t kProduct[] = L"Halvo CD Audio";
const char kType[] = "cdaudio";

// ---- the shared machine state

using mcishell::DriveView;
using mcishell::view_drive;

void show_play_status(char letter, uint8_t nibble)
{
    vdrive::MachineState* state = mcishell::lock_state();
    if (state == NULL)
        return;
    vdrive::DriveSlot* drive = vdrive::find_drive(*state, letter);
    if (drive != NULL && !drive->tray_open && drive->medium)
        vdrive::set_play_status(*drive, nibble);
    mcishell::unlock_state();
}

// ---- the drive letter's files, for the tray commands

// Only the tray commands are run, so only show_files is needed.
class DriveFiles : public vdrive::RemoteHost {
public:
    bool mapping_value(const std::string&, const std::string&, std::string&, std::string&,
                       std::string& error) override
    {
        error = "no button maps here";
        return false;
    }

    bool find_disc(const std::string&, vdrive::DiscFolder&, std::string& error) override
    {
        error = "no disc folders here";
        return false;
    }

    bool show_files(char letter, const std::string& folder, std::string& error) override
    {
        return vdrive::show_disc_files(letter, folder, error);
    }
};

// halvo-remote's "eject" (the disc stays in the tray) or "close".
bool move_tray(char letter, bool open)
{
    std::vector<std::string> args;
    args.push_back(open ? "eject" : "close");
    args.push_back("--drive");
    args.push_back(std::string(1, letter));
    mcishell::SharedState shared;
    DriveFiles files;
    std::string out, err;
    return vdrive::run_remote(args, shared, files, out, err) == vdrive::kExitOk;
}

// ---- one open device

struct Device {
    MCIDEVICEID id;
    char letter;
    mcishell::DeviceThread worker;  // its lock and its play's clock
    halvomci::Player player;
    TimeFormat format;
    bool door_open;
    bool media;
    std::string disc_key;    // which disc the player holds
    HWND notify_window;      // a play's pending notification, or null
    uint32_t position_seen;  // the last position command applied
};

DWORD now() { return GetTickCount(); }

// Sends the pending play notification with a status other than success.
void end_pending(Device& d, UINT status)
{
    HWND window = d.notify_window;
    d.notify_window = NULL;
    mcishell::notify(kType, d.id, window, status);
}

// A play that reached its end: the drive stops and the caller is told.
void settle(Device& d)
{
    if (d.player.update(now())) {
        show_play_status(d.letter, kNibbleStopped);
        end_pending(d, MCI_NOTIFY_SUCCESSFUL);
    }
}

Disc read_disc(char letter)
{
    char ini[] = "?:\\disc.ini";
    ini[0] = letter;
    Disc disc;
    if (GetFileAttributesA(ini) == INVALID_FILE_ATTRIBUTES)
        return disc;
    std::string type = mcishell::disc_value(letter, "Disc", "Type");
    std::string tracks = mcishell::disc_value(letter, "Disc", "Tracks");
    std::string error;
    if (!Disc::from_ini(type, tracks, disc, error))
        disc = Disc();
    return disc;
}

// A position command of halvo-remote: a time in a track (the current one
// when it names none), and the clock held or running.
void apply_position(Device& d, const vdrive::PositionControl& control)
{
    const Disc& disc = d.player.disc();
    if (control.jump && d.media) {
        int track = control.track != 0 ? control.track : disc.track_at(d.player.position(now()));
        if (disc.has_track(track)) {
            uint64_t frame = disc.track_start(track) +
                             (uint64_t)control.ms * halvomci::kFramesPerSecond / 1000;
            d.player.jump(frame < disc.end() ? (uint32_t)frame : disc.end(), now());
        }
    }
    if (control.hold)
        d.player.hold(now());
    else
        d.player.release(now());
}

void take_position(Device& d)
{
    vdrive::PositionControl control;
    if (mcishell::take_position(d.letter, &d.position_seen, &control)) {
        apply_position(d, control);
        settle(d);
    }
}

// Brings the device up to the drive's tray and disc.
void refresh(Device& d)
{
    settle(d);
    DriveView view = view_drive(d.letter);
    std::string key;
    bool media;
    if (view.known) {
        d.door_open = view.tray_open;
        media = !view.tray_open && view.medium;
        key = view.folder;
    } else {
        // Not a virtual drive: a disc is what its disc.ini says.
        char ini[] = "?:\\disc.ini";
        ini[0] = d.letter;
        d.door_open = false;
        media = GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES;
        key = media ? read_disc(d.letter).media_identity() : std::string();
    }
    if (!media || key != d.disc_key) {
        if (d.player.mode() != Mode::kStopped)
            end_pending(d, MCI_NOTIFY_FAILURE);
        d.player.load(media ? read_disc(d.letter) : Disc());
        d.disc_key = media ? key : std::string();
    }
    d.media = media;
    take_position(d);
}

DWORD play_clock(void* device)
{
    Device& d = *(Device*)device;
    settle(d);
    if (d.player.mode() != Mode::kPlaying)
        return INFINITE;
    take_position(d);
    return mcishell::poll_wait(d.player.ms_to_end(now()));
}

// ---- the MCI commands; each runs with the device locked

DWORD mci_error(Error error)
{
    switch (error) {
    case Error::kNone: return 0;
    case Error::kOutOfRange: return MCIERR_OUTOFRANGE;
    case Error::kDataTrack: return MCIERR_HARDWARE;
    }
    return MCIERR_HARDWARE;
}

char letter_of(const wchar_t* element)
{
    if (element == NULL || element[0] == 0)
        return 0;
    wchar_t c = element[0];
    if (c >= L'a' && c <= L'z')
        c = (wchar_t)(c - L'a' + L'A');
    if (c < L'A' || c > L'Z' || (element[1] != 0 && element[1] != L':'))
        return 0;
    return (char)c;
}

char first_cdrom()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        char root[] = "?:\\";
        root[0] = letter;
        if ((drives >> (letter - 'A') & 1) && GetDriveTypeA(root) == DRIVE_CDROM)
            return letter;
    }
    return 0;
}

DWORD open_device(Device& d, DWORD flags, MCI_OPEN_PARMSW* parms)
{
    char letter = 0;
    if ((flags & MCI_OPEN_ELEMENT) && parms != NULL && !(flags & MCI_OPEN_ELEMENT_ID))
        letter = letter_of(parms->lpstrElementName);
    else
        letter = first_cdrom();
    if (letter == 0)
        return MCIERR_INVALID_FILE;
    char root[] = "?:\\";
    root[0] = letter;
    if (GetDriveTypeA(root) != DRIVE_CDROM)
        return MCIERR_INVALID_FILE;
    DWORD refused = mcishell::refused_error(kType);
    if (refused != 0)
        return refused;
    d.letter = letter;
    // Commands given before the open are not for this device; a hold is.
    bool held = false;
    mcishell::current_position(letter, &d.position_seen, &held);
    if (held)
        d.player.hold(now());
    if (!mcishell::start_thread(d.worker, play_clock, &d))
        return MCIERR_OUT_OF_MEMORY;
    refresh(d);
    return 0;
}

void halt(Device& d, UINT status)
{
    if (d.player.mode() != Mode::kStopped)
        show_play_status(d.letter, kNibbleStopped);
    d.player.stop(now());
    end_pending(d, status);
}

DWORD play(Device& d, DWORD flags, MCI_PLAY_PARMS* parms)
{
    refresh(d);
    if (!d.media)
        return MCIERR_DEVICE_NOT_READY;
    const Disc& disc = d.player.disc();
    uint32_t from = d.player.position(now());
    uint32_t to = disc.end();
    if ((flags & MCI_FROM) && parms != NULL) {
        Error e = halvomci::decode_position(disc, d.format, parms->dwFrom, from);
        if (e != Error::kNone)
            return mci_error(e);
    }
    if ((flags & MCI_TO) && parms != NULL) {
        Error e = halvomci::decode_position(disc, d.format, parms->dwTo, to);
        if (e != Error::kNone)
            return mci_error(e);
    }
    Error e = d.player.play(from, to, now());
    if (e != Error::kNone)
        return mci_error(e);
    end_pending(d, MCI_NOTIFY_SUPERSEDED);
    if ((flags & MCI_NOTIFY) && parms != NULL)
        d.notify_window = (HWND)parms->dwCallback;
    show_play_status(d.letter, kNibblePlaying);
    SetEvent(d.worker.wake);
    if (flags & MCI_WAIT) {
        while (d.player.mode() == Mode::kPlaying) {
            DWORD wait = mcishell::poll_wait(d.player.ms_to_end(now()));
            LeaveCriticalSection(&d.worker.lock);
            Sleep(wait);
            EnterCriticalSection(&d.worker.lock);
            settle(d);
            take_position(d);
        }
    }
    return 0;
}

using mcishell::boolean;
using mcishell::resource;

LRESULT status(Device& d, DWORD flags, MCI_STATUS_PARMS* parms)
{
    if (parms == NULL || !(flags & MCI_STATUS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    refresh(d);
    DWORD_PTR* out = &parms->dwReturn;
    const Disc& disc = d.player.disc();
    bool track = (flags & MCI_TRACK) != 0;
    int number = (int)parms->dwTrack;
    switch (parms->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
        return boolean(out, d.media);
    case MCI_STATUS_MODE: {
        WORD mode = d.door_open ? MCI_MODE_OPEN
                    : !d.media  ? MCI_MODE_NOT_READY
                    : d.player.mode() == Mode::kPlaying ? MCI_MODE_PLAY
                    : d.player.mode() == Mode::kPaused  ? MCI_MODE_PAUSE
                                                        : MCI_MODE_STOP;
        return resource(out, mode, mode);
    }
    case MCI_STATUS_TIME_FORMAT:
        return resource(out, (WORD)d.format, (WORD)(MCI_FORMAT_RETURN_BASE + (WORD)d.format));
    }
    if (!d.media)
        return MCIERR_DEVICE_NOT_READY;
    if (track && !disc.has_track(number))
        return MCIERR_OUTOFRANGE;
    bool msf = d.format != TimeFormat::kMilliseconds;
    switch (parms->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS:
        *out = (DWORD)disc.track_count();
        return 0;
    case MCI_STATUS_CURRENT_TRACK:
        *out = (DWORD)disc.track_at(d.player.position(now()));
        return 0;
    case MCI_STATUS_LENGTH:
        *out = halvomci::encode_length(d.format,
                                       track ? disc.track_length(number) : disc.length());
        return msf ? MCI_COLONIZED3_RETURN : 0;
    case MCI_STATUS_POSITION: {
        uint32_t frame = (flags & MCI_STATUS_START) ? disc.start()
                         : track                    ? disc.track_start(number)
                                                    : d.player.position(now());
        *out = halvomci::encode_position(disc, d.format, frame);
        return d.format == TimeFormat::kTmsf ? MCI_COLONIZED4_RETURN
               : msf                          ? MCI_COLONIZED3_RETURN
                                              : 0;
    }
    case kStatusTrackType: {
        if (!track)
            return MCIERR_MISSING_PARAMETER;
        WORD type = disc.is_audio_track(number) ? kTrackAudio : kTrackOther;
        return resource(out, type, type);
    }
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

DWORD set(Device& d, DWORD flags, MCI_SET_PARMS* parms)
{
    if ((flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) ==
        (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED))
        return MCIERR_FLAGS_NOT_COMPATIBLE;
    if (flags & MCI_SET_VIDEO)
        return MCIERR_UNSUPPORTED_FUNCTION;
    if (flags & MCI_SET_TIME_FORMAT) {
        TimeFormat format;
        if (parms == NULL || !halvomci::time_format_from_mci(parms->dwTimeFormat, format))
            return MCIERR_BAD_TIME_FORMAT;
        d.format = format;
    }
    if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) {
        bool open = (flags & MCI_SET_DOOR_OPEN) != 0;
        refresh(d);
        if (open)
            halt(d, MCI_NOTIFY_ABORTED);
        if (!move_tray(d.letter, open))
            return MCIERR_HARDWARE;
        refresh(d);
    }
    return 0;
}

DWORD seek(Device& d, DWORD flags, MCI_SEEK_PARMS* parms)
{
    refresh(d);
    if (!d.media)
        return MCIERR_DEVICE_NOT_READY;
    const Disc& disc = d.player.disc();
    uint32_t frame;
    if (flags & MCI_SEEK_TO_START)
        frame = disc.start();
    else if (flags & MCI_SEEK_TO_END)
        frame = disc.end();
    else if ((flags & MCI_TO) && parms != NULL) {
        Error e = halvomci::decode_position(disc, d.format, parms->dwTo, frame);
        if (e != Error::kNone)
            return mci_error(e);
    } else
        return MCIERR_MISSING_PARAMETER;
    halt(d, MCI_NOTIFY_ABORTED);
    return mci_error(d.player.seek(frame, now()));
}

DWORD info(Device& d, DWORD flags, MCI_INFO_PARMSW* parms)
{
    if (parms == NULL || parms->lpstrReturn == NULL || parms->dwRetSize == 0)
        return MCIERR_PARAM_OVERFLOW;
    std::wstring text;
    if (flags & MCI_INFO_PRODUCT) {
        text = kProduct;
    } else if (flags & MCI_INFO_MEDIA_IDENTITY) {
        refresh(d);
        if (!d.media)
            return MCIERR_DEVICE_NOT_READY;
        std::string id = d.player.disc().media_identity();
        text.assign(id.begin(), id.end());
    } else if (flags & MCI_INFO_MEDIA_UPC) {
        return MCIERR_NO_IDENTITY;
    } else {
        return MCIERR_MISSING_PARAMETER;
    }
    return mcishell::return_text(parms, text);
}

LRESULT devcaps(DWORD flags, MCI_GETDEVCAPS_PARMS* parms)
{
    if (parms == NULL || !(flags & MCI_GETDEVCAPS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    DWORD* out = &parms->dwReturn;
    switch (parms->dwItem) {
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_HAS_VIDEO:
    case MCI_GETDEVCAPS_USES_FILES:
    case MCI_GETDEVCAPS_COMPOUND_DEVICE:
    case MCI_GETDEVCAPS_CAN_SAVE:
        return boolean(out, false);
    case MCI_GETDEVCAPS_HAS_AUDIO:
    case MCI_GETDEVCAPS_CAN_EJECT:
    case MCI_GETDEVCAPS_CAN_PLAY:
        return boolean(out, true);
    case MCI_GETDEVCAPS_DEVICE_TYPE:
        return resource(out, MCI_DEVTYPE_CD_AUDIO, MCI_DEVTYPE_CD_AUDIO);
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

LRESULT command(Device& d, UINT message, DWORD flags, void* parms)
{
    switch (message) {
    case MCI_OPEN_DRIVER: return open_device(d, flags, (MCI_OPEN_PARMSW*)parms);
    case MCI_CLOSE_DRIVER: halt(d, MCI_NOTIFY_ABORTED); return 0;
    case MCI_PLAY: return play(d, flags, (MCI_PLAY_PARMS*)parms);
    case MCI_STOP:
        refresh(d);
        halt(d, MCI_NOTIFY_ABORTED);
        return 0;
    case MCI_PAUSE:
        refresh(d);
        if (d.player.mode() == Mode::kPlaying) {
            d.player.pause(now());
            show_play_status(d.letter, kNibblePaused);
            end_pending(d, MCI_NOTIFY_ABORTED);
        }
        return 0;
    case MCI_RESUME:
        refresh(d);
        if (d.player.resume(now())) {
            show_play_status(d.letter, kNibblePlaying);
            SetEvent(d.worker.wake);
        }
        return 0;
    case MCI_SEEK: return seek(d, flags, (MCI_SEEK_PARMS*)parms);
    case MCI_SET: return set(d, flags, (MCI_SET_PARMS*)parms);
    case MCI_STATUS: return status(d, flags, (MCI_STATUS_PARMS*)parms);
    case MCI_INFO: return info(d, flags, (MCI_INFO_PARMSW*)parms);
    case MCI_GETDEVCAPS: return devcaps(flags, (MCI_GETDEVCAPS_PARMS*)parms);
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

Device* new_device(MCI_OPEN_DRIVER_PARMS* parms)
{
    Device* d = new Device();
    d->id = parms != NULL ? parms->wDeviceID : 0;
    d->letter = 0;
    mcishell::init_thread(d->worker);
    d->format = TimeFormat::kMsf;
    d->door_open = false;
    d->media = false;
    d->notify_window = NULL;
    d->position_seen = 0;
    if (parms != NULL) {
        parms->wType = MCI_DEVTYPE_CD_AUDIO;
        parms->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
    }
    return d;
}

void delete_device(Device* d)
{
    mcishell::end_thread(d->worker);
    delete d;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        mcishell::init();
    return TRUE;
}

extern "C" LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR, UINT message,
                                                             LPARAM p1, LPARAM p2)
{
    switch (message) {
    case DRV_OPEN:
        return (LRESULT)new_device((MCI_OPEN_DRIVER_PARMS*)p2);
    case DRV_CLOSE:
        if (id != 0)
            delete_device((Device*)id);
        return 1;
    }
    if (!mcishell::is_mci_command(id, message))
        return mcishell::driver_message(id, message, p1, p2);
    Device& d = *(Device*)id;
    DWORD flags = (DWORD)p1;
    void* parms = (void*)p2;
    EnterCriticalSection(&d.worker.lock);
    LRESULT result = mcishell::run_logged(kType, d.id, message, flags, parms,
                                          [&] { return command(d, message, flags, parms); });
    LeaveCriticalSection(&d.worker.lock);
    return result;
}
