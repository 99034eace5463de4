#include "panel/win32/about_dialog.h"

#include "panel/mcures_ids.h"

namespace panel {

INT_PTR AboutDialog::run(HINSTANCE resources, HWND owner) {
  return InfoDialog::run(resources, IDD_ABOUT, owner);
}

}  // namespace panel
