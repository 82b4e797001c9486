// Frame time of the window (run it under xvfb-run for Mesa's software
// renderer): per frame, the simulation steps, the picking pass, the drawing
// (waiting for the rasteriser) and the buffer swap, with 0 (sky, ground,
// walls and foods only), 10, 50, 100 and 200 creatures at the default
// graphic quality in a 1280x800 window with the control bar drawn, next to
// the headless step time of the same worlds. Then, with skip-render on, the
// simulated steps per second of the window against the headless rate, both
// measured in this run, in alternating one-second blocks.
//
//   xvfb-run -a -s "-screen 0 2048x1280x24" ./build/bench/frame_bench [frames [sizes...]]
//   [--no-panel] [--window WxH] [--quality 0..3] [--frames-only] [--overlap]
//   [--compare | --earlier | --serial | --compare-steps]
//
// The window's lean drawing is measured unless --earlier (the earlier
// drawing: the per-pixel sky and ground, every body's shadow) or --compare
// (both, in blocks of frames taken in turns on the same world, and in the
// skip-render blocks). The steps run beside the drawing of the frame before,
// as in the program, unless --serial (between the frames, as they were) or
// --compare-steps (both, in turns).
//
// Each frame is finished before the next (so draw ms is the drawing's own
// time) unless --overlap: then the renderer draws a frame while the next
// one steps, as in the program, and frame ms and fps are the program's.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/frame_callback.h"
#include "ecology/physics_world.h"
#include "app/scene.h"
#include "app/step_driver.h"
#include "window/windowed_run.h"
#include "drawlib/gl/window_backend.h"
#include "ecology/simulation_step.h"
#include "ui/camera.h"
#include "ui/control_bar.h"
#include "ui/imgui/control_panel.h"

namespace {

World* world = nullptr;
WindowBackend* backend = nullptr;
int warmup = 30;
int measured = 0;
int frameCount = 0;
WindowBackend::FrameTimes sum;

// Processor time of the whole process (every thread, the renderer's
// included), in milliseconds: the work of a frame, whatever else runs.
double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-3;
}

double cpuAtWarmup = 0.0;

// The frames measured: the step driver's steps and the window's drawing of
// the world, with the control bar over it when `panel`.
class BenchFrames final : public FrameHandler {
public:
    explicit BenchFrames(bool panel) : panel_(panel) {}

    void start() override { startCallback(world->sim); }
    bool prepare(int pause) override { return prepareSteps(*world, pause); }
    void steps() override
    {
        usePhysicsOnThisThread();
        runSteps(*world);
    }
    void finish() override
    {
        if (frameCount == warmup + 1)
            cpuAtWarmup = processCpuMs();
        // The times of the frame that just ended.
        if (frameCount > warmup) {
            const WindowBackend::FrameTimes& t = backend->lastFrameTimes();
            sum.step += t.step;
            sum.stepWait += t.stepWait;
            sum.picking += t.picking;
            sum.drawing += t.drawing;
            sum.swap += t.swap;
            sum.panel += t.panel;
            sum.frame += t.frame;
            ++measured;
        }
        ++frameCount;
        backend->setGlimpse(world->driver.skipRender != 0);
    }
    void timeDelta() override { timeDeltaCallback(*world); }
    void camera(int view) override { cameraCallback(*world, view); }
    void frame(int view) override { frameCallback(*world, view); }
    void panel() override
    {
        if (panel_)
            drawControlBar(*world);
    }
    void windowSize(int width, int height) override
    {
        world->view.windowWidth = width;
        world->view.windowHeight = height;
    }

private:
    bool panel_;
};

double headlessStepMs(int creatures, int steps)
{
    Scene scene(4242, creatures);
    scene.step(100);
    const auto t0 = std::chrono::steady_clock::now();
    scene.step(steps);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count() / steps;
}

// A way of drawing measured, and whether the steps run beside it.
struct Mode {
    const char* name;
    bool lean;
    SkyGround::Look look;
    bool beside;
};
const Mode kEarlier{"earlier", false, SkyGround::Look::Detailed, true};
const Mode kLean{"lean", true, SkyGround::Look::Lean, true};
const Mode kBare{"no sky", true, SkyGround::Look::Off, true};
const Mode kSerial{"serial", true, SkyGround::Look::Lean, false};

