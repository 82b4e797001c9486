// A length of simulated or wall time as the progress line and the panels
// show it: "42s", "3m05s", "2h07m".
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <string>

// "?" for what is not a time (negative, not finite, or beyond 10^7 s).
std::string formatDuration(double seconds);
