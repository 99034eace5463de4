#include "sim/mci/win32/driver_shell.h"

#include <mmddk.h>
#include <digitalv.h>

#include "sim/drive/win32/vdrive_store.h"

extern "C" BOOL WINAPI mciDriverNotify(HANDLE callback, MCIDEVICEID device, UINT status);

namespace mcishell {
namespace {

// The driver's threads share one mapping; the store's mutex keeps the
// other processes out, this lock the other threads.
CRITICAL_SECTION g_lock;
vdrive::Store g_store;

const DWORD kPollMs = 100;  // how often a play looks for position commands

std::string wide_field(const wchar_t* text) { return text != NULL ? narrow(text) : std::string(); }

DWORD WINAPI run_thread(void* parameter)
{
    DeviceThread& t = *(DeviceThread*)parameter;
    for (;;) {
        EnterCriticalSection(&t.lock);
        if (t.quit) {
            LeaveCriticalSection(&t.lock);
            return 0;
        }
        DWORD wait = t.tick(t.device);
        LeaveCriticalSection(&t.lock);
        WaitForSingleObject(t.wake, wait);
    }
}

}  // namespace

void init()
{
    InitializeCriticalSection(&g_lock);
}

vdrive::MachineState* lock_state(std::string* error)
{
    EnterCriticalSection(&g_lock);
    vdrive::StoreError reason;
    vdrive::MachineState* state = vdrive::store_lock(&g_store, &reason);
    if (state == NULL) {
        if (error != NULL)
            *error = vdrive::store_error_text(reason);
        LeaveCriticalSection(&g_lock);
    }
    return state;
}

void unlock_state()
{
    vdrive::store_unlock(&g_store);
    LeaveCriticalSection(&g_lock);
}

vdrive::MachineState* SharedState::acquire(std::string& error) { return lock_state(&error); }

void SharedState::release() { unlock_state(); }

std::string SharedState::location() const { return g_store.path; }

DriveView view_drive(char letter)
{
    DriveView view = {false, false, false, std::string()};
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return view;
    const vdrive::DriveSlot* drive = vdrive::find_drive(*state, letter);
    if (drive != NULL && drive->present) {
        view.known = true;
        view.tray_open = drive->tray_open != 0;
        view.medium = drive->medium != 0;
        view.folder = drive->disc_folder;
    }
    unlock_state();
    return view;
}

char drive_letter_of(const wchar_t* element)
{
    if (element == NULL || element[0] == 0 || element[1] != L':')
        return 0;
    wchar_t c = element[0];
    if (c >= L'a' && c <= L'z')
        c = (wchar_t)(c - L'a' + L'A');
    return c >= L'A' && c <= L'Z' ? (char)c : 0;
}

std::string narrow(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, NULL, 0, NULL, NULL);
    if (size <= 1)
        return std::string();
    std::string result((size_t)size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, NULL, NULL);
    result.resize((size_t)size - 1);
    return result;
}

DWORD refused_error(const char* type)
{
    DWORD error = 0;
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return 0;
    const vdrive::RefusedOpen* refused = vdrive::find_refusal(*state, type);
    if (refused != NULL)
        error = refused->error;
    unlock_state();
    return error;
}

bool take_position(char letter, uint32_t* seen, vdrive::PositionControl* control)
{
    bool fresh = false;
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return false;
    const vdrive::PositionControl* current = vdrive::position_control(*state, letter);
    if (current != NULL && current->serial != *seen) {
        *seen = current->serial;
        *control = *current;
        fresh = true;
    }
    unlock_state();
    return fresh;
}

void current_position(char letter, uint32_t* serial, bool* held)
{
    *serial = 0;
    *held = false;
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return;
    const vdrive::PositionControl* current = vdrive::position_control(*state, letter);
    if (current != NULL) {
        *serial = current->serial;
        *held = current->hold != 0;
    }
    unlock_state();
}

