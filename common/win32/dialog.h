// Small dialog and property-page classes: an object holds its HWND and
// gets the messages it cares about as virtual handlers, dispatched by one
// switch in a shared dialog procedure.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <utility>
#include <vector>

namespace halvo {

// A string resource of a module; empty when missing.
std::string load_string(HINSTANCE module, UINT id);

class Dialog {
 public:
  Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog() = default;

  // Modal: returns the value given to end(), or -1 when the template is missing.
  INT_PTR run_modal(HINSTANCE module, UINT template_id, HWND owner);
  // Modeless: the dialog window, or NULL. The object must outlive it.
  HWND create(HINSTANCE module, UINT template_id, HWND owner);

  HWND hwnd() const { return hwnd_; }
  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  std::string item_text(int id) const;
  void set_item_text(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }
  void enable_item(int id, bool enable) { EnableWindow(item(id), enable ? TRUE : FALSE); }
  bool is_checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
  void set_checked(int id, bool checked) { CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED); }
  // Ends a modal dialog with a result.
  void end(INT_PTR result) { EndDialog(hwnd_, result); }

 protected:
  // Return FALSE when the handler set the focus itself.
  virtual BOOL on_init_dialog() { return TRUE; }
  virtual void on_command(int /*id*/, int /*code*/, HWND /*control*/) {}
  // Return true when handled; result goes back as DWLP_MSGRESULT.
  virtual bool on_notify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // F1 on a control (WM_HELP); return true when handled.
  virtual bool on_help(const HELPINFO& /*info*/) { return false; }
  virtual void on_destroy() {}
  // Any other message; return true when handled (result is the procedure's).
  virtual bool on_message(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/, INT_PTR& /*result*/) {
    return false;
  }

  // The dialog procedure every Dialog shares; WM_INITDIALOG's lParam is the
  // object (for pages: the PROPSHEETPAGEA whose lParam is the object).
  static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static INT_PTR CALLBACK page_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static INT_PTR dispatch(Dialog* self, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = NULL;
};

// A dialog that only shows something, such as an About box: OK or Escape
// closes it.
class InfoDialog : public Dialog {
 public:
  // Runs the box over owner: IDOK or IDCANCEL, -1 when the template is missing.
  INT_PTR run(HINSTANCE module, UINT template_id, HWND owner) { return run_modal(module, template_id, owner); }

 protected:
  void on_command(int id, int /*code*/, HWND /*control*/) override {
    if (id == IDOK || id == IDCANCEL) end(id);
  }
};

// One page of a property sheet, from a dialog template of a module.
class PropertyPage : public Dialog {
 public:
  PropertyPage(HINSTANCE module, UINT template_id, std::string title)
      : module_(module), template_id_(template_id), title_(std::move(title)) {}

  // The page for PropertySheetA; extra_flags such as PSP_HASHELP. Valid while
  // the object lives.
  PROPSHEETPAGEA page(DWORD extra_flags) const;
  // The sheet window holding the page.
  HWND sheet() const { return GetParent(hwnd()); }
  // Tells the sheet a page changed (enables Apply where the sheet has it).
  void set_modified() { PropSheet_Changed(sheet(), hwnd()); }

 protected:
  // PSN_APPLY (also sent by OK): false keeps the sheet open on this page.
  virtual bool on_apply() { return true; }
  // PSN_KILLACTIVE: false keeps this page current.
  virtual bool on_kill_active() { return true; }
  virtual void on_set_active() {}
  // PSN_HELP: the sheet's Help button.
  virtual void on_help_button() {}
  // Pages overriding on_notify for their controls call this for the rest.
  bool on_notify(NMHDR* header, LRESULT& result) override;

 private:
  HINSTANCE module_;
  UINT template_id_;
  std::string title_;
};

// A property sheet of pages (PropertySheet itself is a Windows macro);
// run() returns when the sheet closes.
class Sheet {
 public:
  Sheet(HINSTANCE module, std::string caption) : module_(module), caption_(std::move(caption)) {}

  void set_icon(HICON icon) { icon_ = icon; }
  // PSH_* flags beside PSH_PROPSHEETPAGE and PSH_USEHICON, e.g. PSH_NOAPPLYNOW.
  void set_flags(DWORD flags) { flags_ = flags; }
  void set_start_page(int page) { start_page_ = page; }
  // page_flags for every page, e.g. PSP_HASHELP.
  void add_page(PropertyPage& page, DWORD page_flags = 0) { pages_.push_back(page.page(page_flags)); }

  // PropertySheetA's result: > 0 after OK, 0 after Cancel, -1 on failure.
  INT_PTR run(HWND owner);

 private:
  HINSTANCE module_;
  std::string caption_;
  HICON icon_ = NULL;
  DWORD flags_ = 0;
  int start_page_ = 0;
  std::vector<PROPSHEETPAGEA> pages_;
};

}  // namespace halvo
