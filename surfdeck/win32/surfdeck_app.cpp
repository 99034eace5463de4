#include "surfdeck/win32/surfdeck_app.h"

#include <memory>
#include <vector>

#include "common/win32/dialog.h"
#include "common/win32/win32_registry.h"
#include "surfdeck/browser_binding.h"
#include "surfdeck/command_line.h"
#include "surfdeck/front_end.h"
#include "surfdeck/link_table.h"
#include "surfdeck/surfres_ids.h"
#include "surfdeck/win32/dde_link.h"
#include "surfdeck/win32/desktop_port.h"
#include "surfdeck/win32/main_frame.h"
#include "surfdeck/win32/remote_library.h"

namespace surfdeck {

namespace {

// "mmcu.hlp" in the program's folder.
std::string help_file(HINSTANCE instance) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(instance, path, sizeof path);
  std::string folder = path;
  const size_t slash = folder.find_last_of("\\/");
  folder.resize(slash == std::string::npos ? 0 : slash + 1);
  return folder + "mmcu.hlp";
}

std::vector<std::string> button_labels(HINSTANCE resources) {
  std::vector<std::string> labels;
  for (int i = 0; i < kLabelCount; ++i) {
    // Each label is held in ten bytes.
    std::string label = halvo::load_string(resources, kFirstLabelId + i);
    if (label.size() > 9) label.resize(9);
    labels.push_back(label);
  }
  return labels;
}

}  // namespace

int run_front_end(HINSTANCE instance, HINSTANCE resources, const std::string& command_line, int show) {
  halvo::Win32Registry registry(HKEY_CURRENT_USER);
  DdeLink dde;
  DesktopPort desktop(resources);
  OpenUrlChannel channel(dde);
  LinkTable links(channel);
  DriverContext context{registry, dde, desktop, channel, links};
  RemoteLibrary remote;
  MainFrame frame(instance, resources, registry, remote);
  std::unique_ptr<WebFrontEnd> front_end;
  std::unique_ptr<BrowserDriver> driver;
  MSG message = {};

  const CommandLine flags = parseCommandLine(command_line, halvo::load_string(resources, IDS_FLAG_ICON),
                                             halvo::load_string(resources, IDS_FLAG_VERBOSE));
  if (!frame.create()) goto done;
  ShowWindow(frame.hwnd(), flags.icon ? SW_SHOWMINNOACTIVE : show);
  UpdateWindow(frame.hwnd());
  frame.set_title(halvo::load_string(resources, IDS_TITLE));
  context.own_window = reinterpret_cast<WindowHandle>(frame.hwnd());
  desktop.setOwner(frame.hwnd());

  front_end = std::make_unique<WebFrontEnd>(readSettings(registry), context, frame);
  front_end->setVerbose(flags.verbose);
  frame.setHelpFile(help_file(instance));

  if (!dde.initialise()) goto done;
  driver = connectBrowser(context);
  dde.setDriver(driver.get());
  front_end->setDriver(driver.get());
  frame.setFrontEnd(front_end.get());

  if (remote.load(halvo::load_string(resources, IDS_REMOTE_LIBRARY))) {
    front_end->setLabels(button_labels(resources));
    front_end->setRemote(&remote);
    frame.setButtonMessage(remote.registerWindow(frame.hwnd()));
  } else {
    show_message(resources, frame.hwnd(), IDS_NO_REMOTE, MB_OK | MB_ICONEXCLAMATION);
  }

  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

done:
  frame.setFrontEnd(nullptr);
  if (driver != nullptr && front_end != nullptr && front_end->settings().exit_x_browser)
    driver->closeBrowser();
  dde.setDriver(nullptr);
  driver.reset();
  remote.unload();
  frame.destroy();
  return static_cast<int>(message.wParam);
}

}  // namespace surfdeck
