#include "ui/speed_gauge.h"

#include <cmath>
#include <cstdio>

void measureSpeed(SpeedGauge& g, double simSeconds, double wallSeconds)
{
    if (g.wallFrom < 0.0 || simSeconds < g.simFrom || wallSeconds < g.wallFrom) {
        g.wallFrom = wallSeconds;
        g.simFrom = simSeconds;
        return;
    }
    const double wall = wallSeconds - g.wallFrom;
    if (wall < kSpeedInterval)
        return;
    const double rate = (simSeconds - g.simFrom) / wall;
    if (!g.measured)
        g.speed = rate;
    else
        g.speed += (rate - g.speed) * (1.0 - std::exp(-wall / kSpeedSmoothing));
    g.measured = true;
    g.wallFrom = wallSeconds;
    g.simFrom = simSeconds;
}

std::string speedText(double speed)
{
    char text[32];
    if (!std::isfinite(speed) || speed < 0.0)
        speed = 0.0;
    if (speed >= 9.95)
        std::snprintf(text, sizeof text, "\xC3\x97%.0f", speed);
    else if (speed >= 0.995)
        std::snprintf(text, sizeof text, "\xC3\x97%.1f", speed);
    else
        std::snprintf(text, sizeof text, "\xC3\x97%.2f", speed);
    return text;
}
