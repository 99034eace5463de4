#include "sim/drive/remote_commands.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>

#include "sim/drive/button_code.h"
#include "sim/drive/disc_info.h"

namespace vdrive {
namespace {

constexpr uint8_t kStoredPages[] = {kPageReport, kPageAudio, kPageStandalone, kPagePcMode};

struct Session {
  StateAccess& access;
  RemoteHost& host;
  std::string& out;
  std::string& err;

  // Runs change with the state held; kExitNoState when it cannot be had.
  int with_state(const std::function<void(MachineState&)>& change) {
    std::string reason;
    MachineState* state = access.acquire(reason);
    if (state == nullptr) {
      err += "halvo-remote: cannot open the virtual drive state: " + reason + "\n";
      return kExitNoState;
    }
    change(*state);
    access.release();
    return kExitOk;
  }

  int usage_error(const std::string& message) {
    err += "halvo-remote: " + message + "\n(halvo-remote help lists the commands)\n";
    return kExitUsage;
  }

  int refused(const std::string& message) {
    err += "halvo-remote: " + message + "\n";
    return kExitRefused;
  }

  // Runs change on one drive with the state held; the text it returns, if
  // any, refuses the command.
  int with_drive(char letter, bool needs_receiver,
                 const std::function<std::string(DriveSlot&)>& change) {
    std::string problem;
    int rc = with_state([&](MachineState& state) {
      DriveSlot* drive = find_drive(state, letter);
      if (drive == nullptr) {
        problem = std::string("there is no drive ") + letter + ":";
      } else if (needs_receiver && !drive->has_receiver) {
        problem = std::string(1, letter) + ": has no receiver";
      } else {
        problem = change(*drive);
      }
    });
    if (rc != kExitOk) return rc;
    return problem.empty() ? kExitOk : refused(problem);
  }
};

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(const Args& args, Session& session);
};

std::string hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

const char* on_off(uint8_t flag) { return flag ? "on" : "off"; }

// Decimal number in [low, high].
bool parse_number(const std::string& text, unsigned low, unsigned high, unsigned& value) {
  if (text.empty() || text.size() > 5) return false;
  unsigned result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<unsigned>(c - '0');
  }
  if (result < low || result > high) return false;
  value = result;
  return true;
}

bool parse_switch(const std::string& text, uint8_t& value) {
  if (text == "on") {
    value = 1;
    return true;
  }
  if (text == "off") {
    value = 0;
    return true;
  }
  return false;
}

// "D", "d" or "D:".
bool parse_letter(const std::string& text, char& letter) {
  if (text.empty() || text.size() > 2 || (text.size() == 2 && text[1] != ':')) return false;
  char c = text[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return false;
  letter = c;
  return true;
}

// "20", "0x20", "e".
bool parse_page(const std::string& text, uint8_t& page) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
  }
  if (digits.empty() || digits.size() > 2) return false;
  unsigned value = 0;
  for (char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    value = value * 16 + digit;
  }
  page = static_cast<uint8_t>(value);
  return true;
}

// A byte in decimal or with 0x in hex.
bool parse_byte(const std::string& text, unsigned& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint8_t byte = 0;
    if (!parse_page(text, byte)) return false;
    value = byte;
    return true;
  }
  return parse_number(text, 0, 255, value);
}

// Options of the receiver and disc commands.
enum OptionBit : unsigned {
  kOptDrive = 1,
  kOptHold = 2,
  kOptValue = 4,
  kOptType = 8,
  kOptMap = 16,
  kOptRemove = 32,
};

struct Options {
  std::vector<std::string> words;  // everything that is not an option
  char drive = 'D';
  unsigned hold = 1;
  unsigned value = 0;
  int type = -1;
  std::string map;
  bool remove = false;
};

// An error message, or empty.
std::string parse_options(const Args& args, unsigned allowed, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option.size() < 3 || option.compare(0, 2, "--") != 0) {
      o.words.push_back(option);
      continue;
    }
    bool has_value = i + 1 < args.size();
    std::string value = has_value ? args[i + 1] : std::string();
    unsigned number = 0;
    if (option == "--drive" && (allowed & kOptDrive)) {
      if (!has_value || !parse_letter(value, o.drive)) return "--drive needs a drive letter";
    } else if (option == "--hold" && (allowed & kOptHold)) {
      if (!has_value || !parse_number(value, 1, 65535, o.hold)) {
        return "--hold needs a number of reads from 1 to 65535";
      }
    } else if (option == "--value" && (allowed & kOptValue)) {
      if (!has_value || !parse_byte(value, o.value)) {
        return "--value needs a byte (0-255 or 0x00-0xFF)";
      }
    } else if (option == "--type" && (allowed & kOptType)) {
      if (!has_value || !parse_number(value, 0, 15, number)) {
        return "--type needs a medium type code from 0 to 15";
      }
      o.type = static_cast<int>(number);
    } else if (option == "--map" && (allowed & kOptMap)) {
      if (!has_value || value.empty()) return "--map needs a button-map file";
      o.map = value;
    } else if (option == "--remove" && (allowed & kOptRemove)) {
      o.remove = true;
      continue;
    } else {
      return "unknown option '" + option + "'";
    }
    ++i;
  }
  return std::string();
}

