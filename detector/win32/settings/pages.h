// The settings sheet's pages and the dialogs they open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/dialog.h"
#include "detector/general_page.h"
#include "detector/launch_list.h"
#include "detector/player_list.h"

namespace detector {

// Sheet page numbers, as the help topics know them.
enum SheetPage { kInfoPage = 0, kGeneralPage = 1, kPlayersPage = 2, kLaunchPage = 3 };

// A page of the sheet: the Help button and F1 on a control open its topics.
class SettingsPage : public halvo::PropertyPage {
 public:
  SettingsPage(int number, UINT template_id, UINT title_id);

 protected:
  void on_help_button() override;
  bool on_help(const HELPINFO& info) override;
  // A message box of the detector over this page.
  int box(UINT text_id, UINT flags);

 private:
  int number_;
};

class InfoPage : public SettingsPage {
 public:
  InfoPage();

 protected:
  BOOL on_init_dialog() override;
};

class GeneralPage : public SettingsPage {
 public:
  GeneralPage();

 protected:
  BOOL on_init_dialog() override;
  bool on_notify(NMHDR* header, LRESULT& result) override;
  bool on_apply() override;

 private:
  void fill_remote_list();

  std::vector<RemoteChoice> remotes_;
};

class PlayersPage : public SettingsPage {
 public:
  PlayersPage();
  ~PlayersPage() override;

 protected:
  BOOL on_init_dialog() override;
  void on_command(int id, int code, HWND control) override;
  bool on_notify(NMHDR* header, LRESULT& result) override;
  bool on_apply() override;

 private:
  HWND tree() const { return item(1018); }
  HTREEITEM insert(HTREEITEM parent, const std::string& text, int image, LPARAM data);
  // The kind of a kind node or of a player; -1 for the root or nothing.
  int kind_of(HTREEITEM node) const;
  // The player's index in its kind's list; -1 when node is not a player.
  int player_index(HTREEITEM node) const;
  HTREEITEM kind_node(int kind) const;
  void refresh_images(int kind);
  void update_buttons();
  void add_player();
  void edit_player();
  void remove_player();

  PlayerLists lists_;
  HIMAGELIST images_ = NULL;
};

class LaunchPage : public SettingsPage {
 public:
  LaunchPage();
  ~LaunchPage() override;

 protected:
  BOOL on_init_dialog() override;
  void on_command(int id, int code, HWND control) override;
  bool on_notify(NMHDR* header, LRESULT& result) override;
  bool on_apply() override;

 private:
  HWND list() const { return item(1029); }
  void fill_list();
  void update_buttons();
  void add_entry();
  void edit_entry(int index);
  void remove_entries();

  LaunchList entries_;
  HIMAGELIST images_ = NULL;
};

// Dialogs 144 (add) and 143 (edit): a player's name and path.
class PlayerDialog : public halvo::Dialog {
 public:
  PlayerDialog(UINT template_id, Player player) : template_id_(template_id), player_(std::move(player)) {}
  // True after OK; player() then holds what was typed.
  bool run(HWND owner);
  const Player& player() const { return player_; }

 protected:
  BOOL on_init_dialog() override;
  void on_command(int id, int code, HWND control) override;
  bool on_help(const HELPINFO& info) override;

 private:
  UINT template_id_;
  Player player_;
  HICON browse_icon_ = NULL;
};

// Dialog 146: a launch list entry, added or edited.
class ApplicationDialog : public halvo::Dialog {
 public:
  ApplicationDialog(bool editing, LaunchEntry entry) : editing_(editing), entry_(std::move(entry)) {}
  bool run(HWND owner);
  const LaunchEntry& entry() const { return entry_; }

 protected:
  BOOL on_init_dialog() override;
  void on_command(int id, int code, HWND control) override;
  bool on_help(const HELPINFO& info) override;

 private:
  bool editing_;
  LaunchEntry entry_;
  HICON browse_icon_ = NULL;
};

// The browse buttons' icon 112 on a button.
HICON set_browse_icon(HWND button);
// The standard open dialog for a program; the chosen path, or "" when cancelled.
std::string browse_for_program(HWND owner);
// An image list of bitmaps of the resource library, sized by the first.
HIMAGELIST load_page_images(const UINT* bitmaps, int count);

}  // namespace detector
