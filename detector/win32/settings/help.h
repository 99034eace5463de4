// The detector's help: WinHelpA on "<AppPath>\mmcu.hlp".
#pragma once

#include <windows.h>

namespace detector {

// command HELP_CONTEXT with a topic, or HELP_FINDER with 0.
void show_help(HWND owner, UINT command, DWORD data);

}  // namespace detector
