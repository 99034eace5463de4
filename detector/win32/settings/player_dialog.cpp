#include "detector/player_list.h"
#include "detector/win32/detres/detres_ids.h"
#include "detector/win32/settings/pages.h"

namespace detector {

PlayerDialog::PlayerDialog(UINT template_id, Player player)
    : ProgramDialog(template_id, {IDC_PLAYER_NAME, kMaxPlayerName, IDC_PLAYER_PATH, IDC_PLAYER_BROWSE}),
      player_(std::move(player)) {}

void PlayerDialog::load() {
  set_item_text(IDC_PLAYER_NAME, player_.name);
  set_item_text(IDC_PLAYER_PATH, player_.path);
}

void PlayerDialog::store() {
  player_.name = item_text(IDC_PLAYER_NAME).substr(0, kMaxPlayerName);
  player_.path = item_text(IDC_PLAYER_PATH);
}

}  // namespace detector
