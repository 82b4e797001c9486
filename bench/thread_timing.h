// Timing for the step benchmarks: the calling thread's processor time, so
// other load on the machine disturbs the figures little, and the median of
// repeated blocks.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

#include "app/scene.h"

inline double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Processor seconds the scene takes for that many steps.
inline double timeBlock(Scene& scene, int steps)
{
    const double t0 = cpuSeconds();
    scene.step(steps);
    return cpuSeconds() - t0;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
