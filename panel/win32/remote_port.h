// The remote-control library's exports, imported by ordinal.
#pragma once

#include "panel/remote_link.h"

class RemotePort : public panel::RemoteLink {
public:
    uint32_t register_app(panel::WindowHandle window, uint16_t& message_id, uint32_t& handle) override;
    uint32_t unregister_app(uint32_t handle) override;
    uint32_t set_first_app(uint32_t handle) override;
    uint32_t get_cap(uint32_t handle, uint32_t capability, uint32_t& value) override;
    uint32_t get_drive(uint32_t handle, std::string& drive, std::string& receiver_drives) override;
    uint32_t set_cap(uint32_t handle, uint32_t capability, uint32_t value) override;
    uint32_t call_next_app(uint32_t code, MMCD_CMD& command) override;
};
