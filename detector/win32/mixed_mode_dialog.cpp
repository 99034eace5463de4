#include "detector/win32/mixed_mode_dialog.h"

#include "common/win32/dialog.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/settings/help.h"
#include "detector/win32/detres/detres_ids.h"

namespace detector {

namespace {

class MixedModeDialog : public halvo::Dialog {
 protected:
  BOOL on_init_dialog() override {
    SetWindowTextA(hwnd(), resource_string(IDS_DETECTOR_CAPTION).c_str());
    return TRUE;
  }
  void on_command(int id, int /*code*/, HWND /*control*/) override {
    switch (id) {
      case IDC_MIXED_INSTALL_BUTTON:
      case IDC_MIXED_PLAY_BUTTON:
      case IDCANCEL:
        end(id);
        break;
      case IDHELP:
        show_help(hwnd(), HELP_CONTEXT, HELP_TOPIC_MIXED_MODE);
        break;
    }
  }
};

}  // namespace

int ask_mixed_mode(HWND owner) {
  MixedModeDialog dialog;
  return static_cast<int>(dialog.run_modal(g_app.resources, IDD_MIXED_MODE, owner));
}

}  // namespace detector
