// qemcat, native: runs the client against a server and prints what arrives.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "qemliv32/posix/vtp_socket.h"
#include "qemliv32/qemcat/cat_events.h"
#include "qemliv32/qemcat/cat_setup.h"

using namespace qem;

int main(int argc, char** argv) {
  CatOptions opt;
  if (!parse_cat_options(argc, argv, opt, stderr)) return kCatUsage;
  // Without --ini, QEMPLAY.INI of the current folder, if there is one.
  std::ifstream ini(opt.ini.empty() ? "QEMPLAY.INI" : opt.ini);
  if (!ini && !opt.ini.empty()) {
    std::fprintf(stderr, "qemcat: cannot read %s\n", opt.ini.c_str());
    return kCatUsage;
  }
  std::stringstream text;
  text << ini.rdbuf();
  ProfileStore& store = ini_text_store(text.str());

  QemUrl url;
  if (int rc = resolve_target(opt.target, url, stdout)) return rc;
  PlaySettings s = prepare_play(store, nullptr, stdout);

  CatEvents events(stdout, posix_now_ms, opt.quiet);
  VtpClient client(events);
  events.set_request(client, url.path, s.slide_mode, s.bandwidth);
  PosixTransport transport(client, store);
  if (int rc = transport.connect(url.host, url.port)) {
    std::printf("connect-failed %d %s\n", rc, cat_connect_failure_text(rc));
    return kCatConnectFailedBase + rc;
  }
  std::printf("connecting data-port=%u\n", transport.local_data_port());
  while (!events.finished()) {
    transport.run_once(100);
    events.snapshot(client);
  }
  transport.disconnect();
  events.print_summary();
  return events.exit_status();
}
