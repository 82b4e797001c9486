// Simulation speed with the ecology on and off.
//
// For populations of 10, 50 and 100 creatures (held up by minPopulation) the
// world is built from a fixed seed and settled, then timed in alternating
// blocks of steps with the ecology on and with ecologyEnabled cleared (the
// physics floor) on the same world. Thread CPU time is measured, so other
// load on the machine disturbs the figures little. Prints steps per second of
// both and the ecology's share.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/scene.h"

namespace {

double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double timeBlock(Scene& scene, int steps)
{
    const double t0 = cpuSeconds();
    scene.step(steps);
    return cpuSeconds() - t0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::printf("%-11s %14s %14s %10s\n", "population", "ecology on", "physics only", "ecology %");
    for (int n : {10, 50, 100}) {
        Scene scene(20261207u, n);
        World& w = scene.world();
        scene.step(300); // settle: bodies unfold and land

        const int block = std::max(20, 2000 / n);
        std::vector<double> on, off;
        for (int r = 0; r < rounds; ++r) {
            w.ecologyEnabled = 1;
            on.push_back(timeBlock(scene, block) / block);
            w.ecologyEnabled = 0;
            off.push_back(timeBlock(scene, block) / block);
        }
        w.ecologyEnabled = 1;
        const double tOn = median(on);
        const double tOff = median(off);
        std::printf("%-11d %10.0f st/s %10.0f st/s %9.1f%%\n", n, 1.0 / tOn, 1.0 / tOff,
                    (tOn / tOff - 1.0) * 100.0);
    }
    return 0;
}
