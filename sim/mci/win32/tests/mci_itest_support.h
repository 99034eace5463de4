// What the MCI drivers' Wine tests share: discs put in with halvo-remote,
// commands sent through mciSendCommandA as an application sends them, and
// the notifications they post to a window of the test.
#ifndef HALVO_MCI_ITEST_SUPPORT_H
#define HALVO_MCI_ITEST_SUPPORT_H

#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <string>

#include <gtest/gtest.h>

#include "sim/drive/win32/tests/itest_support.h"
#include "sim/mci/win32/mci_log_reader.h"

namespace mcitest {

const DWORD kNotifyTimeoutMs = 5000;

inline std::string disc_folder(const char* name)
{
    return std::string(HALVO_SOURCE_DIR) + "/sim/discs/" + name;
}

// halvo-remote with its arguments; its output when it fails.
inline ::testing::AssertionResult remote(const std::string& arguments)
{
    std::string output;
    DWORD rc = itest::run_remote(arguments, &output);
    if (rc == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "halvo-remote " << arguments << ": " << rc << " "
                                         << output;
}

inline std::string error_text(MCIERROR e)
{
    char text[256] = "";
    mciGetErrorStringA(e, text, sizeof text);
    return std::to_string(e) + " " + text;
}

// A window the notifications go to.
class Notifications {
public:
    Notifications()
    {
        window_ = CreateWindowA("STATIC", "mci", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    }
    ~Notifications() { DestroyWindow(window_); }
    HWND window() const { return window_; }

    // The next MM_MCINOTIFY's status (0 when none came in time), and the
    // device it came from.
    WPARAM next(DWORD timeout = kNotifyTimeoutMs, LPARAM* device = NULL)
    {
        DWORD start = GetTickCount();
        MSG msg;
        while (GetTickCount() - start < timeout && !itest::check_stray_boxes()) {
            while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) {
                if (msg.message == MM_MCINOTIFY) {
                    if (device != NULL)
                        *device = msg.lParam;
                    return msg.wParam;
                }
                DispatchMessageA(&msg);
            }
            MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        }
        return 0;
    }

private:
    HWND window_;
};

// One open device and the commands the tests send it.
class Device {
public:
    ~Device() { close(); }

    MCIERROR open(const char* type, const std::string& element, DWORD extra = MCI_OPEN_SHAREABLE)
    {
        MCI_OPEN_PARMSA parms = {};
        parms.lpstrDeviceType = type;
        parms.lpstrElementName = element.c_str();
        MCIERROR e = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT | extra,
                                     (DWORD_PTR)&parms);
        if (e == 0)
            id_ = parms.wDeviceID;
        return e;
    }
    MCIERROR open_id(WORD type, const std::string& element, DWORD extra = 0)
    {
        MCI_OPEN_PARMSA parms = {};
        parms.lpstrDeviceType = (LPCSTR)(DWORD_PTR)type;
        parms.lpstrElementName = element.c_str();
        MCIERROR e = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID |
                                                      MCI_OPEN_ELEMENT | MCI_WAIT | extra,
                                     (DWORD_PTR)&parms);
        if (e == 0)
            id_ = parms.wDeviceID;
        return e;
    }
    void close()
    {
        if (id_ != 0)
            mciSendCommandA(id_, MCI_CLOSE, MCI_WAIT, 0);
        id_ = 0;
    }
    MCIDEVICEID id() const { return id_; }

    MCIERROR status(DWORD item, DWORD_PTR* value, DWORD track = 0)
    {
        MCI_STATUS_PARMS parms = {};
        parms.dwItem = item;
        parms.dwTrack = track;
        MCIERROR e = mciSendCommandA(id_, MCI_STATUS,
                                     MCI_STATUS_ITEM | MCI_WAIT | (track ? MCI_TRACK : 0),
                                     (DWORD_PTR)&parms);
        *value = parms.dwReturn;
        return e;
    }
    // The value, with a failure of the test when the command fails.
    DWORD_PTR status_ok(DWORD item, DWORD track = 0)
    {
        DWORD_PTR value = 0xDEAD;
        MCIERROR e = status(item, &value, track);
        EXPECT_EQ(0u, e) << "item " << item << ": " << error_text(e);
        return value;
    }
    WORD mode() { return LOWORD(status_ok(MCI_STATUS_MODE)); }

    MCIERROR time_format(DWORD format)
    {
        MCI_SET_PARMS parms = {};
        parms.dwTimeFormat = format;
        return mciSendCommandA(id_, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, (DWORD_PTR)&parms);
    }
    MCIERROR play(DWORD flags, HWND notify = NULL, DWORD from = 0, DWORD to = 0)
    {
        MCI_PLAY_PARMS parms = {};
        parms.dwCallback = (DWORD_PTR)notify;
        parms.dwFrom = from;
        parms.dwTo = to;
        return mciSendCommandA(id_, MCI_PLAY, flags, (DWORD_PTR)&parms);
    }
    MCIERROR seek(DWORD to)
    {
        MCI_SEEK_PARMS parms = {};
        parms.dwTo = to;
        return mciSendCommandA(id_, MCI_SEEK, MCI_TO | MCI_WAIT, (DWORD_PTR)&parms);
    }
    MCIERROR send(UINT message, DWORD flags = MCI_WAIT)
    {
        MCI_GENERIC_PARMS parms = {};
        return mciSendCommandA(id_, message, flags, (DWORD_PTR)&parms);
    }
    MCIERROR window_text(const char* text)
    {
        MCI_DGV_WINDOW_PARMSA parms = {};
        parms.lpstrText = (LPSTR)text;
        return mciSendCommandA(id_, MCI_WINDOW, MCI_DGV_WINDOW_TEXT | MCI_WAIT, (DWORD_PTR)&parms);
    }

private:
    MCIDEVICEID id_ = 0;
};

// Waits until a status item has a value.
inline bool wait_status(Device& device, DWORD item, DWORD_PTR value, DWORD timeout_ms)
{
    return itest::wait_until([&] {
        DWORD_PTR now = 0;
        return device.status(item, &now) == 0 && now == value;
    }, timeout_ms);
}

}  // namespace mcitest

#endif
