#include "sim/drive/remote_commands.h"

#include <cstdio>
#include <cstring>
#include <functional>

namespace vdrive {
namespace {

constexpr uint8_t kStoredPages[] = {kPageReport, kPageAudio, kPageStandalone, kPagePcMode};

struct Session {
  StateAccess& access;
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
  const uint8_t* bytes = page_buffer(drive, page, &size);
  out += "  page " + hex2(page) + ": " + format_bytes(bytes, size);
  bool vendor = page == kPageReport || page == kPageStandalone || page == kPagePcMode;
  if (vendor && !drive.has_receiver) out += "  (not answered: no receiver)";
  out += "\n";
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
      for (uint8_t page : kStoredPages) print_page(s.out, drive, page);
    }
    s.out += "Log: " + std::to_string(log_count(state)) + " entries, next sequence number " +
             std::to_string(state.log_next) + "\n";
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
  return s.with_state([&](MachineState& state) {
    reset(state);
    s.out += "Virtual drive reset to the default configuration.\n";
  });
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
    const uint8_t* bytes = page_buffer(*drive, page, &size);
    s.out += format_bytes(bytes, size) + "\n";
  });
  if (missing) return s.usage_error(std::string("there is no drive ") + letter + ":");
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
    {"page", "page <letter> <page-hex>", "one stored page in hex (00, 0E, 20, 21)", cmd_page},
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
  if (count > 0) line += "  " + format_bytes(entry.data, count);
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

int run_remote(const Args& args, StateAccess& access, std::string& out, std::string& err) {
  Session session{access, out, err};
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
