// Frame time of the window (run it under xvfb-run for Mesa's software
// renderer): per frame, the simulation steps, the picking pass, the drawing
// (waiting for the rasteriser) and the buffer swap, with 10, 50 and 100
// creatures at the default graphic quality (0: sky, ground, walls and foods
// only), next to the headless step time
// of the same worlds.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" ./build/bench/frame_bench [frames [sizes...]]
//   [--no-panel]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame_callback.h"
#include "app/physics_world.h"
#include "app/scene.h"
#include "app/step_driver.h"
#include "app/windowed_run.h"
#include "drawlib/gl/window_backend.h"
#include "ecology/simulation_step.h"
#include "ui/camera.h"
#include "ui/imgui/control_panel.h"

namespace {

World* world = nullptr;
WindowBackend* backend = nullptr;
int warmup = 30;
int measured = 0;
int frame = 0;
WindowBackend::FrameTimes sum;

void onStep(int pause)
{
    // The times of the frame that just ended.
    if (frame > warmup) {
        const WindowBackend::FrameTimes& t = backend->lastFrameTimes();
        sum.step += t.step;
        sum.picking += t.picking;
        sum.drawing += t.drawing;
        sum.swap += t.swap;
        sum.panel += t.panel;
        ++measured;
    }
    ++frame;
    stepDriver(*world, pause);
}
void onTimeDelta()
{
    timeDeltaCallback(*world);
}
void onPanel()
{
    drawControlBar(*world);
}
void onCamera(int view)
{
    cameraCallback(*world, view);
}
void onFrame(int view)
{
    frameCallback(*world, view);
}

double headlessStepMs(int creatures, int steps)
{
    Scene scene(4242, creatures);
    scene.step(100);
    const auto t0 = std::chrono::steady_clock::now();
    scene.step(steps);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count() / steps;
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 150;
    std::string error;
    if (!openWindow(error)) {
        std::fprintf(stderr, "frame_bench: no window (%s); run it under xvfb-run\n", error.c_str());
        return 1;
    }
    backend = windowBackend();
    backend->setFinishEachFrame(true);
    std::printf("640 x 480, default graphic quality, picking pass on, %d frames after %d of "
                "warm-up, 2 steps per frame, no pacing\n\n",
                frames, warmup);
    std::printf("%9s %10s %10s %10s %10s %10s %10s %8s %10s %12s\n", "creatures", "sim ms",
                "pick ms", "panel ms", "draw ms", "swap ms", "frame ms", "fps", "triangles",
                "headless ms");
    std::vector<int> sizes;
    bool panel = true;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-panel")
            panel = false;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {0, 10, 50, 100};
    for (int creatures : sizes) {
        Scene scene(4242, creatures);
        world = &scene.world();
        world->targetFps = 0.0f;
        world->pickX = 320;
        world->pickY = 240;
        if (panel) {
            buildControlBar(*world);
            backend->setPanel(onPanel);
        }
        frame = measured = 0;
        sum = WindowBackend::FrameTimes{};
        DrawCallbacks fn;
        fn.start = [] { startCallback(*world); };
        fn.step = onStep;
        fn.timeDelta = onTimeDelta;
        fn.camera = onCamera;
        fn.frame = onFrame;
        fn.windowSize = [](int w, int h) {
            world->windowWidth = w;
            world->windowHeight = h;
        };
        backend->stopAfterFrames(frames + warmup + 1);
        dsSimulationLoop(0, nullptr, 640, 480, &fn);
        const double n = measured > 0 ? measured : 1;
        const double total = (sum.step + sum.picking + sum.drawing + sum.swap) / n;
        std::printf("%9d %10.2f %10.3f %10.3f %10.2f %10.2f %10.2f %8.1f %10d %12.3f\n", creatures,
                    sum.step / n, sum.picking / n, sum.panel / n, sum.drawing / n, sum.swap / n,
                    total, 1000.0 / total, backend->lastViewStats().triangles,
                    headlessStepMs(creatures, 300));
        world = nullptr;
    }
    std::printf("\nsim ms is two simulation steps (the default speed); headless ms is one step.\n"
                "panel ms is building the panel's draw lists; drawing them and the panel's\n"
                "pixels are in draw ms (compare a run with --no-panel).\n");
    closeWindow();
    return 0;
}
