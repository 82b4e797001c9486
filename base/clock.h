// Monotonic millisecond clock used for frame pacing, frame-rate windows,
// messages and the time-based seed.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <cstdint>

// Milliseconds since an arbitrary fixed point, wrapping like a 32-bit counter.
std::uint32_t nowMs();

// Milliseconds of the process clock (the skip-render budget and the follow
// interval), as a double.
double processClockMs();

// Frame clock: while on, both clocks above stop following the machine and
// advance by a fixed number of milliseconds per frame instead, so that a
// seeded windowed run draws the same pictures however fast the machine is.
void useFrameClock(double msPerFrame);
void advanceFrameClock();
bool frameClockOn();
