// What the receiver hears, as text: a button's entry in a button-map file
// (a counted hex string) and raw code bytes typed on the command line.
#pragma once

#include <string>
#include <vector>

#include "sim/drive/vdrive.h"

namespace vdrive {

constexpr std::size_t kMappingChars = 16;  // characters of a Mapping value that count

// The code a Mapping value stands for: two lower-case hex digits of flags,
// two of the count n (1-6), then n code bytes; the rest of the six bytes are
// zero. A byte whose pair holds anything but lower-case hex digits is 0,
// as the remote-control library reads it. False with a reason when the
// value maps no code.
bool decode_mapping(const std::string& value, uint8_t (&code)[kCodeSize], std::string& error);

// Up to six code bytes from words of hex digits ("14 eb", "14eb4e",
// "0x14"), zero-padded. False with a reason otherwise.
bool parse_code_bytes(const std::vector<std::string>& words, uint8_t (&code)[kCodeSize],
                      std::string& error);

// The button-map file to read: the one named on the command line, else the
// suite's RemoteController setting (null when it has none), else "zk.rcb"
// in the current folder.
std::string button_map_file(const std::string& option, const std::string* remote_controller);

}  // namespace vdrive
