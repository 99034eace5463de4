// The DLL loaded by name and its export found undecorated, as an
// installation script finds it; repath.exe run as a child process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "testing/win32/harness.h"

namespace {

using itest::program_folder;
using ReplaceSdPathFn = int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);

class RepathDll : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_ = LoadLibraryA((program_folder() + "repath.dll").c_str());
    ASSERT_NE(dll_, nullptr);
    replace_ = reinterpret_cast<ReplaceSdPathFn>(
        reinterpret_cast<void*>(GetProcAddress(dll_, "ReplaceSdPath")));
    ASSERT_NE(replace_, nullptr) << "ReplaceSdPath is not exported undecorated";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    GetTempFileNameA(temp, "rp", 0, name);
    file_ = name;
  }
  void TearDown() override {
    DeleteFileA(file_.c_str());
    if (dll_) FreeLibrary(dll_);
  }

  void write_file(const std::string& bytes) {
    HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
  }
  std::string read_file() {
    HANDLE h = CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string out(GetFileSize(h, nullptr), '\0');
    DWORD n = 0;
    ReadFile(h, &out[0], static_cast<DWORD>(out.size()), &n, nullptr);
    CloseHandle(h);
    out.resize(n);
    return out;
  }
  DWORD run_cli(const std::string& args) {
    std::string cmd = "\"" + program_folder() + "repath.exe\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return 0xFFFFFFFF;
    itest::wait_for_object(pi.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
  }

  HMODULE dll_ = nullptr;
  ReplaceSdPathFn replace_ = nullptr;
  std::string file_;
};

TEST_F(RepathDll, PatchesARealFileAcrossTheChunkBoundary) {
  std::string content(4086 - 3, '.');
  content += "%INSTDIR%C:\\OLDPATH\\TAIL";
  content += std::string(5000, '-');
  write_file(content);
  EXPECT_EQ(replace_(file_.c_str(), "%INSTDIR%", "D:\\HALVO"), 1);
  std::string want = content;
  want.replace(4086 - 3 + 9, 9, std::string("D:\\HALVO") + '\0');
  EXPECT_EQ(read_file(), want);
}

TEST_F(RepathDll, AbsentMarkerLeavesTheFileAndReturnsOne) {
  write_file("nothing to see");
  EXPECT_EQ(replace_(file_.c_str(), "%INSTDIR%", "D:\\HALVO"), 1);
  EXPECT_EQ(read_file(), "nothing to see");
}

TEST_F(RepathDll, UnopenableFilesReturnZeroAndStayUnchanged) {
  EXPECT_EQ(replace_((file_ + ".absent").c_str(), "%INSTDIR%", "D:\\HALVO"), 0);

  write_file("path=%INSTDIR%C:\\OLD");
  HANDLE holder = CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(replace_(file_.c_str(), "%INSTDIR%", "D:\\HALVO"), 0) << "held without sharing";
  CloseHandle(holder);
  EXPECT_EQ(read_file(), "path=%INSTDIR%C:\\OLD");
}

TEST_F(RepathDll, ConsoleProgramExitCodes) {
  write_file("dir=@@C:\\OLD;");
  EXPECT_EQ(run_cli("\"" + file_ + "\" @@ E:\\NEW"), 0u);
  EXPECT_EQ(read_file(), std::string("dir=@@E:\\NEW") + '\0');
  EXPECT_EQ(run_cli("\"" + file_ + ".absent\" @@ E:\\NEW"), 1u);
  EXPECT_EQ(run_cli("only-one-argument"), 2u);
}

}  // namespace
