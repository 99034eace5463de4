// The ASPI for Win32 interface of wnaspi32.dll: request codes, status values
// and the request blocks as the library lays them out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aspi {

constexpr uint8_t SC_HA_INQUIRY = 0x00;
constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;

constexpr uint8_t SS_PENDING = 0x00;
constexpr uint8_t SS_COMP = 0x01;
constexpr uint8_t SS_ABORTED = 0x02;
constexpr uint8_t SS_ERR = 0x04;
constexpr uint8_t SS_INVALID_HA = 0x81;
constexpr uint8_t SS_NO_DEVICE = 0x82;

constexpr uint8_t SRB_DIR_IN = 0x08;
constexpr uint8_t SRB_DIR_OUT = 0x10;

constexpr uint8_t DTYPE_CDROM = 0x05;

// Execute-SCSI-command request (80 bytes on 32-bit Windows).
struct ExecRequest {
  uint8_t command;        // SC_EXEC_SCSI_CMD
  uint8_t status;         // SS_*
  uint8_t host_adapter;
  uint8_t flags;          // SRB_DIR_*
  uint32_t reserved_header;
  uint8_t target;
  uint8_t lun;
  uint16_t reserved1;
  uint32_t data_length;
  uint8_t* data;
  uint8_t sense_length;
  uint8_t cdb_length;
  uint8_t ha_status;
  uint8_t target_status;
  void* post_proc;
  uint8_t reserved2[20];
  uint8_t cdb[16];
  uint8_t sense[16];      // fixed-format sense data: key in [2], ASC [12], ASCQ [13]
};

// Get-device-type request.
struct DeviceTypeRequest {
  uint8_t command;        // SC_GET_DEV_TYPE
  uint8_t status;
  uint8_t host_adapter;
  uint8_t flags;
  uint32_t reserved_header;
  uint8_t target;
  uint8_t lun;
  uint8_t device_type;    // DTYPE_*
  uint8_t reserved1;
};

// Host-adapter inquiry request.
struct HaInquiryRequest {
  uint8_t command;        // SC_HA_INQUIRY
  uint8_t status;
  uint8_t host_adapter;
  uint8_t flags;
  uint32_t reserved_header;
  uint8_t adapter_count;
  uint8_t host_id;
  char manager_id[16];
  char adapter_id[16];
  uint8_t unique[16];
  uint16_t reserved1;
};

static_assert(offsetof(ExecRequest, host_adapter) == 2, "request block layout");
static_assert(offsetof(ExecRequest, flags) == 3, "request block layout");
static_assert(offsetof(ExecRequest, target) == 8, "request block layout");
static_assert(offsetof(ExecRequest, lun) == 9, "request block layout");
static_assert(offsetof(ExecRequest, data_length) == 12, "request block layout");
static_assert(offsetof(ExecRequest, data) == 16, "request block layout");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(ExecRequest, sense_length) == 20, "request block layout");
static_assert(offsetof(ExecRequest, cdb_length) == 21, "request block layout");
static_assert(offsetof(ExecRequest, cdb) == 48, "request block layout");
static_assert(offsetof(ExecRequest, sense) == 64, "request block layout");
static_assert(sizeof(ExecRequest) == 80, "request block layout");
#else
// 64-bit: the two pointers take their natural size and alignment.
static_assert(offsetof(ExecRequest, sense_length) == 24, "request block layout");
static_assert(offsetof(ExecRequest, cdb) == 60, "request block layout");
static_assert(offsetof(ExecRequest, sense) == 76, "request block layout");
static_assert(sizeof(ExecRequest) == 96, "request block layout");
#endif
static_assert(offsetof(DeviceTypeRequest, target) == 8, "device type request layout");
static_assert(offsetof(DeviceTypeRequest, device_type) == 10, "device type request layout");

}  // namespace aspi
