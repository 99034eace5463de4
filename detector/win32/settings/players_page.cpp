#include <string>

#include "common/win32/win32_registry.h"
#include "detector/keys.h"
#include "detector/win32/detector_app.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

namespace {

// The tree's kinds, top to bottom, and their labels.
struct KindRow {
  int kind;
  UINT label;
};
const KindRow kKindRows[kKindCount] = {{kMixedModeCd, IDS_KIND_MIXED},
                                       {kAudioCd, IDS_KIND_AUDIO},
                                       {kVideoCd, IDS_KIND_VIDEO},
                                       {kQmcd, IDS_KIND_QMCD},
                                       {kCdi, IDS_KIND_CDI}};

// Image list positions, in the order the bitmaps are added.
enum Image { kKindImage = 0, kPlayerImage = 1, kRootImage = 2, kDefaultImage = 3 };
const UINT kImageBitmaps[4] = {IDB_TREE_KIND, IDB_TREE_PLAYER, IDB_TREE_ROOT, IDB_TREE_DEFAULT};

// Item data: the node's role and kind; a player's index is its place among
// its siblings, which always follows the list's order.
constexpr LPARAM kRootData = 0x200;
constexpr LPARAM kPlayerFlag = 0x100;

}  // namespace

PlayersPage::PlayersPage() : SettingsPage(kPlayersPage, IDD_PLAYERS_PAGE, IDS_PLAYERS_TITLE) {}

PlayersPage::~PlayersPage() {
  if (images_) ImageList_Destroy(images_);
}

HTREEITEM PlayersPage::insert(HTREEITEM parent, const std::string& text, int image, LPARAM data) {
  TVINSERTSTRUCTA entry = {};
  entry.hParent = parent;
  entry.hInsertAfter = TVI_LAST;
  entry.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  entry.item.pszText = const_cast<char*>(text.c_str());
  entry.item.iImage = entry.item.iSelectedImage = image;
  entry.item.lParam = data;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry)));
}

BOOL PlayersPage::on_init_dialog() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  lists_ = PlayerLists::load(user);

  images_ = load_page_images(kImageBitmaps, 4);
  if (images_) TreeView_SetImageList(tree(), images_, TVSIL_NORMAL);

  HTREEITEM root = insert(TVI_ROOT, resource_string(IDS_PLAYERS_ROOT), kRootImage, kRootData);
  HTREEITEM audio = NULL;
  for (const KindRow& row : kKindRows) {
    HTREEITEM node = insert(root, resource_string(row.label), kKindImage, row.kind);
    for (const Player& p : lists_.players(row.kind))
      insert(node, p.name, p.is_default ? kDefaultImage : kPlayerImage, kPlayerFlag | row.kind);
    if (row.kind == kAudioCd) audio = node;
  }
  TreeView_Expand(tree(), root, TVE_EXPAND);
  TreeView_SelectItem(tree(), audio);
  update_buttons();
  return TRUE;
}

int PlayersPage::kind_of(HTREEITEM node) const {
  if (!node) return -1;
  TVITEMA entry = {};
  entry.mask = TVIF_PARAM;
  entry.hItem = node;
  if (!SendMessageA(tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry))) return -1;
  if (entry.lParam == kRootData) return -1;
  return static_cast<int>(entry.lParam & 0xFF);
}

int PlayersPage::player_index(HTREEITEM node) const {
  if (!node) return -1;
  TVITEMA entry = {};
  entry.mask = TVIF_PARAM;
  entry.hItem = node;
  if (!SendMessageA(tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry))) return -1;
  if (entry.lParam == kRootData || !(entry.lParam & kPlayerFlag)) return -1;
  int index = 0;
  for (HTREEITEM before = TreeView_GetPrevSibling(tree(), node); before;
       before = TreeView_GetPrevSibling(tree(), before))
    ++index;
  return index;
}

