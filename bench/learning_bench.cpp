// Simulation speed under the learning rules at the same population.
//
// For populations of 10, 30 and 60 creatures (held up by minPopulation) one
// world is built from a fixed seed and settled, then timed in alternating
// blocks of steps under each rule of the table, so every rule runs the same
// creatures in the same places. Thread CPU time is measured, so other load
// on the machine disturbs the figures little. Prints steps per second under
// each rule and each one's difference from the first.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/scene.h"
#include "thread_timing.h"

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::vector<LearningRule>& rules = learningRules();
    const int variants = static_cast<int>(rules.size());
    std::printf("%-11s", "population");
    for (const LearningRule& r : rules)
        std::printf(" %14s", r.name);
    for (int v = 1; v < variants; ++v)
        std::printf(" %10s", "change");
    std::printf("\n");
    for (int n : {10, 30, 60}) {
        Scene scene(20261207u, n);
        World& w = scene.world();
        scene.step(300); // settle: bodies unfold and land

        // Blocks long enough for every creature to pass a few cycle starts.
        const int block = std::max(200, 6000 / n);
        const std::vector<double> t = alternatingSecondsPerStep(
            scene, rounds, block, variants,
            [&](int v) { w.settings.learningRule = static_cast<LearningRuleId>(v); });
        std::printf("%-11d", n);
        for (double x : t)
            std::printf(" %9.0f st/s", 1.0 / x);
        for (int v = 1; v < variants; ++v)
            std::printf(" %+9.1f%%", (t[0] / t[static_cast<std::size_t>(v)] - 1.0) * 100.0);
        std::printf("\n");
    }
    return 0;
}
