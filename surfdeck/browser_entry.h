// Bounded reads of the appBrowser key and of its browser entries.
#pragma once

#include <optional>
#include <string>

#include "common/registry.h"

namespace surfdeck {

// The subkey of entry number n: "%02d" below the appBrowser key.
std::string entryKey(int number);

// A REG_SZ value that fits in bytes with its terminator; a longer one counts
// as unreadable, as it would with a buffer of that size.
std::optional<std::string> readBoundedText(halvo::Registry& registry, const std::string& key,
                                           const char* name, int bytes);

// The same, read as a decimal number (leading blanks and a sign allowed; 0
// when the text holds no number).
std::optional<int> readDecimal(halvo::Registry& registry, const std::string& key, const char* name,
                               int bytes);

}  // namespace surfdeck