constexpr const char* kEventNames[] = {
    "stopped", "playing", "rewinding", "forwarding", "prev",    "next",
    "voldown", "volup",   "paused",    "special",    "announce",
};
static_assert(sizeof kEventNames / sizeof kEventNames[0] == 11, "one name per event bit");

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string describe_queued(const QueuedReport& r) {
  std::string text;
  switch (r.kind) {
    case kReportCode:
      text = "code " + format_bytes(r.code, kCodeSize) + " value " + hex2(r.value);
      break;
    case kReportEvent: {
      char bits[8];
      std::snprintf(bits, sizeof bits, "%04X", r.events);
      text = std::string("event ") + bits + " (" + event_names(r.events) + ") value " +
             hex2(r.value);
      break;
    }
    default: text = "nothing"; break;
  }
  if (r.reads > 1) text += " x" + std::to_string(r.reads);
  return text;
}

std::string result_text(const LogEntry& entry) {
  switch (entry.status) {
    case aspi::SS_COMP: return "GOOD";
    case aspi::SS_INVALID_HA: return "INVALID-HA";
    case aspi::SS_NO_DEVICE: return "NO-DEVICE";
    case kSsInvalidSrb: return "INVALID-SRB";
    case aspi::SS_ERR:
      if (entry.target_status == kTargetCheckCondition) {
        return "CHECK " + hex2(entry.sense_key) + "/" + hex2(entry.asc) + "/" + hex2(entry.ascq);
      }
      return "HA-ERROR " + hex2(entry.ha_status);
    default: return "STATUS " + hex2(entry.status);
  }
}

const char* direction_text(uint8_t direction) {
  switch (direction) {
    case aspi::SRB_DIR_IN: return "in";
    case aspi::SRB_DIR_OUT: return "out";
    case 0: return "-";
    default: return "in+out";
  }
}

void print_page(std::string& out, const DriveSlot& drive, uint8_t page) {
  std::size_t size = 0;
  uint8_t bytes[kPcModePageSize];
  peek_page(drive, page, bytes, &size);
  out += "  page " + hex2(page) + ": " + format_bytes(bytes, size);
  bool vendor = page == kPageReport || page == kPageStandalone || page == kPagePcMode;
  if (vendor && !drive.has_receiver) out += "  (not answered: no receiver)";
  out += "\n";
}

std::string describe_position(const PositionControl& control) {
  std::string text;
  if (control.jump) {
    text = control.track != 0 ? "track " + std::to_string(control.track) + " " : std::string();
    text += format_duration(control.ms);
  }
  if (control.hold) text += text.empty() ? "held where it was" : ", held";
  if (text.empty()) text = "running";
  return text;
}

void print_refusals(std::string& out, const MachineState& state) {
  std::string names;
  for (const RefusedOpen& refused : state.refused) {
    if (refused.type[0] == '\0') continue;
    if (!names.empty()) names += ", ";
    names += std::string(refused.type) + " (error " + std::to_string(refused.error) + ")";
  }
  out += "Refused MCI opens: " + (names.empty() ? std::string("none") : names) + "\n";
}

// ---- commands

int cmd_help(const Args& args, Session& s);

int cmd_status(const Args& args, Session& s) {
  if (!args.empty()) return s.usage_error("status takes no arguments");
  return s.with_state([&](MachineState& state) {
    s.out += "Virtual drive state: " + s.access.location() + "\n";
    s.out += "Host adapters: " + std::to_string(state.adapter_count) + "\n";
    for (const DriveSlot& drive : state.drives) {
      if (drive.letter == 0) continue;
      s.out += format_drive(drive) + "\n";
      s.out += format_receiver(drive);
      for (uint8_t page : kStoredPages) print_page(s.out, drive, page);
    }
    s.out += "Log: " + std::to_string(log_count(state)) + " entries, next sequence number " +
             std::to_string(state.log_next) + "\n";
    for (const DriveSlot& drive : state.drives) {
      if (drive.letter == 0) continue;
      s.out += std::string(1, drive.letter) + ": MCI position " +
               describe_position(state.positions[&drive - state.drives]) + "\n";
    }
    print_refusals(s.out, state);
    s.out += "MCI log: " + std::to_string(mci_log_count(state)) + " entries\n";
  });
}

int cmd_log(const Args& args, Session& s) {
  bool clear = false;
  for (const std::string& arg : args) {
    if (arg == "--clear") clear = true;
    else return s.usage_error("log: unknown option '" + arg + "'");
  }
  return s.with_state([&](MachineState& state) {
    uint32_t count = log_count(state);
    for (uint32_t i = 0; i < count; ++i) s.out += format_log_entry(log_entry(state, i)) + "\n";
    if (clear) {
      clear_log(state);
      s.out += "Log cleared (" + std::to_string(count) + " entries).\n";
    }
  });
}

