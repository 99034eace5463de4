// The "Setup" sheet: preferences, the data port and initial buffer, and the
// user details of QEMPLAY.INI.
#pragma once

#include <windows.h>

namespace qem {

// Runs the sheet over owner (NULL: on its own) until it closes. The values
// are read as it opens and written back after OK, not after Cancel. While
// one is open in the process, a further call brings it forward and returns
// at once.
void run_setup_sheet(HWND owner);

}  // namespace qem
