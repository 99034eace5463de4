// QEMPLAY.INI through the system's private-profile calls, and the system's
// GUID maker for the Player ID. Reached through factories so callers need
// not include the settings headers.
#pragma once

#include <string>

namespace qem {

class ProfileStore;
class GuidSource;

// The profile file `file`: a plain name ("QEMPLAY.INI") is found by the
// system in the Windows folder, a path is used as it stands. The store
// lives as long as the program.
ProfileStore& private_profile_store(const std::string& file);

// CoCreateGuid.
GuidSource& system_guid_source();

}  // namespace qem
