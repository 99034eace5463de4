// What the test host's window answers: the commands a test (or the demo)
// sends to qemhost.exe's window, class kHostClass.
#pragma once

#include <windows.h>

namespace qemhost {

constexpr const char* kHostClass = "HalvoQemHost";
constexpr int kClientWidth = 320;
constexpr int kClientHeight = 240;

enum Command : UINT {
  kPlay = WM_APP + 1,         // wParam 0 Play, 1 PlayWithNotify(lParam), 2 PlayWithMCINotify(lParam)
  kStop = WM_APP + 2,
  kState = WM_APP + 3,        // GetCurState
  kPos = WM_APP + 4,          // GetPos1000
  kOutputRect = WM_APP + 5,   // wParam 0-3: left, top, right, bottom of GetOutPutRect
  kNotifies = WM_APP + 6,     // wParam 0: MM_MCINOTIFY count, 1: last wParam, 2: last lParam
  kCreateAgain = WM_APP + 7,  // a second QemCreate: 1 when it gave an engine
  kDestroy = WM_APP + 8,
  kNullState = WM_APP + 9,    // GetCurState(NULL)
  kStretch = WM_APP + 10,     // wParam flag
  kZoom = WM_APP + 11,        // wParam flag
  kOutputWindow = WM_APP + 12,  // wParam 1: SetOutPutWindow(this window), 0: SetOutPutWindow(NULL)
  kEngineWindow = WM_APP + 13,  // the "QEM Window" handle, as a number
};

// WM_COPYDATA: dwData kOpenNarrow/kOpenWide with the script path (UTF-16
// for kOpenWide) calls Open; kShowMsg calls ShowMsg.
constexpr ULONG_PTR kOpenNarrow = 1;
constexpr ULONG_PTR kOpenWide = 2;
constexpr ULONG_PTR kShowMsg = 3;

}  // namespace qemhost
