#include "sim/drive/mci_log.h"

#include <algorithm>
#include <cstdio>

#include "sim/drive/vdrive.h"

namespace vdrive {
namespace {

// MCI values the text names (mmsystem.h, digitalv.h).
constexpr uint32_t kNotifyFlag = 0x01;
constexpr uint32_t kFromFlag = 0x04;
constexpr uint32_t kToFlag = 0x08;
constexpr uint32_t kTrackFlag = 0x10;
constexpr uint16_t kMciPlay = 0x0806;
constexpr uint16_t kMciSeek = 0x0807;
constexpr uint16_t kMciInfo = 0x080A;
constexpr uint16_t kMciGetDevCaps = 0x080B;
constexpr uint16_t kMciSet = 0x080D;
constexpr uint16_t kMciStatus = 0x0814;
constexpr uint16_t kMciWindow = 0x0841;
constexpr uint32_t kSetTimeFormat = 0x0400;
constexpr uint32_t kWindowText = 0x00080000;
constexpr uint32_t kItem4001 = 0x4001;  // the video window, or a CD track's type

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] != '\0' && i < b.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return a[i] == '\0' && i == b.size();
}

std::string hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

const char* status_item_name(uint32_t item, const char* type) {
  switch (item) {
    case 1: return "length";
    case 2: return "position";
    case 3: return "number-of-tracks";
    case 4: return "mode";
    case 5: return "media-present";
    case 6: return "time-format";
    case 7: return "ready";
    case 8: return "current-track";
    case kItem4001: return same_name(type, "cdaudio") ? "track-type" : "hwnd";
    default: return nullptr;
  }
}

const char* time_format_name(uint32_t format) {
  switch (format) {
    case 0: return "milliseconds";
    case 1: return "hms";
    case 2: return "msf";
    case 3: return "frames";
    case 8: return "bytes";
    case 9: return "samples";
    case 10: return "tmsf";
    default: return nullptr;
  }
}

const char* notify_name(uint32_t status) {
  switch (status) {
    case 1: return "successful";
    case 2: return "superseded";
    case 4: return "aborted";
    case 8: return "failure";
    default: return nullptr;
  }
}

std::string named(const char* name, uint32_t value) {
  return name != nullptr ? std::string(name) : hex(value);
}

std::string quoted(const char (&text)[kMciTextSize]) {
  std::string field(text, std::find(text, text + kMciTextSize, '\0'));
  return "\"" + field + "\"";
}

}  // namespace

uint32_t append_mci_log(MachineState& state, MciLogEntry entry) {
  entry.seq = state.mci_log_next++;
  entry.type[kMciTypeSize - 1] = '\0';
  entry.text[kMciTextSize - 1] = '\0';
  state.mci_log[entry.seq % kMciLogSize] = entry;
  return entry.seq;
}

MciLogEntry* find_mci_entry(MachineState& state, uint32_t seq) {
  MciLogEntry& entry = state.mci_log[seq % kMciLogSize];
  return entry.seq == seq && seq != 0 ? &entry : nullptr;
}

uint32_t mci_log_count(const MachineState& state) {
  return std::min(state.mci_log_next - state.mci_log_first, kMciLogSize);
}

const MciLogEntry& mci_log_entry(const MachineState& state, uint32_t index) {
  uint32_t seq = state.mci_log_next - mci_log_count(state) + index;
  return state.mci_log[seq % kMciLogSize];
}

void clear_mci_log(MachineState& state) { state.mci_log_first = state.mci_log_next; }

PositionControl* position_control(MachineState& state, char letter) {
  return const_cast<PositionControl*>(
      position_control(static_cast<const MachineState&>(state), letter));
}

const PositionControl* position_control(const MachineState& state, char letter) {
  const DriveSlot* drive = find_drive(state, letter);
  if (drive == nullptr) return nullptr;
  return &state.positions[drive - state.drives];
}

