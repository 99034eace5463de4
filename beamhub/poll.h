// The 200 ms poll: reading the receiver report, decoding remote codes and
// drive events, the repeat filter, the inside actions (mode toggles, mouse
// keys, volume, disc probe) and what an unclaimed code does by default.
#pragma once

#include <cstdint>

#include "beamhub/disc.h"
#include "beamhub/hub.h"
#include "beamhub/volume.h"

namespace beamhub {

constexpr uint16_t kTickMs = 200;
constexpr uint16_t kRepeatMs = 500;
constexpr int kFirstPollAttempts = 10;

enum class CdCommand { stop, open_door, close_door };

// Virtual-key codes of the keys typed for unclaimed buttons.
constexpr uint8_t kVkTab = 0x09;
constexpr uint8_t kVkReturn = 0x0D;
constexpr uint8_t kVkMenu = 0x12;
constexpr uint8_t kVkEscape = 0x1B;
constexpr uint8_t kVkSpace = 0x20;
constexpr uint8_t kVkPrior = 0x21;
constexpr uint8_t kVkNext = 0x22;
constexpr uint8_t kVkLeft = 0x25;
constexpr uint8_t kVkUp = 0x26;
constexpr uint8_t kVkRight = 0x27;
constexpr uint8_t kVkDown = 0x28;

// What the poll needs of the platform besides the library's own services.
class PollHost {
 public:
  virtual ~PollHost() = default;
  // A relative pointer move in mouse units.
  virtual void mouse_move(int dx, int dy) = 0;
  // Button down and at once up.
  virtual void mouse_click(bool right) = 0;
  // Key down and at once up.
  virtual void key(uint8_t virtual_key) = 0;
  // One CD audio command on the drive; false when it failed.
  virtual bool cd_command(char drive_letter, CdCommand command) = 0;
  virtual DiscFiles& disc_files() = 0;
};

class Poller {
 public:
  Poller(SharedArea& area, Hub& hub, AspiPort& aspi, PollHost& host)
      : area_(area), hub_(hub), aspi_(aspi), host_(host) {}

  // Right after the poll window is made: the first receiver state, read
  // without delivering anything.
  void first_poll();
  // One timer tick.
  void tick();
  // A mixer control changed.
  void mixer_changed(uint32_t control_id);

 private:
  uint16_t read_and_decode();
  uint16_t decode(const uint8_t* report);
  void apply_play_status(uint8_t nibble);
  void classify();
  bool accepted(uint16_t code) const;
  uint16_t inside_action(uint16_t code);
  void default_action(uint16_t code);
  void tray_closed();
  void tray_opened();
  void toggle_special_mode();
  char drive_letter() const { return area_.drive.current_text[0]; }

  SharedArea& area_;
  Hub& hub_;
  AspiPort& aspi_;
  PollHost& host_;
};

}  // namespace beamhub
