// The Enter path's own work: WebFrontEnd::onButton driving the real Explorer
// driver, link table and OpenURL channel, with the desktop, the remote
// library and the window faked and a DDE client that only keeps the last
// item. Run under callgrind with 0 and with N presses, the difference over N
// is the work of one press; without callgrind it prints wall time.
//
//   surfdeck_enter_path_bench MODE PRESSES [LINKS]
//     numbered  a digit, then Enter (opens that link)
//     next      Enter alone (opens the link after the last opened)
//     digit     a digit alone, the number before it expired
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "surfdeck/browser_driver.h"
#include "surfdeck/front_end.h"
#include "surfdeck/link_table.h"
#include "surfdeck/tests/browser_fakes.h"

namespace {

using namespace surfdeck;

constexpr uint16_t kButton0 = 1038;
constexpr uint16_t kEnter = 1048;
constexpr uint32_t kCapMouseLock = 4105;
constexpr uint32_t kCapShiftLock = 4106;
constexpr uint32_t kTickMs = 200;  // one press per poll tick, as the library delivers them

// What DdeLink returns for a request answered with data; the item is kept
// so the run can be checked, nothing else is recorded.
class LastItemDde final : public DdeClient {
 public:
  bool probe(const std::string&, Topic) override { return true; }
  [[gnu::noinline]] std::optional<std::vector<uint8_t>> request(const std::string&, Topic topic,
                                                                const std::string& item) override {
    if (topic == Topic::OpenURL) {
      last = item;
      ++opened;
    }
    return std::vector<uint8_t>{1, 0, 0, 0};
  }
  bool poke(const std::string&, Topic, const std::string&) override { return true; }

  std::string last;
  long opened = 0;
};

struct Rig {
  halvo::MemoryRegistry registry;
  LastItemDde dde;
  RecordingDesktop desktop;
  OpenUrlChannel channel{dde};
  LinkTable links{channel};
  DriverContext context{registry, dde, desktop, channel, links, desktop.addWindow("HalvoWebFrame")};
  FakeRemote remote;
  FakeShell shell;
  WebFrontEnd front{FrontEndSettings{}, context, shell};
  std::unique_ptr<BrowserDriver> driver;
};

// Kept out of line so that the instruction counts can name it.
[[gnu::noinline]] long pressAll(WebFrontEnd& front, const char* mode, int presses, int links,
                                uint32_t& now) {
  long handled = 0;
  const bool numbered = std::strcmp(mode, "numbered") == 0;
  const bool digitOnly = std::strcmp(mode, "digit") == 0;
  for (int i = 0; i < presses; ++i) {
    const uint16_t digit = static_cast<uint16_t>(1 + i % (links < 9 ? links : 9));
    if (numbered) {
      handled += front.onButton(kButton0 + digit, now += kTickMs);
      handled += front.onButton(kEnter, now += kTickMs);
    } else if (digitOnly) {
      // Past the time-out, so the pending number is one digit each time.
      handled += front.onButton(kButton0 + digit, now += front.settings().ntimeout + kTickMs);
    } else {
      handled += front.onButton(kEnter, now += 3 * kTickMs);
    }
  }
  return handled;
}

std::string bookmarkFile(int links) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/surfdeck_enter_path_bench.htm";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bookmarkPage(links);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s numbered|next|digit PRESSES [LINKS]\n", argv[0]);
    return 2;
  }
  const char* mode = argv[1];
  if (std::strcmp(mode, "numbered") != 0 && std::strcmp(mode, "next") != 0 &&
      std::strcmp(mode, "digit") != 0) {
    std::fprintf(stderr, "enter path bench: unknown mode %s\n", mode);
    return 2;
  }
  const int presses = std::atoi(argv[2]);
  const int links = argc > 3 ? std::atoi(argv[3]) : 20;
  if (presses < 0 || links < 1) return 2;

  Rig rig;
  // The browser in front, as it is after the first Enter has activated it.
  const WindowHandle frame = rig.desktop.addWindow("IEFrame", "Halvo Test Browser - IEXPLORE");
  rig.desktop.addWindow("Shell DocObject View", "", frame);
  rig.desktop.foreground_window = frame;
  rig.desktop.recording = false;
  rig.remote.caps = {{kCapMouseLock, 0}, {kCapShiftLock, 0}};
  rig.channel.setService("IEXPLORE");
  rig.driver = makeDriver(static_cast<int>(BrowserKind::explorer), rig.context, 1);
  rig.driver->prepare();
  const std::string path = bookmarkFile(links);
  const bool loaded = rig.links.load(path);
  std::remove(path.c_str());
  if (!loaded || rig.links.order().size() != static_cast<size_t>(links)) {
    std::fprintf(stderr, "enter path bench: the bookmark page %s did not load\n", path.c_str());
    return 1;
  }
  rig.front.setDriver(rig.driver.get());
  rig.front.setRemote(&rig.remote);
  rig.front.setLabels(buttonLabels());

  uint32_t now = 100000;
  const auto t0 = std::chrono::steady_clock::now();
  const long handled = pressAll(rig.front, mode, presses, links, now);
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();

  // Every press answered, and each Enter opened one link.
  const long expectHandled = std::strcmp(mode, "numbered") == 0 ? 2L * presses : presses;
  const long expectOpened = std::strcmp(mode, "digit") == 0 ? 0 : presses;
  if (handled != expectHandled || rig.dde.opened != expectOpened) {
    std::fprintf(stderr, "enter path bench: %ld of %ld presses handled, %ld of %ld links opened\n",
                 handled, expectHandled, rig.dde.opened, expectOpened);
    return 1;
  }
  std::printf("%s: %d presses, %.0f ns per press, last item %s\n", mode, presses,
              presses ? ns / presses : 0.0, rig.dde.last.c_str());
  return 0;
}
