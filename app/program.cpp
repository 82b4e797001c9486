#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/arena.h"
#include "app/base/clock.h"
#include "app/base/interrupt.h"
#include "app/base/random.h"
#include "app/headless_run.h"
#include "app/physics_world.h"
#include "app/run_outputs.h"
#include "app/setting_overrides.h"
#include "persist/save_all.h"

namespace {

// Whatever way the program leaves, the physics is shut down and the window
// closed, in that order.
class ShutDown {
public:
    ShutDown(World& w, const WindowRunner* window) : w_(w), window_(window) {}
    ~ShutDown()
    {
        shutDownPhysics(w_);
        if (windowOpen && window_->close)
            window_->close();
    }
    ShutDown(const ShutDown&) = delete;
    ShutDown& operator=(const ShutDown&) = delete;

    bool windowOpen = false;

private:
    World& w_;
    const WindowRunner* window_;
};

} // namespace

// TEMPORARY: LEARN_VARIANT="name=value,..." sets learning params.
static void tempReadVariant(World& w)
{
    const char* env = std::getenv("LEARN_VARIANT");
    if (!env)
        return;
    std::string text(env);
    LearningParams& p = w.learningParams;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = text.substr(pos, comma - pos);
        pos = comma + 1;
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string k = item.substr(0, eq);
        const double v = std::atof(item.substr(eq + 1).c_str());
        if (k == "rule") w.learningRule = static_cast<int>(v);
        else if (k == "priorWeight") p.priorWeight = v;
        else if (k == "emptyStorePrior") p.emptyStorePrior = v;
        else if (k == "exploreScale") p.exploreScale = v;
        else if (k == "exploreFloor") p.exploreFloor = v;
        else if (k == "inheritedSamples") p.inheritedSamples = static_cast<int>(v);
        else if (k == "decayGain") p.decayGain = v;
        else if (k == "decayReference") p.decayReference = v;
        else if (k == "decayFactorMin") p.decayFactorMin = v;
        else if (k == "decayFactorMax") p.decayFactorMax = v;
        else if (k == "restCredit") p.vRestCredit = v != 0;
        else if (k == "rating") p.vRating = v != 0;
        else if (k == "schedule") p.vSchedule = v != 0;
        else if (k == "inherit") p.vInherit = v != 0;
        else if (k == "decay") p.vDecay = v != 0;
        else if (k == "body") p.vBodyFromInitiator = v;
        else if (k == "mateGain") p.vMateGain = v;
        else if (k == "mateRef") p.vMateRef = v;
        else if (k == "mateFloor") p.vMateFloor = v;
        else if (k == "storeOnlyIfBody") p.vStoreOnlyIfBody = v != 0;
        else std::fprintf(stderr, "unknown variant key %s\n", k.c_str());
    }
}

World& theWorld()
{
    static World instance;
    return instance;
}

int runProgram(int argc, char** argv, const WindowRunner* window)
{
    RunOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::cerr << "creatures: " << error << "\n";
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }

    // Ctrl-C from here on ends the run cleanly (an interrupt during set-up
    // ends it before the first step) instead of killing the process.
    const InterruptHandlers interrupts;

    World& w = theWorld();
    tempReadVariant(w);
    w.runNumber = options.runNumber;
    w.miniDisplay = 0;
    w.viewCount = 1;
    std::printf("%d", w.runNumber);
    std::fflush(stdout);

    const std::uint32_t seed =
        options.seedGiven ? options.seed : nowMs() + 100u * static_cast<std::uint32_t>(w.runNumber);
    rng().seed(seed);

    // The window when it can be had; otherwise a headless run, said so.
    std::cerr << "\n";
    ShutDown shutDown(w, window);
    bool& windowed = shutDown.windowOpen;
    if (!options.headless) {
        const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        std::string why;
        if (!window || !window->open)
            why = "no window front end in this build";
        else if (!display)
            why = "no display";
        else if (!window->open(why))
            why = "the window could not be opened (" + why + ")";
        else
            windowed = true;
        if (!windowed && !options.screenshotFile.empty()) {
            std::cerr << "creatures: --screenshot needs a window: " << why << "\n";
            return 1;
        }
        if (!windowed)
            std::cerr << why << ": running headless\n";
    }

    // The solver settings follow from the frame loop's start callback.
    startUpPhysics(w);
    resetWorld(w);

    int status = 0;
    if (!options.loadAllDir.empty()) {
        const double builtFor = w.simData.groundSize;
        try {
            loadAll(w, options.loadAllDir);
            // The walls were built for the start-up ground before the load.
            if (w.simData.groundSize != builtFor)
                resizeArena(w, w.simData.groundSize);
        } catch (const std::string&) {
            // The loader has already written its message to standard error.
            std::cerr << "\ncreatures: nothing was loaded from " << options.loadAllDir
                      << "; the run does not start\n";
            return 1;
        }
    }
    // --set: over the loaded settings, or into the fresh world.
    applySettingOverrides(w, options.settings, options.loadAllDir.empty(), seed);

    RunOutputs outputs;
    std::string outputError;
    if (!outputs.open(w, options, windowed, outputError)) {
        std::cerr << outputError << "\n";
        return 1;
    }
    if (windowed)
        status = window->run(w, options, argc, argv, &outputs);
    else
        status = runHeadless(w, options, std::cerr, argc, argv, &outputs);
    outputs.finish(w);

    if (!options.saveAllDir.empty()) {
        try {
            saveAll(w, options.saveAllDir);
        } catch (const std::string&) {
            std::cerr << "\ncreatures: the simulation was not saved to " << options.saveAllDir
                      << "\n";
            status = 1;
        }
    }
    return status;
}
