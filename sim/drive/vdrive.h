// The virtual drive: a CD-ROM drive with an infrared receiver as it answers
// ASPI requests. The whole machine (host adapters, drives, their mode pages,
// tray and disc, the receiver's queue of reports and a command log) is one
// plain fixed-size record, so that it can live in a file mapped by every
// process. Its layout does not depend on pointer size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "beamhub/aspi.h"
#include "sim/drive/mci_log.h"

namespace vdrive {

constexpr uint32_t kMagic = 0x56444C48;  // "HLDV"
constexpr uint32_t kVersion = 4;

constexpr int kMaxDrives = 4;
constexpr uint32_t kLogSize = 1024;      // entries kept in the ring
constexpr std::size_t kLogDataSize = 64; // data bytes kept per entry

// Mode page buffers: 8-byte mode parameter header, page code, page length,
// parameter bytes.
constexpr uint8_t kPageReport = 0x00;
constexpr uint8_t kPageAudio = 0x0E;
constexpr uint8_t kPageStandalone = 0x20;
constexpr uint8_t kPagePcMode = 0x21;
constexpr std::size_t kModeHeaderSize = 8;
constexpr std::size_t kReportPageSize = 20;
constexpr std::size_t kAudioPageSize = 24;
constexpr std::size_t kStandalonePageSize = 38;
constexpr std::size_t kPcModePageSize = 56;

// SCSI operation codes the drive knows.
constexpr uint8_t kOpTestUnitReady = 0x00;
constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpModeSelect10 = 0x55;
constexpr uint8_t kOpModeSense10 = 0x5A;

// Sense keys and additional sense codes it reports.
constexpr uint8_t kKeyNone = 0x0;
constexpr uint8_t kKeyNotReady = 0x2;
constexpr uint8_t kKeyIllegalRequest = 0x5;
constexpr uint8_t kKeyUnitAttention = 0x6;
constexpr uint8_t kAscNotReady = 0x04;
constexpr uint8_t kAscqBecomingReady = 0x01;
constexpr uint8_t kAscParameterListLength = 0x1A;
constexpr uint8_t kAscInvalidOpcode = 0x20;
constexpr uint8_t kAscInvalidFieldInCdb = 0x24;
constexpr uint8_t kAscInvalidFieldInParameters = 0x26;
constexpr uint8_t kAscMediumChanged = 0x28;
constexpr uint8_t kAscNoMedium = 0x3A;

// ASPI values beyond the ones the client library uses.
constexpr uint8_t kSsInvalidSrb = 0xE0;
constexpr uint8_t kSsFailedInit = 0xE4;
constexpr uint8_t kSsAspiIsBusy = 0xE5;
constexpr uint8_t kSsNoAdapters = 0xE8;
constexpr uint8_t kSrbPosting = 0x01;
constexpr uint8_t kSrbEventNotify = 0x40;
constexpr uint8_t kSrbDirMask = aspi::SRB_DIR_IN | aspi::SRB_DIR_OUT;
constexpr uint8_t kHaStatusOk = 0x00;
constexpr uint8_t kHaStatusOverrun = 0x12;  // data over/underrun
constexpr uint8_t kTargetGood = 0x00;
constexpr uint8_t kTargetCheckCondition = 0x02;

constexpr uint8_t kRefuseAlways = 255;
enum RefuseMode : uint8_t {
  kRefuseWithSense = 0,     // ILLEGAL REQUEST, invalid field in CDB
  kRefuseWithWrongPage = 1, // GOOD, but the data carry another page
};

constexpr uint8_t kNoPage = 0xFF;  // log entry of a command without a page

// The receiver report (page 0x00): byte 10 bits 7-6 the kind; byte 11 the
// medium type (high nibble) and the play status (low nibble); a remote code
// in bytes 12-17 with its value in 18; a drive event's bits 0-7 in byte 13,
// bits 8-10 and the drive's flags in byte 14, its value in 15.
enum ReportKind : uint8_t {
  kReportEvent = 0,
  kReportCode = 1,
  kReportNothing = 2,
};
constexpr std::size_t kCodeSize = 6;
constexpr uint16_t kEventMask = 0x07FF;     // event bits 0-10
constexpr uint8_t kFlagSettingsHeld = 0x08; // byte 14: the drive holds pages 0x20 and 0x21
constexpr uint8_t kFlagSpecialMode = 0x10;  // byte 14: page 0x20 says special mode
constexpr uint8_t kFlagVolumeMixer = 0x20;  // byte 14: the mixer, not the drive, takes volume
constexpr uint8_t kSpecialModeBit = 0x02;   // page 0x20 parameter byte 1

constexpr uint8_t kMediumUnknown = 15;      // medium type: no disc known
constexpr uint8_t kStatusTrayOpen = 0;      // play status nibbles
constexpr uint8_t kStatusTrayClosed = 1;
constexpr uint8_t kStatusIdle = 8;
constexpr uint8_t kNoStatus = 0xFF;

enum VolumeTarget : uint8_t {
  kVolumeMixer = 0,
  kVolumeDrive = 1,
};

enum SettingsWritten : uint8_t {
  kWroteStandalone = 0x01,  // MODE SELECT of page 0x20
  kWrotePcMode = 0x02,      // MODE SELECT of page 0x21
};

constexpr int kQueueSize = 64;              // receiver reports waiting per drive
constexpr std::size_t kFolderSize = 260;    // a Windows path with its NUL

// One waiting report. A held button answers several reads in a row.
struct QueuedReport {
  uint8_t kind;            // ReportKind
  uint8_t value;           // the report's value byte
  uint16_t reads;          // page-0x00 reads still to answer with it (at least 1)
  uint16_t events;         // drive event bits
  uint8_t code[kCodeSize]; // remote code bytes
};
static_assert(offsetof(QueuedReport, events) == 4, "queued report layout");
static_assert(sizeof(QueuedReport) == 12, "queued report layout");

struct DriveSlot {
  char letter;             // 'A'-'Z'; 0 = unused slot
  uint8_t host_adapter;
  uint8_t target;
  uint8_t lun;
  uint8_t present;         // answers at its address
  uint8_t has_receiver;    // has the vendor pages 0x00, 0x20, 0x21
  uint8_t refuse_20;       // refuse the next N MODE SENSE of page 0x20; 255 = always
  uint8_t refuse_mode;     // RefuseMode
  uint8_t medium;          // a disc is in the drive (in the tray while it is open)
  uint8_t unit_attention;  // medium changed, reported once by the next command
  uint8_t not_ready;
  uint8_t tray_open;
  uint8_t disc_type;       // medium type code of the disc, reported while the tray is closed
  uint8_t play_status;     // play status nibble reported now
  uint8_t settings_written;  // SettingsWritten bits since power-on
  uint8_t volume_target;   // VolumeTarget
  uint8_t status_after[2]; // play status for the next page-0x00 reads, kNoStatus = keep
  uint8_t queue_head;      // index of the first waiting report
  uint8_t queue_count;
  uint8_t audio[kAudioPageSize];
  uint8_t standalone[kStandalonePageSize];
  uint8_t pc_mode[kPcModePageSize];
  uint8_t reserved[2];
  QueuedReport queue[kQueueSize];
  char disc_folder[kFolderSize];  // Windows path of the disc's files; empty = none
};
static_assert(offsetof(DriveSlot, audio) == 20, "drive slot layout");
static_assert(offsetof(DriveSlot, queue) == 140, "drive slot layout");
static_assert(offsetof(DriveSlot, disc_folder) == 908, "drive slot layout");
static_assert(sizeof(DriveSlot) == 1168, "drive slot layout");

struct LogEntry {
  uint32_t seq;
  char letter;             // '?' when no drive answers at the address
  uint8_t opcode;
  uint8_t page;            // kNoPage for commands without one
  uint8_t direction;       // request flags & (SRB_DIR_IN | SRB_DIR_OUT)
  uint32_t length;         // transfer length in the command block
  uint8_t status;          // SS_*
  uint8_t ha_status;
  uint8_t target_status;
  uint8_t sense_key;
  uint8_t asc;
  uint8_t ascq;
  uint8_t data_count;      // bytes in data: sent (MODE SELECT) or returned
  uint8_t reserved;
  uint8_t data[kLogDataSize];
  uint32_t reserved2;      // keeps the times 8-byte aligned
  // QueryPerformanceCounter when the command arrived and when its answer was
  // ready, as the ASPI library saw them; 0 when not timed.
  int64_t arrived;
  int64_t answered;
};
static_assert(offsetof(LogEntry, data) == 20, "log entry layout");
static_assert(offsetof(LogEntry, arrived) == 88, "log entry layout");
static_assert(sizeof(LogEntry) == 104, "log entry layout");

struct MachineState {
  uint32_t magic;
  uint32_t version;
  uint32_t size;           // sizeof(MachineState)
  uint8_t adapter_count;
  uint8_t reserved[3];
  DriveSlot drives[kMaxDrives];
  uint32_t log_next;       // sequence number of the next entry (the first is 1)
  uint32_t log_first;      // first sequence number that counts (moved by a clear)
  LogEntry log[kLogSize];
  // The MCI drivers' part (mci_log.h): positions by drive slot.
  PositionControl positions[kMaxDrives];
  RefusedOpen refused[kMaxRefused];
  uint32_t mci_log_next;   // as log_next and log_first, for mci_log
  uint32_t mci_log_first;
  MciLogEntry mci_log[kMciLogSize];
};
static_assert(offsetof(MachineState, drives) == 16, "machine state layout");
static_assert(offsetof(MachineState, log) == 16 + kMaxDrives * 1168 + 8, "machine state layout");
static_assert(offsetof(MachineState, positions) == 16 + kMaxDrives * 1168 + 8 + kLogSize * 104,
              "machine state layout");
static_assert(offsetof(MachineState, mci_log) == offsetof(MachineState, positions) +
                                                     kMaxDrives * 12 + kMaxRefused * 20 + 8,
              "machine state layout");
static_assert(offsetof(MachineState, mci_log) % 8 == 0, "machine state layout");
static_assert(sizeof(MachineState) == offsetof(MachineState, mci_log) + kMciLogSize * 168,
              "machine state layout");

// The default machine: one adapter; D: (ha 0, target 1, LUN 0) with the
// receiver and a disc; F: (ha 0, target 2, LUN 0) a plain CD-ROM; empty log.
void reset(MachineState& state);

// True when bytes hold a machine record of this layout and version.
bool is_valid(const void* bytes, std::size_t size);

// Sets a slot to a present plain CD-ROM drive with a disc and default pages.
void init_drive(DriveSlot& drive, char letter, uint8_t host_adapter, uint8_t target,
                uint8_t lun);
void set_default_pages(DriveSlot& drive);
// Pages 0x20 and 0x21 as after power-on, not yet written.
void set_default_settings(DriveSlot& drive);

// Slot of a drive letter (either case), or null.
DriveSlot* find_drive(MachineState& state, char letter);
const DriveSlot* find_drive(const MachineState& state, char letter);
// The present drive at an address, or null.
DriveSlot* find_device(MachineState& state, uint8_t host_adapter, uint8_t target, uint8_t lun);
const DriveSlot* find_device(const MachineState& state, uint8_t host_adapter, uint8_t target,
                             uint8_t lun);

// Buffer size of a mode page the drive has, 0 for others.
std::size_t page_size(uint8_t page);

// Stored buffer of a settable mode page (0x0E, 0x20, 0x21) and its size, or
// null for others; the receiver report is made when it is read.
uint8_t* page_buffer(DriveSlot& drive, uint8_t page, std::size_t* size);
const uint8_t* page_buffer(const DriveSlot& drive, uint8_t page, std::size_t* size);

// A mode page as the next MODE SENSE would return it, without consuming
// a report; header bytes zero. False for a page the drive does not have.
bool peek_page(const DriveSlot& drive, uint8_t page, uint8_t* out, std::size_t* size);

// ---- the receiver and the drive state it reports

// The report the next page-0x00 read gives, and that read: it answers one
// read of the first waiting report and moves the play status on.
void build_report(const DriveSlot& drive, uint8_t (&report)[kReportPageSize]);
void read_report(DriveSlot& drive, uint8_t (&report)[kReportPageSize]);

// kMediumUnknown while the tray is open (or status 0 says so) or empty.
uint8_t medium_nibble(const DriveSlot& drive);
uint8_t drive_flags(const DriveSlot& drive);    // byte 14 bits 3-5 of a drive event
bool holds_settings(const DriveSlot& drive);

// Waiting reports, oldest first; false when the queue has no room (nothing
// is overwritten).
int queue_room(const DriveSlot& drive);
const QueuedReport& queued(const DriveSlot& drive, int index);
bool queue_report(DriveSlot& drive, const QueuedReport& report);
QueuedReport code_report(const uint8_t (&code)[kCodeSize], uint8_t value, uint16_t reads);
QueuedReport event_report(uint16_t events, uint8_t value);
QueuedReport nothing_report(uint16_t reads);

// The tray and the disc. A closing tray shows status 1 for one read and
// then 8, and announces a disc with a drive event without event bits; a
// disc changed in a closed drive first shows the tray open for one read.
// close_tray and change_disc return false, changing nothing, when the
// queue lacks room (or the folder does not fit disc_folder).
void open_tray(DriveSlot& drive);
void take_disc(DriveSlot& drive);
bool close_tray(DriveSlot& drive);
bool change_disc(DriveSlot& drive, uint8_t disc_type, const char* folder);
void set_play_status(DriveSlot& drive, uint8_t status);
// The folder whose files the drive letter shows now: empty while the tray
// is open or no disc is in it.
const char* shown_folder(const DriveSlot& drive);
// A power cycle: the settings pages back to their defaults, not held.
void lose_settings(DriveSlot& drive);

// GetASPI32SupportInfo: (SS_COMP << 8) | adapter count, or SS_NO_ADAPTERS << 8.
uint32_t support_info(const MachineState& state);

// The ASPI requests; each fills in and returns the request's status.
uint8_t inquire_adapter(const MachineState& state, aspi::HaInquiryRequest& request);
uint8_t get_device_type(const MachineState& state, aspi::DeviceTypeRequest& request);
uint8_t execute(MachineState& state, aspi::ExecRequest& request);
// SendASPI32Command: dispatches on the request's command byte.
uint8_t send_request(MachineState& state, void* request);

// The command log, oldest first.
uint32_t log_count(const MachineState& state);
const LogEntry& log_entry(const MachineState& state, uint32_t index);
void clear_log(MachineState& state);

}  // namespace vdrive
