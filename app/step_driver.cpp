#include "app/step_driver.h"

#include <cmath>
#include <thread>

#include "app/arena.h"
#include "app/base/clock.h"
#include "drawlib/drawstuff.h"
#include "ecology/simulation_step.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"

namespace {

// Ground size truncated towards zero, safe for any double.
int truncatedGroundSize(double s)
{
    if (!(s > -2147483648.0 && s < 2147483648.0))
        return 0;
    return static_cast<int>(s);
}

// Runs one folder operation; shows its success or the text it threw.
void runFolderRequest(World& w, const Request& r)
{
    const std::string folder = requestFolder(r);
    const bool isLoad = r.kind == Request::LoadAll || r.kind == Request::LoadCreature;
    const size_t before = w.population.size();
    std::string unfinished;
    try {
        switch (r.kind) {
        case Request::LoadAll: loadAll(w, folder); break;
        case Request::SaveAll: saveAll(w, folder, &unfinished); break;
        case Request::LoadCreature: loadCreature(w, folder); break;
        case Request::SaveCreature: saveCreature(w, folder, &unfinished); break;
        default: return;
        }
        std::string text = std::string(isLoad ? "Loaded" : "Saved") + std::to_string(r.number) + "...";
        if (!unfinished.empty())
            text += "\nbut not finished: " + unfinished;
        showMessage(w.message, text, unfinished.empty() ? 2.0 : 6.0);
    } catch (const std::string& text) {
        // A failed creature load takes back the creature it appended.
        if (r.kind == Request::LoadCreature && w.population.size() > before) {
            forgetCreature(w, &w.population.back());
            removeLastCreature(w.population);
        }
        showMessage(w.message, text, 2.0);
    }
}

} // namespace

std::string requestFolder(const Request& r)
{
    switch (r.kind) {
    case Request::LoadAll:
    case Request::SaveAll: return "saveData" + std::to_string(r.number);
    case Request::LoadCreature:
    case Request::SaveCreature: return "saveDataOneCreature" + std::to_string(r.number);
    default: return std::string();
    }
}

void paceFrame(World& w, float fps)
{
    if (!(fps > 0.0f) || !std::isfinite(fps))
        return;
    const float slot = 1000.0f * (1.0f / fps);
    if (!(slot >= 1.0f && slot < 1e9f))
        return;
    const long long p = static_cast<long long>(slot);
    StepDriverState& s = w.driver;
    if (fps != s.lastPacingTarget) {
        s.lastPacingTarget = fps;
        s.pacingTick = nowMs() / p;
    }
    long long c;
    for (;;) {
        c = nowMs() / p;
        if (c >= s.pacingTick)
            break;
        // The millisecond counter wrapped: start counting slots afresh.
        if (s.pacingTick - c > 2) {
            s.pacingTick = c;
            break;
        }
        std::this_thread::yield();
    }
    s.pacingTick = std::max(s.pacingTick + 1, c);
}

void stepDriver(World& w, int pause)
{
    if (pause)
        return;
    StepDriverState& s = w.driver;

    paceFrame(w, w.targetFps);

    // Frames per second over windows of 3 seconds.
    ++s.frameCount;
    const std::uint32_t window = nowMs() / 3000;
    if (!s.windowStarted || window != s.windowIndex) {
        w.fps = s.windowStarted ? s.frameCount / 3 : 0;
        s.windowStarted = true;
        s.windowIndex = window;
        s.frameCount = 0;
    }

    // Queued requests, up to and including the first Initialize.
    while (!w.requestQueue.empty()) {
        const Request r = w.requestQueue.front();
        w.requestQueue.pop_front();
        if (r.kind == Request::Initialize) {
            if (w.contactGroup) {
                dJointGroupDestroy(w.contactGroup);
                w.contactGroup = nullptr;
            }
            forgetAllCreatures(w);
            clearPopulation(w.population);
            resetWorld(w);
            showMessage(w.message, "Initialized...", 2.0);
            return;
        }
        runFolderRequest(w, r);
    }

    // Ground size.
    const double S = w.simData.groundSize;
    if (!s.firstFrameDone)
        s.lastGroundSize = truncatedGroundSize(S);
    if (static_cast<double>(s.lastGroundSize) != S) {
        s.lastGroundSize = truncatedGroundSize(S);
        destroyParts(w.walls.blocks);
        createWalls(w, S);
        placeWalls(w, S, w.simData.wallHeight);
        N_dsSetGroundSize(S);
        w.mainCamera.maxDistance = static_cast<float>(S * 4.5 + 30);
    }

    // Mini display.
    if (!s.firstFrameDone) {
        s.lastMiniDisplay = w.miniDisplay;
    } else if (w.miniDisplay != s.lastMiniDisplay) {
        s.lastMiniDisplay = w.miniDisplay;
        N_setUserPIP(w.miniDisplay);
        OrbitCamera& mini = w.miniCamera;
        mini.zoomMode = 1;
        mini.zoomEnd = 7.0;
        mini.zoomTime = 0.0;
        mini.zoomStart = mini.distance;
        w.viewCount = w.miniDisplay ? 2 : 1;
    }
    s.firstFrameDone = true;

    dWorldSetGravity(w.world, w.gravity[0], w.gravity[1], w.gravity[2]);

    // Steps: stepsPerFrame of them, or as many as fit in the skip-render
    // budget while "Skip Render(x)" is on.
    const double t0 = processClockMs();
    int i = 0;
    for (;;) {
        ++i;
        simulationStep(w);
        if (w.skipRender && w.skipRenderBudget > (processClockMs() - t0) / 1000.0)
            continue;
        if (w.stepsPerFrame > i)
            continue;
        break;
    }
}
