#include "surfdeck/win32/remote_library.h"

#include "beamhub/mmcd.h"

namespace surfdeck {

namespace {

template <typename F>
F entry(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

bool RemoteLibrary::load(const std::string& file) {
  library_ = LoadLibraryA(file.c_str());
  if (library_ == NULL) return false;
  register_ = entry<RegisterApp>(library_, "mmcdRegisterApp");
  unregister_ = entry<UnregisterApp>(library_, "mmcdUnregisterApp");
  setFirst_ = entry<SetFirstApp>(library_, "mmcdSetFirstApp");
  getCap_ = entry<GetCap>(library_, "mmcdGetCap");
  setCap_ = entry<SetCap>(library_, "mmcdSetCap");
  if (register_ == NULL || unregister_ == NULL) {
    FreeLibrary(library_);
    library_ = NULL;
    return false;
  }
  return true;
}

UINT RemoteLibrary::registerWindow(HWND window) {
  if (library_ == NULL || registered_) return 0;
  WORD message = 0;
  DWORD handle = 0;
  if (register_(window, &message, &handle) != MMCD_OK) return 0;
  registered_ = true;
  handle_ = handle;
  return message;
}

void RemoteLibrary::unload() {
  if (library_ == NULL) return;
  // Lets a button being delivered to this program finish first.
  Sleep(100);
  if (registered_) unregister_(handle_);
  registered_ = false;
  handle_ = 0;
  FreeLibrary(library_);
  library_ = NULL;
}

void RemoteLibrary::set_first_app() {
  if (registered_ && setFirst_ != NULL) setFirst_(handle_);
}

std::optional<uint32_t> RemoteLibrary::get_cap(uint32_t capability) {
  if (!registered_ || getCap_ == NULL) return std::nullopt;
  DWORD value = 0;
  if (getCap_(handle_, capability, &value, NULL) != MMCD_OK) return std::nullopt;
  return value;
}

void RemoteLibrary::set_cap(uint32_t capability, uint32_t value) {
  if (registered_ && setCap_ != NULL) setCap_(handle_, capability, value, 0);
}

}  // namespace surfdeck
