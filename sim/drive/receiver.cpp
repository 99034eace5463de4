// The receiver's side of the virtual drive: the queue of reports that
// page 0x00 hands out one read at a time, and the tray, disc and play
// status every report carries.
#include <cstring>

#include "sim/drive/vdrive.h"

namespace vdrive {
namespace {

constexpr uint8_t kKindShift = 6;

const QueuedReport& head(const DriveSlot& drive) {
  return drive.queue[drive.queue_head % kQueueSize];
}

void drop_head(DriveSlot& drive) {
  drive.queue_head = static_cast<uint8_t>((drive.queue_head + 1) % kQueueSize);
  --drive.queue_count;
}

// The play status after one more page-0x00 read.
void advance_status(DriveSlot& drive) {
  if (drive.status_after[0] == kNoStatus) return;
  drive.play_status = drive.status_after[0];
  drive.status_after[0] = drive.status_after[1];
  drive.status_after[1] = kNoStatus;
}

// Statuses that follow each other read by read; a drive without the
// receiver page has no reads to step them, so it shows the last at once.
void show_status(DriveSlot& drive, uint8_t now, uint8_t next, uint8_t then) {
  if (!drive.has_receiver) {
    now = then != kNoStatus ? then : next != kNoStatus ? next : now;
    next = then = kNoStatus;
  }
  drive.play_status = now;
  drive.status_after[0] = next;
  drive.status_after[1] = then;
}

// A receiver drive tells of a disc behind a closed tray with an event
// without event bits.
int reports_for_closing(const DriveSlot& drive) { return drive.has_receiver && drive.medium; }

}  // namespace

uint8_t medium_nibble(const DriveSlot& drive) {
  // Status 0 is an open tray, also while a disc change shows it.
  if (drive.tray_open || !drive.medium || drive.play_status == kStatusTrayOpen) {
    return kMediumUnknown;
  }
  return drive.disc_type & 0x0F;
}

bool holds_settings(const DriveSlot& drive) {
  return (drive.settings_written & (kWroteStandalone | kWrotePcMode)) ==
         (kWroteStandalone | kWrotePcMode);
}

uint8_t drive_flags(const DriveSlot& drive) {
  uint8_t flags = 0;
  if (holds_settings(drive)) flags |= kFlagSettingsHeld;
  if (drive.standalone[kModeHeaderSize + 3] & kSpecialModeBit) flags |= kFlagSpecialMode;
  if (drive.volume_target == kVolumeMixer) flags |= kFlagVolumeMixer;
  return flags;
}

void build_report(const DriveSlot& drive, uint8_t (&report)[kReportPageSize]) {
  std::memset(report, 0, sizeof report);
  report[8] = kPageReport;
  report[9] = kReportPageSize - 10;
  report[11] = static_cast<uint8_t>((medium_nibble(drive) << 4) | (drive.play_status & 0x0F));
  uint8_t kind = kReportNothing;
  if (drive.queue_count > 0) kind = head(drive).kind;
  report[10] = static_cast<uint8_t>(kind << kKindShift);
  if (kind == kReportCode) {
    const QueuedReport& r = head(drive);
    std::memcpy(report + 12, r.code, kCodeSize);
    report[18] = r.value;
  } else if (kind == kReportEvent) {
    const QueuedReport& r = head(drive);
    report[13] = static_cast<uint8_t>(r.events & 0xFF);
    report[14] = static_cast<uint8_t>(((r.events >> 8) & 0x07) | drive_flags(drive));
    report[15] = r.value;
  }
}

void read_report(DriveSlot& drive, uint8_t (&report)[kReportPageSize]) {
  build_report(drive, report);
  if (drive.queue_count > 0) {
    QueuedReport& r = drive.queue[drive.queue_head % kQueueSize];
    if (r.reads > 1) --r.reads;
    else drop_head(drive);
  }
  advance_status(drive);
}

int queue_room(const DriveSlot& drive) { return kQueueSize - drive.queue_count; }

const QueuedReport& queued(const DriveSlot& drive, int index) {
  return drive.queue[(drive.queue_head + index) % kQueueSize];
}

bool queue_report(DriveSlot& drive, const QueuedReport& report) {
  if (queue_room(drive) <= 0) return false;
  QueuedReport& slot = drive.queue[(drive.queue_head + drive.queue_count) % kQueueSize];
  slot = report;
  if (slot.reads == 0) slot.reads = 1;
  slot.events &= kEventMask;
  ++drive.queue_count;
  return true;
}

QueuedReport code_report(const uint8_t (&code)[kCodeSize], uint8_t value, uint16_t reads) {
  QueuedReport r{};
  r.kind = kReportCode;
  r.value = value;
  r.reads = reads;
  std::memcpy(r.code, code, kCodeSize);
  return r;
}

QueuedReport event_report(uint16_t events, uint8_t value) {
  QueuedReport r{};
  r.kind = kReportEvent;
  r.value = value;
  r.reads = 1;
  r.events = events & kEventMask;
  return r;
}

QueuedReport nothing_report(uint16_t reads) {
  QueuedReport r{};
  r.kind = kReportNothing;
  r.reads = reads;
  return r;
}

void open_tray(DriveSlot& drive) {
  drive.tray_open = 1;
  show_status(drive, kStatusTrayOpen, kNoStatus, kNoStatus);
}

void take_disc(DriveSlot& drive) {
  drive.medium = 0;
  drive.disc_type = kMediumUnknown;
  drive.disc_folder[0] = '\0';
}

bool close_tray(DriveSlot& drive) {
  int needed = reports_for_closing(drive);
  if (queue_room(drive) < needed) return false;
  drive.tray_open = 0;
  show_status(drive, kStatusTrayClosed, kStatusIdle, kNoStatus);
  if (needed) queue_report(drive, event_report(0, 0));
  return true;
}

bool change_disc(DriveSlot& drive, uint8_t disc_type, const char* folder) {
  std::size_t length = std::strlen(folder);
  if (length >= kFolderSize) return false;
  bool closed = !drive.tray_open;
  // In a closed drive the change is seen as an open tray, then a closing
  // one with the new disc: the event comes no earlier than the closing.
  int needed = closed && drive.has_receiver ? 2 : 0;
  if (queue_room(drive) < needed) return false;
  drive.medium = 1;
  drive.disc_type = disc_type & 0x0F;
  std::memcpy(drive.disc_folder, folder, length + 1);
  if (closed) {
    show_status(drive, kStatusTrayOpen, kStatusTrayClosed, kStatusIdle);
    if (needed) {
      queue_report(drive, nothing_report(1));
      queue_report(drive, event_report(0, 0));
    }
  }
  return true;
}

void set_play_status(DriveSlot& drive, uint8_t status) {
  show_status(drive, status & 0x0F, kNoStatus, kNoStatus);
}

const char* shown_folder(const DriveSlot& drive) {
  if (drive.tray_open || !drive.medium) return "";
  return drive.disc_folder;
}

void lose_settings(DriveSlot& drive) { set_default_settings(drive); }

}  // namespace vdrive