int cmd_reset(const Args& args, Session& s) {
  if (!args.empty()) return s.usage_error("reset takes no arguments");
  std::string problems;
  int rc = s.with_state([&](MachineState& state) {
    // The default drives and any other that shows a disc lose their files.
    std::string letters;
    for (const DriveSlot& drive : state.drives) {
      if (drive.letter != 0 && shown_folder(drive)[0] != '\0') letters += drive.letter;
    }
    reset(state);
    for (const DriveSlot& drive : state.drives) {
      if (drive.letter != 0 && letters.find(drive.letter) == std::string::npos) {
        letters += drive.letter;
      }
    }
    for (char letter : letters) {
      std::string error;
      if (!s.host.show_files(letter, std::string(), error)) problems += error + "\n";
    }
    s.out += "Virtual drive reset to the default configuration.\n";
  });
  if (rc != kExitOk) return rc;
  if (!problems.empty()) return s.refused("reset, but not every drive was emptied:\n" + problems);
  return kExitOk;
}

int cmd_adapters(const Args& args, Session& s) {
  unsigned count = 0;
  if (args.size() != 1 || !parse_number(args[0], 0, 8, count)) {
    return s.usage_error("adapters needs a count from 0 to 8");
  }
  return s.with_state([&](MachineState& state) {
    state.adapter_count = static_cast<uint8_t>(count);
    s.out += "Host adapters: " + std::to_string(count) + "\n";
  });
}

// Changes asked for by "drive"; unset fields stay as they are.
struct DriveChanges {
  int host_adapter = -1;
  int target = -1;
  int lun = -1;
  int present = -1;
  int receiver = -1;
  int refuse_20 = -1;
  int refuse_mode = -1;
  int medium = -1;
  int not_ready = -1;
  bool unit_attention = false;
};

struct NumberOption {
  const char* name;
  unsigned high;
  int DriveChanges::*field;
};

struct SwitchOption {
  const char* name;
  int DriveChanges::*field;
};

constexpr NumberOption kNumberOptions[] = {
    {"--ha", 7, &DriveChanges::host_adapter},
    {"--target", 15, &DriveChanges::target},
    {"--lun", 7, &DriveChanges::lun},
    {"--refuse-20", 255, &DriveChanges::refuse_20},
};

constexpr SwitchOption kSwitchOptions[] = {
    {"--present", &DriveChanges::present},
    {"--receiver", &DriveChanges::receiver},
    {"--medium", &DriveChanges::medium},
    {"--not-ready", &DriveChanges::not_ready},
};

// Parses the options after the letter; an error message, or empty.
std::string parse_drive_changes(const Args& args, std::size_t first, DriveChanges& changes) {
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--unit-attention") {
      changes.unit_attention = true;
      continue;
    }
    bool has_value = i + 1 < args.size();
    const std::string value = has_value ? args[i + 1] : std::string();
    bool known = false;
    for (const NumberOption& number : kNumberOptions) {
      if (option != number.name) continue;
      unsigned parsed = 0;
      if (!has_value || !parse_number(value, 0, number.high, parsed)) {
        return option + " needs a number from 0 to " + std::to_string(number.high);
      }
      changes.*number.field = static_cast<int>(parsed);
      known = true;
    }
    for (const SwitchOption& flag : kSwitchOptions) {
      if (option != flag.name) continue;
      uint8_t parsed = 0;
      if (!has_value || !parse_switch(value, parsed)) return option + " needs on or off";
      changes.*flag.field = parsed;
      known = true;
    }
    if (option == "--refuse-mode") {
      if (value == "sense") changes.refuse_mode = kRefuseWithSense;
      else if (value == "wrong-page") changes.refuse_mode = kRefuseWithWrongPage;
      else return "--refuse-mode needs sense or wrong-page";
      known = true;
    }
    if (!known) return "drive: unknown option '" + option + "'";
    ++i;
  }
  return std::string();
}

void apply(const DriveChanges& c, DriveSlot& drive) {
  auto set = [](int value, uint8_t& field) {
    if (value >= 0) field = static_cast<uint8_t>(value);
  };
  set(c.host_adapter, drive.host_adapter);
  set(c.target, drive.target);
  set(c.lun, drive.lun);
  set(c.present, drive.present);
  set(c.receiver, drive.has_receiver);
  set(c.refuse_20, drive.refuse_20);
  set(c.refuse_mode, drive.refuse_mode);
  set(c.medium, drive.medium);
  set(c.not_ready, drive.not_ready);
  if (c.unit_attention) drive.unit_attention = 1;
}

