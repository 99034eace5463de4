// The native cost of the poll's own work per tick, with the drive, the
// windows and the sound answered at once by fakes:
//   poll_bench idle|button TICKS
// prints the time per tick; "poll_bench copy N" the time of one consistent
// copy of a full client table, as every offer takes. Run under callgrind it
// counts instructions.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "beamhub/codes.h"
#include "beamhub/poll.h"
#include "beamhub/tests/hub_fixture.h"

namespace {

using namespace beamhub;

// Every read of page 0x00 gives the next report: nothing, or one of two
// buttons in turn so that each is taken.
class BenchDrive : public AspiPort {
 public:
  uint32_t support_info() override { return 1; }
  void send(aspi::DeviceTypeRequest& r) override { r.status = aspi::SS_NO_DEVICE; }
  Transport execute(aspi::ExecRequest& r) override {
    r.status = aspi::SS_COMP;
    if (r.flags != aspi::SRB_DIR_IN) return Transport::ok;
    std::memset(r.data, 0, r.data_length);
    r.data[8] = r.cdb[2];
    r.data[9] = static_cast<uint8_t>(r.data_length - 10);
    if (r.cdb[2] == 0x00) {
      r.data[11] = 0xF8;
      if (buttons) {
        r.data[10] = 0x40;
        r.data[12] = static_cast<uint8_t>(0x10 + (++reads & 1));
      } else {
        r.data[10] = 0x80;
      }
    }
    return Transport::ok;
  }
  void sleep_ms(unsigned) override {}

  bool buttons = false;
  unsigned reads = 0;
};

class NoInput : public PollHost {
 public:
  void mouse_move(int, int) override {}
  void mouse_click(bool) override {}
  void key(uint8_t) override {}
  bool cd_command(char, CdCommand) override { return true; }
  DiscFiles& disc_files() override { return files; }

  class NoFiles : public DiscFiles {
   public:
    bool file_exists(const std::string&) override { return false; }
    bool folder_exists(const std::string&) override { return false; }
    bool read_start(const std::string&, uint8_t*, std::size_t, std::size_t&) override { return false; }
    bool any_match(const std::string&) override { return false; }
  } files;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: poll_bench idle|button|copy TICKS\n");
    return 2;
  }
  const bool buttons = std::strcmp(argv[1], "button") == 0;
  const long ticks = std::atol(argv[2]);

  auto area = std::make_unique<SharedArea>();
  BenchDrive drive;
  drive.buttons = buttons;
  testing::FakeHost host(drive);
  Hub hub(*area, host);
  NoInput input;
  Poller poller(*area, hub, drive, input);

  area->message_id = 0xC000;
  area->drive.receiver_count = 1;
  area->drive.current = 3;
  std::strcpy(area->drive.current_text, "D:");
  area->drive.drives[3].has_receiver = 1;
  area->settings.intelligent_voice = 0;
  for (uint8_t i = 0; i < 2; ++i) {
    MapEntry& e = area->button_map[kButton1 + i - kFirstButton];
    e.flags = kLayerNormal;
    e.count = 1;
    e.code[0] = static_cast<uint8_t>(0x10 + i);
  }
  host.windows[0x100] = [](uint32_t, void*) { return 1u; };
  uint16_t message;
  uint32_t handle;
  hub.register_app(0x100, &message, &handle);
  poller.first_poll();

  const bool copies = std::strcmp(argv[1], "copy") == 0;
  for (Hwnd w = 0x101; copies && w < 0x104; ++w) hub.register_app(w, &message, &handle);
  unsigned long seen = 0;
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < ticks; ++i) {
    if (copies) {
      seen += hub.table().count;
    } else {
      poller.tick();
    }
  }
  if (copies && seen != 4ul * static_cast<unsigned long>(ticks)) return 1;
  auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s ticks: %ld, %.0f ns per tick, %zu codes delivered\n", argv[1], ticks,
              ticks ? ns / ticks : 0.0, host.sent.size());
  return 0;
}
