#include "beamhub/drive.h"

#include <cstring>
#include <memory>

namespace beamhub {
namespace {

constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kModeSelect10 = 0x55;
constexpr uint8_t kPageFormat = 0x10;  // MODE SELECT byte 1: PF
constexpr uint8_t kSenseLength = 14;
constexpr uint8_t kCdbLength = 10;
constexpr unsigned kCommandSettleMs = 10;

constexpr int kReceiverTestAttempts = 10;
constexpr int kProgramRounds = 3;

// A get-device-type request normally completes inside SendASPI32Command;
// one still pending after this many 1 ms waits counts as no answer.
constexpr int kMaxPendingPolls = 1000;

constexpr uint16_t kDriveTypeCdrom = 5;
constexpr int kFirstProbedDrive = 2;  // C:

// Page length byte (byte 9) a page carries when read back.
uint8_t page_length(uint8_t page) {
  switch (page) {
    case kPageReport: return 10;
    case kPageAudio: return 14;
    case kPageStandalone: return 28;
    case kPagePcMode: return 46;
    default: return 0;
  }
}

uint8_t* page_buffer(PageBuffers& pages, uint8_t page) {
  switch (page) {
    case kPageReport: return pages.report;
    case kPageAudio: return pages.audio;
    case kPageStandalone: return pages.standalone;
    case kPagePcMode: return pages.pc_mode;
    default: return nullptr;
  }
}

void build_command(uint8_t cdb[12], uint8_t opcode, uint8_t byte1, uint8_t page,
                   uint16_t length) {
  std::memset(cdb, 0, 12);
  cdb[0] = opcode;
  cdb[1] = byte1;
  cdb[2] = page;
  cdb[7] = static_cast<uint8_t>(length >> 8);
  cdb[8] = static_cast<uint8_t>(length & 0xFF);
}

// Registry decimal text: leading blanks, an optional '+', digits. No digits
// or a minus sign give 0; values too large saturate instead of overflowing.
uint16_t parse_decimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    if (value > 0xFFFF) return 0xFFFF;
  }
  return static_cast<uint16_t>(value);
}

bool starts_with_ignoring_case(const std::string& text, const char* prefix) {
  std::size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool is_drive_device_key(const std::string& key) {
  return starts_with_ignoring_case(key, "FLOP\\") ||
         starts_with_ignoring_case(key, "ESDI\\") ||
         starts_with_ignoring_case(key, "SCSI\\");
}

// Requests the ASPI layer never completed: it may still write their status,
// so they stay allocated for the life of the process.
std::vector<std::unique_ptr<aspi::DeviceTypeRequest>>& abandoned_requests() {
  static auto* requests = new std::vector<std::unique_ptr<aspi::DeviceTypeRequest>>();
  return *requests;
}

enum class ProbeAnswer { cdrom, other, invalid_adapter };

// Asks adapter h what device answers at (target, lun).
ProbeAnswer probe_device_type(AspiPort& port, uint8_t adapter, uint8_t target, uint8_t lun) {
  auto request = std::make_unique<aspi::DeviceTypeRequest>();
  request->command = aspi::SC_GET_DEV_TYPE;
  request->host_adapter = adapter;
  request->target = target;
  request->lun = lun;
  port.send(*request);

  // The ASPI layer completes the request behind our back.
  const volatile uint8_t& status = request->status;
  for (int polls = 0; status == aspi::SS_PENDING; ++polls) {
    if (polls == kMaxPendingPolls) {
      abandoned_requests().push_back(std::move(request));
      return ProbeAnswer::other;
    }
    port.sleep_ms(1);
  }
  if (status == aspi::SS_INVALID_HA) return ProbeAnswer::invalid_adapter;
  if (status == aspi::SS_COMP && request->device_type == aspi::DTYPE_CDROM) {
    return ProbeAnswer::cdrom;
  }
  return ProbeAnswer::other;
}

// MODE SENSE of page 0x20 until an answer other than unsupported, at most
// ten times.
bool receiver_answers(DriveCommands& commands, uint16_t drive) {
  for (int attempt = 0; attempt < kReceiverTestAttempts; ++attempt) {
    if (commands.mode_sense(drive, kPageStandalone) != kCmdUnsupported) return true;
  }
  return false;
}

}  // namespace

