// "disc.ini" of a disc folder: section [Disc], Type= the medium type code
// the drive reports (0-15), Tracks= the audio tracks' lengths in seconds,
// comma separated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdrive {

constexpr uint8_t kDefaultDiscType = 0;  // a data disc
constexpr std::size_t kMaxTracks = 99;
constexpr unsigned kMaxTrackSeconds = 99 * 60 + 59;

// A medium type code in decimal, blanks around it allowed.
bool parse_disc_type(const std::string& text, uint8_t& type);

// "215, 187,240": each 1 to 5999 seconds, at most 99; empty text is no
// tracks. False with a reason otherwise.
bool parse_track_lengths(const std::string& text, std::vector<unsigned>& seconds,
                         std::string& error);

}  // namespace vdrive
