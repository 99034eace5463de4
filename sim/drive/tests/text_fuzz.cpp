// Fuzzes the text the virtual drive reads: Mapping values of button maps,
// disc.ini values (types, track lengths, durations) and halvo-remote
// command lines (words split at blanks).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "sim/drive/button_code.h"
#include "sim/drive/disc_info.h"
#include "sim/drive/remote_commands.h"

namespace {

void check_at(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "vdrive_text_fuzz: check failed at line %d: %s\n", line, what);
  std::abort();
}
#define check(x) check_at((x), #x, __LINE__)

class Machine : public vdrive::StateAccess {
 public:
  vdrive::MachineState* acquire(std::string&) override { return state.get(); }
  void release() override {}
  std::string location() const override { return "memory"; }
  std::unique_ptr<vdrive::MachineState> state = std::make_unique<vdrive::MachineState>();
};

// Every button maps to the input itself; every folder is a disc, with the
// input as its disc.ini values when the input's length is even.
class Host : public vdrive::RemoteHost {
 public:
  explicit Host(const std::string& text) : text_(text) {}
  bool mapping_value(const std::string&, const std::string&, std::string& value,
                     std::string& file, std::string&) override {
    value = text_;
    file = "fuzz.rcb";
    return true;
  }
  bool find_disc(const std::string& folder, vdrive::DiscFolder& disc, std::string&) override {
    disc.path = folder;
    disc.has_ini = text_.size() % 2 == 0;
    if (!disc.has_ini) return true;
    disc.type = text_;
    disc.tracks = text_;
    return true;
  }
  bool show_files(char, const std::string&, std::string&) override { return true; }

 private:
  std::string text_;
};

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of(" \t\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vdrive;
  const std::string text(size == 0 ? "" : reinterpret_cast<const char*>(data), size);
  std::string error;

  uint8_t code[kCodeSize];
  if (decode_mapping(text, code, error)) check(text.size() >= 6);
  else check(!error.empty());
  std::vector<std::string> split = words(text);
  if (!parse_code_bytes(split, code, error)) check(!error.empty());
  uint8_t type = 0;
  if (parse_disc_type(text, type)) check(type <= 15);
  std::vector<unsigned> seconds;
  if (parse_track_lengths(text, seconds, error)) {
    check(seconds.size() <= kMaxTracks);
    for (unsigned s : seconds) check(s >= 1 && s <= kMaxTrackSeconds);
  } else {
    check(seconds.empty() && !error.empty());
  }
  uint16_t events = 0;
  if (parse_events(split, events, error)) check((events & ~kEventMask) == 0);
  uint32_t ms = 0;
  if (parse_duration(text, ms)) {
    check(ms <= kMaxDurationMs);
    uint32_t again = 0;
    check(parse_duration(format_duration(ms), again) && again == ms);
  }

  // The words as a command line, twice, then every report read out.
  Machine machine;
  reset(*machine.state);
  Host host(text);
  std::string out, err;
  for (int i = 0; i < 2; ++i) {
    int rc = run_remote(split, machine, host, out, err);
    check(rc >= kExitOk && rc <= kExitRefused);
  }
  check(is_valid(machine.state.get(), sizeof(MachineState)));
  check(mci_log_count(*machine.state) <= kMciLogSize);
  for (const RefusedOpen& refused : machine.state->refused) {
    check(refused.type[kMciTypeSize - 1] == '\0');
  }
  for (DriveSlot& drive : machine.state->drives) {
    check(drive.queue_count <= kQueueSize);
    check(drive.play_status <= 15 && drive.disc_type <= 15);
    if (drive.letter == 0) continue;
    check(drive.disc_folder[kFolderSize - 1] == '\0');
    // Held reports could fill 64 x 65535 reads: read the first few only.
    for (int i = 0; i < 200 && drive.queue_count > 0; ++i) {
      uint8_t report[kReportPageSize];
      read_report(drive, report);
      check(report[8] == kPageReport && report[9] == 10);
    }
  }
  return 0;
}
