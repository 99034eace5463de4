// The panel's command line (the text after the program name), as the
// detector and the shell's play commands write it:
//   ""                    nothing to start with
//   "-xxxx <path>"        a file: a five-character switch and a blank, then the path
//   "/play /cda" ...      a disc of a given type is expected in the drive
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace panel {

struct StartRequest {
  enum Form {
    plain,        // empty, or a first character that names nothing
    file,         // path holds the file
    short_file,   // a "-" text too short to hold its switch: refused
    play_switch,  // expected_disc and mismatch_text are set
    bad_switch,   // a "/" text that is none of the switches
  };
  Form form = plain;
  std::string path;
  uint16_t expected_disc = 0;   // the remote-control library's disc type
  uint32_t mismatch_text = 0;   // string shown when another disc is in
};

StartRequest parse_command_line(std::string_view text);

// A ".cda" file named on the command line carries its track number between
// the 15th character and the last four ("-play D:\Track07.cda" gives 7).
// nullopt when the text is too short or holds no number there.
std::optional<int> command_line_track(std::string_view text);

}  // namespace panel
