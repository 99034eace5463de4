#include "detector/general_page.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/settings/pages.h"

namespace detector {

bool ProgramDialog::run(HWND owner) {
  INT_PTR result = run_modal(g_app.resources, template_id_, owner);
  if (browse_icon_) DestroyIcon(browse_icon_);
  browse_icon_ = NULL;
  return result == IDOK;
}

BOOL ProgramDialog::on_init_dialog() {
  SendMessageA(item(controls_.name), EM_LIMITTEXT, controls_.name_limit, 0);
  load();
  browse_icon_ = set_browse_icon(item(controls_.browse));
  enable_item(IDOK, !item_text(controls_.program).empty());
  return TRUE;
}

void ProgramDialog::on_command(int id, int code, HWND) {
  if (id == controls_.program) {
    if (code == EN_CHANGE) enable_item(IDOK, !item_text(controls_.program).empty());
  } else if (id == controls_.browse) {
    if (code == BN_CLICKED) {
      std::string path = browse_for_program(hwnd());
      if (!path.empty()) set_item_text(controls_.program, path);
    }
  } else if (id == IDOK) {
    // OK may come as a message while the button is disabled: check again.
    if (item_text(controls_.program).empty()) return;
    store();
    end(IDOK);
  } else if (id == IDCANCEL) {
    end(IDCANCEL);
  } else if (id == IDHELP) {
    show_topic();
  }
}

bool ProgramDialog::on_help(const HELPINFO&) {
  show_topic();
  return true;
}

void ProgramDialog::show_topic() {
  show_help(hwnd(), HELP_CONTEXT, help_topic(static_cast<int>(template_id_), 0));
}

}  // namespace detector
