// Public interface of the remote-control library: status codes, capability
// identifiers and the records that travel with "MMCD_MSG". Portable: the
// Win32 prototypes of the exports are in win32/beamhub.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define MMCD_MESSAGE_NAME "MMCD_MSG"
#define MMCD_VERSION 0x00010001u

#define MMCD_OK                  0x80000000u
#define MMCD_ERR_NO_RECEIVER     0x80000001u
#define MMCD_ERR_NOT_FOUND       0x80000002u
#define MMCD_ERR_BUSY            0x80000003u
#define MMCD_ERR_BAD_PARAM       0x80000004u
#define MMCD_ERR_NO_REMOTE_DRIVE 0x80000005u
#define MMCD_ERR_UNSUPPORTED     0x80000007u
#define MMCD_ERR_SOUND           0x80000008u

#define MMCD_CAP_SETTINGS          0x1000u
#define MMCD_CAP_DRIVE             0x1001u
#define MMCD_CAP_DISC_TYPE         0x1002u
#define MMCD_CAP_VOLUME            0x1003u
#define MMCD_CAP_MOUSE_INTERVAL    0x1004u
#define MMCD_CAP_REMOTE_CONTROLLER 0x1005u
#define MMCD_CAP_BUTTON_MAP        0x1006u
#define MMCD_CAP_RESERVED_7        0x1007u
#define MMCD_CAP_RESERVED_8        0x1008u
#define MMCD_CAP_MOUSE_LOCK        0x1009u
#define MMCD_CAP_SHIFT_LOCK        0x100Au
#define MMCD_CAP_PLAY_STATE        0x100Bu
#define MMCD_CAP_MUTE              0x100Cu
#define MMCD_CAP_VOICE             0x100Du

// Longest button name ("SkipBackwards") and its terminator.
#define MMCD_NAME_SIZE 14
// Longest file name of a standard announcement ("PAGEDOWN.WAV") and its terminator.
#define MMCD_STD_FILE_SIZE 13
#define MMCD_PATH_SIZE 260
#define MMCD_CMD_BUFFER_SIZE 1024
#define MMCD_CMD_HEADER_SIZE 12
#define MMCD_BUTTON_COUNT 49
#define MMCD_MAP_ENTRY_SIZE 202

// lParam of every button message sent by the poll window.
typedef struct MMCD_STATUS {
  uint16_t value;        // value byte of the last drive report
  uint16_t disc_type;
  uint16_t play_state;
  uint16_t drive;        // 0 = A:
  uint8_t raw_code[6];   // last received remote code; zero after a drive event
  uint16_t mute;
  uint16_t shift_lock;
  uint16_t mouse_lock;
  uint16_t special_mode;
  uint16_t voice;
  char name[MMCD_NAME_SIZE];  // button name for codes 1024-1072, else empty
} MMCD_STATUS;

// Record behind code 1091. In the command buffer only the first 12 bytes are
// kept and the payload follows at offset 12.
typedef struct MMCD_CMD {
  uint16_t cmd_class;    // bit 15: offer to the capture window too
  uint16_t item;
  uint32_t value;
  uint32_t length;       // payload bytes
  void* data;            // caller's payload, or null
} MMCD_CMD;

// Record behind code 1088.
typedef struct MMCD_VOICE {
  uint16_t code;         // code to announce, or 0
  uint16_t number;       // spoken after the announcement; 0 = none
  uint32_t sound_flags;  // handed to the sound-playing call
  char file[MMCD_PATH_SIZE];  // relative to the wave folder
} MMCD_VOICE;

#ifdef __cplusplus
static_assert(offsetof(MMCD_STATUS, disc_type) == 2, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, play_state) == 4, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, drive) == 6, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, raw_code) == 8, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, mute) == 14, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, shift_lock) == 16, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, mouse_lock) == 18, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, special_mode) == 20, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, voice) == 22, "MMCD_STATUS layout");
static_assert(offsetof(MMCD_STATUS, name) == 24, "MMCD_STATUS layout");
static_assert(sizeof(MMCD_STATUS) == 38, "MMCD_STATUS layout");

static_assert(offsetof(MMCD_CMD, item) == 2, "MMCD_CMD layout");
static_assert(offsetof(MMCD_CMD, value) == 4, "MMCD_CMD layout");
static_assert(offsetof(MMCD_CMD, length) == 8, "MMCD_CMD layout");
// The data pointer follows the 12-byte header: at 12 on 32-bit Windows,
// at its natural 8-byte alignment on 64-bit.
static_assert(offsetof(MMCD_CMD, data) == (sizeof(void*) == 4 ? 12 : 16), "MMCD_CMD layout");

static_assert(offsetof(MMCD_VOICE, number) == 2, "MMCD_VOICE layout");
static_assert(offsetof(MMCD_VOICE, sound_flags) == 4, "MMCD_VOICE layout");
static_assert(offsetof(MMCD_VOICE, file) == 8, "MMCD_VOICE layout");
#endif
