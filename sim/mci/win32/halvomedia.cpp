// halvomedia.drv: the MCI devices of the virtual drive's file and video
// items, one driver registered under each device type ("halvomedia.drv
// mpegvideo"); the type an open names decides which device it gets:
//
//   mpegvideo, mpegvideocd, CDIVideo   a Video CD's .DAT file, or the drive
//                                      itself for a CD-i ("D:"); the length
//                                      comes from the disc's disc.ini
//                                      ([Video] AVSEQ01.DAT=, Disc=)
//   avivideo                           an AVI file, length from its header
//   waveaudio, sequencer               WAV and MIDI files, from their headers
//
// Playing is simulated by the clock: nothing is decoded or sounded. The
// video devices play into a window of their own (video_window.h). Every
// command and notification goes to the virtual drive's MCI log; a position
// halvo-remote sets for the element's drive moves or holds the play, and
// halvo-remote's mci-refuse makes a type's opens fail.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>
#include <digitalv.h>

#include <string>
#include <vector>

#include "sim/drive/disc_info.h"
#include "sim/mci/media_file.h"
#include "sim/mci/play_clock.h"
#include "sim/mci/win32/driver_shell.h"
#include "sim/mci/win32/video_window.h"

namespace {

using halvomci::Mode;
using halvomci::PlayClock;

const uint32_t kDefaultItemMs = 60000;  // an item its disc does not list
const int kMpegWidth = 352;             // a Video CD picture
const int kMpegHeight = 240;
const int kMinVideoWidth = 160;

HINSTANCE g_instance;

enum class Source { kDiscItem, kAviFile, kWaveFile, kMidiFile };

struct DeviceType {
    const char* name;
    Source source;
    WORD devtype;
    const wchar_t* product;
};

const DeviceType kTypes[] = {
    {"mpegvideo", Source::kDiscItem, MCI_DEVTYPE_DIGITAL_VIDEO, L"Halvo MPEG Video"},
    {"mpegvideocd", Source::kDiscItem, MCI_DEVTYPE_DIGITAL_VIDEO, L"Halvo MPEG Video CD"},
    {"CDIVideo", Source::kDiscItem, MCI_DEVTYPE_DIGITAL_VIDEO, L"Halvo CD-i Video"},
    {"avivideo", Source::kAviFile, MCI_DEVTYPE_DIGITAL_VIDEO, L"Halvo AVI Video"},
    {"waveaudio", Source::kWaveFile, MCI_DEVTYPE_WAVEFORM_AUDIO, L"Halvo Wave Audio"},
    {"sequencer", Source::kMidiFile, MCI_DEVTYPE_SEQUENCER, L"Halvo MIDI Sequencer"},
};

bool has_video(const DeviceType& type) { return type.devtype == MCI_DEVTYPE_DIGITAL_VIDEO; }

const DeviceType* type_named(const std::string& name)
{
    for (const DeviceType& type : kTypes) {
        if (lstrcmpiA(type.name, name.c_str()) == 0)
            return &type;
    }
    return NULL;
}

// ---- one open device

struct Device {
    MCIDEVICEID id;
    const DeviceType* type;   // null until known
    mcishell::DeviceThread worker;  // its lock and its play's clock
    PlayClock clock;
    uint32_t length;          // milliseconds
    std::wstring element;
    std::wstring name;        // what the window shows
    char letter;              // the element's drive, or 0
    uint32_t position_seen;   // the last position command applied
    HWND window;
    HWND notify_window;       // a play's pending notification, or null

