// What islands buy on this machine: creature-steps per wall second of two
// worlds of P creatures stepped side by side on two threads (an archipelago
// of two islands) against one world of 2P creatures on one thread, the same
// total population. Both are timed in alternating blocks of wall time, so a
// change in the machine's load falls on both alike; the load is printed
// with the figures. Wall time is the measure here (what a user waits for),
// so run it on a machine otherwise quiet.
//
//   islands_bench [ROUNDS] [P ...]     (default 7 rounds, P = 10 and 50)
#include <ode/ode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/scene.h"
#include "app/step_driver.h"
#include "ecology/physics_world.h"

namespace {

double wallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Steps the world and counts its creatures at every step.
long long creatureSteps(World& w, int steps)
{
    long long n = 0;
    for (int i = 0; i < steps; ++i) {
        stepWorld(w);
        n += static_cast<long long>(w.sim.population.size());
    }
    return n;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
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
    std::vector<int> sizes;
    for (int k = 2; k < argc; ++k)
        sizes.push_back(std::max(1, std::atoi(argv[k])));
    if (sizes.empty())
        sizes = {10, 50};
    std::printf("cores %u, load before: %s\n", std::thread::hardware_concurrency(),
                loadAverage().c_str());
    std::printf("%-8s %22s %22s %9s\n", "P", "2 islands of P (cr-st/s)", "1 world of 2P (cr-st/s)",
                "ratio");
    for (int p : sizes) {
        Scene a(20261208u, p), b(20261209u, p), one(20261208u, 2 * p);
        // Settled, so the timing sees walking, not falling.
        a.step(200);
        b.step(200);
        one.step(200);
        // Blocks of about a second of work on this machine at either size.
        const int block = std::max(50, 40000 / (2 * p));
        std::vector<double> islands, single;
        for (int r = 0; r < rounds; ++r) {
            long long second = 0;
            double t0 = wallSeconds();
            std::thread t([&] {
                usePhysicsOnThisThread();
                second = creatureSteps(b.world(), block);
            });
            const long long first = creatureSteps(a.world(), block);
            t.join();
            islands.push_back(static_cast<double>(first + second) / (wallSeconds() - t0));

            t0 = wallSeconds();
            const long long n = creatureSteps(one.world(), block);
            single.push_back(static_cast<double>(n) / (wallSeconds() - t0));
        }
        const double i = median(islands), s = median(single);
        std::printf("%-8d %22.0f %22.0f %8.2fx\n", p, i, s, i / s);
    }
    std::printf("load after: %s\n", loadAverage().c_str());
    return 0;
}