// The sums over the measured frames of one drawing.
struct Row {
    WindowBackend::FrameTimes sum;
    int frames = 0;
    double cpu = 0.0; // processor time, ms
    int triangles = 0;
    void add(const Row& r)
    {
        sum.step += r.sum.step;
        sum.picking += r.sum.picking;
        sum.panel += r.sum.panel;
        sum.drawing += r.sum.drawing;
        sum.swap += r.sum.swap;
        sum.stepWait += r.sum.stepWait;
        sum.frame += r.sum.frame;
        frames += r.frames;
        cpu += r.cpu;
        triangles = r.triangles;
    }
};

double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 150;
    std::vector<int> sizes;
    bool panel = true;
    int width = 1280, height = 800;
    int quality = -1; // the world's own
    // Only the window's frames: a run of fixed work, for counting
    // instructions (perf stat) when the machine is too busy for timings.
    bool framesOnly = false;
    bool finish = true;
    // --compare: the earlier drawing against the lean one, in turns;
    // --earlier: only the earlier drawing.
    bool compare = false, lean = true;
    // --serial: the steps between the frames; --compare-steps: that against
    // the steps beside the drawing, in turns.
    bool serial = false, compareSteps = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--frames-only")
            framesOnly = true;
        else if (a == "--compare")
            compare = true;
        else if (a == "--earlier")
            lean = false;
        else if (a == "--serial")
            serial = true;
        else if (a == "--compare-steps")
            compareSteps = true;
        else if (a == "--overlap")
            finish = false;
        else if (a == "--no-panel")
            panel = false;
        else if (a == "--quality" && i + 1 < argc)
            quality = std::atoi(argv[++i]);
        else if (a == "--window" && i + 1 < argc)
            std::sscanf(argv[++i], "%dx%d", &width, &height);
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {0, 10, 50, 100, 200};
    std::string error;
    ProgramWindow window;
    if (!window.open(width, height, error)) {
        std::fprintf(stderr, "frame_bench: no window (%s); run it under xvfb-run\n", error.c_str());
        return 1;
    }
    backend = window.backend();
    backend->setFinishEachFrame(finish);
    std::printf("%d x %d, default graphic quality, picking pass on, control bar %s, %d frames "
                "after %d of warm-up, 2 steps per frame, no pacing, %s\n\n",
                width, height, panel ? "drawn" : "off", frames, warmup,
                finish ? "each frame finished" : "drawing overlaps the next frame's steps");
    std::printf("the steps run beside the drawing of the frame before, but in the serial rows "
                "between the frames\n\n");
    std::printf("%9s %8s %10s %10s %10s %10s %10s %10s %10s %8s %10s %12s %10s\n", "creatures",
                "drawing", "sim ms", "wait ms",
                "pick ms", "panel ms", "draw ms", "swap ms", "frame ms", "fps", "triangles",
                "headless ms", "cpu ms");
    struct SkipRate {
        int creatures;
        const char* drawing;
        double window, headless;
        double step, draw, swap; // ms per frame

    };
    std::vector<SkipRate> skipRates;
    for (int creatures : sizes) {
        Scene scene(4242, creatures);
        world = &scene.world();
        world->driver.targetFps = 0.0f;
        if (quality >= 0)
            setGraphicQuality(*world, quality);
        world->view.pickX = width / 2;
        world->view.pickY = height / 2;
        if (panel)
            buildControlBar(*world);
        BenchFrames fn(panel);
        // Frames of one drawing, measured after `skipped` frames that build
        // the skins of newly seen levels.
        auto runFrames = [&](int count, int skipped, const Mode& mode) {
            backend->setLeanDrawing(mode.lean);
            backend->setSkyGroundLook(mode.look);
            backend->setStepsBesideDrawing(mode.beside);
            warmup = skipped;
            frameCount = measured = 0;
            sum = WindowBackend::FrameTimes{};
            backend->stopAfterFrames(count + skipped + 1);
            dsSimulationLoop(0, nullptr, width, height, fn);
            return Row{sum, measured > 0 ? measured : 1, processCpuMs() - cpuAtWarmup,
                       backend->lastViewStats().triangles};
        };
        runFrames(0, 30, kLean); // warm-up
        // The drawings measured, alternating in blocks when compared; with
        // no creature also without sky and ground, for what they cost.
        std::vector<Mode> modes = {serial ? kSerial : lean ? kLean : kEarlier};
        if (compare)
            modes = {kEarlier, kLean};
        if (compareSteps)
            modes = {kSerial, kLean};
        if (compare && creatures == 0)
            modes.push_back(kBare);
        const int rounds = compare || compareSteps ? 3 : 1;
        std::vector<Row> rows(modes.size());
        for (int r = 0; r < rounds; ++r)
            for (std::size_t m = 0; m < modes.size(); ++m)
                rows[m].add(runFrames(std::max(1, frames / rounds), 3, modes[m]));
        const double headless = framesOnly ? 0.0 : headlessStepMs(creatures, 300);
        for (std::size_t m = 0; m < modes.size(); ++m) {
            const Row& row = rows[m];
            const double n = row.frames;
            const double total = row.sum.frame / n;
            std::printf("%9d %8s %10.2f %10.2f %10.3f %10.3f %10.2f %10.2f %10.2f %8.1f %10d %12.3f %10.2f\n",
                        creatures, modes[m].name, row.sum.step / n, row.sum.stepWait / n,
                        row.sum.picking / n, row.sum.panel / n, row.sum.drawing / n,
                        row.sum.swap / n, total, 1000.0 / total, row.triangles, headless,
                        row.cpu / n);
        }
        std::fflush(stdout);

        // Skip-render: the steps of 5 frames (about a second) against the
        // headless rate of the same world for a second, in turns, six times
        // for each drawing: the world changes as it goes, so both rates are
        // taken from the same stretches of its life.
        if (creatures > 0 && !framesOnly) {
            std::vector<SkipRate> totals(modes.size());
            std::vector<double> windowSteps(modes.size()), windowSeconds(modes.size()),
                headlessSteps(modes.size()), headlessSeconds(modes.size());
            constexpr int kBlocks = 6;
            for (int r = 0; r < kBlocks; ++r)
                for (std::size_t m = 0; m < modes.size(); ++m) {
                    backend->setLeanDrawing(modes[m].lean);
                    backend->setStepsBesideDrawing(modes[m].beside);
                    world->driver.skipRender = 1;
                    frameCount = measured = 0;
                    warmup = 0;
                    sum = WindowBackend::FrameTimes{};
                    const long long steps0 = world->sim.counters.steps;
                    const auto t0 = std::chrono::steady_clock::now();
                    backend->stopAfterFrames(5);
                    dsSimulationLoop(0, nullptr, width, height, fn);
                    windowSeconds[m] += secondsSince(t0);
                    windowSteps[m] += static_cast<double>(world->sim.counters.steps - steps0);
                    world->driver.skipRender = 0;
                    const long long steps1 = world->sim.counters.steps;
                    const auto t1 = std::chrono::steady_clock::now();
                    while (secondsSince(t1) < 1.0)
                        scene.step(10);
                    headlessSeconds[m] += secondsSince(t1);
                    headlessSteps[m] += static_cast<double>(world->sim.counters.steps - steps1);
                    const double n = measured > 0 ? measured : 1;
                    totals[m].step += sum.step / n;
                    totals[m].draw += (sum.drawing + sum.picking) / n;
                    totals[m].swap += sum.swap / n;
                }
            for (std::size_t m = 0; m < modes.size(); ++m)
                skipRates.push_back({creatures, modes[m].name, windowSteps[m] / windowSeconds[m],
                                     headlessSteps[m] / headlessSeconds[m],
                                     totals[m].step / kBlocks, totals[m].draw / kBlocks,
                                     totals[m].swap / kBlocks});
        }
        world = nullptr;
    }
    std::printf("\n%9s %8s %18s %18s %8s %10s %10s %10s\n", "creatures", "drawing",
                "skip-render st/s", "headless st/s", "ratio", "steps ms", "draw ms", "swap ms");
    for (std::size_t i = 0; i < skipRates.size(); ++i) {
        const SkipRate& r = skipRates[i];
        std::printf("%9d %8s %18.0f %18.0f %8.2f %10.1f %10.1f %10.1f\n", r.creatures,
                    r.drawing, r.window, r.headless, r.window / r.headless, r.step, r.draw,
                    r.swap);
    }
    std::printf("\nsim ms is two simulation steps (the default speed), wait ms the frame's wait\n"
                "for them (beside the drawing, only what the drawing did not cover); frame ms\n"
                "is a whole frame; headless ms is one step.\n"
                "cpu ms is the processor time of all the program's threads per frame (the\n"
                "renderer's threads too): the work of a frame, however busy the machine is.\n"
                "skip-render st/s: steps per second in the window with skip-render on (a frame\n"
                "drawn every 0.2 s of steps); headless st/s: the same world stepped alone.\n"
                "panel ms is building the panel's draw lists; drawing them and the panel's\n"
                "pixels are in draw ms (compare a run with --no-panel).\n");
    window.close();
    return 0;
}
