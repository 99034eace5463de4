// String helpers of the URL parser, and the debugger-output line it writes
// when memory runs out.
#pragma once

#include <string>
#include <string_view>

namespace qem {

// Receives whole lines (with their line end). The Win32 shell points it at
// OutputDebugStringA; until then, and when set to nullptr, lines are dropped.
using DebugOutput = void (*)(const char* line);
void set_debug_output(DebugOutput out);

// Writes "<module> <function>: out of memory.\n" to the debugger output.
void report_out_of_memory(const char* module, const char* function);

// Drops dest's old string, then stores a fresh copy of src, or leaves dest
// empty when src is absent (nullptr). False, with dest empty, when memory
// runs out.
bool HTSACopy(std::string& dest, const char* src);

// Appends src to dest. False, with dest unchanged, when memory runs out.
bool HTSACat(std::string& dest, std::string_view src);

// ASCII comparison without regard to case: <0, 0 or >0 like strcmp.
int strcasecomp(std::string_view a, std::string_view b);

}  // namespace qem
