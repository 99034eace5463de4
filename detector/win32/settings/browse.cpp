#include <windows.h>
#include <commdlg.h>

#include <string>

#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

HICON set_browse_icon(HWND button) {
  HICON icon = static_cast<HICON>(
      LoadImageA(g_app.resources, MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
  if (icon) {
    SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) | BS_ICON);
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
  return icon;
}

std::string browse_for_program(HWND owner) {
  // The filter's last character separates its parts, so the text needs no
  // embedded NULs; two NULs end the filter.
  std::string filter = resource_string(IDS_BROWSE_FILTER);
  if (!filter.empty()) {
    char separator = filter.back();
    for (char& c : filter)
      if (c == separator) c = '\0';
  }
  filter.append(2, '\0');
  std::string title = resource_string(IDS_BROWSE_TITLE);

  char file[MAX_PATH] = "";
  OPENFILENAMEA choice = {};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = owner;
  choice.lpstrFilter = filter.c_str();
  choice.lpstrFile = file;
  choice.nMaxFile = sizeof file;
  choice.lpstrTitle = title.c_str();
  choice.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&choice)) return std::string();
  return file;
}

}  // namespace detector
