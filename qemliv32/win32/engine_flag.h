// The one engine a process may hold: its constructor sets the flag, its
// destructor clears it.
#pragma once

namespace qem {

// False, and nothing changed, when an engine exists already.
bool set_engine_flag();
void clear_engine_flag();
bool engine_exists();

}  // namespace qem
