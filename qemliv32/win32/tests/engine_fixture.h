// The engine's Wine tests' fixture: qemhost.exe started on a script and
// worked through its commands (host_protocol.h), QEMPLAY.INI saved and
// restored around each test, and the picture read back from the host
// window's pixels.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "qemliv32/win32/host/host_protocol.h"
#include "testing/win32/driver.h"

namespace engine_test {

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
// A value of QEMPLAY.INI.
std::string profile(const char* section, const char* key);
// The test server's port, from the runner; empty when there is none.
std::string server_port();

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A script file holding url; its path.
  std::string script(const std::string& url);
  std::string stream_url(const std::string& path = "/clip");

  bool start_host(const std::string& args);
  LRESULT send(UINT command, WPARAM wp = 0, LPARAM lp = 0);
  int state() { return int(send(qemhost::kState)); }
  int notifies() { return int(send(qemhost::kNotifies, 0)); }
  HWND engine_window() { return reinterpret_cast<HWND>(send(qemhost::kEngineWindow)); }
  bool copy_data(ULONG_PTR kind, const std::string& bytes);
  // The frame number the picture in the host's video area carries.
  std::optional<uint32_t> frame_on_screen();

  itest::Process host_;
  HWND window_ = NULL;
  bool had_ini_ = false;
  std::string saved_ini_;
  std::vector<std::string> scripts_;
};

}  // namespace engine_test
