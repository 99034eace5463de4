// "disc.ini" of a disc folder: section [Disc], Type= the medium type code
// the drive reports (0-15), Tracks= the audio tracks' lengths in seconds,
// comma separated. Section [Video] gives the lengths of the items the video
// devices play, as durations: each .DAT file by its name (AVSEQ01.DAT=1:05:00)
// and the disc itself, as a CD-i opens it, by Disc=.
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

// A duration "[[h:]m:]s[.fff]" ("0:03:07", "3:07", "1:02:03.5", "12"):
// minutes and seconds below 60 when a larger unit precedes them, at most
// 99:59:59.999; blanks around it allowed. In milliseconds.
constexpr uint32_t kMaxDurationMs = ((99 * 60 + 59) * 60 + 59) * 1000 + 999;
bool parse_duration(const std::string& text, uint32_t& ms);
// "h:mm:ss.fff" with the hours and the fraction left out when zero.
std::string format_duration(uint32_t ms);

}  // namespace vdrive