uint32_t log_begin(const char* type, MCIDEVICEID device, UINT message, DWORD flags,
                   const void* parms)
{
    vdrive::MciLogEntry entry = {};
    entry.process = GetCurrentProcessId();
    entry.device = (uint16_t)device;
    entry.message = (uint16_t)message;
    entry.flags = flags;
    entry.result = vdrive::kMciRunning;
    vdrive::set_field(entry.type, type);
    if (parms != NULL && (flags & MCI_NOTIFY))
        entry.callback = (uint32_t)((const MCI_GENERIC_PARMS*)parms)->dwCallback;
    if (parms != NULL) {
        switch (message) {
        case MCI_OPEN_DRIVER: {
            const MCI_OPEN_PARMSW* open = (const MCI_OPEN_PARMSW*)parms;
            if ((flags & MCI_OPEN_ELEMENT) && !(flags & MCI_OPEN_ELEMENT_ID))
                vdrive::set_field(entry.text, wide_field(open->lpstrElementName));
            break;
        }
        case MCI_PLAY: {
            const MCI_PLAY_PARMS* play = (const MCI_PLAY_PARMS*)parms;
            entry.from = play->dwFrom;
            entry.to = play->dwTo;
            break;
        }
        case MCI_SEEK:
            entry.to = ((const MCI_SEEK_PARMS*)parms)->dwTo;
            break;
        case MCI_STATUS: {
            const MCI_STATUS_PARMS* status = (const MCI_STATUS_PARMS*)parms;
            entry.item = status->dwItem;
            entry.track = status->dwTrack;
            break;
        }
        case MCI_GETDEVCAPS:
            entry.item = ((const MCI_GETDEVCAPS_PARMS*)parms)->dwItem;
            break;
        case MCI_SET:
            entry.time_format = ((const MCI_SET_PARMS*)parms)->dwTimeFormat;
            break;
        case MCI_WINDOW:
            if (flags & MCI_DGV_WINDOW_TEXT)
                vdrive::set_field(entry.text,
                                  wide_field(((const MCI_DGV_WINDOW_PARMSW*)parms)->lpstrText));
            break;
        }
    }
    if (message == MCI_OPEN_DRIVER)
        entry.message = vdrive::kMciOpen;
    else if (message == MCI_CLOSE_DRIVER)
        entry.message = vdrive::kMciClose;
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return 0;
    uint32_t seq = vdrive::append_mci_log(*state, entry);
    unlock_state();
    return seq;
}

void log_end(uint32_t seq, UINT message, const void* parms, LRESULT result)
{
    vdrive::MachineState* state = lock_state();
    if (state == NULL)
        return;
    vdrive::MciLogEntry* entry = vdrive::find_mci_entry(*state, seq);
    if (entry != NULL) {
        entry->result = (uint32_t)result;
        if (parms != NULL && LOWORD(result) == 0) {
            if (message == MCI_STATUS)
                entry->value = ((const MCI_STATUS_PARMS*)parms)->dwReturn;
            else if (message == MCI_GETDEVCAPS)
                entry->value = ((const MCI_GETDEVCAPS_PARMS*)parms)->dwReturn;
            else if (message == MCI_INFO && ((const MCI_INFO_PARMSW*)parms)->lpstrReturn != NULL)
                vdrive::set_field(entry->text,
                                  wide_field(((const MCI_INFO_PARMSW*)parms)->lpstrReturn));
        }
    }
    unlock_state();
}

std::string disc_value(char letter, const char* section, const char* key)
{
    char ini[] = "?:\\disc.ini";
    ini[0] = letter;
    WritePrivateProfileStringA(NULL, NULL, NULL, ini);
    char text[1024] = "";
    GetPrivateProfileStringA(section, key, "", text, sizeof text, ini);
    return text;
}

void notify(const char* type, MCIDEVICEID device, HWND window, UINT status)
{
    if (window == NULL)
        return;
    // Logged first: whoever the message wakes finds it in the log.
    vdrive::MciLogEntry entry = {};
    entry.process = GetCurrentProcessId();
    entry.device = (uint16_t)device;
    entry.message = vdrive::kMciNotifyPosted;
    entry.flags = status;
    entry.callback = (uint32_t)(DWORD_PTR)window;
    vdrive::set_field(entry.type, type);
    vdrive::MachineState* state = lock_state();
    if (state != NULL) {
        vdrive::append_mci_log(*state, entry);
        unlock_state();
    }
    mciDriverNotify((HANDLE)window, device, status);
}

DWORD return_text(MCI_INFO_PARMSW* parms, const std::wstring& text)
{
    if (text.size() >= parms->dwRetSize)
        return MCIERR_PARAM_OVERFLOW;
    lstrcpyW(parms->lpstrReturn, text.c_str());
    return 0;
}

void init_thread(DeviceThread& t)
{
    InitializeCriticalSection(&t.lock);
    t.wake = CreateEventA(NULL, FALSE, FALSE, NULL);
    t.thread = NULL;
    t.quit = false;
    t.tick = NULL;
    t.device = NULL;
}

bool start_thread(DeviceThread& t, DWORD (*tick)(void* device), void* device)
{
    t.tick = tick;
    t.device = device;
    t.thread = CreateThread(NULL, 0, run_thread, &t, 0, NULL);
    return t.thread != NULL;
}

void end_thread(DeviceThread& t)
{
    EnterCriticalSection(&t.lock);
    t.quit = true;
    LeaveCriticalSection(&t.lock);
    if (t.thread != NULL) {
        SetEvent(t.wake);
        WaitForSingleObject(t.thread, INFINITE);
        CloseHandle(t.thread);
        t.thread = NULL;
    }
    CloseHandle(t.wake);
    DeleteCriticalSection(&t.lock);
}

DWORD poll_wait(DWORD ms_to_end)
{
    return ms_to_end < kPollMs ? ms_to_end + 1 : kPollMs;
}

LRESULT driver_message(DWORD_PTR id, UINT message, LPARAM p1, LPARAM p2)
{
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
        return 1;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE:
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRVCNF_OK;
    }
    return DefDriverProc(id, NULL, message, p1, p2);
}

}  // namespace mcishell
