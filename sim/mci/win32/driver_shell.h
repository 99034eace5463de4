// What every MCI driver of the virtual drive shares: the machine state of
// the virtual drive (one lock per process on top of its mutex), the command
// log every command and notification goes to, the refused device types and
// the position halvo-remote sets for a drive.
#ifndef HALVO_MCI_DRIVER_SHELL_H
#define HALVO_MCI_DRIVER_SHELL_H

#include <windows.h>
#include <mmsystem.h>

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

}  // namespace mcishell

#endif
