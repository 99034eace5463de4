#include "common/win32/dialog.h"

namespace halvo {

namespace {
const char kSelfProperty[] = "halvo.Dialog";
}

std::string load_string(HINSTANCE module, UINT id) {
  char text[1024];
  int n = LoadStringA(module, id, text, sizeof text);
  return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
}

INT_PTR Dialog::run_modal(HINSTANCE module, UINT template_id, HWND owner) {
  return DialogBoxParamA(module, MAKEINTRESOURCEA(template_id), owner, dialog_proc,
                         reinterpret_cast<LPARAM>(this));
}

HWND Dialog::create(HINSTANCE module, UINT template_id, HWND owner) {
  return CreateDialogParamA(module, MAKEINTRESOURCEA(template_id), owner, dialog_proc,
                            reinterpret_cast<LPARAM>(this));
}

std::string Dialog::item_text(int id) const {
  HWND control = item(id);
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int n = GetWindowTextA(control, &text[0], length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// The object rides in a window property from WM_INITDIALOG on; messages
// before it (WM_SETFONT) go to the default handling.
INT_PTR CALLBACK Dialog::dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Dialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lparam);
    SetPropA(hwnd, kSelfProperty, self);
  } else {
    self = static_cast<Dialog*>(GetPropA(hwnd, kSelfProperty));
  }
  return self ? dispatch(self, hwnd, message, wparam, lparam) : FALSE;
}

INT_PTR CALLBACK Dialog::page_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Dialog* self;
  if (message == WM_INITDIALOG) {
    const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lparam);
    self = reinterpret_cast<Dialog*>(page->lParam);
    SetPropA(hwnd, kSelfProperty, self);
  } else {
    self = static_cast<Dialog*>(GetPropA(hwnd, kSelfProperty));
  }
  return self ? dispatch(self, hwnd, message, wparam, lparam) : FALSE;
}

INT_PTR Dialog::dispatch(Dialog* self, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      self->hwnd_ = hwnd;
      return self->on_init_dialog();
    case WM_COMMAND:
      self->on_command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!self->on_notify(reinterpret_cast<NMHDR*>(lparam), result)) return FALSE;
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_HELP:
      return self->on_help(*reinterpret_cast<const HELPINFO*>(lparam)) ? TRUE : FALSE;
    case WM_DESTROY:
      self->on_destroy();
      return FALSE;
    case WM_NCDESTROY:
      RemovePropA(hwnd, kSelfProperty);
      self->hwnd_ = NULL;
      return FALSE;
    default: {
      INT_PTR result = FALSE;
      return self->on_message(message, wparam, lparam, result) ? result : FALSE;
    }
  }
}

PROPSHEETPAGEA PropertyPage::page(DWORD extra_flags) const {
  PROPSHEETPAGEA page = {};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_USETITLE | extra_flags;
  page.hInstance = module_;
  page.pszTemplate = MAKEINTRESOURCEA(template_id_);
  page.pszTitle = title_.c_str();
  page.pfnDlgProc = page_proc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

bool PropertyPage::on_notify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != sheet()) return false;
  switch (header->code) {
    case PSN_APPLY:
      result = on_apply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
      return true;
    case PSN_KILLACTIVE:
      result = on_kill_active() ? FALSE : TRUE;
      return true;
    case PSN_SETACTIVE:
      on_set_active();
      result = 0;
      return true;
    case PSN_HELP:
      on_help_button();
      result = 0;
      return true;
    default:
      return false;
  }
}

INT_PTR Sheet::run(HWND owner) {
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | flags_ | (icon_ ? PSH_USEHICON : 0);
  header.hwndParent = owner;
  header.hInstance = module_;
  header.hIcon = icon_;
  header.pszCaption = caption_.c_str();
  header.nPages = static_cast<UINT>(pages_.size());
  header.nStartPage = start_page_ >= 0 && static_cast<size_t>(start_page_) < pages_.size()
                          ? static_cast<UINT>(start_page_) : 0;
  header.ppsp = pages_.data();
  return PropertySheetA(&header);
}

}  // namespace halvo