int cmd_drive(const Args& args, Session& s) {
  char letter = 0;
  if (args.empty() || !parse_letter(args[0], letter)) {
    return s.usage_error("drive needs a drive letter, e.g. drive D --receiver off");
  }
  DriveChanges changes;
  std::string error = parse_drive_changes(args, 1, changes);
  if (!error.empty()) return s.usage_error(error);

  bool no_slot = false;
  int rc = s.with_state([&](MachineState& state) {
    DriveSlot* drive = find_drive(state, letter);
    if (drive == nullptr) {
      // A new letter takes a free slot as a plain CD-ROM drive.
      for (DriveSlot& slot : state.drives) {
        if (slot.letter == 0) {
          init_drive(slot, letter, 0, 0, 0);
          drive = &slot;
          break;
        }
      }
    }
    if (drive == nullptr) {
      no_slot = true;
      return;
    }
    apply(changes, *drive);
    s.out += format_drive(*drive) + "\n";
  });
  if (no_slot) {
    return s.usage_error(std::string("no free drive slot for ") + letter + ": (" +
                         std::to_string(kMaxDrives) + " drives at most)");
  }
  return rc;
}

int cmd_page(const Args& args, Session& s) {
  char letter = 0;
  uint8_t page = 0;
  if (args.size() != 2 || !parse_letter(args[0], letter)) {
    return s.usage_error("page needs a drive letter and a page, e.g. page D 20");
  }
  if (!parse_page(args[1], page) || page_size(page) == 0) {
    return s.usage_error("page: '" + args[1] + "' is not one of the pages 00, 0E, 20, 21");
  }
  bool missing = false;
  int rc = s.with_state([&](MachineState& state) {
    const DriveSlot* drive = find_drive(state, letter);
    if (drive == nullptr) {
      missing = true;
      return;
    }
    std::size_t size = 0;
    uint8_t bytes[kPcModePageSize];
    peek_page(*drive, page, bytes, &size);
    s.out += format_bytes(bytes, size) + "\n";
  });
  if (missing) return s.usage_error(std::string("there is no drive ") + letter + ":");
  return rc;
}

// ---- the receiver

// Queues one report on a receiver drive and says what is waiting.
int queue_on(Session& s, char letter, const QueuedReport& report, const std::string& origin) {
  return s.with_drive(letter, true, [&](DriveSlot& drive) -> std::string {
    if (!queue_report(drive, report)) {
      return std::string(1, letter) + ": the receiver queue is full (" +
             std::to_string(kQueueSize) + " reports waiting); nothing was queued";
    }
    s.out += std::string(1, letter) + ": queued " + describe_queued(report) + origin + "; " +
             plural(drive.queue_count, "report", "reports") + " waiting\n";
    return std::string();
  });
}

int cmd_press(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive | kOptHold | kOptValue | kOptMap, o);
  if (!error.empty()) return s.usage_error("press: " + error);
  if (o.words.size() != 1) return s.usage_error("press needs one button name, e.g. press Play");
  const std::string& button = o.words[0];
  std::string value, file;
  if (!s.host.mapping_value(button, o.map, value, file, error)) return s.refused(error);
  uint8_t code[kCodeSize];
  if (!decode_mapping(value, code, error)) {
    return s.refused(button + " in " + file + ": " + error);
  }
  return queue_on(s, o.drive, code_report(code, static_cast<uint8_t>(o.value),
                                          static_cast<uint16_t>(o.hold)),
                  " (" + button + " in " + file + ")");
}

int cmd_code(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive | kOptHold | kOptValue, o);
  if (!error.empty()) return s.usage_error("code: " + error);
  uint8_t code[kCodeSize];
  if (!parse_code_bytes(o.words, code, error)) return s.usage_error("code: " + error);
  return queue_on(s, o.drive, code_report(code, static_cast<uint8_t>(o.value),
                                          static_cast<uint16_t>(o.hold)), "");
}

int cmd_event(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive | kOptValue, o);
  if (!error.empty()) return s.usage_error("event: " + error);
  uint16_t events = 0;
  if (!parse_events(o.words, events, error)) return s.usage_error("event: " + error);
  return queue_on(s, o.drive, event_report(events, static_cast<uint8_t>(o.value)), "");
}

int cmd_idle(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive, o);
  unsigned reads = 0;
  if (!error.empty()) return s.usage_error("idle: " + error);
  if (o.words.size() != 1 || !parse_number(o.words[0], 1, 65535, reads)) {
    return s.usage_error("idle needs a number of reads from 1 to 65535");
  }
  return queue_on(s, o.drive, nothing_report(static_cast<uint16_t>(reads)), "");
}

int cmd_lose_settings(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive, o);
  if (error.empty() && !o.words.empty()) error = "unexpected '" + o.words[0] + "'";
  if (!error.empty()) return s.usage_error("lose-settings: " + error);
  return s.with_drive(o.drive, true, [&](DriveSlot& drive) {
    lose_settings(drive);
    s.out += std::string(1, o.drive) + ": settings lost (pages 20 and 21 as after power-on)\n";
    return std::string();
  });
}

