#include <string>
#include <vector>

#include "common/win32/win32_registry.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

namespace {
constexpr int kNarrowColumn = 140;
const UINT kEntryBitmap[1] = {IDB_TREE_PLAYER};

void insert_column(HWND list, int index, UINT title_id, int width) {
  std::string title = resource_string(title_id);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<char*>(title.c_str());
  column.cx = width;
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void set_subitem(HWND list, int index, int subitem, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = subitem;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
}  // namespace

LaunchPage::LaunchPage() : SettingsPage(kLaunchPage, IDD_LAUNCH_PAGE, IDS_LAUNCH_TITLE) {}

LaunchPage::~LaunchPage() {
  if (images_) ImageList_Destroy(images_);
}

BOOL LaunchPage::on_init_dialog() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  entries_ = LaunchList::load(user);

  HWND view = list();
  LONG_PTR style = GetWindowLongPtrA(view, GWL_STYLE);
  // Report view with several entries selectable: Remove takes them all.
  SetWindowLongPtrA(view, GWL_STYLE, (style & ~(LVS_TYPEMASK | LVS_SINGLESEL)) | LVS_REPORT);
  ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT);
  RECT client;
  GetClientRect(view, &client);
  int rest = client.right - 2 * kNarrowColumn - GetSystemMetrics(SM_CXVSCROLL);
  insert_column(view, 0, IDS_COLUMN_DESCRIPTION, kNarrowColumn);
  insert_column(view, 1, IDS_COLUMN_COMMAND, kNarrowColumn);
  insert_column(view, 2, IDS_COLUMN_PARAMETERS, rest > 60 ? rest : 60);

  images_ = load_page_images(kEntryBitmap, 1);
  if (images_) ListView_SetImageList(view, images_, LVSIL_SMALL);

  fill_list();
  return TRUE;
}

void LaunchPage::fill_list() {
  HWND view = list();
  ListView_DeleteAllItems(view);
  const auto& entries = entries_.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(entries[i].description.c_str());
    item.iImage = 0;
    int at = static_cast<int>(SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    set_subitem(view, at, 1, entries[i].command_line);
    set_subitem(view, at, 2, entries[i].parameters);
  }
  if (!entries.empty()) {
    ListView_SetItemState(view, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  update_buttons();
}

void LaunchPage::update_buttons() {
  enable_item(IDC_ADD_ENTRY, entries_.can_add());
  enable_item(IDC_REMOVE_ENTRY, entries_.can_remove());
}

void LaunchPage::on_command(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  if (id == IDC_ADD_ENTRY) add_entry();
  if (id == IDC_REMOVE_ENTRY) remove_entries();
}

void LaunchPage::add_entry() {
  if (!entries_.can_add()) return;
  ApplicationDialog dialog(false, LaunchEntry{});
  if (!dialog.run(hwnd())) return;
  entries_.add(dialog.entry());
  fill_list();
}

void LaunchPage::edit_entry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.entries().size()) return;
  ApplicationDialog dialog(true, entries_.entries()[static_cast<size_t>(index)]);
  if (!dialog.run(hwnd())) return;
  entries_.edit(static_cast<size_t>(index), dialog.entry());
  fill_list();
}

void LaunchPage::remove_entries() {
  std::vector<size_t> chosen;
  for (int i = ListView_GetNextItem(list(), -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list(), i, LVNI_SELECTED))
    chosen.push_back(static_cast<size_t>(i));
  if (chosen.empty()) return;
  if (box(IDS_REMOVE_ENTRIES, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  entries_.remove(chosen);
  fill_list();
}

bool LaunchPage::on_notify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == IDC_LAUNCH_LIST) {
    if (header->code != NM_DBLCLK) return false;
    int index = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
    if (index < 0) index = ListView_GetNextItem(list(), -1, LVNI_FOCUSED);
    edit_entry(index);
    result = 0;
    return true;
  }
  return SettingsPage::on_notify(header, result);
}

bool LaunchPage::on_apply() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  entries_.apply(user);
  return true;
}

}  // namespace detector
