// qemcat.exe: runs the client against a server on the "VTP" window's
// message loop and prints what arrives.
#include <windows.h>

#include <cstdio>

#include "qemliv32/qemcat/cat_events.h"
#include "qemliv32/qemcat/cat_setup.h"
#include "qemliv32/vtp_client.h"
#include "qemliv32/win32/system_settings.h"
#include "qemliv32/win32/vtp_transport.h"

using namespace qem;

namespace {
uint32_t tick_count() { return GetTickCount(); }
}  // namespace

int main(int argc, char** argv) {
  CatOptions opt;
  if (!parse_cat_options(argc, argv, opt, stderr)) return kCatUsage;
  ProfileStore& store = private_profile_store(opt.ini.empty() ? "QEMPLAY.INI" : opt.ini);

  QemUrl url;
  if (int rc = resolve_target(opt.target, url, stdout)) return rc;
  PlaySettings s = prepare_play(store, &system_guid_source(), stdout);

  CatEvents events(stdout, tick_count, opt.quiet);
  VtpClient client(events);
  events.set_request(client, url.path, s.slide_mode, s.bandwidth);
  VtpTransport transport(client, store);
  if (!transport.ready()) {
    std::printf("no event window or socket library\n");
    return kCatUsage;
  }
  if (int rc = transport.connect(url.host, url.port)) {
    std::printf("connect-failed %d %s\n", rc, cat_connect_failure_text(rc));
    return kCatConnectFailedBase + rc;
  }
  std::printf("connecting data-port=%u\n", transport.local_data_port());
  MSG msg;
  while (!events.finished() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    events.snapshot(client);
  }
  transport.disconnect();
  events.print_summary();
  return events.exit_status();
}
