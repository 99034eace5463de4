// Drive commands over ASPI (MODE SENSE / MODE SELECT of the vendor pages),
// sense decoding, page checks and fix-ups, programming the drive's remote
// settings, and receiver discovery.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "beamhub/aspi.h"
#include "beamhub/shared_area.h"

namespace beamhub {

// Command results.
enum CommandResult : uint16_t {
  kCmdFailed = 0x1000,
  kCmdUnsupported = 0x1001,
  kCmdNotReady = 0x1002,
  kCmdGood = 0x1100,
  kCmdNoMedium = 0x1101,
  kCmdMediumChanged = 0x1102,
};

enum Page : uint8_t {
  kPageReport = 0x00,
  kPageAudio = 0x0E,
  kPageStandalone = 0x20,
  kPagePcMode = 0x21,
};

enum class Transport { ok, open_failed, io_failed };

// The platform's ASPI services (the Win32 shell implements it).
class AspiPort {
 public:
  virtual ~AspiPort() = default;
  // GetASPI32SupportInfo.
  virtual uint32_t support_info() = 0;
  // SendASPI32Command with a get-device-type request; the status may still
  // be pending when it returns.
  virtual void send(aspi::DeviceTypeRequest& request) = 0;
  // Sends one execute-SCSI request and returns once it has completed, with
  // the sense area filled in by the driver.
  virtual Transport execute(aspi::ExecRequest& request) = 0;
  virtual void sleep_ms(unsigned ms) = 0;
};

// Result of a sense key and additional sense code.
uint16_t decode_sense(uint8_t key, uint8_t code);

// 10-byte command blocks (the rest of the 12-byte block is zero).
void build_mode_sense(uint8_t cdb[12], uint8_t page, uint16_t length);
void build_mode_select(uint8_t cdb[12], uint8_t page, uint16_t length);

// Buffer size of a page, 0 for a page this library does not use.
std::size_t page_buffer_size(uint8_t page);

// True when a page read back carries its code and length (bytes 8 and 9).
bool page_is_valid(const uint8_t* buffer, uint8_t page);

// The changes made to a page buffer before it is written.
void fix_up_page(uint8_t* buffer, uint8_t page);

class DriveCommands {
 public:
  DriveCommands(DriveState& state, AspiPort& port) : state_(state), port_(port) {}

  // Reads a page of the current drive into its buffer (cleared first).
  uint16_t mode_sense(uint8_t page) { return mode_sense(state_.current, page); }
  uint16_t mode_sense(uint16_t drive, uint8_t page);
  // Writes a page buffer to the current drive after its fix-ups.
  uint16_t mode_select(uint8_t page);

  // Sets the pcMode and special bits in page 0x20 and sends pages 0x20 and
  // 0x21 three times; nothing is sent while no settings pages were loaded.
  void program(bool pc_mode, bool special);

 private:
  uint16_t run(uint16_t drive, uint8_t direction, uint8_t* buffer, uint16_t length);

  DriveState& state_;
  AspiPort& port_;
};

// What the hardware registry says of one device.
struct DeviceEntry {
  std::string product;       // "ProductId"
  std::string letters;       // "CurrentDriveLetterAssignment"
  std::string lun;           // "SCSILUN", decimal text
  std::string target;        // "SCSITargetID", decimal text
  int auto_insert = -1;      // "AutoInsertNotification" first byte, -1 when missing
};

// The platform's drive and hardware-registry queries.
class DiscoveryHost {
 public:
  virtual ~DiscoveryHost() = default;
  virtual uint16_t drive_type(char letter) = 0;
  // "HardWareKey" of each device in enumeration order.
  virtual std::vector<std::string> hardware_keys() = 0;
  virtual bool read_device(const std::string& hardware_key, DeviceEntry& entry) = 0;
  // Writes AutoInsertNotification as one zero byte.
  virtual void clear_auto_insert(const std::string& hardware_key) = 0;
};

// Finds the drives that carry a receiver; rewrites the drive table, the
// letter string, the current drive and the receiver count.
void discover(DriveState& state, AspiPort& port, DiscoveryHost& host);

}  // namespace beamhub