int cmd_volume_target(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive, o);
  if (!error.empty()) return s.usage_error("volume-target: " + error);
  if (o.words.size() != 1 || (o.words[0] != "mixer" && o.words[0] != "drive")) {
    return s.usage_error("volume-target needs mixer or drive");
  }
  uint8_t target = o.words[0] == "mixer" ? kVolumeMixer : kVolumeDrive;
  return s.with_drive(o.drive, true, [&](DriveSlot& drive) {
    drive.volume_target = target;
    s.out += std::string(1, o.drive) + ": volume target " + o.words[0] + "\n";
    return std::string();
  });
}

int cmd_play_status(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive, o);
  unsigned status = 0;
  if (!error.empty()) return s.usage_error("play-status: " + error);
  if (o.words.size() != 1 || !parse_number(o.words[0], 0, 15, status)) {
    return s.usage_error("play-status needs a status nibble from 0 to 15");
  }
  return s.with_drive(o.drive, false, [&](DriveSlot& drive) {
    set_play_status(drive, static_cast<uint8_t>(status));
    s.out += std::string(1, o.drive) + ": play status " + std::to_string(status) + "\n";
    return std::string();
  });
}

// ---- tray and disc

// Applies a changed copy of the drive once its letter shows the right files.
std::string commit_disc(Session& s, DriveSlot& drive, const DriveSlot& after) {
  std::string error;
  if (!s.host.show_files(drive.letter, shown_folder(after), error)) return error;
  drive = after;
  return std::string();
}

std::string full_for_disc(char letter) {
  return std::string(1, letter) + ": the receiver queue has no room for the disc's report; "
         "nothing was changed";
}

int cmd_insert(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive | kOptType, o);
  if (!error.empty()) return s.usage_error("insert: " + error);
  if (o.words.size() != 1) return s.usage_error("insert needs one disc folder");
  DiscFolder disc;
  if (!s.host.find_disc(o.words[0], disc, error)) return s.refused(error);
  if (disc.path.size() >= kFolderSize) return s.refused(disc.path + ": path too long");
  const std::string ini = disc.path + "\\disc.ini";
  uint8_t type = kDefaultDiscType;
  if (o.type >= 0) {
    type = static_cast<uint8_t>(o.type);
  } else if (disc.has_ini && !disc.type.empty() && !parse_disc_type(disc.type, type)) {
    return s.refused(ini + ": Type '" + disc.type + "' is not a medium type from 0 to 15");
  }
  std::vector<unsigned> tracks;
  if (!parse_track_lengths(disc.tracks, tracks, error)) return s.refused(ini + ": " + error);

  return s.with_drive(o.drive, false, [&](DriveSlot& drive) {
    DriveSlot after = drive;
    if (!change_disc(after, type, disc.path.c_str())) return full_for_disc(o.drive);
    std::string problem = commit_disc(s, drive, after);
    if (!problem.empty()) return problem;
    s.out += std::string(1, o.drive) + ": disc " + disc.path + " (medium type " +
             std::to_string(type) +
             (tracks.empty() ? "" : ", " + plural(tracks.size(), "track", "tracks")) +
             (drive.tray_open ? ") lies in the open tray\n" : ") inserted\n");
    return std::string();
  });
}

int cmd_eject(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive | kOptRemove, o);
  if (error.empty() && !o.words.empty()) error = "unexpected '" + o.words[0] + "'";
  if (!error.empty()) return s.usage_error("eject: " + error);
  return s.with_drive(o.drive, false, [&](DriveSlot& drive) {
    DriveSlot after = drive;
    open_tray(after);
    if (o.remove) take_disc(after);
    std::string problem = commit_disc(s, drive, after);
    if (!problem.empty()) return problem;
    s.out += std::string(1, o.drive) + ": tray open" +
             (drive.medium ? ", the disc lies in it\n" : ", no disc\n");
    return std::string();
  });
}

int cmd_close(const Args& args, Session& s) {
  Options o;
  std::string error = parse_options(args, kOptDrive, o);
  if (error.empty() && !o.words.empty()) error = "unexpected '" + o.words[0] + "'";
  if (!error.empty()) return s.usage_error("close: " + error);
  return s.with_drive(o.drive, false, [&](DriveSlot& drive) {
    if (!drive.tray_open) {
      s.out += std::string(1, o.drive) + ": the tray is already closed\n";
      return std::string();
    }
    DriveSlot after = drive;
    if (!close_tray(after)) return full_for_disc(o.drive);
    std::string problem = commit_disc(s, drive, after);
    if (!problem.empty()) return problem;
    s.out += std::string(1, o.drive) + ": tray closed" +
             (drive.medium ? " with a disc\n" : ", no disc\n");
    return std::string();
  });
}

// ---- the MCI drivers

