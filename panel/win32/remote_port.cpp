#include "panel/win32/remote_port.h"

#include <windows.h>

#include "beamhub/win32/beamhub.h"

uint32_t RemotePort::register_app(panel::WindowHandle window, uint16_t& message_id, uint32_t& handle)
{
    WORD message = 0;
    DWORD remote = 0;
    DWORD result = mmcdRegisterApp((HWND)window, &message, &remote);
    message_id = message;
    handle = remote;
    return result;
}

uint32_t RemotePort::unregister_app(uint32_t handle) { return mmcdUnregisterApp(handle); }

uint32_t RemotePort::set_first_app(uint32_t handle) { return mmcdSetFirstApp(handle); }

uint32_t RemotePort::get_cap(uint32_t handle, uint32_t capability, uint32_t& value)
{
    DWORD out = 0;
    DWORD result = mmcdGetCap(handle, capability, &out, NULL);
    value = out;
    return result;
}

uint32_t RemotePort::get_drive(uint32_t handle, std::string& drive, std::string& receiver_drives)
{
    // "X:" and one letter per receiver drive, at most 26.
    char current[8] = "";
    char letters[32] = "";
    DWORD result = mmcdGetCap(handle, MMCD_CAP_DRIVE, current, letters);
    current[sizeof current - 1] = '\0';
    letters[sizeof letters - 1] = '\0';
    drive = current;
    receiver_drives = letters;
    return result;
}

uint32_t RemotePort::set_cap(uint32_t handle, uint32_t capability, uint32_t value)
{
    return mmcdSetCap(handle, capability, value, 0);
}

uint32_t RemotePort::call_next_app(uint32_t code, MMCD_CMD& command)
{
    return mmcdCallNextApp(code, &command);
}
