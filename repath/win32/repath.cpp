// repath.dll: the patcher over CreateFileA, ReadFile, WriteFile and
// SetFilePointer.
#include "repath/win32/repath.h"

#include <windows.h>

#include "repath/patcher.h"

namespace {

class Win32File : public repath::PatchFile {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { CloseHandle(handle_); }

  bool read(uint8_t* data, std::size_t size, std::size_t& got) override {
    DWORD n = 0;
    const BOOL ok = ReadFile(handle_, data, static_cast<DWORD>(size), &n, nullptr);
    got = n;
    return ok != FALSE;
  }

  bool seek(int64_t offset, repath::SeekFrom from) override {
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFF), &high,
                                     from == repath::SeekFrom::begin ? FILE_BEGIN : FILE_CURRENT);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
  }

  bool write(const uint8_t* data, std::size_t size, std::size_t& written) override {
    DWORD n = 0;
    const BOOL ok = WriteFile(handle_, data, static_cast<DWORD>(size), &n, nullptr);
    written = n;
    return ok != FALSE;
  }

 private:
  HANDLE handle_;
};

class Win32Opener : public repath::FileOpener {
 public:
  std::unique_ptr<repath::PatchFile> open_read_write(const char* name) override {
    const HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
  }
};

}  // namespace

extern "C" int WINAPI ReplaceSdPath(LPCSTR file_name, LPCSTR marker, LPCSTR text) {
  Win32Opener opener;
  return repath::replace_sd_path(opener, file_name, marker, text);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
