// The remote-control library's exports, for the suite's programs.
#pragma once

#include <windows.h>

#include "beamhub/mmcd.h"

#ifdef __cplusplus
extern "C" {
#endif

DWORD WINAPI mmcdGetVersion(void);
DWORD WINAPI mmcdGetLastError(void);
DWORD WINAPI mmcdRegisterApp(HWND window, WORD* message_id, DWORD* handle);
DWORD WINAPI mmcdUnregisterApp(DWORD handle);
DWORD WINAPI mmcdSetFirstApp(DWORD handle);
DWORD WINAPI mmcdGetCap(DWORD handle, DWORD id, void* p1, void* p2);
DWORD WINAPI mmcdSetCap(DWORD handle, DWORD id, DWORD_PTR p1, DWORD p2);
DWORD WINAPI mmcdSetCapture(HWND window, WORD* message_id, DWORD* handle);
DWORD WINAPI mmcdReleaseCapture(DWORD handle);
DWORD WINAPI mmcdCallNextApp(DWORD code, void* param);

#ifdef __cplusplus
}
#endif
