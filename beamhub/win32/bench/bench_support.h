// What the Win32 latency benches share: the one clock, a message pump, an
// import wrapped to time the library's own calls, the voice switched off
// for a run, the receiver drive of the virtual machine, percentiles.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "sim/drive/vdrive.h"

namespace bench {

// QueryPerformanceCounter.
int64_t now();

// Runs this thread's messages (the poll timer among them) for ms.
void pump(DWORD ms);

// Points the module's import of dll!name at replacement; the function it
// imported before, or null.
void* wrap_import(HMODULE module, const char* dll, const char* name, void* replacement);

// The suite's "IntelligentVoice" as it was before the run switched it off
// (announcements hold the poll up).
struct Voice {
  bool had = false;
  DWORD value = 0;
};
Voice voice_off();
void restore_voice(const Voice& old);

// The first present drive with a receiver, or null.
vdrive::DriveSlot* receiver_drive(vdrive::MachineState& state);

// A hidden popup window of a class of its own, for a bench's client.
HWND client_window(const char* class_name, WNDPROC procedure);

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p);

}  // namespace bench
