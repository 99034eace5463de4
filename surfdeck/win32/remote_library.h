// The remote-control library, loaded at run time by name: the program runs
// without it, and without any of its optional exports.
#pragma once

#include <windows.h>

#include <string>

#include "surfdeck/front_end.h"

namespace surfdeck {

class RemoteLibrary final : public RemoteControl {
 public:
  RemoteLibrary() = default;
  ~RemoteLibrary() override { unload(); }
  RemoteLibrary(const RemoteLibrary&) = delete;
  RemoteLibrary& operator=(const RemoteLibrary&) = delete;

  // LoadLibraryA(file) and the five exports; false (library freed) when it
  // does not load or lacks mmcdRegisterApp or mmcdUnregisterApp.
  bool load(const std::string& file);
  // mmcdRegisterApp once; the button message id afterwards, 0 when refused.
  UINT registerWindow(HWND window);
  // Sleep(100), mmcdUnregisterApp, FreeLibrary.
  void unload();

  void set_first_app() override;
  std::optional<uint32_t> get_cap(uint32_t capability) override;
  void set_cap(uint32_t capability, uint32_t value) override;

 private:
  typedef DWORD(WINAPI* RegisterApp)(HWND, WORD*, DWORD*);
  typedef DWORD(WINAPI* UnregisterApp)(DWORD);
  typedef DWORD(WINAPI* SetFirstApp)(DWORD);
  typedef DWORD(WINAPI* GetCap)(DWORD, DWORD, void*, void*);
  typedef DWORD(WINAPI* SetCap)(DWORD, DWORD, DWORD_PTR, DWORD);

  HMODULE library_ = NULL;
  RegisterApp register_ = NULL;
  UnregisterApp unregister_ = NULL;
  SetFirstApp setFirst_ = NULL;
  GetCap getCap_ = NULL;
  SetCap setCap_ = NULL;
  bool registered_ = false;
  DWORD handle_ = 0;
};

}  // namespace surfdeck
