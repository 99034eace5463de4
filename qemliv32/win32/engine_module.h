// The module this code is linked into: qemliv32.dll, whose resources (the
// dialogs, the idle picture, the logo frames) it loads.
#pragma once

#include <windows.h>

namespace qem {

HINSTANCE engine_module();

}  // namespace qem
