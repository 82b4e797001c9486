// Simulation speed with the ecology on and off.
//
// For populations of 10, 50 and 100 creatures (held up by minPopulation) the
// world is built from a fixed seed and settled, then timed in alternating
// blocks of steps with the ecology on and with ecologyEnabled cleared (the
// physics floor) on the same world. Thread CPU time is measured, so other
// load on the machine disturbs the figures little. Prints steps per second of
// both and the ecology's share.
//
// Then the cost of watching a run: the statistics recorder's work per step
// (its check every step and its sample each simulated second, formatted as
// a statistics-file line) and the lineage log's line per life event, timed
// on their own against the same worlds' steps.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
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
    std::vector<double> steps;
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
        steps.push_back(tOn);
    }

    // Recording, on a world of each size: a fresh recorder fed as the step
    // feeds it, one simulated second every 1/stepSize calls, with a sink
    // that formats each sample as the statistics file does, and a lineage
    // line for every 100 steps (far more life events than runs have).
    std::printf("\n%-11s %14s %14s %10s\n", "population", "step", "recording", "share");
    int k = 0;
    for (int n : {10, 50, 100}) {
        Scene scene(20261207u, n);
        World& w = scene.world();
        scene.step(30);
        StatisticsRecorder recorder;
        std::ostringstream file;
        recorder.addSink([&file](const StatsSample& x) { file << statsCsvLine(x); });
        const double t0 = w.simData.simulationTime;
        const int calls = 200000;
        const double c0 = cpuSeconds();
        for (int i = 0; i < calls; ++i) {
            w.simData.simulationTime = t0 + i * w.stepSize;
            recorder.afterStep(w);
            if (i % 100 == 0)
                file << lineageLogLine(lifeEventOf(LifeEvent::Birth, w.population.front(),
                                                   w.simData.simulationTime));
        }
        const double perStep = (cpuSeconds() - c0) / calls;
        w.simData.simulationTime = t0;
        std::printf("%-11d %11.1f us %11.3f us %9.2f%%\n", n, steps[k] * 1e6, perStep * 1e6,
                    perStep / steps[k] * 100.0);
        ++k;
    }
    return 0;
}
