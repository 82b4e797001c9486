#include "ui/frame_pacing.h"

#include <algorithm>
#include <cmath>
#include <thread>


void paceFrame(FramePacing& s, float fps, const FrameClock& clock)
{
    if (!(fps > 0.0f) || !std::isfinite(fps))
        return;
    const float slot = 1000.0f * (1.0f / fps);
    if (!(slot >= 1.0f && slot < 1e9f))
        return;
    const long long p = static_cast<long long>(slot);
    if (fps != s.lastPacingTarget) {
        s.lastPacingTarget = fps;
        s.pacingTick = clock.ms() / p;
    }
    long long c;
    for (;;) {
        c = clock.ms() / p;
        if (c >= s.pacingTick)
            break;
        // The millisecond counter wrapped: start counting slots afresh.
        if (s.pacingTick - c > 2) {
            s.pacingTick = c;
            break;
        }
        std::this_thread::yield();
    }
    s.pacingTick = std::max(s.pacingTick + 1, c);
}

void countFrame(DriverState& driver)
{
    FramePacing& s = driver.pacing;
    ++s.frameCount;
    const std::uint32_t window = driver.clock.ms() / 3000;
    if (!s.windowStarted || window != s.windowIndex) {
        driver.fps = s.windowStarted ? s.frameCount / 3 : 0;
        s.windowStarted = true;
        s.windowIndex = window;
        s.frameCount = 0;
    }
}
