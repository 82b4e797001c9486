// The window's side of the frame driver: pacing the frames to a rate and
// measuring the rate the window achieves.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "ui/driver_state.h"

// Returns once the next frame slot of 1000/fps milliseconds has begun. A zero,
// negative or non-finite target means no pacing.
// The slots are read on `clock`.
void paceFrame(FramePacing& pacing, float fps, const FrameClock& clock);

// Counts a frame; every 3 seconds of the driver's clock the frames per
// second of the window that ended go to driver.fps (0 in the first).
void countFrame(DriverState& driver);
