// The test browser: stands in for a web browser at the interface the web
// front end drives (sim/browser/README.md). Configured by its command line
// or, when started without one, by the INI file beside it.
#include <windows.h>

#include <string>
#include <vector>

#include "sim/browser/browser_config.h"
#include "sim/browser/page.h"
#include "sim/browser/win32/dde_server.h"
#include "sim/browser/win32/echo_client.h"
#include "sim/browser/win32/event_log.h"
#include "sim/browser/win32/frame_window.h"

namespace {

using browser::ConfigResult;

// An INI file is a few lines: more is not read.
const DWORD kMaxIniSize = 64 * 1024;

std::string own_path() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

// False when the file cannot be read.
bool read_text(const std::string& path, std::string* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(kMaxIniSize);
  DWORD read = 0;
  const BOOL ok = ReadFile(file, buffer.data(), kMaxIniSize, &read, NULL);
  CloseHandle(file);
  if (!ok) return false;
  text->assign(buffer.data(), read);
  return true;
}

const char* layout_name(browser::Layout layout) {
  return layout == browser::Layout::navigator ? "navigator" : "explorer";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const std::string program = own_path();
  const std::vector<std::string> arguments = browser::command_arguments(GetCommandLineA());
  ConfigResult read;
  std::string source = "command line";
  if (arguments.empty()) {
    const std::string ini = browser::beside_program(program, ".ini");
    std::string text;
    if (read_text(ini, &text)) {
      read = browser::config_from_ini(text);
      source = ini;
    } else {
      source = "defaults";
    }
  } else {
    read = browser::config_from_arguments(arguments);
  }
  const browser::Config& config = read.config;
  const browser::EventLog log(config.log.empty() ? browser::beside_program(program, ".log")
                                                 : config.log);
  log.write(log.line("start")
                .number("pid", GetCurrentProcessId())
                .text("config", source)
                .text("service", config.service)
                .text("layout", layout_name(config.layout()))
                .number("flood", config.flood)
                .number("answer-after", config.answer_after_ms)
                .number("refuse", config.refuse)
                .number("slow-start", config.slow_start_ms));
  if (!read.ok()) {
    log.write(log.line("error").text("text", read.error));
    log.write(log.line("exit").number("code", 2));
    return 2;
  }

  // Before the first message is read: WaitForInputIdle waits all this time.
  if (config.slow_start_ms) Sleep(config.slow_start_ms);

  browser::Page page;
  browser::FrameWindow frame(config, log, page);
  if (!frame.create(instance, show)) {
    log.write(log.line("error").text("text", "cannot create the windows"));
    log.write(log.line("exit").number("code", 1));
    return 1;
  }
  browser::EchoClient echo(log, config.flood);
  browser::DdeServer server(config, log, page, frame, echo);
  if (!echo.create(instance) || !server.start()) {
    log.write(log.line("error").text("text", "cannot start DDE"));
    log.write(log.line("exit").number("code", 1));
    return 1;
  }
  frame.on_answer_due = [&server] { server.register_service(); };
  if (!config.refuse) {
    if (config.answer_after_ms)
      frame.answer_after(config.answer_after_ms);
    else
      server.register_service();
  }
  log.write(log.line("ready")
                .hex("frame", reinterpret_cast<UINT_PTR>(frame.hwnd()))
                .hex("document", reinterpret_cast<UINT_PTR>(frame.document()))
                .text("title", frame.title()));

  // Ends at WM_QUIT, also when it is posted to the frame (as the web front
  // end closes a browser).
  MSG message;
  int code = 0;
  for (;;) {
    const BOOL got = GetMessageA(&message, NULL, 0, 0);
    if (got == 0) {
      code = static_cast<int>(message.wParam);
      break;
    }
    if (got < 0) {
      code = 1;
      break;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  echo.close();
  server.stop();
  frame.destroy();
  log.write(log.line("exit").number("code", code));
  return code;
}