const RefusedOpen* find_refusal(const MachineState& state, const std::string& type) {
  if (type.empty()) return nullptr;
  for (const RefusedOpen& refused : state.refused) {
    if (refused.type[0] != '\0' && same_name(refused.type, type)) return &refused;
  }
  return nullptr;
}

bool add_refusal(MachineState& state, const std::string& type, uint32_t error) {
  if (type.empty() || type.size() >= kMciTypeSize) return false;
  RefusedOpen* place = const_cast<RefusedOpen*>(find_refusal(state, type));
  for (RefusedOpen& refused : state.refused) {
    if (place == nullptr && refused.type[0] == '\0') place = &refused;
  }
  if (place == nullptr) return false;
  set_field(place->type, type);
  place->error = error;
  return true;
}

void clear_refusals(MachineState& state) {
  for (RefusedOpen& refused : state.refused) refused = RefusedOpen{};
}

const char* mci_message_name(uint16_t message) {
  switch (message) {
    case kMciNotifyPosted: return "notify";
    case kMciOpen: return "open";
    case kMciClose: return "close";
    case 0x0805: return "escape";
    case kMciPlay: return "play";
    case kMciSeek: return "seek";
    case 0x0808: return "stop";
    case 0x0809: return "pause";
    case kMciInfo: return "info";
    case kMciGetDevCaps: return "getdevcaps";
    case 0x080C: return "spin";
    case kMciSet: return "set";
    case 0x080E: return "step";
    case 0x080F: return "record";
    case 0x0811: return "break";
    case kMciStatus: return "status";
    case 0x0830: return "cue";
    case 0x0840: return "realize";
    case kMciWindow: return "window";
    case 0x0842: return "put";
    case 0x0843: return "where";
    case 0x0855: return "resume";
    default: return nullptr;
  }
}

std::string format_mci_entry(const MciLogEntry& entry) {
  char head[64];
  std::string type(entry.type, std::find(entry.type, entry.type + kMciTypeSize, '\0'));
  std::snprintf(head, sizeof head, "%6lu %-11s #%-3u ", static_cast<unsigned long>(entry.seq),
                type.c_str(), static_cast<unsigned>(entry.device));
  std::string line = head;
  if (entry.message == kMciNotifyPosted) {
    return line + "notify " + named(notify_name(entry.flags), entry.flags) + " to " +
           hex(entry.callback);
  }
  line += named(mci_message_name(entry.message), entry.message) + " flags " + hex(entry.flags);
  switch (entry.message) {
    case kMciOpen:
      line += " element " + quoted(entry.text);
      break;
    case kMciStatus:
    case kMciGetDevCaps:
      line += std::string(" item ") + named(status_item_name(entry.item, entry.type), entry.item);
      break;
    case kMciSet:
      if (entry.flags & kSetTimeFormat) {
        line += " time-format " + named(time_format_name(entry.time_format), entry.time_format);
      }
      break;
    case kMciWindow:
      if (entry.flags & kWindowText) line += " text " + quoted(entry.text);
      break;
    default:
      break;
  }
  if (entry.flags & kTrackFlag) line += " track " + std::to_string(entry.track);
  if (entry.message == kMciPlay && (entry.flags & kFromFlag)) line += " from " + hex(entry.from);
  if ((entry.message == kMciPlay || entry.message == kMciSeek) && (entry.flags & kToFlag)) {
    line += " to " + hex(entry.to);
  }
  if (entry.flags & kNotifyFlag) line += " notify " + hex(entry.callback);
  if (entry.result == kMciRunning) return line + " -> running";
  line += " -> " + std::to_string(entry.result & 0xFFFF);
  if (entry.result >> 16) line += " (" + hex(entry.result >> 16) + ")";
  if (entry.message == kMciStatus && (entry.result & 0xFFFF) == 0) {
    line += " value " + std::to_string(entry.value) + " (" + hex(entry.value) + ")";
  }
  if (entry.message == kMciInfo && (entry.result & 0xFFFF) == 0) line += " " + quoted(entry.text);
  return line;
}

}  // namespace vdrive
