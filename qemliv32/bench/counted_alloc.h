// Allocation accounting for the benches' memory figures: linking
// counted_alloc.cpp replaces the program's operator new and delete with
// ones that keep the bytes live and their peak.
#pragma once

#include <cstddef>

namespace bench {

std::size_t live_bytes();
std::size_t peak_bytes();
// The peak starts again from what is live now.
void reset_peak();

}  // namespace bench
