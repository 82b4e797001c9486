// Simulation speed with the ecology on and off.
//
// For populations of 10, 50 and 100 creatures (held up by minPopulation) the
// world is built from a fixed seed and settled, then timed in alternating
// blocks of steps with the ecology on and with the physics alone (the
// physics floor) on the same world. Thread CPU time is measured, so other
// load on the machine disturbs the figures little. Prints steps per second of
// both and the ecology's share.
//
// Then the two physics set-ups on the same worlds of 10, 50, 100 and 200
// creatures, in alternating blocks: steps per second of each, and the cost
// per body (part) against the cost per body at 10 creatures, which shows how
// the collision grows with the crowd. `step_bench ROUNDS physics` runs only
// this part.
//
// Then the cost of watching a run: the statistics recorder's work per step
// (its check every step and its sample each simulated second, formatted as
// a statistics-file line) and the lineage log's line per life event, timed
// on their own against the same worlds' steps.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <cstdlib>
#include <vector>

#include "app/scene.h"
#include "thread_timing.h"

int bodiesOf(const World& w)
{
    int n = 0;
    for (const auto& a : w.sim.population)
        for (const auto& p : a.parts)
            n += p.exists;
    return n;
}

// The first two physics set-ups of the table, side by side.
void physicsSetupsCompared(int rounds)
{
    const char* a = physicsSetups()[0].name;
    const char* b = physicsSetups()[1].name;
    std::printf("%-11s %8s %14s %14s %11s%-7s %9s%-5s %10s\n", "population", "bodies", a, b,
                "us/body ", a, "us/body ", b, "speed-up");
    double perBody10[2] = {0, 0};
    for (int n : {10, 50, 100, 200}) {
        Scene scene(20261207u, n);
        World& w = scene.world();
        scene.step(300);
        const int block = std::max(10, 2000 / n);
        // The parts change spaces in the first step after a switch, outside
        // the timing.
        const std::vector<double> t = alternatingSecondsPerStep(
            scene, rounds, block, 2,
            [&](int v) { w.settings.physics = static_cast<PhysicsSetupId>(v); }, 1);
        const int bodies = bodiesOf(w);
        double perBody[2];
        for (int v : {0, 1}) {
            perBody[v] = t[v] / bodies * 1e6;
            if (n == 10)
                perBody10[v] = perBody[v];
        }
        std::printf("%-11d %8d %9.0f st/s %9.0f st/s %11.2f (%.2fx) %7.2f (%.2fx) %9.2fx\n", n,
                    bodies, 1.0 / t[0], 1.0 / t[1], perBody[0], perBody[0] / perBody10[0],
                    perBody[1], perBody[1] / perBody10[1], t[0] / t[1]);
    }
    std::printf("(x) after the cost per body: against the same set-up at 10 creatures\n");
}

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (argc > 2 && std::string(argv[2]) == "physics") {
        physicsSetupsCompared(rounds);
        return 0;
    }
    std::printf("%-11s %14s %14s %10s\n", "population", "ecology on", "physics only", "ecology %");
    std::vector<double> steps;
    for (int n : {10, 50, 100}) {
        Scene scene(20261207u, n);
        scene.step(300); // settle: bodies unfold and land

        const int block = std::max(20, 2000 / n);
        const std::vector<double> t = alternatingSecondsPerStep(
            scene, rounds, block, 2, [&](int v) {
                scene.setStepParts(v == 0 ? StepParts::Whole : StepParts::PhysicsOnly);
            });
        scene.setStepParts(StepParts::Whole);
        const double tOn = t[0];
        const double tOff = t[1];
        std::printf("%-11d %10.0f st/s %10.0f st/s %9.1f%%\n", n, 1.0 / tOn, 1.0 / tOff,
                    (tOn / tOff - 1.0) * 100.0);
        steps.push_back(tOn);
    }

    std::printf("\n");
    physicsSetupsCompared(rounds);

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
        const double t0 = w.sim.time;
        const int calls = 200000;
        const double c0 = cpuSeconds();
        for (int i = 0; i < calls; ++i) {
            w.sim.time = t0 + i * w.sim.stepSize;
            recorder.afterStep(w.sim);
            if (i % 100 == 0)
                file << lineageLogLine(lifeEventOf(LifeEvent::Birth, w.sim.population.front(),
                                                   w.sim.time));
        }
        const double perStep = (cpuSeconds() - c0) / calls;
        w.sim.time = t0;
        std::printf("%-11d %11.1f us %11.3f us %9.2f%%\n", n, steps[k] * 1e6, perStep * 1e6,
                    perStep / steps[k] * 100.0);
        ++k;
    }
    return 0;
}
