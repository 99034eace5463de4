// The detector's settings sheet: information, general, players and launch
// list pages.
#pragma once

#include <windows.h>

namespace detector {

// Shows the sheet, owned by owner, at page 0-3; returns when it closes.
void run_settings_sheet(HWND owner, int start_page);
// True while the sheet is open: the launcher and a second sheet are refused.
bool settings_sheet_open();

}  // namespace detector