    Device() : id(0), type(NULL), worker(), clock(1000), length(0), letter(0), position_seen(0),
               window(NULL), notify_window(NULL) {}
};

DWORD now() { return GetTickCount(); }

const char* type_name(const Device& d) { return d.type != NULL ? d.type->name : "media"; }

void end_pending(Device& d, UINT status)
{
    HWND window = d.notify_window;
    d.notify_window = NULL;
    mcishell::notify(type_name(d), d.id, window, status);
}

// A play that reached its end: the caller is told.
void settle(Device& d)
{
    if (d.clock.update(now()))
        end_pending(d, MCI_NOTIFY_SUCCESSFUL);
}

void take_position(Device& d)
{
    vdrive::PositionControl control;
    if (d.letter == 0 || !mcishell::take_position(d.letter, &d.position_seen, &control))
        return;
    if (control.jump)
        d.clock.jump(control.ms < d.length ? control.ms : d.length, now());
    if (control.hold)
        d.clock.hold(now());
    else
        d.clock.release(now());
    settle(d);
}

void refresh(Device& d)
{
    settle(d);
    take_position(d);
}

DWORD play_clock(void* device)
{
    Device& d = *(Device*)device;
    refresh(d);
    if (d.clock.mode() != Mode::kPlaying)
        return INFINITE;
    return mcishell::poll_wait(d.clock.ms_to_end(now()));
}

bool picture_of(void* device, videowindow::Picture* picture)
{
    Device& d = *(Device*)device;
    EnterCriticalSection(&d.worker.lock);
    picture->name = d.name;
    picture->ms = d.clock.position(now());
    picture->mode = d.clock.mode() == Mode::kPlaying  ? L"playing"
                    : d.clock.mode() == Mode::kPaused ? L"paused"
                                                      : L"stopped";
    picture->held = d.clock.held();
    LeaveCriticalSection(&d.worker.lock);
    return true;
}

// ---- opening: the element and its length

std::wstring file_part(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool is_drive(const std::wstring& element)
{
    return element.size() >= 2 && element[1] == L':' &&
           (element.size() == 2 || (element.size() == 3 && element[2] == L'\\'));
}

// [Video] key of the disc's disc.ini on the element's drive, as a duration.
bool listed_length(char letter, const std::string& key, uint32_t* ms)
{
    std::string text = mcishell::disc_value(letter, "Video", key.c_str());
    return !text.empty() && vdrive::parse_duration(text, *ms);
}

DWORD open_disc_item(Device& d)
{
    if (is_drive(d.element)) {
        mcishell::DriveView view = mcishell::view_drive(d.letter);
        char root[] = "?:\\";
        root[0] = d.letter;
        bool ready = view.known ? view.medium && !view.tray_open
                                : GetDriveTypeA(root) == DRIVE_CDROM &&
                                      GetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES;
        if (!ready)
            return MCIERR_DEVICE_NOT_READY;
        if (!listed_length(d.letter, "Disc", &d.length))
            d.length = kDefaultItemMs;
        d.name = d.element.substr(0, 2);
        return 0;
    }
    DWORD attributes = GetFileAttributesW(d.element.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return MCIERR_FILE_NOT_FOUND;
    d.name = file_part(d.element);
    if (d.letter == 0 || !listed_length(d.letter, mcishell::narrow(d.name.c_str()), &d.length))
        d.length = kDefaultItemMs;
    return 0;
}

DWORD open_media_file(Device& d, halvomci::MediaFormat format, halvomci::MediaInfo* info)
{
    HANDLE file = CreateFileW(d.element.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return MCIERR_FILE_NOT_FOUND;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return MCIERR_INVALID_FILE;
    }
    size_t wanted = (uint64_t)size.QuadPart < halvomci::kMaxMediaBytes ? (size_t)size.QuadPart
                                                                         : halvomci::kMaxMediaBytes;
    std::vector<uint8_t> bytes(wanted);
    DWORD got = 0;
    BOOL read = wanted == 0 || ReadFile(file, bytes.data(), (DWORD)wanted, &got, NULL);
    CloseHandle(file);
    std::string error;
    if (!read || !halvomci::read_media(format, bytes.data(), got, (uint64_t)size.QuadPart, *info,
                                       error))
        return MCIERR_INVALID_FILE;
    d.length = info->length_ms;
    d.name = file_part(d.element);
    return 0;
}

// The type by the element's extension, when neither the registry nor the
// open named it.
const DeviceType* type_of_element(const std::wstring& element)
{
    std::wstring name = file_part(element);
    size_t dot = name.find_last_of(L'.');
    std::string extension = dot == std::wstring::npos ? "" : mcishell::narrow(name.c_str() + dot);
    if (lstrcmpiA(extension.c_str(), ".wav") == 0)
        return type_named("waveaudio");
    if (lstrcmpiA(extension.c_str(), ".mid") == 0 || lstrcmpiA(extension.c_str(), ".rmi") == 0)
        return type_named("sequencer");
    if (lstrcmpiA(extension.c_str(), ".avi") == 0)
        return type_named("avivideo");
    return type_named("mpegvideo");
}

// The type an open names: by name or number, else the driver's argument
// (which Wine passes only to a module's later opens), else the element's
// extension.
void take_type(Device& d, DWORD flags, const MCI_OPEN_PARMSW* parms)
{
    const DeviceType* type = NULL;
    if (parms != NULL && (flags & MCI_OPEN_TYPE) && parms->lpstrDeviceType != NULL) {
        if (!(flags & MCI_OPEN_TYPE_ID))
            type = type_named(mcishell::narrow(parms->lpstrDeviceType));
        else if (LOWORD((DWORD_PTR)parms->lpstrDeviceType) == MCI_DEVTYPE_WAVEFORM_AUDIO)
            type = type_named("waveaudio");
        else if (LOWORD((DWORD_PTR)parms->lpstrDeviceType) == MCI_DEVTYPE_SEQUENCER)
            type = type_named("sequencer");
    }
    if (type != NULL)
        d.type = type;
    if (d.type == NULL && parms != NULL && (flags & MCI_OPEN_ELEMENT) &&
        !(flags & MCI_OPEN_ELEMENT_ID) && parms->lpstrElementName != NULL)
        d.type = type_of_element(parms->lpstrElementName);
}

DWORD open_device(Device& d, DWORD flags, MCI_OPEN_PARMSW* parms)
{
    if (parms == NULL || !(flags & MCI_OPEN_ELEMENT) || (flags & MCI_OPEN_ELEMENT_ID) ||
        parms->lpstrElementName == NULL || parms->lpstrElementName[0] == 0 || d.type == NULL)
        return MCIERR_MISSING_PARAMETER;
    d.element = parms->lpstrElementName;
    DWORD refused = mcishell::refused_error(d.type->name);
    if (refused != 0)
        return refused;
    d.letter = mcishell::drive_letter_of(d.element.c_str());

    halvomci::MediaInfo info;
    DWORD error = 0;
    switch (d.type->source) {
    case Source::kDiscItem: error = open_disc_item(d); break;
    case Source::kAviFile: error = open_media_file(d, halvomci::MediaFormat::kAvi, &info); break;
    case Source::kWaveFile: error = open_media_file(d, halvomci::MediaFormat::kWave, &info); break;
    case Source::kMidiFile: error = open_media_file(d, halvomci::MediaFormat::kMidi, &info); break;
    }
    if (error != 0)
        return error;

    if (has_video(*d.type)) {
        int width = kMpegWidth, height = kMpegHeight;
        if (d.type->source == Source::kAviFile && info.width > 0 && info.height > 0 &&
            info.width < 4096 && info.height < 4096) {
            int scale = (kMinVideoWidth + (int)info.width - 1) / (int)info.width;
            if (scale < 1)
                scale = 1;
            width = (int)info.width * scale;
            height = (int)info.height * scale;
        }
        d.window = videowindow::create(g_instance, d.name.c_str(), width, height, picture_of, &d);
        if (d.window == NULL)
            return MCIERR_OUT_OF_MEMORY;
    }
    d.clock.reset(0);
    bool held = false;
    if (d.letter != 0)
        mcishell::current_position(d.letter, &d.position_seen, &held);
    if (held)
        d.clock.hold(now());
    if (!mcishell::start_thread(d.worker, play_clock, &d))
        return MCIERR_OUT_OF_MEMORY;
    return 0;
}

// ---- the MCI commands; each runs with the device locked

void halt(Device& d, UINT status)
{
    d.clock.stop(now());
    end_pending(d, status);
}

DWORD play(Device& d, DWORD flags, MCI_PLAY_PARMS* parms)
{
    refresh(d);
    uint32_t from = d.clock.position(now());
    uint32_t to = d.length;
    if ((flags & MCI_FROM) && parms != NULL)
        from = parms->dwFrom;
    if ((flags & MCI_TO) && parms != NULL)
        to = parms->dwTo;
    if (from > d.length || to > d.length || from > to)
        return MCIERR_OUTOFRANGE;
    end_pending(d, MCI_NOTIFY_SUPERSEDED);
    d.clock.play(from, to, now());
    if ((flags & MCI_NOTIFY) && parms != NULL)
        d.notify_window = (HWND)parms->dwCallback;
    // Playing shows the video window, as MCI's video devices do.
    if (d.window != NULL && !IsWindowVisible(d.window))
        ShowWindow(d.window, SW_SHOWNA);
    SetEvent(d.worker.wake);
    if (flags & MCI_WAIT) {
        while (d.clock.mode() == Mode::kPlaying) {
            DWORD wait = mcishell::poll_wait(d.clock.ms_to_end(now()));
            LeaveCriticalSection(&d.worker.lock);
            Sleep(wait);
            EnterCriticalSection(&d.worker.lock);
            refresh(d);
        }
    }
    return 0;
}

DWORD seek(Device& d, DWORD flags, MCI_SEEK_PARMS* parms)
{
    refresh(d);
    uint32_t position;
    if (flags & MCI_SEEK_TO_START)
        position = 0;
    else if (flags & MCI_SEEK_TO_END)
        position = d.length;
    else if ((flags & MCI_TO) && parms != NULL)
        position = parms->dwTo;
    else
        return MCIERR_MISSING_PARAMETER;
    if (position > d.length)
        return MCIERR_OUTOFRANGE;
    halt(d, MCI_NOTIFY_ABORTED);
    d.clock.seek(position);
    return 0;
}

using mcishell::boolean;
using mcishell::resource;

LRESULT status(Device& d, DWORD flags, MCI_STATUS_PARMS* parms)
{
    if (parms == NULL || !(flags & MCI_STATUS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    refresh(d);
    if ((flags & MCI_TRACK) && parms->dwTrack != 1)
        return MCIERR_OUTOFRANGE;
    DWORD_PTR* out = &parms->dwReturn;
    switch (parms->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
        return boolean(out, true);
    case MCI_STATUS_MODE: {
        WORD mode = d.clock.mode() == Mode::kPlaying  ? MCI_MODE_PLAY
                    : d.clock.mode() == Mode::kPaused ? MCI_MODE_PAUSE
                                                      : MCI_MODE_STOP;
        return resource(out, mode, mode);
    }
    case MCI_STATUS_TIME_FORMAT:
        return resource(out, MCI_FORMAT_MILLISECONDS, MCI_FORMAT_RETURN_BASE + MCI_FORMAT_MILLISECONDS);
    case MCI_STATUS_NUMBER_OF_TRACKS:
    case MCI_STATUS_CURRENT_TRACK:
        *out = 1;
        return 0;
    case MCI_STATUS_LENGTH:
        *out = d.length;
        return 0;
    case MCI_STATUS_POSITION:
        *out = (flags & MCI_STATUS_START) ? 0 : d.clock.position(now());
        return 0;
    case MCI_DGV_STATUS_HWND:
        if (d.window == NULL)
            return MCIERR_UNSUPPORTED_FUNCTION;
        *out = (DWORD_PTR)d.window;
        return 0;
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

DWORD set(Device& d, DWORD flags, MCI_SET_PARMS* parms)
{
    if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_VIDEO))
        return MCIERR_UNSUPPORTED_FUNCTION;
    (void)d;
    if (flags & MCI_SET_TIME_FORMAT) {
        if (parms == NULL || parms->dwTimeFormat != MCI_FORMAT_MILLISECONDS)
            return MCIERR_BAD_TIME_FORMAT;
    }
    return 0;
}

DWORD window(Device& d, DWORD flags, MCI_DGV_WINDOW_PARMSW* parms)
{
    if (d.window == NULL)
        return MCIERR_UNSUPPORTED_FUNCTION;
    if ((flags & (MCI_DGV_WINDOW_HWND | MCI_DGV_WINDOW_STATE | MCI_DGV_WINDOW_TEXT)) && parms == NULL)
        return MCIERR_MISSING_PARAMETER;
    // Only the device's own window is played into.
    if ((flags & MCI_DGV_WINDOW_HWND) && parms->hWnd != NULL)
        return MCIERR_UNSUPPORTED_FUNCTION;
    if (flags & MCI_DGV_WINDOW_TEXT) {
        if (parms->lpstrText == NULL)
            return MCIERR_MISSING_PARAMETER;
        SetWindowTextW(d.window, parms->lpstrText);
    }
    if (flags & MCI_DGV_WINDOW_STATE)
        ShowWindow(d.window, (int)parms->nCmdShow);
    return 0;
}

DWORD info(Device& d, DWORD flags, MCI_INFO_PARMSW* parms)
{
    if (parms == NULL || parms->lpstrReturn == NULL || parms->dwRetSize == 0)
        return MCIERR_PARAM_OVERFLOW;
    std::wstring text;
    if (flags & MCI_INFO_PRODUCT)
        text = d.type->product;
    else if (flags & MCI_INFO_FILE)
        text = d.element;
    else
        return MCIERR_MISSING_PARAMETER;
    return mcishell::return_text(parms, text);
}

LRESULT devcaps(Device& d, DWORD flags, MCI_GETDEVCAPS_PARMS* parms)
{
    if (parms == NULL || !(flags & MCI_GETDEVCAPS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    DWORD* out = &parms->dwReturn;
    bool video = has_video(*d.type);
    switch (parms->dwItem) {
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_CAN_EJECT:
    case MCI_GETDEVCAPS_CAN_SAVE:
        return boolean(out, false);
    case MCI_GETDEVCAPS_HAS_VIDEO:
        return boolean(out, video);
    case MCI_GETDEVCAPS_USES_FILES:
        return boolean(out, d.type->source != Source::kDiscItem || !is_drive(d.element));
    case MCI_GETDEVCAPS_HAS_AUDIO:
    case MCI_GETDEVCAPS_COMPOUND_DEVICE:
    case MCI_GETDEVCAPS_CAN_PLAY:
        return boolean(out, true);
    case MCI_GETDEVCAPS_DEVICE_TYPE:
        return resource(out, d.type->devtype, d.type->devtype);
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

LRESULT command(Device& d, UINT message, DWORD flags, void* parms)
{
    if (message == MCI_OPEN_DRIVER)
        return open_device(d, flags, (MCI_OPEN_PARMSW*)parms);
    if (d.type == NULL)
        return MCIERR_DEVICE_NOT_READY;
    switch (message) {
    case MCI_CLOSE_DRIVER:
        halt(d, MCI_NOTIFY_ABORTED);
        videowindow::release(d.window);
        d.window = NULL;
        return 0;
    case MCI_PLAY: return play(d, flags, (MCI_PLAY_PARMS*)parms);
    case MCI_STOP:
        refresh(d);
        halt(d, MCI_NOTIFY_ABORTED);
        return 0;
    case MCI_PAUSE:
        refresh(d);
        if (d.clock.mode() == Mode::kPlaying) {
            d.clock.pause(now());
            end_pending(d, MCI_NOTIFY_ABORTED);
        }
        return 0;
    case MCI_RESUME:
        refresh(d);
        if (d.clock.resume(now()))
            SetEvent(d.worker.wake);
        return 0;
    case MCI_SEEK: return seek(d, flags, (MCI_SEEK_PARMS*)parms);
    case MCI_SET: return set(d, flags, (MCI_SET_PARMS*)parms);
    case MCI_STATUS: return status(d, flags, (MCI_STATUS_PARMS*)parms);
    case MCI_INFO: return info(d, flags, (MCI_INFO_PARMSW*)parms);
    case MCI_GETDEVCAPS: return devcaps(d, flags, (MCI_GETDEVCAPS_PARMS*)parms);
    case MCI_WINDOW: return window(d, flags, (MCI_DGV_WINDOW_PARMSW*)parms);
    case MCI_REALIZE:
        return d.window != NULL ? 0 : MCIERR_UNSUPPORTED_FUNCTION;
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

// The driver's argument in the registry, which winmm passes with DRV_OPEN,
// is a first guess at the type; the open decides.
Device* new_device(LPCWSTR argument, MCI_OPEN_DRIVER_PARMS* parms)
{
    Device* d = new Device();
    mcishell::init_thread(d->worker);
    if (argument != NULL)
        d->type = type_named(mcishell::narrow(argument));
    if (parms != NULL) {
        d->id = parms->wDeviceID;
        parms->wType = d->type != NULL ? d->type->devtype : MCI_DEVTYPE_DIGITAL_VIDEO;
        parms->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
    }
    return d;
}

void delete_device(Device* d)
{
    mcishell::end_thread(d->worker);
    videowindow::release(d->window);
    delete d;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        mcishell::init();
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        videowindow::unregister(instance);
    }
    return TRUE;
}

extern "C" LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR, UINT message, LPARAM p1, LPARAM p2)
{
    switch (message) {
    case DRV_OPEN:
        return (LRESULT)new_device((LPCWSTR)p1, (MCI_OPEN_DRIVER_PARMS*)p2);
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
    if (message == MCI_OPEN_DRIVER)
        take_type(d, flags, (const MCI_OPEN_PARMSW*)parms);
    LRESULT result = mcishell::run_logged(type_name(d), d.id, message, flags, parms,
                                          [&] { return command(d, message, flags, parms); });
    LeaveCriticalSection(&d.worker.lock);
    return result;
}
