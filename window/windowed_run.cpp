#include "window/windowed_run.h"

#include <chrono>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>

#include "base/clock.h"
#include "ui/frame_callback.h"
#include "ui/frame_pacing.h"
#include "ecology/physics_world.h"
#include "app/program_run.h"
#include "app/shown_archipelago.h"
#include "base/interrupt.h"
#include "run/run_outputs.h"
#include "app/step_driver.h"
#include "drawlib/gl/window_backend.h"
#include "ui/camera.h"
#include "ui/control_bar.h"
#include "ui/creature_file_loads.h"
#include "ui/imgui/control_panel.h"
#include "ui/mouse.h"
#include "ui/live_plot.h"
#include "ui/plot_pipe.h"
#include "ui/imgui/panels.h"

namespace {

std::unique_ptr<WindowBackend> backend;

// What a frame of the run in the window does: as a whole (false: the run
// is over), or in the three parts of ProgramRun::frame, whose steps run
// beside the drawing.
struct FrameParts {
    std::function<bool(int pause)> whole;
    std::function<bool(int pause)> prepare;
    std::function<void()> steps;
    std::function<bool()> finish;
};

// The run in the window, reached from the callbacks: the world shown and
// its frames.
World* current = nullptr;
FrameParts frameParts;
LivePlot* livePlot = nullptr;

World& world()
{
    return *current;
}

void onStart()
{
    startCallback(world().sim);
}

// Before the frame's steps: the frame clock, then the window paces its
// frames and measures their rate.
void beforeFrame(int pause)
{
    if (frameClockOn())
        advanceFrameClock();
    if (!pause) {
        paceFrame(world().driver.pacing, world().driver.targetFps);
        countFrame(world().driver);
    }
}

// After them: the end of the run, how the coming picture is drawn, the live
// chart.
void afterFrame(bool goesOn)
{
    if (!goesOn)
        dsStop();
    // While the drawing is skipped, the frame drawn after the steps is a
    // glimpse: coarser bodies, so the steps keep most of the time.
    if (WindowBackend* b = windowBackend())
        b->setGlimpse(world().driver.skipRender != 0);
    if (livePlot) {
        // The chart's window opens beside this one.
        int x = 0, y = 0, width = 0, areaX = 0, areaWidth = 0;
        if (WindowBackend* b = windowBackend(); b && b->screenPlace(x, y, width, areaX, areaWidth))
            livePlot->placeAt(livePlotPlace(x, y, width, areaX, areaWidth));
        livePlot->update(world().sim.statistics);
    }
}

bool onPrepare(int pause)
{
    beforeFrame(pause);
    return frameParts.prepare(pause);
}

// On the window's step thread, beside the drawing of the frame before.
void onSteps()
{
    usePhysicsOnThisThread();
    frameParts.steps();
}

void onFinish()
{
    afterFrame(frameParts.finish());
}

// The frame whole, for a loop that does not split it.
void onStep(int pause)
{
    if (!frameParts.whole) {
        if (onPrepare(pause))
            onSteps();
        onFinish();
        return;
    }
    beforeFrame(pause);
    afterFrame(frameParts.whole(pause));
}

void onCommand(int key)
{
    keyCommand(world(), key);
}

void onPanel()
{
    drawPanels(world());
}

bool onMouse(int message, int buttons, int x, int y, int pickX, int pickY)
{
    return mouseCallback(world(), message, buttons, x, y, pickX, pickY);
}

void onTimeDelta()
{
    timeDeltaCallback(world());
}

void onWindowSize(int width, int height)
{
    windowSizeCallback(world(), width, height);
}

void onCamera(int view)
{
    cameraCallback(world(), view);
}

void onFrame(int view)
{
    frameCallback(world(), view);
}

void onDrop(int count, const char** paths)
{
    for (int i = 0; i < count; ++i)
        if (paths[i])
            requestCreatureFile(world(), paths[i]);
}

} // namespace

bool openWindow(std::string& error)
{
    return openWindow(kDefaultWindowWidth, kDefaultWindowHeight, error);
}

bool openWindow(int width, int height, std::string& error)
{
    auto b = std::make_unique<WindowBackend>();
    if (!b->open(width, height, "creatures", error))
        return false;
    backend = std::move(b);
    setDrawBackend(backend.get());
    return true;
}

WindowBackend* windowBackend()
{
    return backend.get();
}

void closeWindow()
{
    setDrawBackend(nullptr);
    backend.reset();
}

