#include "sim/drive/vdrive.h"

#include <algorithm>
#include <cstring>

namespace vdrive {
namespace {

constexpr uint8_t kPageCodeMask = 0x3F;
constexpr uint8_t kPageFormat = 0x10;       // MODE SELECT byte 1: PF
constexpr uint8_t kEnableVpd = 0x01;        // INQUIRY byte 1: EVPD
constexpr std::size_t kSenseSize = 18;
constexpr std::size_t kInquirySize = 36;
constexpr std::size_t kMaxPageSize = kPcModePageSize;
constexpr uint8_t kDeviceTypeUnknown = 0x1F;
constexpr uint8_t kHostId = 7;
constexpr uint8_t kMaxTargets = 8;
constexpr uint32_t kMaxTransfer = 0x10000;

struct Sense {
  uint8_t key = kKeyNone;
  uint8_t asc = 0;
  uint8_t ascq = 0;
};

constexpr Sense kGood{};
constexpr Sense kUnitAttention{kKeyUnitAttention, kAscMediumChanged, 0};
constexpr Sense kBecomingReady{kKeyNotReady, kAscNotReady, kAscqBecomingReady};
constexpr Sense kNoMedium{kKeyNotReady, kAscNoMedium, 0};
constexpr Sense kInvalidOpcode{kKeyIllegalRequest, kAscInvalidOpcode, 0};
constexpr Sense kInvalidCdbField{kKeyIllegalRequest, kAscInvalidFieldInCdb, 0};
constexpr Sense kInvalidParameter{kKeyIllegalRequest, kAscInvalidFieldInParameters, 0};
constexpr Sense kParameterLength{kKeyIllegalRequest, kAscParameterListLength, 0};

// One execute request on its way through the drive.
struct Exchange {
  aspi::ExecRequest& request;
  LogEntry& entry;
  Sense sense;
  bool overrun = false;  // the data did not fit the request's buffer or direction
};

bool is_vendor_page(uint8_t page) {
  return page == kPageReport || page == kPageStandalone || page == kPagePcMode;
}

uint16_t read_be16(const uint8_t* bytes) {
  return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

// Command block size by operation code group.
std::size_t cdb_size(uint8_t opcode) {
  switch (opcode >> 5) {
    case 0: return 6;
    case 1:
    case 2: return 10;
    case 4: return 16;
    case 5: return 12;
    default: return 6;
  }
}

bool direction_allows(const aspi::ExecRequest& request, uint8_t direction) {
  uint8_t given = request.flags & kSrbDirMask;
  return given == 0 || given == direction;
}

void log_data(LogEntry& entry, const uint8_t* bytes, std::size_t count) {
  std::size_t kept = std::min(count, kLogDataSize);
  if (kept > 0) std::memcpy(entry.data, bytes, kept);
  entry.data_count = static_cast<uint8_t>(kept);
}

// Data-in phase: up to allocation bytes of the answer into the request's
// buffer.
void send_data(Exchange& x, const uint8_t* answer, std::size_t size, std::size_t allocation) {
  std::size_t count = std::min(size, allocation);
  if (count == 0) return;
  aspi::ExecRequest& r = x.request;
  if (!direction_allows(r, aspi::SRB_DIR_IN) || r.data == nullptr) {
    x.overrun = true;
    return;
  }
  if (count > r.data_length) {
    x.overrun = true;
    count = r.data_length;
  }
  std::memcpy(r.data, answer, count);
  log_data(x.entry, answer, count);
}

void test_unit_ready(Exchange& x, const DriveSlot& drive) {
  if (!drive.medium || drive.tray_open) x.sense = kNoMedium;
}

void inquiry(Exchange& x, const DriveSlot&) {
  const uint8_t* cdb = x.request.cdb;
  x.entry.length = cdb[4];
  if (cdb[1] & kEnableVpd) {
    x.sense = kInvalidCdbField;
    return;
  }
  uint8_t data[kInquirySize] = {};
  data[0] = aspi::DTYPE_CDROM;
  data[1] = 0x80;  // removable medium
  data[2] = 0x02;  // SCSI-2
  data[3] = 0x02;  // response data format
  data[4] = kInquirySize - 5;
  std::memcpy(data + 8, "HALVO   ", 8);
  std::memcpy(data + 16, "CDR-IR          ", 16);
  std::memcpy(data + 32, "1.00", 4);
  send_data(x, data, sizeof data, cdb[4]);
}

void mode_sense(Exchange& x, DriveSlot& drive) {
  const uint8_t* cdb = x.request.cdb;
  uint8_t page = cdb[2] & kPageCodeMask;
  uint16_t allocation = read_be16(cdb + 7);
  x.entry.page = page;
  x.entry.length = allocation;

  std::size_t size = 0;
  uint8_t answer[kMaxPageSize];
  if (page_size(page) == 0 || (is_vendor_page(page) && !drive.has_receiver)) {
    x.sense = kInvalidCdbField;
    return;
  }
  if (page == kPageStandalone && drive.refuse_20 != 0) {
    if (drive.refuse_20 != kRefuseAlways) --drive.refuse_20;
    if (drive.refuse_mode != kRefuseWithWrongPage) {
      x.sense = kInvalidCdbField;
      return;
    }
    // Answers with the report page in place of the one asked for; that
    // report stays waiting.
    page = kPageReport;
    peek_page(drive, page, answer, &size);
  } else if (page == kPageReport) {
    uint8_t report[kReportPageSize];
    read_report(drive, report);
    std::memcpy(answer, report, sizeof report);
    size = sizeof report;
  } else {
    peek_page(drive, page, answer, &size);
  }

  answer[0] = static_cast<uint8_t>((size - 2) >> 8);
  answer[1] = static_cast<uint8_t>((size - 2) & 0xFF);
  send_data(x, answer, size, allocation);
}

void mode_select(Exchange& x, DriveSlot& drive) {
  aspi::ExecRequest& r = x.request;
  uint16_t length = read_be16(r.cdb + 7);
  x.entry.page = r.cdb[2] & kPageCodeMask;
  x.entry.length = length;
  if ((r.cdb[1] & kPageFormat) == 0) {
    x.sense = kInvalidCdbField;
    return;
  }
  if (length == 0) return;
  if (!direction_allows(r, aspi::SRB_DIR_OUT) || r.data == nullptr ||
      length > r.data_length) {
    x.overrun = true;
    return;
  }
  const uint8_t* data = r.data;
  log_data(x.entry, data, length);
  if (length < kModeHeaderSize + 2) {
    x.sense = kParameterLength;
    return;
  }
  uint8_t page = data[8] & kPageCodeMask;
  x.entry.page = page;
  // No block descriptors: the page follows the header.
  if (read_be16(data + 6) != 0) {
    x.sense = kInvalidParameter;
    return;
  }
  std::size_t size = 0;
  uint8_t* stored = page_buffer(drive, page, &size);
  if (stored == nullptr || (is_vendor_page(page) && !drive.has_receiver) ||
      data[9] != stored[9]) {
    x.sense = kInvalidParameter;
    return;
  }
  if (length != size) {
    x.sense = kParameterLength;
    return;
  }
  std::memcpy(stored + kModeHeaderSize + 2, data + kModeHeaderSize + 2,
              size - kModeHeaderSize - 2);
  if (page == kPageStandalone) drive.settings_written |= kWroteStandalone;
  if (page == kPagePcMode) drive.settings_written |= kWrotePcMode;
}

void run_command(Exchange& x, DriveSlot& drive) {
  uint8_t opcode = x.request.cdb[0];
  if (opcode != kOpInquiry) {
    if (drive.unit_attention) {
      drive.unit_attention = 0;
      x.sense = kUnitAttention;
      return;
    }
    if (drive.not_ready) {
      x.sense = kBecomingReady;
      return;
    }
  }
  switch (opcode) {
    case kOpTestUnitReady: test_unit_ready(x, drive); break;
    case kOpInquiry: inquiry(x, drive); break;
    case kOpModeSense10: mode_sense(x, drive); break;
    case kOpModeSelect10: mode_select(x, drive); break;
    default: x.sense = kInvalidOpcode; break;
  }
}

uint8_t finish(Exchange& x) {
  aspi::ExecRequest& r = x.request;
  if (x.sense.key != kKeyNone) {
    uint8_t sense[kSenseSize] = {};
    sense[0] = 0x70;
    sense[2] = x.sense.key;
    sense[7] = kSenseSize - 8;
    sense[12] = x.sense.asc;
    sense[13] = x.sense.ascq;
    std::size_t count = std::min<std::size_t>(r.sense_length, sizeof r.sense);
    std::memcpy(r.sense, sense, count);
    r.target_status = kTargetCheckCondition;
    x.entry.sense_key = x.sense.key;
    x.entry.asc = x.sense.asc;
    x.entry.ascq = x.sense.ascq;
    return aspi::SS_ERR;
  }
  if (x.overrun) {
    r.ha_status = kHaStatusOverrun;
    return aspi::SS_ERR;
  }
  return aspi::SS_COMP;
}

void append_log(MachineState& state, LogEntry& entry) {
  entry.seq = state.log_next++;
  state.log[entry.seq % kLogSize] = entry;
}

}  // namespace

void set_default_pages(DriveSlot& drive) {
  std::memset(drive.audio, 0, sizeof drive.audio);
  drive.audio[8] = kPageAudio;
  drive.audio[9] = kAudioPageSize - 10;
  drive.audio[16] = 0x01;  // port 0: left channel
  drive.audio[17] = 0xFF;
  drive.audio[18] = 0x02;  // port 1: right channel
  drive.audio[19] = 0xFF;

  set_default_settings(drive);
}

void set_default_settings(DriveSlot& drive) {
  std::memset(drive.standalone, 0, sizeof drive.standalone);
  drive.standalone[8] = kPageStandalone;
  drive.standalone[9] = kStandalonePageSize - 10;

  std::memset(drive.pc_mode, 0, sizeof drive.pc_mode);
  drive.pc_mode[8] = kPagePcMode;
  drive.pc_mode[9] = kPcModePageSize - 10;
  drive.settings_written = 0;
}

void init_drive(DriveSlot& drive, char letter, uint8_t host_adapter, uint8_t target,
                uint8_t lun) {
  std::memset(&drive, 0, sizeof drive);
  drive.letter = letter;
  drive.host_adapter = host_adapter;
  drive.target = target;
  drive.lun = lun;
  drive.present = 1;
  drive.medium = 1;
  // A disc the drive cannot tell, stopped.
  drive.disc_type = kMediumUnknown;
  drive.play_status = kStatusIdle;
  drive.status_after[0] = kNoStatus;
  drive.status_after[1] = kNoStatus;
  drive.volume_target = kVolumeMixer;
  set_default_pages(drive);
}

void reset(MachineState& state) {
  std::memset(&state, 0, sizeof state);
  state.magic = kMagic;
  state.version = kVersion;
  state.size = sizeof state;
  state.adapter_count = 1;
  init_drive(state.drives[0], 'D', 0, 1, 0);
  state.drives[0].has_receiver = 1;
  init_drive(state.drives[1], 'F', 0, 2, 0);
  state.log_next = 1;
  state.log_first = 1;
  state.mci_log_next = 1;
  state.mci_log_first = 1;
}

bool is_valid(const void* bytes, std::size_t size) {
  if (bytes == nullptr || size != sizeof(MachineState)) return false;
  uint32_t header[3];
  std::memcpy(header, bytes, sizeof header);
  return header[0] == kMagic && header[1] == kVersion && header[2] == sizeof(MachineState);
}

DriveSlot* find_drive(MachineState& state, char letter) {
  return const_cast<DriveSlot*>(find_drive(static_cast<const MachineState&>(state), letter));
}

const DriveSlot* find_drive(const MachineState& state, char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return nullptr;
  for (const DriveSlot& drive : state.drives) {
    if (drive.letter == letter) return &drive;
  }
  return nullptr;
}

DriveSlot* find_device(MachineState& state, uint8_t host_adapter, uint8_t target, uint8_t lun) {
  return const_cast<DriveSlot*>(
      find_device(static_cast<const MachineState&>(state), host_adapter, target, lun));
}

const DriveSlot* find_device(const MachineState& state, uint8_t host_adapter, uint8_t target,
                             uint8_t lun) {
  for (const DriveSlot& drive : state.drives) {
    if (drive.letter != 0 && drive.present && drive.host_adapter == host_adapter &&
        drive.target == target && drive.lun == lun) {
      return &drive;
    }
  }
  return nullptr;
}

std::size_t page_size(uint8_t page) {
  if (page == kPageReport) return kReportPageSize;
  std::size_t size = 0;
  page_buffer(DriveSlot{}, page, &size);
  return size;
}

bool peek_page(const DriveSlot& drive, uint8_t page, uint8_t* out, std::size_t* size) {
  std::size_t bytes = 0;
  if (page == kPageReport) {
    uint8_t report[kReportPageSize];
    build_report(drive, report);
    bytes = sizeof report;
    std::memcpy(out, report, bytes);
  } else {
    const uint8_t* stored = page_buffer(drive, page, &bytes);
    if (stored == nullptr) return false;
    std::memcpy(out, stored, bytes);
    std::memset(out, 0, kModeHeaderSize);
  }
  if (size != nullptr) *size = bytes;
  return true;
}

uint8_t* page_buffer(DriveSlot& drive, uint8_t page, std::size_t* size) {
  return const_cast<uint8_t*>(
      page_buffer(static_cast<const DriveSlot&>(drive), page, size));
}

const uint8_t* page_buffer(const DriveSlot& drive, uint8_t page, std::size_t* size) {
  const uint8_t* buffer = nullptr;
  std::size_t bytes = 0;
  switch (page) {
    case kPageAudio: buffer = drive.audio; bytes = sizeof drive.audio; break;
    case kPageStandalone: buffer = drive.standalone; bytes = sizeof drive.standalone; break;
    case kPagePcMode: buffer = drive.pc_mode; bytes = sizeof drive.pc_mode; break;
    default: break;
  }
  if (size != nullptr) *size = bytes;
  return buffer;
}

uint32_t support_info(const MachineState& state) {
  if (state.adapter_count == 0) return uint32_t{kSsNoAdapters} << 8;
  return (uint32_t{aspi::SS_COMP} << 8) | state.adapter_count;
}

uint8_t inquire_adapter(const MachineState& state, aspi::HaInquiryRequest& request) {
  request.adapter_count = state.adapter_count;
  if (request.host_adapter >= state.adapter_count) {
    request.status = aspi::SS_INVALID_HA;
    return request.status;
  }
  request.host_id = kHostId;
  std::memcpy(request.manager_id, "ASPI for WIN32  ", sizeof request.manager_id);
  std::memcpy(request.adapter_id, "HALVO VDRIVE    ", sizeof request.adapter_id);
  std::memset(request.unique, 0, sizeof request.unique);
  request.unique[3] = kMaxTargets;
  request.unique[4] = static_cast<uint8_t>(kMaxTransfer & 0xFF);
  request.unique[5] = static_cast<uint8_t>((kMaxTransfer >> 8) & 0xFF);
  request.unique[6] = static_cast<uint8_t>((kMaxTransfer >> 16) & 0xFF);
  request.unique[7] = static_cast<uint8_t>((kMaxTransfer >> 24) & 0xFF);
  request.status = aspi::SS_COMP;
  return request.status;
}

uint8_t get_device_type(const MachineState& state, aspi::DeviceTypeRequest& request) {
  if (request.host_adapter >= state.adapter_count) {
    request.status = aspi::SS_INVALID_HA;
    return request.status;
  }
  if (find_device(state, request.host_adapter, request.target, request.lun) == nullptr) {
    request.device_type = kDeviceTypeUnknown;
    request.status = aspi::SS_NO_DEVICE;
    return request.status;
  }
  request.device_type = aspi::DTYPE_CDROM;
  request.status = aspi::SS_COMP;
  return request.status;
}

uint8_t execute(MachineState& state, aspi::ExecRequest& request) {
  LogEntry entry{};
  entry.letter = '?';
  entry.opcode = request.cdb[0];
  entry.page = kNoPage;
  entry.direction = request.flags & kSrbDirMask;
  request.ha_status = kHaStatusOk;
  request.target_status = kTargetGood;

  uint8_t status;
  DriveSlot* drive = nullptr;
  if (request.host_adapter >= state.adapter_count) {
    status = aspi::SS_INVALID_HA;
  } else if ((drive = find_device(state, request.host_adapter, request.target,
                                  request.lun)) == nullptr) {
    status = aspi::SS_NO_DEVICE;
  } else if (request.cdb_length == 0 || request.cdb_length > sizeof request.cdb ||
             request.cdb_length < cdb_size(request.cdb[0])) {
    entry.letter = drive->letter;
    status = kSsInvalidSrb;
  } else {
    entry.letter = drive->letter;
    Exchange x{request, entry, kGood};
    run_command(x, *drive);
    status = finish(x);
  }
  entry.status = status;
  entry.ha_status = request.ha_status;
  entry.target_status = request.target_status;
  append_log(state, entry);
  request.status = status;
  return status;
}

uint8_t send_request(MachineState& state, void* request) {
  if (request == nullptr) return kSsInvalidSrb;
  auto* bytes = static_cast<uint8_t*>(request);
  switch (bytes[0]) {
    case aspi::SC_HA_INQUIRY:
      return inquire_adapter(state, *static_cast<aspi::HaInquiryRequest*>(request));
    case aspi::SC_GET_DEV_TYPE:
      return get_device_type(state, *static_cast<aspi::DeviceTypeRequest*>(request));
    case aspi::SC_EXEC_SCSI_CMD:
      return execute(state, *static_cast<aspi::ExecRequest*>(request));
    default:
      bytes[1] = kSsInvalidSrb;
      return kSsInvalidSrb;
  }
}

uint32_t log_count(const MachineState& state) {
  return std::min(state.log_next - state.log_first, kLogSize);
}

const LogEntry& log_entry(const MachineState& state, uint32_t index) {
  uint32_t seq = state.log_next - log_count(state) + index;
  return state.log[seq % kLogSize];
}

void clear_log(MachineState& state) {
  state.log_first = state.log_next;
}

}  // namespace vdrive
