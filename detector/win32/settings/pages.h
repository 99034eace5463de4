// The settings sheet's pages and the dialogs they open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/dialog.h"
#include "detector/general_page.h"
#include "detector/launch_list.h"
#include "detector/player_list.h"
#include "detector/win32/detres/detres_ids.h"

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
  HWND tree() const { return item(IDC_PLAYER_TREE); }
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
  HWND list() const { return item(IDC_LAUNCH_LIST); }
  void fill_list();
  void update_buttons();
  void add_entry();
  void edit_entry(int index);
  void remove_entries();

  LaunchList entries_;
  HIMAGELIST images_ = NULL;
};

// What dialogs 143, 144 and 146 share: a name limited in length, a
// program's command line with its browse button, OK only while the command
// line is not empty, and the dialog's help topic.
class ProgramDialog : public halvo::Dialog {
 public:
  struct Controls {
    int name;
    std::size_t name_limit;
    int program;
    int browse;
  };
  ProgramDialog(UINT template_id, const Controls& controls) : template_id_(template_id), controls_(controls) {}
  // True after OK; the record then holds what was typed.
  bool run(HWND owner);

 protected:
  // The record into the controls, and back (the command line is not empty).
  virtual void load() = 0;
  virtual void store() = 0;

  BOOL on_init_dialog() override;
  void on_command(int id, int code, HWND control) override;
  bool on_help(const HELPINFO& info) override;

 private:
  void show_topic();

  UINT template_id_;
  Controls controls_;
  HICON browse_icon_ = NULL;
};

// Dialogs 144 (add) and 143 (edit): a player's name and path.
class PlayerDialog : public ProgramDialog {
 public:
  PlayerDialog(UINT template_id, Player player);
  const Player& player() const { return player_; }

 protected:
  void load() override;
  void store() override;

 private:
  Player player_;
};

// Dialog 146: a launch list entry, added or edited.
class ApplicationDialog : public ProgramDialog {
 public:
  ApplicationDialog(bool editing, LaunchEntry entry);
  const LaunchEntry& entry() const { return entry_; }

 protected:
  void load() override;
  void store() override;

 private:
  bool editing_;
  LaunchEntry entry_;
};

// The browse buttons' icon 112 on a button.
HICON set_browse_icon(HWND button);
// The standard open dialog for a program; the chosen path, or "" when cancelled.
std::string browse_for_program(HWND owner);
// An image list of bitmaps of the resource library, sized by the first.
HIMAGELIST load_page_images(const UINT* bitmaps, int count);

}  // namespace detector
