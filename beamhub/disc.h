// Telling the kind of disc in the drive from the medium type the drive
// reports and the folders and files on the disc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace beamhub {

// The disc's files as the platform sees them; paths like "D:\vcd\info.vcd".
class DiscFiles {
 public:
  virtual ~DiscFiles() = default;
  virtual bool file_exists(const std::string& path) = 0;
  virtual bool folder_exists(const std::string& path) = 0;
  // The first bytes of a file (at most size); false when it cannot be read.
  virtual bool read_start(const std::string& path, uint8_t* out, std::size_t size,
                          std::size_t& got) = 0;
  // True when a file matches a pattern with '?' wildcards in its last part.
  virtual bool any_match(const std::string& pattern) = 0;
};

bool is_video_cd(char drive_letter, DiscFiles& files);
bool is_qmcd(char drive_letter, DiscFiles& files);

// Disc type from the medium type nibble and, for the rest, the disc's files.
uint16_t classify_disc(uint8_t medium_nibble, char drive_letter, DiscFiles& files);

}  // namespace beamhub
