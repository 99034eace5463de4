#include "detector/launch_list.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

ApplicationDialog::ApplicationDialog(bool editing, LaunchEntry entry)
    : ProgramDialog(IDD_APPLICATION,
                    {IDC_ENTRY_DESCRIPTION, kMaxLaunchDescription, IDC_ENTRY_COMMAND, IDC_ENTRY_BROWSE}),
      editing_(editing),
      entry_(std::move(entry)) {}

void ApplicationDialog::load() {
  if (editing_) SetWindowTextA(hwnd(), "Edit Application");
  set_item_text(IDC_ENTRY_DESCRIPTION, entry_.description);
  set_item_text(IDC_ENTRY_COMMAND, entry_.command_line);
  set_item_text(IDC_ENTRY_PARAMETERS, entry_.parameters);
}

void ApplicationDialog::store() {
  entry_.description = item_text(IDC_ENTRY_DESCRIPTION).substr(0, kMaxLaunchDescription);
  entry_.command_line = item_text(IDC_ENTRY_COMMAND);
  entry_.parameters = item_text(IDC_ENTRY_PARAMETERS);
}

}  // namespace detector
