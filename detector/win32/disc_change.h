// Programs the detector starts for a disc, a menu command and the Web
// button: players, a data disc's autorun command, a mixed-mode disc's
// installer and the web front end.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>

namespace detector {

// CreateProcessA in a new console at high priority, shown normally; on
// failure the start-failure box. True when started.
bool start_program(HWND owner, const std::string& command_line);

// Code 1090: the program for the disc type on the drive (0 = A:).
void start_for_disc(HWND owner, uint16_t disc_type, uint16_t drive);

// A "play as" menu command: the kind's play command for the drive; when it
// is missing, says so.
void play_as(HWND owner, int kind, char letter);

// "<AppPath>\surfdeck.exe".
void start_web_front_end(HWND owner);

}  // namespace detector
