// A run the window shows, as the window's loop runs its frames: a single
// world (ProgramRun) or an archipelago (ShownArchipelago). A frame's steps
// come in three parts, so that they can run beside the drawing of the frame
// before: `prepare` (on the loop's thread; true when steps follow), `steps`
// (maybe on another thread; it touches only the shown world) and `finish`
// (on the loop's thread, every frame; false when the run is over).
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include "ui/world.h"

class ShownRun {
public:
    virtual ~ShownRun() = default;

    virtual bool prepare(int pause) = 0;
    virtual void steps() {}
    virtual bool finish() = 0;
    // The world the window shows now.
    virtual World& shown() = 0;
};