namespace {

// The frame loop in the open window on the world shown (`w` at the start),
// each frame run by `frame`; `summary` writes the closing lines. Returns the
// exit status.
int runLoop(World& w, const RunOptions& options, int argc, char** argv, FrameParts parts,
            const std::function<void()>& summary)
{
    current = &w;
    frameParts = std::move(parts);

    backend->setStepsBesideDrawing(!options.serialSteps);
    const bool screenshot = !options.screenshotFile.empty();
    if (screenshot) {
        // A frame clock at 30 frames per second and no waiting: the same
        // seed gives the same picture on any machine.
        useFrameClock(1000.0 / kFramesPerSecond);
        w.driver.targetFps = 0.0f;
        backend->stopAfterFrames(static_cast<int>(options.frames), options.screenshotFile);
    } else if (options.framesGiven) {
        backend->stopAfterFrames(static_cast<int>(options.frames));
    }

    if (!options.recordFile.empty())
        N_RecordVideo(options.recordFile.c_str(), static_cast<int>(options.recordEvery),
                      options.recordScene);

    // Close enough to the creature followed first that it is seen walking:
    // about a tenth of the view's height.
    w.view.mainCamera.distance = closeFollowDistance(w, w.view.windowWidth, w.view.windowHeight);

    // The panel over the window, built once before the first frame.
    buildControlBar(w);
    backend->setPanel(onPanel);

    DrawCallbacks fn;
    fn.version = 2;
    fn.start = onStart;
    fn.step = onStep;
    fn.command = onCommand;
    fn.stop = nullptr;
    fn.pathToTextures = "textures";
    fn.mouse = onMouse;
    fn.flag = 0;
    fn.timeDelta = onTimeDelta;
    fn.windowSize = onWindowSize;
    fn.camera = onCamera;
    fn.frame = onFrame;
    fn.drop = onDrop;
    if (frameParts.prepare) {
        fn.prepare = onPrepare;
        fn.steps = onSteps;
        fn.finish = onFinish;
    }
    {
        // The plotting program lives as long as the window; screenshot runs
        // start none.
        std::unique_ptr<PlotPipe> plot;
        std::unique_ptr<LivePlot> live;
        if (!screenshot) {
            plot = std::make_unique<PlotPipe>();
            if (plot->isOpen()) {
                live = std::make_unique<LivePlot>(*plot, onScreenTerminalOf("gnuplot"));
                livePlot = live.get();
            }
        }
        dsSimulationLoop(argc, argv, w.view.windowWidth, w.view.windowHeight, &fn);
        livePlot = nullptr;
    }
    frameParts = FrameParts{};
    N_StopVideo();
    summary();
    // A video that did not end whole fails the run, as a statistics file
    // that could not be written does.
    const int failedVideos = N_VideoFailures();

    if (screenshot) {
        useFrameClock(0.0);
        if (!backend->screenshotWritten()) {
            std::cerr << "creatures: no screenshot: "
                      << (backend->screenshotError().empty() ? "the window closed first"
                                                             : backend->screenshotError())
                      << "\n";
            return 1;
        }
        std::cerr << "screenshot written to " << options.screenshotFile << "\n";
    }
    return failedVideos > 0 ? 1 : 0;
}

} // namespace

int runWindowed(World& w, const RunOptions& options, int argc, char** argv, RunOutputs* outputs)
{
    if (!backend)
        return 1;
    ProgramRun run(w, options, outputs);
    FrameParts parts;
    parts.prepare = [&run](int pause) { return run.prepareFrame(pause); };
    parts.steps = [&run] { run.runFrameSteps(); };
    parts.finish = [&run] { return run.finishFrame(); };
    return runLoop(w, options, argc, argv, std::move(parts), [&run] { run.summary(std::cerr); });
}

int runWindowedIslands(Archipelago& archipelago, const std::vector<World*>& worlds,
                       const RunOptions& options, int argc, char** argv)
{
    if (!backend)
        return 1;
    // Every island's camera starts as close as the first one's; set before
    // the workers start stepping the islands.
    for (std::size_t i = 1; i < worlds.size(); ++i) {
        World& w = *worlds[i];
        w.view.mainCamera.distance = closeFollowDistance(w, w.view.windowWidth, w.view.windowHeight);
    }
    ShownArchipelago islands(archipelago, worlds);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    FrameParts parts;
    parts.whole = [&islands](int pause) {
        const bool goesOn = islands.frame(pause);
        current = &islands.shown();
        return goesOn;
    };
    const int status = runLoop(
        islands.shown(), options, argc, argv, std::move(parts),
        [&] {
            islands.stop();
            const double wall = std::chrono::duration<double>(Clock::now() - started).count();
            std::cerr << (interruptRequested() ? "interrupted" : "finished") << " after "
                      << islands.stepsDone() << " steps of " << archipelago.islandCount()
                      << " islands in " << std::fixed << std::setprecision(1) << wall << " s\n";
            std::cerr.unsetf(std::ios::fixed);
            archipelago.islandLines(std::cerr);
        });
    return status;
}