int cmd_position(const Args& args, Session& s) {
  char letter = 0;
  if (args.empty() || !parse_letter(args[0], letter)) {
    return s.usage_error("position needs a drive letter, e.g. position D 5 0:03:07 --hold");
  }
  bool hold = false, release = false;
  std::vector<std::string> words;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--hold") hold = true;
    else if (args[i] == "--release") release = true;
    else if (args[i].compare(0, 2, "--") == 0) return s.usage_error("position: unknown option '" + args[i] + "'");
    else words.push_back(args[i]);
  }
  PositionControl wanted{};
  unsigned track = 0;
  if (release) {
    if (hold || !words.empty()) return s.usage_error("position: --release takes nothing else");
  } else if (words.size() == 2) {
    if (!parse_number(words[0], 1, 99, track)) {
      return s.usage_error("position: track '" + words[0] + "' is not 1 to 99");
    }
  } else if (words.size() > 2 || (words.empty() && !hold)) {
    return s.usage_error("position needs [track] time, --hold or --release");
  }
  if (!words.empty()) {
    if (!parse_duration(words.back(), wanted.ms)) {
      return s.usage_error("position: '" + words.back() + "' is not a time such as 0:03:07 or 1:02:03.5");
    }
    wanted.jump = 1;
  }
  wanted.track = static_cast<uint8_t>(track);
  wanted.hold = hold ? 1 : 0;
  bool missing = false;
  int rc = s.with_state([&](MachineState& state) {
    PositionControl* control = position_control(state, letter);
    if (control == nullptr) {
      missing = true;
      return;
    }
    wanted.serial = control->serial + 1;
    *control = wanted;
    s.out += std::string(1, letter) + ": position " + describe_position(*control) + "\n";
  });
  if (missing) return s.refused(std::string("there is no drive ") + letter + ":");
  return rc;
}

int cmd_mci_log(const Args& args, Session& s) {
  bool clear = false;
  for (const std::string& arg : args) {
    if (arg == "--clear") clear = true;
    else return s.usage_error("mci-log: unknown option '" + arg + "'");
  }
  return s.with_state([&](MachineState& state) {
    uint32_t count = mci_log_count(state);
    for (uint32_t i = 0; i < count; ++i) s.out += format_mci_entry(mci_log_entry(state, i)) + "\n";
    if (clear) {
      clear_mci_log(state);
      s.out += "MCI log cleared (" + std::to_string(count) + " entries).\n";
    }
  });
}

constexpr unsigned kErrHardware = 262;  // MCIERR_HARDWARE

bool find_refusal_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

int cmd_mci_refuse(const Args& args, Session& s) {
  bool clear = false;
  unsigned error = kErrHardware;
  std::vector<std::string> types;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--clear") {
      clear = true;
    } else if (args[i] == "--error") {
      if (i + 1 >= args.size() || !parse_number(args[i + 1], 257, 65535, error)) {
        return s.usage_error("mci-refuse: --error needs an MCI error code from 257 to 65535");
      }
      ++i;
    } else if (args[i].compare(0, 2, "--") == 0) {
      return s.usage_error("mci-refuse: unknown option '" + args[i] + "'");
    } else {
      types.push_back(args[i]);
    }
  }
  if (clear && !types.empty()) return s.usage_error("mci-refuse: --clear takes no device types");
  for (const std::string& type : types) {
    if (type.size() >= kMciTypeSize) {
      return s.usage_error("mci-refuse: '" + type + "' is longer than " +
                           std::to_string(kMciTypeSize - 1) + " characters");
    }
  }
  bool full = false;
  int rc = s.with_state([&](MachineState& state) {
    if (clear) clear_refusals(state);
    // All or nothing: the new names must find places.
    int places = 0;
    for (const RefusedOpen& refused : state.refused) places += refused.type[0] == '\0';
    for (std::size_t i = 0; i < types.size(); ++i) {
      bool repeated = find_refusal(state, types[i]) != nullptr;
      for (std::size_t j = 0; j < i; ++j) repeated = repeated || find_refusal_name(types[j], types[i]);
      if (!repeated) --places;
    }
    if (places < 0) {
      full = true;
      return;
    }
    for (const std::string& type : types) add_refusal(state, type, error);
    print_refusals(s.out, state);
  });
  if (full) return s.refused("no room for more refused device types (" + std::to_string(kMaxRefused) + " at most)");
  return rc;
}

