#include <string>

#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

namespace {

// The command line without the quotes around it; quotes around the program
// name alone are kept ("C:\x\detector.exe" /y stays as it is).
std::string own_command_line() {
  std::string line = GetCommandLineA();
  // A shell may leave a blank after the closing quote.
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.size() >= 2 && line.front() == '"' && line.back() == '"' &&
      line.find('"', 1) == line.size() - 1)
    line = line.substr(1, line.size() - 2);
  return line;
}

// The resource text with its "%s" replaced by argument; texts are not
// handed to printf as formats.
std::string format_text(UINT id, const std::string& argument) {
  std::string text = resource_string(id);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

void centre_on_desktop(HWND window) {
  RECT r, desk;
  GetWindowRect(window, &r);
  GetWindowRect(GetDesktopWindow(), &desk);
  int width = r.right - r.left, height = r.bottom - r.top;
  SetWindowPos(window, NULL, desk.left + (desk.right - desk.left - width) / 2,
               desk.top + (desk.bottom - desk.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

InfoPage::InfoPage() : SettingsPage(kInfoPage, IDD_INFO_PAGE, IDS_INFO_TITLE) {}

BOOL InfoPage::on_init_dialog() {
  set_item_text(IDC_INFO_PROGRAM, format_text(IDS_INFO_PROGRAM, own_command_line()));
  set_item_text(IDC_INFO_VERSION, format_text(IDS_INFO_VERSION, "1.00"));
  set_item_text(IDC_INFO_COPYRIGHT, resource_string(IDS_INFO_COPYRIGHT));
  centre_on_desktop(sheet());
  return TRUE;
}

}  // namespace detector
