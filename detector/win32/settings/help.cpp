#include "detector/win32/settings/help.h"

#include <string>

#include "common/win32/win32_registry.h"
#include "detector/keys.h"
#include "detector/win32/detres/detres_ids.h"

namespace detector {

void show_help(HWND owner, UINT command, DWORD data) {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::string file = user.read_string(kSuiteKey, kAppPathValue).value_or("");
  file += "\\" DETECTOR_HELP_FILE;
  WinHelpA(owner, file.c_str(), command, data);
}

}  // namespace detector