const Command kCommands[] = {
    {"status", "status", "adapter count, each drive's configuration and its pages", cmd_status},
    {"log", "log [--clear]", "the command log, oldest first; --clear empties it afterwards",
     cmd_log},
    {"reset", "reset", "back to the default configuration (D: with receiver, F: plain)",
     cmd_reset},
    {"drive",
     "drive <letter> [--ha N] [--target N] [--lun N] [--present on|off] [--receiver on|off]\n"
     "              [--refuse-20 N] [--refuse-mode sense|wrong-page] [--medium on|off]\n"
     "              [--not-ready on|off] [--unit-attention]",
     "change (or add) a drive; --refuse-20 255 refuses page 20 always", cmd_drive},
    {"adapters", "adapters N", "number of host adapters (0-8)", cmd_adapters},
    {"page", "page <letter> <page-hex>",
     "one page in hex (00, 0E, 20, 21); 00 is the next report, not consumed", cmd_page},
    {"press", "press <ButtonName> [--hold N] [--value V] [--map FILE] [--drive X]",
     "queue the button's code from the installed button map (or FILE); a held\n"
     "      button answers N reads of page 00 in a row",
     cmd_press},
    {"code", "code <hex bytes> [--hold N] [--value V] [--drive X]",
     "queue a remote code of up to 6 bytes (\"14 eb 4e\" or 14eb4e)", cmd_code},
    {"event", "event <bits> [--value V] [--drive X]",
     "queue a drive event: hex bits (0 = none) or names among stopped, playing,\n"
     "      rewinding, forwarding, prev, next, voldown, volup, paused, special, announce",
     cmd_event},
    {"idle", "idle N [--drive X]", "queue N reads with nothing to report", cmd_idle},
    {"insert", "insert <folder> [--type N] [--drive X]",
     "put a disc in: the drive shows the folder's files (a Windows path, a Linux\n"
     "      path from /, or relative to the current folder); the medium type comes\n"
     "      from --type, the folder's disc.ini ([Disc] Type=) or is 0 (data)",
     cmd_insert},
    {"eject", "eject [--remove] [--drive X]",
     "open the tray (the disc's files go); --remove takes the disc out", cmd_eject},
    {"close", "close [--drive X]",
     "close the tray; a disc in it is announced by a drive event", cmd_close},
    {"lose-settings", "lose-settings [--drive X]",
     "forget pages 20 and 21, as a drive switched off and on", cmd_lose_settings},
    {"volume-target", "volume-target mixer|drive [--drive X]",
     "who takes the volume, as drive events tell it", cmd_volume_target},
    {"play-status", "play-status N [--drive X]", "the play status nibble (0-15)",
     cmd_play_status},
    {"position", "position <letter> [track] <time> [--hold] | position <letter> --hold|--release",
     "move the MCI devices playing from the drive to a time (h:mm:ss.fff, m:ss),\n"
     "      on a CD in a track; --hold stops their clocks while they still play,\n"
     "      --release lets them run on",
     cmd_position},
    {"mci-log", "mci-log [--clear]",
     "the MCI drivers' commands and notifications, oldest first; --clear empties it", cmd_mci_log},
    {"mci-refuse", "mci-refuse [<type>...] [--error N] | mci-refuse --clear",
     "make opens of MCI device types (e.g. CDIVideo) fail with error N (262)", cmd_mci_refuse},
    {"help", "help", "this text", cmd_help},
};

int cmd_help(const Args&, Session& s) {
  s.out += "halvo-remote: controls the virtual CD-ROM drive behind wnaspi32.dll\n\n";
  for (const Command& command : kCommands) {
    s.out += "  " + std::string(command.usage) + "\n      " + command.summary + "\n";
  }
  return kExitOk;
}

}  // namespace

const char* operation_name(uint8_t opcode) {
  switch (opcode) {
    case kOpTestUnitReady: return "TEST-UNIT-READY";
    case kOpInquiry: return "INQUIRY";
    case kOpModeSelect10: return "MODE-SELECT";
    case kOpModeSense10: return "MODE-SENSE";
    default: return nullptr;
  }
}

std::string format_bytes(const uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += hex2(bytes[i]);
  }
  return text;
}

std::string format_log_entry(const LogEntry& entry) {
  char head[96];
  const char* name = operation_name(entry.opcode);
  std::string op = name != nullptr ? name : "OP-" + hex2(entry.opcode);
  std::string page = entry.page == kNoPage ? "--" : hex2(entry.page);
  char letter = entry.letter != 0 ? entry.letter : '?';
  std::snprintf(head, sizeof head, "%6lu %c: %-15s page %s len %-5lu %-3s ",
                static_cast<unsigned long>(entry.seq), letter, op.c_str(), page.c_str(),
                static_cast<unsigned long>(entry.length), direction_text(entry.direction));
  std::string line = head + result_text(entry);
  std::size_t count = entry.data_count <= kLogDataSize ? entry.data_count : kLogDataSize;
  bool report = entry.opcode == kOpModeSense10 && entry.page == kPageReport &&
                count == kReportPageSize && (entry.data[8] & 0x3F) == kPageReport;
  if (report) line += "  " + describe_report(entry.data);
  else if (count > 0) line += "  " + format_bytes(entry.data, count);
  return line;
}

