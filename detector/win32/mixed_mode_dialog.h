// Dialog 151: what to do with the mixed-mode disc just put in.
#pragma once

#include <windows.h>

namespace detector {

// The button chosen: the installer or play button's id, or IDCANCEL when
// the dialog was closed.
int ask_mixed_mode(HWND owner);

}  // namespace detector
