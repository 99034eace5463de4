// "About QEMLive Player": the system-information lines and a button that
// copies them.
#pragma once

#include <windows.h>

namespace qem {

// Modal over owner (NULL: on its own); returns when it closes.
void run_about_box(HWND owner);

}  // namespace qem
