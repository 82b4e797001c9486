#include "base/clock.h"

#include <chrono>

std::uint32_t nowMs()
{
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

double processClockMs()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

void FrameClock::fix(double msPerFrame)
{
    step_ = msPerFrame > 0.0 ? msPerFrame : 0.0;
    time_ = 0.0;
}

std::uint32_t FrameClock::ms() const
{
    return fixed() ? static_cast<std::uint32_t>(static_cast<long long>(time_)) : nowMs();
}

double FrameClock::processMs() const
{
    return fixed() ? time_ : processClockMs();
}
