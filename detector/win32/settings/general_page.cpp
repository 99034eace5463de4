#include <cctype>
#include <string>
#include <vector>

#include "beamhub/win32/beamhub.h"
#include "common/win32/win32_registry.h"
#include "detector/general_page.h"
#include "detector/keys.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

namespace {

constexpr int kMinStep = 1, kMaxStep = 10;
const int kMixedRadios[3] = {IDC_MIXED_INSTALL, IDC_MIXED_PLAY, IDC_MIXED_ASK};

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

DWORD get_cap_value(DWORD id) {
  DWORD value = 0;
  if (mmcdGetCap(g_app.remote, id, &value, NULL) != MMCD_OK) return 0;
  return value;
}

std::string current_remote() {
  // One byte more than the library's path field, which it copies with its end.
  char path[MMCD_PATH_SIZE + 1] = "";
  if (mmcdGetCap(g_app.remote, MMCD_CAP_REMOTE_CONTROLLER, path, NULL) != MMCD_OK) return std::string();
  path[MMCD_PATH_SIZE] = '\0';
  return upper(path);
}

// The folder's *.rcb names in the order the file system lists them.
std::vector<std::string> rcb_files(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.rcb").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// The "Control" section's "Description", read with a bounded buffer.
std::string rcb_file_description(const std::string& path) {
  char text[256] = "";
  GetPrivateProfileStringA("Control", "Description", "", text, sizeof text, path.c_str());
  return text;
}

}  // namespace

GeneralPage::GeneralPage() : SettingsPage(kGeneralPage, IDD_GENERAL_PAGE, IDS_GENERAL_TITLE) {}

BOOL GeneralPage::on_init_dialog() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  auto mixed = user.read_binary(kDetectorKey, kMixedModeValue);
  // A missing or unknown choice shows as "ask", the choice that decides nothing alone.
  int choice = mixed && mixed->size() == 1 && (*mixed)[0] <= 2 ? (*mixed)[0] : 2;
  CheckRadioButton(hwnd(), IDC_MIXED_INSTALL, IDC_MIXED_ASK, kMixedRadios[choice]);

  set_checked(IDC_VOICE, get_cap_value(MMCD_CAP_VOICE) != 0);

  HWND spin = item(IDC_MOUSE_SPIN);
  SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(IDC_MOUSE_STEP)), 0);
  SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(kMaxStep, kMinStep));
  SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(get_cap_value(MMCD_CAP_MOUSE_INTERVAL), 0));
  SetDlgItemInt(hwnd(), IDC_MOUSE_STEP, static_cast<UINT>(LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0))),
                FALSE);

  fill_remote_list();
  return TRUE;
}

void GeneralPage::fill_remote_list() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  std::string folder = user.read_string(kSuiteKey, kRcbPathValue).value_or("");
  remotes_ = remote_list(current_remote(), folder, rcb_files(folder), rcb_file_description);

  HWND combo = item(IDC_REMOTE_LIST);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < remotes_.size(); ++i) {
    // Inserted at the end, not added: a sorted combo box must keep this order.
    LRESULT at = SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(remotes_[i].description.c_str()));
    if (at >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

bool GeneralPage::on_notify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == IDC_MOUSE_SPIN && header->code == UDN_DELTAPOS) {
    const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
    int step = change->iPos + change->iDelta;
    if (step >= kMinStep && step <= kMaxStep) mmcdSetCap(g_app.remote, MMCD_CAP_MOUSE_INTERVAL, step, 0);
    result = FALSE;  // let the control move
    return true;
  }
  return SettingsPage::on_notify(header, result);
}

bool GeneralPage::on_apply() {
  std::optional<uint32_t> step = typed_mouse_step(item_text(IDC_MOUSE_STEP));
  if (!step) {
    box(IDS_BAD_MOUSE_STEP, MB_OK | MB_ICONWARNING);
    SetFocus(item(IDC_MOUSE_STEP));
    return false;
  }

  uint8_t choice = 2;
  for (uint8_t i = 0; i < 3; ++i)
    if (is_checked(kMixedRadios[i])) choice = i;
  const uint32_t s = *step;
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  user.create_key(kDetectorKey);
  user.write_binary(kDetectorKey, kMixedModeValue, {choice});
  user.write_binary(kDetectorKey, kMouseMovementValue,
                    {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8), static_cast<uint8_t>(s >> 16),
                     static_cast<uint8_t>(s >> 24)});

  // The model first: the library reloads its saved settings when the model
  // changes, which would undo a step set before it.
  HWND combo = item(IDC_REMOTE_LIST);
  LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (selected >= 0) {
    LRESULT index = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (index >= 0 && static_cast<size_t>(index) < remotes_.size())
      mmcdSetCap(g_app.remote, MMCD_CAP_REMOTE_CONTROLLER,
                 reinterpret_cast<DWORD_PTR>(remotes_[static_cast<size_t>(index)].path.c_str()), 0);
  }
  // 0 passes the page and is refused by the library: the step stays.
  mmcdSetCap(g_app.remote, MMCD_CAP_MOUSE_INTERVAL, s, 0);
  mmcdSetCap(g_app.remote, MMCD_CAP_VOICE, is_checked(IDC_VOICE) ? 1 : 0, 0);
  mmcdSetCap(g_app.remote, MMCD_CAP_SETTINGS, 0, 0);
  return true;
}

}  // namespace detector