std::string format_drive(const DriveSlot& drive) {
  std::string refuse = std::to_string(drive.refuse_20);
  if (drive.refuse_20 == kRefuseAlways) refuse = "always";
  return std::string(1, drive.letter) + ": ha " + std::to_string(drive.host_adapter) +
         " target " + std::to_string(drive.target) + " lun " + std::to_string(drive.lun) +
         "  present " + on_off(drive.present) + "  receiver " + on_off(drive.has_receiver) +
         "  medium " + on_off(drive.medium) + "  not-ready " + on_off(drive.not_ready) +
         "  unit-attention " + (drive.unit_attention ? "pending" : "off") + "  refuse-20 " +
         refuse + " (" + (drive.refuse_mode == kRefuseWithWrongPage ? "wrong-page" : "sense") +
         ")";
}

std::string event_names(uint16_t events) {
  std::string names;
  for (int bit = 0; bit < 11; ++bit) {
    if (!(events & (1u << bit))) continue;
    if (!names.empty()) names += ' ';
    names += kEventNames[bit];
  }
  return names.empty() ? "none" : names;
}

bool parse_events(const std::vector<std::string>& words, uint16_t& events, std::string& error) {
  events = 0;
  bool any = false;
  for (const std::string& word : words) {
    std::size_t start = 0;
    while (start <= word.size()) {
      std::size_t comma = word.find(',', start);
      std::string item = word.substr(start, comma == std::string::npos ? comma : comma - start);
      start = comma == std::string::npos ? word.size() + 1 : comma + 1;
      if (item.empty()) continue;
      any = true;
      bool named = false;
      for (int bit = 0; bit < 11; ++bit) {
        if (item == kEventNames[bit]) {
          events = static_cast<uint16_t>(events | (1u << bit));
          named = true;
        }
      }
      if (named || item == "none") continue;
      std::string digits = item;
      if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
      }
      unsigned value = 0;
      bool hex = !digits.empty() && digits.size() <= 4;
      for (char c : digits) {
        int digit = c >= '0' && c <= '9' ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) hex = false;
        else value = value * 16 + static_cast<unsigned>(digit);
      }
      if (!hex) {
        error = "'" + item + "' is neither an event name nor hex bits";
        return false;
      }
      if (value & ~unsigned{kEventMask}) {
        error = "'" + item + "' sets bits beyond the 11 event bits (7FF)";
        return false;
      }
      events = static_cast<uint16_t>(events | value);
    }
  }
  if (!any) error = "no event bits given (0 or none for an event without any)";
  return any;
}

std::string describe_report(const uint8_t* report) {
  std::string text;
  switch (report[10] >> 6) {
    case kReportCode:
      text = "code " + format_bytes(report + 12, kCodeSize) + " value " + hex2(report[18]);
      break;
    case kReportEvent: {
      char head[48];
      uint16_t events = static_cast<uint16_t>(((report[14] & 0x07) << 8) | report[13]);
      std::snprintf(head, sizeof head, "event %04X value %02X flags %02X", events, report[15],
                    report[14] & 0x38);
      text = head;
      break;
    }
    default: text = "nothing"; break;
  }
  char tail[32];
  std::snprintf(tail, sizeof tail, ", medium %X status %X", report[11] >> 4, report[11] & 0x0F);
  return text + tail;
}

std::string format_receiver(const DriveSlot& drive) {
  std::string status = std::to_string(drive.play_status);
  for (uint8_t next : drive.status_after) {
    if (next != kNoStatus) status += (status.find(' ') == std::string::npos ? " (then " : ", ") +
                                     std::to_string(next);
  }
  if (status.find(' ') != std::string::npos) status += ")";
  std::string text = "  tray " + std::string(drive.tray_open ? "open" : "closed") +
                     "  medium type " + std::to_string(medium_nibble(drive)) + "  play status " +
                     status + "  settings " + (holds_settings(drive) ? "held" : "not held") +
                     "  special mode " + on_off(drive_flags(drive) & kFlagSpecialMode) +
                     "  volume target " +
                     (drive.volume_target == kVolumeMixer ? "mixer" : "drive") + "\n";
  std::string disc = drive.medium ? "type " + std::to_string(drive.disc_type) : "none";
  if (drive.medium && drive.disc_folder[0] != '\0') disc += ", " + std::string(drive.disc_folder);
  text += "  disc: " + disc + "\n";
  text += "  queue: " + plural(drive.queue_count, "report", "reports") + " waiting\n";
  for (int i = 0; i < drive.queue_count; ++i) {
    text += "    " + describe_queued(queued(drive, i)) + "\n";
  }
  return text;
}

int run_remote(const Args& args, StateAccess& access, RemoteHost& host, std::string& out,
               std::string& err) {
  Session session{access, host, out, err};
  if (args.empty()) {
    cmd_help(args, session);
    err += out;
    out.clear();
    return kExitUsage;
  }
  for (const Command& command : kCommands) {
    if (args[0] == command.name) {
      return command.run(Args(args.begin() + 1, args.end()), session);
    }
  }
  return session.usage_error("unknown command '" + args[0] + "'");
}

}  // namespace vdrive
