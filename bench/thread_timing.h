// Timing for the step benchmarks: the calling thread's processor time, so
// other load on the machine disturbs the figures little, the median of
// repeated blocks, and variants of one world timed in alternating blocks.
#pragma once

#include <time.h>

#include <algorithm>
#include <functional>
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

// Processor seconds per step of each of `variants` ways to run the scene's
// world, timed in alternating blocks of `block` steps, `rounds` times, so
// every variant runs the same creatures in about the same places: the
// median of each. `choose(i)` switches the world to variant i; `unTimed`
// steps after a switch are not timed (parts that change spaces, say).
inline std::vector<double> alternatingSecondsPerStep(Scene& scene, int rounds, int block,
                                                     int variants,
                                                     const std::function<void(int)>& choose,
                                                     int unTimed = 0)
{
    std::vector<std::vector<double>> t(static_cast<std::size_t>(variants));
    for (int r = 0; r < rounds; ++r)
        for (int v = 0; v < variants; ++v) {
            choose(v);
            if (unTimed > 0)
                scene.step(unTimed);
            t[static_cast<std::size_t>(v)].push_back(timeBlock(scene, block) / block);
        }
    std::vector<double> medians;
    for (const auto& times : t)
        medians.push_back(median(times));
    return medians;
}
