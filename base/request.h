// A request queued by a control-bar button and executed by the step driver at
// the start of the next unpaused frame.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

struct Request {
    enum Kind : int {
        LoadAll = 0,
        SaveAll = 1,
        LoadCreature = 2,
        SaveCreature = 3,
        Initialize = 4
    };

    int kind = Initialize;
    int number = -1; // folder number 1..5, or -1 for Initialize
};