HTREEITEM PlayersPage::kind_node(int kind) const {
  HTREEITEM root = TreeView_GetRoot(tree());
  for (HTREEITEM node = TreeView_GetChild(tree(), root); node; node = TreeView_GetNextSibling(tree(), node))
    if (kind_of(node) == kind) return node;
  return NULL;
}

void PlayersPage::refresh_images(int kind) {
  const auto& players = lists_.players(kind);
  size_t i = 0;
  for (HTREEITEM node = TreeView_GetChild(tree(), kind_node(kind)); node && i < players.size();
       node = TreeView_GetNextSibling(tree(), node), ++i) {
    TVITEMA entry = {};
    entry.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    entry.hItem = node;
    entry.iImage = entry.iSelectedImage = players[i].is_default ? kDefaultImage : kPlayerImage;
    SendMessageA(tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
  }
}

void PlayersPage::update_buttons() {
  bool player = player_index(TreeView_GetSelection(tree())) >= 0;
  enable_item(IDC_MAKE_DEFAULT, player);
  enable_item(IDC_REMOVE_PLAYER, player);
}

void PlayersPage::on_command(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  HTREEITEM selected = TreeView_GetSelection(tree());
  switch (id) {
    case IDC_MAKE_DEFAULT: {
      int kind = kind_of(selected), index = player_index(selected);
      if (index < 0) return;
      lists_.make_default(kind, static_cast<size_t>(index));
      refresh_images(kind);
      break;
    }
    case IDC_ADD_PLAYER:
      add_player();
      break;
    case IDC_REMOVE_PLAYER:
      remove_player();
      break;
  }
}

void PlayersPage::add_player() {
  int kind = kind_of(TreeView_GetSelection(tree()));
  if (kind < 0) return;  // the root names no kind
  PlayerDialog dialog(IDD_ADD_PLAYER, Player{});
  if (!dialog.run(hwnd())) return;
  lists_.add(kind, dialog.player());
  const Player& added = lists_.players(kind).back();
  HTREEITEM node = kind_node(kind);
  insert(node, added.name, added.is_default ? kDefaultImage : kPlayerImage, kPlayerFlag | kind);
  TreeView_Expand(tree(), node, TVE_EXPAND);
}

void PlayersPage::edit_player() {
  HTREEITEM selected = TreeView_GetSelection(tree());
  int kind = kind_of(selected), index = player_index(selected);
  if (index < 0) return;
  PlayerDialog dialog(IDD_EDIT_PLAYER, lists_.players(kind)[static_cast<size_t>(index)]);
  if (!dialog.run(hwnd())) return;
  lists_.edit(kind, static_cast<size_t>(index), dialog.player().name, dialog.player().path);
  TVITEMA entry = {};
  entry.mask = TVIF_TEXT;
  entry.hItem = selected;
  entry.pszText = const_cast<char*>(dialog.player().name.c_str());
  SendMessageA(tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
}

void PlayersPage::remove_player() {
  HTREEITEM selected = TreeView_GetSelection(tree());
  int kind = kind_of(selected), index = player_index(selected);
  if (index < 0) return;
  if (lists_.players(kind).size() == 1) {
    box(IDS_LAST_PLAYER, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (box(IDS_REMOVE_PLAYER, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (lists_.remove(kind, static_cast<size_t>(index)) != PlayerLists::Removal::removed) return;
  TreeView_DeleteItem(tree(), selected);
  refresh_images(kind);
  update_buttons();
}

bool PlayersPage::on_notify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == IDC_PLAYER_TREE) {
    switch (header->code) {
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW:
        update_buttons();
        result = 0;
        return true;
      case NM_DBLCLK:
        if (player_index(TreeView_GetSelection(tree())) < 0) return false;
        edit_player();
        result = TRUE;
        return true;
    }
    return false;
  }
  return SettingsPage::on_notify(header, result);
}

bool PlayersPage::on_apply() {
  halvo::Win32Registry user(HKEY_CURRENT_USER);
  halvo::Win32Registry classes(HKEY_CLASSES_ROOT);
  lists_.apply(user, classes);
  return true;
}

}  // namespace detector
