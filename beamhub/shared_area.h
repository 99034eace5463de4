// The library's data area: one copy on the machine, shared by every process
// that has the library loaded (the Win32 shell places it in a shared section).
// Plain data only; all-zero is the state before the first attach.
#pragma once

#include <cstddef>
#include <cstdint>

#include "beamhub/aspi.h"
#include "beamhub/mmcd.h"

namespace beamhub {

// A window handle as the platform passes it.
using Hwnd = std::uintptr_t;

constexpr int kMaxClients = 4;
constexpr int kDriveCount = 26;
constexpr std::size_t kPathSize = MMCD_PATH_SIZE;

// Button-map entry flags.
constexpr uint8_t kLayerNormal = 0x01;
constexpr uint8_t kLayerShift = 0x02;
constexpr uint8_t kLayerMouse = 0x04;
constexpr uint8_t kAutoRepeat = 0x10;
constexpr uint8_t kLayerPriority = 0x20;

struct MapEntry {
  uint8_t flags;
  uint8_t count;      // code bytes, 0-6; 0 = not mapped
  uint8_t code[6];
  uint8_t extra[194]; // kept and handed out whole, no meaning here
};
static_assert(sizeof(MapEntry) == MMCD_MAP_ENTRY_SIZE, "button map entry");

using ButtonMap = MapEntry[MMCD_BUTTON_COUNT];
static_assert(sizeof(ButtonMap) == 9898, "button map");

// "Control" section of the button-map file.
struct ControlInfo {
  char make[11];
  char model[16];
  char description[41];
  uint8_t standard_mode[28];
  uint8_t remote_mode[46];
  uint8_t standard_mode_valid;  // all 28 bytes were given as hex digits
  uint8_t remote_mode_valid;    // all 46 bytes were given as hex digits
};

struct Settings {
  char app_path[kPathSize];
  char rcb_path[kPathSize];
  char wave_path[kPathSize];
  uint32_t mouse_interval;                  // 1-10
  char remote_controller[kPathSize + 1];    // expanded full path, at most 260 characters
  uint32_t intelligent_voice;               // 0 or 1
  char base_folder[kPathSize];              // current folder of the first process
};

struct ClientEntry {
  uint32_t handle;
  Hwnd window;
};

// One drive letter's record.
struct DriveRecord {
  uint16_t drive_type;    // GetDriveTypeA; 5 = CD-ROM
  uint16_t host_adapter;
  uint16_t lun;
  uint16_t target;
  uint32_t has_receiver;
  char product[17];
};
static_assert(offsetof(DriveRecord, host_adapter) == 2, "drive record layout");
static_assert(offsetof(DriveRecord, lun) == 4, "drive record layout");
static_assert(offsetof(DriveRecord, target) == 6, "drive record layout");
static_assert(offsetof(DriveRecord, has_receiver) == 8, "drive record layout");
static_assert(offsetof(DriveRecord, product) == 12, "drive record layout");
static_assert(sizeof(DriveRecord) == 32, "drive record layout");

// Mode page buffers: 8-byte mode header, page code, page length, parameters.
constexpr std::size_t kReportPageSize = 20;     // page 0x00
constexpr std::size_t kAudioPageSize = 24;      // page 0x0E
constexpr std::size_t kStandalonePageSize = 38; // page 0x20
constexpr std::size_t kPcModePageSize = 56;     // page 0x21
constexpr std::size_t kPageHeaderSize = 10;     // parameter byte k is buffer byte 10 + k

struct PageBuffers {
  uint8_t report[kReportPageSize];
  uint8_t audio[kAudioPageSize];
  uint8_t standalone[kStandalonePageSize];
  uint8_t pc_mode[kPcModePageSize];
};
static_assert(offsetof(PageBuffers, audio) == 20, "page buffers");
static_assert(offsetof(PageBuffers, standalone) == 44, "page buffers");
static_assert(offsetof(PageBuffers, pc_mode) == 82, "page buffers");
static_assert(sizeof(PageBuffers) == 138, "page buffers");

struct DriveState {
  DriveRecord drives[kDriveCount];  // index 0 = A:
  uint16_t current;                  // current drive index; 0 until a receiver drive is found
  char current_text[3];              // "X:"
  char letters[kDriveCount + 1];     // receiver drive letters in the order found
  uint16_t receiver_count;
  uint16_t adapter_count;
  uint8_t auto_insert_switched_off;  // at this start, on the current drive
  uint8_t settings_pages_valid;      // pages 0x20/0x21 hold parameters from a button-map file
  aspi::ExecRequest request;
  uint8_t cdb[12];
  PageBuffers pages;
  uint8_t sense_key;
  uint8_t sense_code;
  uint8_t sense_qualifier;
};

// Volume state: the target holding the volume and the values saved for each.
struct VolumeState {
  uint16_t target;  // 1 master mixer, 2 the drive's audio output, 0 before the first drive event
  uint16_t mixer_left;
  uint16_t mixer_right;
  uint16_t drive_left;
  uint16_t drive_right;
  uint32_t volume_control;     // master volume control identifier
  uint32_t mute_control;       // master mute control identifier
  uint8_t has_volume_control;
  uint8_t has_mute_control;
  uint8_t mixer_open;
  uint8_t self_change;         // set just before the library writes the mute control
  uint8_t drive_volume_known;  // drive_left/right hold what the drive was read or set to
};

// The 200 ms poll's state.
struct PollState {
  uint16_t elapsed;        // ms since the last accepted code, held at its top
  uint16_t last_decoded;   // 0xFFFF: a code that matched no button
  uint16_t last_accepted;
  uint16_t pending;        // 1085 = none
  uint8_t delivered;       // a code went out since the last idle notice
  uint8_t started;         // the first tick has run
  uint8_t busy;
};

struct SharedArea {
  uint16_t attach_count;
  // Odd while a process changes the capture or the client table, and one
  // more after each change: readers copy the table without a lock.
  uint32_t table_sequence;
  uint32_t capture_handle;
  Hwnd capture_window;
  ClientEntry clients[kMaxClients];
  uint16_t client_count;
  uint32_t last_status;
  uint16_t message_id;
  uint32_t last_handle;      // the most recent registration handle given out
  MMCD_STATUS status;
  alignas(8) uint8_t command_buffer[MMCD_CMD_BUFFER_SIZE];
  MMCD_VOICE voice;
  Hwnd poll_window;
  uint16_t pending_number;   // number for code 1093
  Settings settings;
  ControlInfo control;
  ButtonMap button_map;
  DriveState drive;
  VolumeState volume;
  PollState poll;
};

}  // namespace beamhub
