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

// The run in the window as the drawing library's frame handler: the run's
// frames between the window's pacing and the end of the run, and the
// shown world's keys, mouse, panel, cameras and scene.
class WindowFrames final : public FrameHandler {
public:
    WindowFrames(WindowBackend& backend, ShownRun& run, LivePlot* livePlot)
        : backend_(backend), run_(run), livePlot_(livePlot)
    {
    }

    void start() override { startCallback(world().sim); }

    bool prepare(int pause) override
    {
        // The frame clock, then the window paces its frames and measures
        // their rate.
        DriverState& driver = world().driver;
        driver.clock.advance();
        if (!pause) {
            paceFrame(driver.pacing, driver.targetFps, driver.clock);
            countFrame(driver);
        }
        return run_.prepare(pause);
    }

    // On the window's step thread, beside the drawing of the frame before.
    void steps() override
    {
        usePhysicsOnThisThread();
        run_.steps();
    }

    // The end of the run, how the coming picture is drawn, the live chart.
    void finish() override
    {
        if (!run_.finish())
            dsStop();
        // While the drawing is skipped, the frame drawn after the steps is
        // a glimpse: coarser bodies, so the steps keep most of the time.
        backend_.setGlimpse(world().driver.skipRender != 0);
        if (livePlot_) {
            // The chart's window opens beside this one.
            int x = 0, y = 0, width = 0, areaX = 0, areaWidth = 0;
            if (backend_.screenPlace(x, y, width, areaX, areaWidth))
                livePlot_->placeAt(livePlotPlace(x, y, width, areaX, areaWidth));
            livePlot_->update(world().sim.statistics);
        }
    }

    void timeDelta() override { timeDeltaCallback(world()); }
    void camera(int view) override { cameraCallback(world(), view); }
    void frame(int view) override { frameCallback(world(), view); }
    void panel() override { drawPanels(world()); }
    void windowSize(int width, int height) override { windowSizeCallback(world(), width, height); }
    void command(int key) override { keyCommand(world(), key); }
    bool mouse(int message, int buttons, int x, int y, int pickX, int pickY) override
    {
        return mouseCallback(world(), message, buttons, x, y, pickX, pickY);
    }
    void drop(int count, const char** paths) override
    {
        for (int i = 0; i < count; ++i)
            if (paths[i])
                requestCreatureFile(world(), paths[i]);
    }

private:
    World& world() { return run_.shown(); }

    WindowBackend& backend_;
    ShownRun& run_;
    LivePlot* livePlot_;
};

} // namespace

namespace {

// The frame loop in the open window on the run shown (`w` at the start);
// `summary` writes the closing lines. Returns the exit status.
int runLoop(WindowBackend& backend, ShownRun& run, const RunOptions& options, int argc,
            char** argv, const std::function<void()>& summary)
{
    World& w = run.shown();
    backend.setStepsBesideDrawing(!options.serialSteps);
    const bool screenshot = !options.screenshotFile.empty();
    if (screenshot) {
        // A frame clock at 30 frames per second and no waiting: the same
        // seed gives the same picture on any machine.
        w.driver.clock.fix(1000.0 / kFramesPerSecond);
        w.driver.targetFps = 0.0f;
        backend.stopAfterFrames(static_cast<int>(options.frames), options.screenshotFile);
    } else if (options.framesGiven) {
        backend.stopAfterFrames(static_cast<int>(options.frames));
    }

    if (!options.recordFile.empty())
        N_RecordVideo(options.recordFile.c_str(), static_cast<int>(options.recordEvery),
                      options.recordScene);

    // Close enough to the creature followed first that it is seen walking:
    // about a tenth of the view's height; a creature shown alone, there to
    // have its body looked at, about a quarter.
    const double share = options.showCreatureFile.empty() ? 0.1 : 0.25;
    w.view.mainCamera.distance =
        closeFollowDistance(w, w.view.windowWidth, w.view.windowHeight, share);

    // The panel over the window, built once before the first frame.
    buildControlBar(w);
    {
        // The plotting program lives as long as the window; screenshot runs
        // start none.
        std::unique_ptr<PlotPipe> plot;
        std::unique_ptr<LivePlot> live;
        if (!screenshot) {
            plot = std::make_unique<PlotPipe>();
            if (plot->isOpen())
                live = std::make_unique<LivePlot>(*plot, onScreenTerminalOf("gnuplot"));
        }
        WindowFrames frames(backend, run, live.get());
        dsSimulationLoop(argc, argv, w.view.windowWidth, w.view.windowHeight, frames);
    }
    N_StopVideo();
    summary();
    // A video that did not end whole fails the run, as a statistics file
    // that could not be written does.
    const int failedVideos = N_VideoFailures();

    if (screenshot) {
        if (!backend.screenshotWritten()) {
            std::cerr << "creatures: no screenshot: "
                      << (backend.screenshotError().empty() ? "the window closed first"
                                                             : backend.screenshotError())
                      << "\n";
            return 1;
        }
        std::cerr << "screenshot written to " << options.screenshotFile << "\n";
    }
    return failedVideos > 0 ? 1 : 0;
}

} // namespace

ProgramWindow::ProgramWindow() = default;

ProgramWindow::~ProgramWindow()
{
    close();
}

bool ProgramWindow::open(std::string& error)
{
    return open(kDefaultWindowWidth, kDefaultWindowHeight, error);
}

bool ProgramWindow::open(int width, int height, std::string& error)
{
    auto b = std::make_unique<WindowBackend>();
    if (!b->open(width, height, "creatures", error))
        return false;
    backend_ = std::move(b);
    setDrawBackend(backend_.get());
    return true;
}

void ProgramWindow::close()
{
    if (!backend_)
        return;
    setDrawBackend(nullptr);
    backend_.reset();
}

int ProgramWindow::run(World& w, const RunOptions& options, int argc, char** argv,
                       RunOutputs* outputs)
{
    if (!backend_)
        return 1;
    ProgramRun run(w, options, outputs);
    return runLoop(*backend_, run, options, argc, argv, [&run] { run.summary(std::cerr); });
}

int ProgramWindow::runIslands(Archipelago& archipelago, const std::vector<World*>& worlds,
                              const RunOptions& options, int argc, char** argv)
{
    if (!backend_)
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
    const int status = runLoop(
        *backend_, islands, options, argc, argv,
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
