#include "qemliv32/win32/tests/engine_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/decoders/test_picture.h"
#include "testing/win32/canvas.h"

using namespace itest;
using namespace qemhost;

namespace engine_test {

namespace {
const char kIniPath[] = "C:\\windows\\QEMPLAY.INI";
}  // namespace

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

std::string profile(const char* section, const char* key) {
  char buf[1024] = {};
  GetPrivateProfileStringA(section, key, "", buf, sizeof buf, "QEMPLAY.INI");
  return buf;
}

std::string server_port() {
  const char* p = std::getenv("QEMSRV_PORT");
  return p ? p : "";
}

void EngineTest::SetUp() {
  had_ini_ = GetFileAttributesA(kIniPath) != INVALID_FILE_ATTRIBUTES;
  if (had_ini_) saved_ini_ = read_file(kIniPath);
  // A short buffer keeps the streams quick; the Player ID is made by Play.
  write_file(kIniPath, "[Settings]\r\nBufferSize=1000\r\nBandWidth=12\r\n");
  WritePrivateProfileStringA(NULL, NULL, NULL, "QEMPLAY.INI");  // drop any cached copy
}

void EngineTest::TearDown() {
  host_.close();
  if (had_ini_)
    write_file(kIniPath, saved_ini_);
  else
    DeleteFileA(kIniPath);
  WritePrivateProfileStringA(NULL, NULL, NULL, "QEMPLAY.INI");
  for (const std::string& f : scripts_) DeleteFileA(f.c_str());
}

std::string EngineTest::script(const std::string& url) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::string path = std::string(dir) + "engine_test_" + std::to_string(scripts_.size()) + ".qem";
  write_file(path, url + "\r\n");
  scripts_.push_back(path);
  return path;
}

std::string EngineTest::stream_url(const std::string& path) {
  return "qem://127.0.0.1:" + server_port() + path;
}

bool EngineTest::start_host(const std::string& args) {
  if (!host_.start("\"" + program_folder() + "qemhost.exe\" " + args)) return false;
  window_ = wait_for_window(kHostClass, NULL, kWindowTimeoutMs, host_.pid());
  return window_ != NULL;
}

LRESULT EngineTest::send(UINT command, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window_, command, wp, lp, SMTO_NORMAL, 10000, &result)) return -99;
  return LRESULT(result);
}

bool EngineTest::copy_data(ULONG_PTR kind, const std::string& bytes) {
  COPYDATASTRUCT cd = {kind, DWORD(bytes.size()), const_cast<char*>(bytes.data())};
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), SMTO_NORMAL,
                             10000, &result) &&
         result == 1;
}

std::optional<uint32_t> EngineTest::frame_on_screen() {
  RECT area = {int(send(kOutputRect, 0)), int(send(kOutputRect, 1)), int(send(kOutputRect, 2)),
               int(send(kOutputRect, 3))};
  int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return std::nullopt;
  itest::Canvas canvas(w, h, RGB(0, 0, 0));
  HDC window_dc = GetDC(window_);
  bool copied = canvas.ok() && canvas.copy_from(window_dc, area.left, area.top);
  ReleaseDC(window_, window_dc);
  if (!copied) return std::nullopt;
  std::optional<uint16_t> n = qdec::read_frame_number(
      [&](int x, int y) {
        uint32_t v = canvas.pixel(x, y);
        return qdec::Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
      },
      0, 0, w, h);
  if (!n) return std::nullopt;
  return uint32_t(*n);
}

}  // namespace engine_test
