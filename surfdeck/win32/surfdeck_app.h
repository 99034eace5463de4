// The front end's run, from the resource library to the last exit step:
// the window, the settings, DDE and the browser, the remote, the loop.
#pragma once

#include <windows.h>

#include <string>

namespace surfdeck {

// Runs the program with its resource library loaded; returns the exit code.
int run_front_end(HINSTANCE instance, HINSTANCE resources, const std::string& command_line, int show);

}  // namespace surfdeck
