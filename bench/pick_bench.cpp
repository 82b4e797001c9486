// Cost of finding the creature part under the cursor: for worlds of 10, 50,
// 100 and 200 creatures, settled from a fixed seed and seen by the default
// camera, the picker is asked about a grid of cursor positions over a
// 1280x800 view (with and without the slack of a few pixels around the
// parts). Prints the mean processor time per pick, how many creatures
// passed the bounding-sphere test on average, and the share of cursor
// positions that found a part.
//
//   ./build/bench/pick_bench [rounds]
#include <cstdio>
#include <cstdlib>

#include "app/scene.h"
#include "thread_timing.h"
#include "ui/creature_pick.h"

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    constexpr int kWidth = 1280, kHeight = 800, kGrid = 24;
    std::printf("%-11s %8s %12s %14s %8s\n", "population", "slack", "ms per pick",
                "creatures met", "found");
    for (int n : {10, 50, 100, 200}) {
        Scene scene(20261208u, n);
        World& w = scene.world();
        scene.step(300);
        // The camera looks at the population from above and afar, so that
        // the cursor meets many of them.
        OrbitCamera camera = w.view.mainCamera;
        camera.target[0] = camera.target[1] = camera.target[2] = 0.0f;
        camera.eye[0] = 0.0f;
        camera.eye[1] = -40.0f;
        camera.eye[2] = 30.0f;
        camera.heading = -1.5707963f;
        camera.pitch = 0.6435f;
        for (int pixels : {0, kPickSlackPixels}) {
            const double slack = pixelSlack(kWidth, kHeight, pixels);
            long long picks = 0, met = 0, found = 0;
            const double t0 = cpuSeconds();
            for (int r = 0; r < rounds; ++r)
                for (int gy = 0; gy < kGrid; ++gy)
                    for (int gx = 0; gx < kGrid; ++gx) {
                        const int x = (2 * gx + 1) * kWidth / (2 * kGrid);
                        const int y = (2 * gy + 1) * kHeight / (2 * kGrid);
                        const Ray ray = viewRay(camera, x, y, kWidth, kHeight);
                        found += w.view.picker.pick(w.sim.population, nullptr, ray, slack) != nullptr;
                        met += w.view.picker.creaturesWalked();
                        ++picks;
                    }
            const double ms = (cpuSeconds() - t0) * 1e3 / static_cast<double>(picks);
            std::printf("%-11d %6d px %12.4f %14.2f %7.1f%%\n", n, pixels, ms,
                        static_cast<double>(met) / picks, 100.0 * found / picks);
        }
    }
    return 0;
}
