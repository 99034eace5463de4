#include "detector/player_list.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/settings/pages.h"

namespace detector {

bool PlayerDialog::run(HWND owner) {
  INT_PTR result = run_modal(g_app.resources, template_id_, owner);
  if (browse_icon_) DestroyIcon(browse_icon_);
  browse_icon_ = NULL;
  return result == IDOK;
}

BOOL PlayerDialog::on_init_dialog() {
  SendMessageA(item(IDC_PLAYER_NAME), EM_LIMITTEXT, kMaxPlayerName, 0);
  set_item_text(IDC_PLAYER_NAME, player_.name);
  set_item_text(IDC_PLAYER_PATH, player_.path);
  browse_icon_ = set_browse_icon(item(IDC_PLAYER_BROWSE));
  enable_item(IDOK, !player_.path.empty());
  return TRUE;
}

void PlayerDialog::on_command(int id, int code, HWND) {
  switch (id) {
    case IDC_PLAYER_PATH:
      if (code == EN_CHANGE) enable_item(IDOK, !item_text(IDC_PLAYER_PATH).empty());
      break;
    case IDC_PLAYER_BROWSE:
      if (code == BN_CLICKED) {
        std::string path = browse_for_program(hwnd());
        if (!path.empty()) set_item_text(IDC_PLAYER_PATH, path);
      }
      break;
    case IDOK: {
      // OK may come as a message while the button is disabled: check again.
      std::string path = item_text(IDC_PLAYER_PATH);
      if (path.empty()) break;
      player_.name = item_text(IDC_PLAYER_NAME).substr(0, kMaxPlayerName);
      player_.path = path;
      end(IDOK);
      break;
    }
    case IDCANCEL:
      end(IDCANCEL);
      break;
    case IDHELP:
      show_help(hwnd(), HELP_CONTEXT, help_topic(static_cast<int>(template_id_), 0));
      break;
  }
}

bool PlayerDialog::on_help(const HELPINFO&) {
  show_help(hwnd(), HELP_CONTEXT, help_topic(static_cast<int>(template_id_), 0));
  return true;
}

}  // namespace detector