uint16_t decode_sense(uint8_t key, uint8_t code) {
  switch (key) {
    case 0x0: return kCmdGood;
    case 0x2: return code == 0x3A ? kCmdNoMedium : kCmdNotReady;
    case 0x5: return kCmdUnsupported;
    case 0x6: return code == 0x28 ? kCmdMediumChanged : kCmdFailed;
    default: return kCmdFailed;
  }
}

void build_mode_sense(uint8_t cdb[12], uint8_t page, uint16_t length) {
  build_command(cdb, kModeSense10, 0x00, page, length);
}

void build_mode_select(uint8_t cdb[12], uint8_t page, uint16_t length) {
  build_command(cdb, kModeSelect10, kPageFormat, page, length);
}

std::size_t page_buffer_size(uint8_t page) {
  switch (page) {
    case kPageReport: return kReportPageSize;
    case kPageAudio: return kAudioPageSize;
    case kPageStandalone: return kStandalonePageSize;
    case kPagePcMode: return kPcModePageSize;
    default: return 0;
  }
}

bool page_is_valid(const uint8_t* buffer, uint8_t page) {
  uint8_t length = page_length(page);
  return length != 0 && (buffer[8] & 0x3F) == page && buffer[9] == length;
}

void fix_up_page(uint8_t* buffer, uint8_t page) {
  switch (page) {
    case kPageAudio:
      buffer[8] = static_cast<uint8_t>((buffer[8] & 0xCE) | 0x0E);
      buffer[9] = 14;
      buffer[10] = static_cast<uint8_t>((buffer[10] & 0xFD) | 0x04);
      break;
    case kPageStandalone:
      buffer[8] = static_cast<uint8_t>((buffer[8] & 0xE0) | 0x20);
      buffer[9] = 28;
      break;
    case kPagePcMode:
      buffer[8] = static_cast<uint8_t>((buffer[8] & 0xE1) | 0x21);
      buffer[9] = 46;
      break;
    default:
      break;
  }
}

// A command that fails leaves the buffer as it was before the command (all
// zero for a read) and returns its own result; the page check only judges a
// read the drive completed.
uint16_t DriveCommands::mode_sense(uint16_t drive, uint8_t page) {
  uint8_t* buffer = page_buffer(state_.pages, page);
  if (buffer == nullptr) return kCmdUnsupported;
  if (drive >= kDriveCount) return kCmdFailed;
  auto length = static_cast<uint16_t>(page_buffer_size(page));
  std::memset(buffer, 0, length);
  build_mode_sense(state_.cdb, page, length);
  uint16_t result = run(drive, aspi::SRB_DIR_IN, buffer, length);
  if (result == kCmdGood && !page_is_valid(buffer, page)) return kCmdUnsupported;
  return result;
}

// Writes go only to a drive that passed the receiver test: vendor pages are
// never sent to whatever device sits at an unset address.
uint16_t DriveCommands::mode_select(uint8_t page) {
  uint8_t* buffer = page_buffer(state_.pages, page);
  if (buffer == nullptr || page == kPageReport) return kCmdUnsupported;
  uint16_t drive = state_.current;
  if (drive >= kDriveCount || state_.drives[drive].has_receiver == 0) return kCmdFailed;
  auto length = static_cast<uint16_t>(page_buffer_size(page));
  fix_up_page(buffer, page);
  build_mode_select(state_.cdb, page, length);
  return run(drive, aspi::SRB_DIR_OUT, buffer, length);
}

void DriveCommands::program(bool pc_mode, bool special) {
  if (!state_.settings_pages_valid) return;
  uint8_t* params = state_.pages.standalone + kPageHeaderSize;
  params[1] = static_cast<uint8_t>((params[1] & ~0x03) | (pc_mode ? 0x01 : 0) |
                                   (special ? 0x02 : 0));
  params[3] = 1;
  for (int round = 0; round < kProgramRounds; ++round) {
    mode_select(kPageStandalone);
    mode_select(kPagePcMode);
  }
}

