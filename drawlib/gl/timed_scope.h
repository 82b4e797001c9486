// The window's measurements of its frames: a wall clock in milliseconds and
// a scope that adds how long it lasted to a figure.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <chrono>

inline double wallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Adds the milliseconds from its making to its end to `into`.
class TimedScope {
public:
    explicit TimedScope(double& into) : into_(into), start_(wallMs()) {}
    ~TimedScope() { into_ += wallMs() - start_; }
    TimedScope(const TimedScope&) = delete;
    TimedScope& operator=(const TimedScope&) = delete;

private:
    double& into_;
    double start_;
};
