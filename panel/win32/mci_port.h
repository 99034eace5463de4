// The panel's MCI commands sent with mciSendCommandA and the parameter block
// of each message.
#pragma once

#include "panel/mci.h"

class MciPort : public panel::Mci {
public:
    panel::MciResult send(const panel::MciCommand& command) override;
    std::string error_text(uint32_t error) override;
};
