#include "detector/launch_list.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/settings/pages.h"

namespace detector {

bool ApplicationDialog::run(HWND owner) {
  INT_PTR result = run_modal(g_app.resources, IDD_APPLICATION, owner);
  if (browse_icon_) DestroyIcon(browse_icon_);
  browse_icon_ = NULL;
  return result == IDOK;
}

BOOL ApplicationDialog::on_init_dialog() {
  if (editing_) SetWindowTextA(hwnd(), "Edit Application");
  SendMessageA(item(IDC_ENTRY_DESCRIPTION), EM_LIMITTEXT, kMaxLaunchDescription, 0);
  set_item_text(IDC_ENTRY_DESCRIPTION, entry_.description);
  set_item_text(IDC_ENTRY_COMMAND, entry_.command_line);
  set_item_text(IDC_ENTRY_PARAMETERS, entry_.parameters);
  browse_icon_ = set_browse_icon(item(IDC_ENTRY_BROWSE));
  enable_item(IDOK, !entry_.command_line.empty());
  return TRUE;
}

void ApplicationDialog::on_command(int id, int code, HWND) {
  switch (id) {
    case IDC_ENTRY_COMMAND:
      if (code == EN_CHANGE) enable_item(IDOK, !item_text(IDC_ENTRY_COMMAND).empty());
      break;
    case IDC_ENTRY_BROWSE:
      if (code == BN_CLICKED) {
        std::string path = browse_for_program(hwnd());
        if (!path.empty()) set_item_text(IDC_ENTRY_COMMAND, path);
      }
      break;
    case IDOK: {
      // OK may come as a message while the button is disabled: check again.
      std::string command = item_text(IDC_ENTRY_COMMAND);
      if (command.empty()) break;
      entry_.description = item_text(IDC_ENTRY_DESCRIPTION).substr(0, kMaxLaunchDescription);
      entry_.command_line = command;
      entry_.parameters = item_text(IDC_ENTRY_PARAMETERS);
      end(IDOK);
      break;
    }
    case IDCANCEL:
      end(IDCANCEL);
      break;
    case IDHELP:
      show_help(hwnd(), HELP_CONTEXT, help_topic(IDD_APPLICATION, 0));
      break;
  }
}

bool ApplicationDialog::on_help(const HELPINFO&) {
  show_help(hwnd(), HELP_CONTEXT, help_topic(IDD_APPLICATION, 0));
  return true;
}

}  // namespace detector
