#include "qemliv32/win32/about_box.h"

#include <winsock.h>

#include <cstring>
#include <string>

#include "common/win32/dialog.h"
#include "qemliv32/qem_play.h"
#include "qemliv32/win32/dll/qemliv32_ids.h"
#include "qemliv32/win32/engine_module.h"

namespace qem {

namespace {

bool sound_card_present() { return waveOutGetNumDevs() > 0; }

// The description of the socket library the engine starts (version 1.1);
// empty when it does not start.
std::string sockets_description() {
  WSADATA data = {};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return std::string();
  std::string description(data.szDescription, strnlen(data.szDescription, sizeof data.szDescription));
  WSACleanup();
  return description;
}

bool copy_to_clipboard(HWND owner, const std::string& text) {
  if (!OpenClipboard(owner)) return false;
  bool copied = false;
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
    if (void* bytes = GlobalLock(memory)) {
      std::memcpy(bytes, text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      copied = SetClipboardData(CF_TEXT, memory) != NULL;
    }
    // The clipboard owns the memory only once it has taken it.
    if (!copied) GlobalFree(memory);
  }
  CloseClipboard();
  return copied;
}

class AboutBox : public halvo::InfoDialog {
 public:
  explicit AboutBox(std::string text) : text_(std::move(text)) {}

 protected:
  BOOL on_init_dialog() override {
    set_item_text(IDC_SYSTEM_INFO, text_);
    return TRUE;
  }
  void on_command(int id, int code, HWND control) override {
    if (id == IDC_COPY)
      copy_to_clipboard(hwnd(), text_);
    else
      InfoDialog::on_command(id, code, control);
  }

 private:
  std::string text_;
};

}  // namespace

void run_about_box(HWND owner) {
  AboutBox box(system_information_text(system_information_lines(sound_card_present(), sockets_description())));
  box.run(engine_module(), IDD_ABOUT, owner);
}

}  // namespace qem
