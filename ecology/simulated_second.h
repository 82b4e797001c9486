// Records that keep figures once a simulated second (the statistics, the
// hall of fame, the family tree) ask here whether a step began a new one.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <cmath>

// True when `time` lies in another whole second than `lastSecond` (which
// then becomes it); false for a time that is not finite or beyond any run.
inline bool enteredNewSecond(double time, long long& lastSecond)
{
    if (!(std::fabs(time) < 1e15))
        return false;
    const long long second = static_cast<long long>(std::floor(time));
    if (second == lastSecond)
        return false;
    lastSecond = second;
    return true;
}
