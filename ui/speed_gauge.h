// How fast the world runs against the wall clock: simulated seconds per wall
// second, smoothed over a few seconds so the figure reads calmly, for the
// status text and the fast-forward mark.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>

struct SpeedGauge {
    double wallFrom = -1.0; // wall and simulated seconds where the open interval began
    double simFrom = 0.0;
    double speed = 0.0;     // smoothed; 0 until the first interval has closed
    bool measured = false;
};

// Wall seconds an interval lasts before its rate is taken, and the time
// constant of the smoothing.
constexpr double kSpeedInterval = 0.25;
constexpr double kSpeedSmoothing = 2.0;

// Takes the simulated and wall clocks of a frame. Every kSpeedInterval wall
// seconds the rate of the interval moves the smoothed speed towards it (the
// first one sets it). Simulated time going back (a load, a new world)
// starts a new interval without a rate.
void measureSpeed(SpeedGauge& gauge, double simSeconds, double wallSeconds);

// "×38", "×2.5", "×0.41": a speed for the status text and the mark.
std::string speedText(double speed);
