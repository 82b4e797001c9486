// The machine's monotonic millisecond clocks (the time-based seed, and what
// the window's frame clock follows unless it is fixed), and the frame clock
// a window's driver reads for pacing, frame-rate windows, messages, the
// camera's follow interval and the skip-render budget.
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

// The clock of a window's frames: the machine's clocks above, or, once
// fixed, a time that advances by a fixed number of milliseconds a frame, so
// that a seeded windowed run draws the same pictures however fast the
// machine is.
class FrameClock {
public:
    // From now on (from 0) the time advances msPerFrame a frame; 0 or less
    // follows the machine again.
    void fix(double msPerFrame);
    // A frame passed; nothing while the clock follows the machine.
    void advance() { time_ += step_; }
    bool fixed() const { return step_ > 0.0; }
    // As nowMs() and processClockMs().
    std::uint32_t ms() const;
    double processMs() const;

private:
    double step_ = 0.0;
    double time_ = 0.0;
};
