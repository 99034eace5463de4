#include "panel/win32/about_dialog.h"

#include "panel/mcures_ids.h"

namespace panel {

INT_PTR AboutDialog::run(HINSTANCE resources, HWND owner) {
  return run_modal(resources, IDD_ABOUT, owner);
}

void AboutDialog::on_command(int id, int /*code*/, HWND /*control*/) {
  if (id == IDOK || id == IDCANCEL) end(id);
}

}  // namespace panel