uint16_t DriveCommands::run(uint16_t drive, uint8_t direction, uint8_t* buffer,
                            uint16_t length) {
  const DriveRecord& record = state_.drives[drive];
  aspi::ExecRequest& request = state_.request;
  std::memset(&request, 0, sizeof request);
  request.command = aspi::SC_EXEC_SCSI_CMD;
  request.host_adapter = static_cast<uint8_t>(record.host_adapter);
  request.flags = direction;
  request.target = static_cast<uint8_t>(record.target);
  request.lun = static_cast<uint8_t>(record.lun);
  request.data_length = length;
  request.data = buffer;
  request.sense_length = kSenseLength;
  request.cdb_length = kCdbLength;
  std::memcpy(request.cdb, state_.cdb, sizeof state_.cdb);

  uint8_t key = 0xFF;
  uint8_t code = 0;
  uint8_t qualifier = 0;
  switch (port_.execute(request)) {
    case Transport::ok:
      port_.sleep_ms(kCommandSettleMs);
      key = request.sense[2] & 0x0F;
      code = request.sense[12];
      qualifier = request.sense[13];
      break;
    case Transport::open_failed:
      break;
    case Transport::io_failed:
      code = 0xFF;
      qualifier = 0xFF;
      break;
  }
  state_.sense_key = key;
  state_.sense_code = code;
  state_.sense_qualifier = qualifier;
  return decode_sense(key, code);
}

void discover(DriveState& state, AspiPort& port, DiscoveryHost& host) {
  // A letter that no device claims this time keeps nothing from an earlier
  // attach.
  for (DriveRecord& record : state.drives) record = DriveRecord{};
  for (int i = kFirstProbedDrive; i < kDriveCount; ++i) {
    state.drives[i].drive_type = host.drive_type(static_cast<char>('A' + i));
  }
  std::memset(state.letters, 0, sizeof state.letters);
  std::memset(state.current_text, 0, sizeof state.current_text);
  state.current = 0;
  state.receiver_count = 0;
  state.auto_insert_switched_off = 0;
  state.adapter_count = static_cast<uint16_t>(port.support_info() & 0xFF);

  DriveCommands commands(state, port);
  bool claimed[kDriveCount] = {};
  std::size_t found = 0;

  for (const std::string& key : host.hardware_keys()) {
    if (!is_drive_device_key(key)) continue;
    DeviceEntry entry;
    if (!host.read_device(key, entry)) continue;
    bool auto_insert_cleared = false;
    uint16_t lun = parse_decimal(entry.lun);
    uint16_t target = parse_decimal(entry.target);

    for (char letter : entry.letters) {
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      if (letter < 'A' || letter > 'Z') continue;
      int index = letter - 'A';
      // The first device that names a letter owns it.
      if (claimed[index]) continue;
      claimed[index] = true;

      DriveRecord& record = state.drives[index];
      std::memset(record.product, 0, sizeof record.product);
      std::strncpy(record.product, entry.product.c_str(), sizeof record.product - 1);
      record.lun = lun;
      record.target = target;
      record.has_receiver = 0;
      if (record.drive_type != kDriveTypeCdrom) continue;
      // ASPI addresses targets and LUNs with one byte each.
      if (target > 0xFF || lun > 0xFF) continue;

      for (uint16_t h = 0; h < state.adapter_count; ++h) {
        ProbeAnswer answer = probe_device_type(port, static_cast<uint8_t>(h),
                                               static_cast<uint8_t>(target),
                                               static_cast<uint8_t>(lun));
        if (answer == ProbeAnswer::invalid_adapter) break;
        if (answer != ProbeAnswer::cdrom) continue;

        record.host_adapter = h;
        if (receiver_answers(commands, static_cast<uint16_t>(index))) {
          record.has_receiver = 1;
          bool first = found == 0;
          if (first) {
            state.current = static_cast<uint16_t>(index);
            state.current_text[0] = letter;
            state.current_text[1] = ':';
            state.current_text[2] = '\0';
          }
          if (found < static_cast<std::size_t>(kDriveCount)) state.letters[found] = letter;
          ++found;
          if (entry.auto_insert == 1 && !auto_insert_cleared) {
            host.clear_auto_insert(key);
            auto_insert_cleared = true;
            if (first) state.auto_insert_switched_off = 1;
          }
        }
        break;
      }
    }
  }
  state.receiver_count = static_cast<uint16_t>(found);
}

}  // namespace beamhub
