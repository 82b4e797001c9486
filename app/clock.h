// Monotonic millisecond clock used for frame pacing, frame-rate windows,
// messages and the time-based seed.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary fixed point, wrapping like a 32-bit counter.
std::uint32_t nowMs();

// Milliseconds of the process clock (the skip-render budget and the follow
// interval), as a double.
double processClockMs();
