#include "base/clock.h"

#include <chrono>

namespace {

bool frameClock = false;
double frameStep = 0.0;
double frameTime = 0.0;

} // namespace

std::uint32_t nowMs()
{
    if (frameClock)
        return static_cast<std::uint32_t>(static_cast<long long>(frameTime));
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

double processClockMs()
{
    if (frameClock)
        return frameTime;
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

void useFrameClock(double msPerFrame)
{
    frameClock = msPerFrame > 0.0;
    frameStep = msPerFrame;
    frameTime = 0.0;
}

void advanceFrameClock()
{
    frameTime += frameStep;
}

bool frameClockOn()
{
    return frameClock;
}
