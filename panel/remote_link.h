// The remote-control library as the panel uses it: one call per export, the
// status codes returned as they come (MMCD_OK on success).
#pragma once

#include <cstdint>
#include <string>

#include "beamhub/mmcd.h"
#include "panel/mci.h"

namespace panel {

class RemoteLink {
 public:
  virtual ~RemoteLink() = default;

  // mmcdRegisterApp.
  virtual uint32_t register_app(WindowHandle window, uint16_t& message_id, uint32_t& handle) = 0;
  // mmcdUnregisterApp.
  virtual uint32_t unregister_app(uint32_t handle) = 0;
  // mmcdSetFirstApp.
  virtual uint32_t set_first_app(uint32_t handle) = 0;
  // mmcdGetCap for the capabilities that answer one 32-bit value in p1.
  virtual uint32_t get_cap(uint32_t handle, uint32_t capability, uint32_t& value) = 0;
  // mmcdGetCap(MMCD_CAP_DRIVE): p1 the current drive ("D:"), p2 the letters
  // of every receiver drive ("DE"). The library needs both buffers.
  virtual uint32_t get_drive(uint32_t handle, std::string& drive, std::string& receiver_drives) = 0;
  // mmcdSetCap with a 32-bit value in p1 and 0 in p2.
  virtual uint32_t set_cap(uint32_t handle, uint32_t capability, uint32_t value) = 0;
  // mmcdCallNextApp(code, &command).
  virtual uint32_t call_next_app(uint32_t code, MMCD_CMD& command) = 0;
};

}  // namespace panel
