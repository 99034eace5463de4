#include "panel/win32/mci_port.h"

#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <vector>

using panel::MciCommand;
using panel::MciResult;
namespace mci = panel::mci;

namespace {

DWORD_PTR callback_of(const MciCommand& c) { return (DWORD_PTR)c.callback; }

DWORD send_open(const MciCommand& c, MciResult& result)
{
    MCI_OPEN_PARMSA parms = {};
    parms.dwCallback = callback_of(c);
    if (c.flags & mci::kOpenTypeId)
        parms.lpstrDeviceType = (LPCSTR)(DWORD_PTR)c.device_type_id;
    else
        parms.lpstrDeviceType = c.device_type.c_str();
    parms.lpstrElementName = c.element.c_str();
    DWORD error = (DWORD)mciSendCommandA(0, MCI_OPEN, c.flags, (DWORD_PTR)&parms);
    if (error == 0)
        result.device = (panel::MciDeviceId)parms.wDeviceID;
    return error;
}

DWORD send_status(const MciCommand& c, MciResult& result)
{
    MCI_STATUS_PARMS parms = {};
    parms.dwCallback = callback_of(c);
    parms.dwItem = c.item;
    parms.dwTrack = c.track;
    DWORD error = (DWORD)mciSendCommandA(c.device, MCI_STATUS, c.flags, (DWORD_PTR)&parms);
    if (error == 0)
        result.value = parms.dwReturn;
    return error;
}

DWORD send_info(const MciCommand& c, MciResult& result)
{
    std::vector<char> text(c.return_size + 1, '\0');
    MCI_INFO_PARMSA parms = {};
    parms.dwCallback = callback_of(c);
    parms.lpstrReturn = text.data();
    parms.dwRetSize = c.return_size;
    DWORD error = (DWORD)mciSendCommandA(c.device, MCI_INFO, c.flags, (DWORD_PTR)&parms);
    if (error == 0)
        result.text.assign(text.data());
    return error;
}

}  // namespace

MciResult MciPort::send(const MciCommand& c)
{
    MciResult result;
    DWORD error;
    switch (c.message) {
    case mci::kOpen:
        error = send_open(c, result);
        break;
    case mci::kStatus:
        error = send_status(c, result);
        break;
    case mci::kInfo:
        error = send_info(c, result);
        break;
    case mci::kPlay: {
        MCI_PLAY_PARMS parms = {};
        parms.dwCallback = callback_of(c);
        parms.dwFrom = c.from;
        parms.dwTo = c.to;
        error = (DWORD)mciSendCommandA(c.device, MCI_PLAY, c.flags, (DWORD_PTR)&parms);
        break;
    }
    case mci::kSeek: {
        MCI_SEEK_PARMS parms = {};
        parms.dwCallback = callback_of(c);
        parms.dwTo = c.to;
        error = (DWORD)mciSendCommandA(c.device, MCI_SEEK, c.flags, (DWORD_PTR)&parms);
        break;
    }
    case mci::kSet: {
        MCI_SET_PARMS parms = {};
        parms.dwCallback = callback_of(c);
        parms.dwTimeFormat = c.time_format;
        error = (DWORD)mciSendCommandA(c.device, MCI_SET, c.flags, (DWORD_PTR)&parms);
        break;
    }
    case mci::kWindow: {
        MCI_DGV_WINDOW_PARMSA parms = {};
        parms.dwCallback = callback_of(c);
        parms.lpstrText = (LPSTR)c.text.c_str();
        error = (DWORD)mciSendCommandA(c.device, MCI_WINDOW, c.flags, (DWORD_PTR)&parms);
        break;
    }
    default: {
        // Close, stop, pause and realize take the generic block.
        MCI_GENERIC_PARMS parms = {};
        parms.dwCallback = callback_of(c);
        error = (DWORD)mciSendCommandA(c.device, c.message, c.flags, (DWORD_PTR)&parms);
        break;
    }
    }
    result.error = error;
    return result;
}

std::string MciPort::error_text(uint32_t error)
{
    char text[256] = "";
    if (!mciGetErrorStringA(error, text, sizeof text))
        text[0] = '\0';
    return text;
}
