// Master volume and mute on the Windows mixer, the drive's own volume through
// the CD audio control page, and the remote's mute and volume actions.
#pragma once

#include <cstdint>
#include <string>

#include "beamhub/drive.h"
#include "beamhub/shared_area.h"

namespace beamhub {

// Mixer device 0 as the platform offers it (controls by identifier).
class MixerPort {
 public:
  virtual ~MixerPort() = default;
  // Opens the mixer with the poll window as callback window.
  virtual bool open() = 0;
  virtual void close() = 0;
  // The long name of the control with this identifier; false past the last one.
  virtual bool control_name(uint32_t id, std::string& long_name) = 0;
  virtual bool read_volume(uint32_t id, uint16_t& value) = 0;   // uniform, one channel
  virtual bool write_volume(uint32_t id, uint16_t value) = 0;
  virtual bool read_mute(uint32_t id, bool& muted) = 0;
  virtual bool write_mute(uint32_t id, bool muted) = 0;
};

constexpr uint16_t kTargetNone = 0;
constexpr uint16_t kTargetMixer = 1;
constexpr uint16_t kTargetDrive = 2;
constexpr int32_t kVolumeStep = 4096;

class Volume {
 public:
  Volume(SharedArea& area, MixerPort& mixer, AspiPort& aspi)
      : area_(area), mixer_(mixer), aspi_(aspi) {}

  // First attach: open the mixer, find the master controls by name, read
  // mute and volumes into the saved values.
  void setup();
  void shut_down();

  // Sets the volume of a target (0 = the current one), relative or absolute,
  // clamped to 0-0xFFFF.
  void set(int32_t left, int32_t right, uint16_t target, bool relative);
  // Writes the mute flag to the mixer; the drive gets 0 while muted.
  void apply_mute();

  // Remote actions: Mute (1027), VolumeUp (1036, 1077), VolumeDown (1037, 1078).
  void on_code(uint16_t code);
  // Drive report: the mixer (true) or the drive (false) holds the volume.
  void on_target_report(bool mixer_holds);
  // Mixer change notification for a control; true when a mute change made
  // outside the library must reach the programs as 1027.
  bool on_mixer_change(uint32_t control_id);

  // The drive's volume from the CD audio control page (byte x 257 per channel).
  bool read_drive_volume(uint16_t& left, uint16_t& right);

 private:
  bool write_drive_volume(uint16_t left, uint16_t right);

  SharedArea& area_;
  MixerPort& mixer_;
  AspiPort& aspi_;
};

}  // namespace beamhub
