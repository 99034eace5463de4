// What beamhub's tests add to the machine of every test
// (testing/win32/machine.h): the shipped button map's codes as the drive
// reports them, and the library loaded into the test process.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"
#include "testing/win32/machine.h"

namespace itest {

constexpr uint8_t kModeSelect = 0x55;

// The six code bytes a button's entry in the shipped map stands for.
std::vector<uint8_t> map_code(const char* button);
// A report read whose report carried this remote code.
bool carries(const vdrive::LogEntry& e, const std::vector<uint8_t>& code);

// The bytes of a hex string value of a button-map file.
std::vector<uint8_t> profile_hex(const std::string& file, const char* section, const char* key);

// beamhub.dll loaded into the test process for the length of one test.
class LoadedLibrary {
 public:
  LoadedLibrary() : module_(LoadLibraryA("beamhub.dll")) {}
  ~LoadedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  HMODULE module() const { return module_; }
  template <typename F>
  F function(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

}  // namespace itest
