// Simulation speed under the two learning rules at the same population.
//
// For populations of 10, 30 and 60 creatures (held up by minPopulation) one
// world is built from a fixed seed and settled, then timed in alternating
// blocks of steps under learningRule 0 and learningRule 1, so both rules run
// the same creatures in the same places. Thread CPU time is measured, so
// other load on the machine disturbs the figures little. Prints steps per
// second under each rule and the difference.
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
    std::printf("%-11s %14s %14s %10s\n", "population", "rule 0", "rule 1", "change");
    for (int n : {10, 30, 60}) {
        Scene scene(20261207u, n);
        World& w = scene.world();
        scene.step(300); // settle: bodies unfold and land

        // Blocks long enough for every creature to pass a few cycle starts.
        const int block = std::max(200, 6000 / n);
        std::vector<double> t0, t1;
        for (int r = 0; r < rounds; ++r) {
            for (int rule : {0, 1}) {
                w.learningRule = rule;
                (rule == 0 ? t0 : t1).push_back(timeBlock(scene, block) / block);
            }
        }
        const double a = median(t0);
        const double b = median(t1);
        std::printf("%-11d %10.0f st/s %10.0f st/s %+9.1f%%\n", n, 1.0 / a, 1.0 / b,
                    (a / b - 1.0) * 100.0);
    }
    return 0;
}
