// What every MCI driver of the virtual drive shares: the machine state of
// the virtual drive (one lock per process on top of its mutex), the command
// log every command and notification goes to, the refused device types and
// the position halvo-remote sets for a drive.
#ifndef HALVO_MCI_DRIVER_SHELL_H
#define HALVO_MCI_DRIVER_SHELL_H

#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <string>

#include "sim/drive/remote_commands.h"
#include "sim/drive/vdrive.h"

namespace mcishell {

// Called once from DllMain on process attach.
void init();

// The machine state, held until unlock_state; null when it cannot be had.
vdrive::MachineState* lock_state(std::string* error = NULL);
void unlock_state();

// The same, for halvo-remote's commands run inside a driver.
class SharedState : public vdrive::StateAccess {
public:
    vdrive::MachineState* acquire(std::string& error) override;
    void release() override;
    std::string location() const override;
};

// What a driver sees of a drive of the virtual drive.
struct DriveView {
    bool known;      // the letter is one of the virtual drive's
    bool tray_open;
    bool medium;
    std::string folder;
};
DriveView view_drive(char letter);

// The drive letter an element names ("D:", "d:\MPEGAV\X.DAT"), or 0.
char drive_letter_of(const wchar_t* element);
std::string narrow(const wchar_t* text);

// The error an open of this device type is refused with, or 0.
DWORD refused_error(const char* type);

// A position command for the drive not yet applied: true once per command,
// with the command in *control. *seen is the device's record of the last.
bool take_position(char letter, uint32_t* seen, vdrive::PositionControl* control);
// The drive's current command, to start a new device from: its serial and
// whether the drive's clocks are held.
void current_position(char letter, uint32_t* serial, bool* held);

// Logs a command as the driver starts it, with the fields its message and
// flags name, read from its parameter block; the notifications it causes
// follow it in the log. log_end completes the entry with the result and
// what the command returned.
uint32_t log_begin(const char* type, MCIDEVICEID device, UINT message, DWORD flags,
                   const void* parms);
void log_end(uint32_t seq, UINT message, const void* parms, LRESULT result);

// A disc.ini value of the disc in a drive ("D:\disc.ini"), read afresh:
// discs copied onto the drive may share their files' times, which would
// let a cached copy of another disc's file answer.
std::string disc_value(char letter, const char* section, const char* key);
// Posts MM_MCINOTIFY to a window (nothing when null) and logs it.
void notify(const char* type, MCIDEVICEID device, HWND window, UINT status);

// MCI_INFO's answer, when it fits the caller's buffer.
DWORD return_text(MCI_INFO_PARMSW* parms, const std::wstring& text);

// An answer of an MCI resource: a value and the string table entry it
// is shown as.
template <typename Out>
LRESULT resource(Out* out, WORD value, WORD string)
{
    *out = MAKEMCIRESOURCE(value, string);
    return MCI_RESOURCE_RETURNED;
}

template <typename Out>
LRESULT boolean(Out* out, bool value)
{
    return resource(out, value ? TRUE : FALSE, value ? MCI_TRUE : MCI_FALSE);
}

// A device's lock and the thread that ends its plays on time and applies
// position commands while they run. The thread runs tick with the lock held
// whenever it wakes; tick returns how long it may sleep.
struct DeviceThread {
    CRITICAL_SECTION lock;
    HANDLE wake;
    HANDLE thread;
    bool quit;
    DWORD (*tick)(void* device);
    void* device;
};
// Makes the lock and the wake event; the thread waits for start_thread.
void init_thread(DeviceThread& t);
bool start_thread(DeviceThread& t, DWORD (*tick)(void* device), void* device);
// Ends the thread, if started, and frees the lock and the event.
void end_thread(DeviceThread& t);
// How long a playing device's thread, or a play that waits, sleeps: to
// the play's end, or until it next looks for position commands.
DWORD poll_wait(DWORD ms_to_end);

// DriverProc's answer to the driver messages that are not MCI commands,
// other than DRV_OPEN and DRV_CLOSE.
LRESULT driver_message(DWORD_PTR id, UINT message, LPARAM p1, LPARAM p2);
inline bool is_mci_command(DWORD_PTR id, UINT message)
{
    return message >= DRV_MCI_FIRST && message <= DRV_MCI_LAST && id != 0;
}

// Runs an MCI command logged, and tells a caller that asked of its success
// (a play tells of its end itself, an open tells nothing).
template <typename Command>
LRESULT run_logged(const char* type, MCIDEVICEID device, UINT message, DWORD flags, void* parms,
                   Command command)
{
    uint32_t entry = log_begin(type, device, message, flags, parms);
    LRESULT result = command();
    log_end(entry, message, parms, result);
    MCI_GENERIC_PARMS* generic = (MCI_GENERIC_PARMS*)parms;
    if (LOWORD(result) == 0 && (flags & MCI_NOTIFY) && generic != NULL && message != MCI_PLAY &&
        message != MCI_OPEN_DRIVER)
        notify(type, device, (HWND)generic->dwCallback, MCI_NOTIFY_SUCCESSFUL);
    return result;
}

}  // namespace mcishell

#endif
