// pause.h: sleepMilliseconds, the wait before each poll of the switch.
//
// Blocks the calling thread for at least the given number of milliseconds;
// 0 or less returns at once. An interrupted sleep is resumed for the time
// that is left, so a signal never shortens the pause. Nothing fails.
#pragma once

#include <cstdint>

namespace cfgsnap::frontend {

void sleepMilliseconds(std::int64_t milliseconds);

}  // namespace cfgsnap::frontend
