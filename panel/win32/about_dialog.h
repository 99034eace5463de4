// The About box (dialog 210 of mcures.dll): the panel's icon, name and
// version, and OK.
#pragma once

#include <windows.h>

#include "common/win32/dialog.h"

namespace panel {

class AboutDialog : public halvo::InfoDialog {
 public:
  // Runs the box over owner until OK (or Escape) closes it: IDOK or
  // IDCANCEL, -1 when the template is missing.
  INT_PTR run(HINSTANCE resources, HWND owner);
};

}  // namespace panel
