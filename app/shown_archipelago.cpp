#include "app/shown_archipelago.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sstream>

#include <ode/ode.h>

#include "app/step_driver.h"
#include "base/interrupt.h"
#include "ecology/physics_world.h"
#include "run/world_run.h"
#include "ui/autosave_message.h"
#include "ui/view_setup.h"

namespace {

// Steps a worker makes before it looks again at what the window wants.
constexpr long long kChunk = 60;
// Points of an island's trend; beyond it every second one goes.
constexpr std::size_t kTrendPoints = 600;
// The trend: mean progress per scored cycle over this many simulated seconds.
constexpr double kTrendWindow = 300.0;
// Without migrations, how far workers go ahead of the shown island.
constexpr double kAheadSeconds = 600.0;

} // namespace

ShownArchipelago::ShownArchipelago(Archipelago& archipelago, std::vector<World*> worlds)
    : a_(archipelago), worlds_(std::move(worlds)), busy_(static_cast<std::size_t>(archipelago.islandCount()), 0),
      done_(static_cast<std::size_t>(archipelago.islandCount()), 0),
      trends_(static_cast<std::size_t>(archipelago.islandCount()))
{
    const int n = a_.islandCount();
    for (int i = 0; i < n; ++i)
        done_[static_cast<std::size_t>(i)] = a_.stepsDone(i);
    const World& first = world(0);
    every_ = a_.epochSteps();
    start_ = a_.startStep();
    total_ = stepLimit(first, a_.options());
    ahead_ = std::max(1LL, std::llround(kAheadSeconds / first.sim.stepSize));
    if (every_ > 0)
        barrier_ = ((start_ + done_[0]) / every_ + 1) * every_ - start_;
    view_.count = n;
    view_.trends.resize(static_cast<std::size_t>(n));
    view_.migrateEvery = every_ > 0 ? a_.migrateEvery() : 0.0;
    // An island the workers step lets go at once of the creatures that
    // left it, and of its new births' bubbles: it may be shown later.
    a_.watchSteps([this](int i) {
        World& w = world(i);
        forgetGoneCreatures(w.view, w.sim);
        takeConceptions(w.view, w.sim);
        w.view.birthMarkers.clear();
    });
    const double groundAtStart = WorldSettings{}.groundSize;
    for (int i = 0; i < n; ++i) {
        World& w = world(i);
        followPreparedWorld(w, groundAtStart);
        w.view.islands = &view_;
        showAutosaveFailures(w, a_.outputs(i));
        trendPoint(i);
    }
    const int workers = std::max(1, a_.threads() - 1);
    for (int t = 0; t < workers && n > 1; ++t)
        workers_.emplace_back([this] { work(); });
}

ShownArchipelago::~ShownArchipelago()
{
    stop();
    a_.watchSteps(nullptr);
    for (int i = 0; i < a_.islandCount(); ++i) {
        world(i).view.islands = nullptr;
        forgetAllCreatures(world(i).view);
    }
}

World& ShownArchipelago::world(int i)
{
    return *worlds_[static_cast<std::size_t>(i)];
}

Archipelago::WorldMaker shownWorlds(std::vector<World*>& made)
{
    return [&made] {
        auto w = std::make_unique<World>();
        w->view.miniDisplay = 0;
        w->view.viewCount = 1;
        // The view as at start-up, for the ground the world starts with.
        startUpView(*w);
        made.push_back(w.get());
        return std::unique_ptr<RunWorld>(std::move(w));
    };
}

void ShownArchipelago::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_)
        t.join();
    workers_.clear();
}

World& ShownArchipelago::shown()
{
    return world(shown_);
}

long long ShownArchipelago::stepsDone()
{
    std::lock_guard<std::mutex> lock(mutex_);
    long long sum = 0;
    for (long long d : done_)
        sum += d;
    return sum;
}

long long ShownArchipelago::targetLocked() const
{
    long long target = every_ > 0 ? barrier_ : done_[static_cast<std::size_t>(shown_)] + ahead_;
    if (total_ >= 0)
        target = std::min(target, total_);
    return target;
}

// The island's trend at its present time, taken by the thread that steps it.
void ShownArchipelago::trendPoint(int i)
{
    const World& w = world(i);
    const double t = w.sim.time;
    std::vector<IslandTrendPoint>& trend = trends_[static_cast<std::size_t>(i)];
    // A point every ten simulated seconds at most (this runs every frame).
    if (!trend.empty() && t >= trend.back().time && t - trend.back().time < 10.0)
        return;
    trend.push_back({t, w.sim.statistics.meanProgressBetween(t - kTrendWindow, t)});
    trendsChanged_ = true;
    if (trend.size() > kTrendPoints) {
        std::vector<IslandTrendPoint> kept;
        for (std::size_t k = 0; k < trend.size(); k += 2)
            kept.push_back(trend[k]);
        trend.swap(kept);
    }
}

void ShownArchipelago::work()
{
    usePhysicsOnThisThread();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        // The island furthest behind that is not shown and not in hand.
        const long long target = targetLocked();
        int pick = -1;
        for (int i = 0; i < a_.islandCount(); ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            // The island the window asked for is left free for it.
            if (i == shown_ || i == wanted_ || busy_[k] || done_[k] >= target)
                continue;
            if (pick < 0 || done_[k] < done_[static_cast<std::size_t>(pick)])
                pick = i;
        }
        if (pick < 0 || interruptRequested()) {
            changed_.wait(lock);
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(pick);
        busy_[k] = 1;
        const long long steps = std::min(kChunk, target - done_[k]);
        lock.unlock();
        const long long made = a_.stepIsland(pick, steps);
        lock.lock();
        trendPoint(pick);
        done_[k] += made;
        busy_[k] = 0;
        changed_.notify_all();
    }
}

bool ShownArchipelago::frame(int pause)
{
    if (interruptRequested())
        return false;
    std::unique_lock<std::mutex> lock(mutex_);
    // Another island asked for: no worker takes it up again, and it is shown
    // at the first frame that finds it out of a worker's hands. The frame
    // never waits for that (a worker picks the island up again as soon as
    // it lets it go, so a wait could last until the island's epoch).
    if (view_.requested >= 0 && view_.requested < a_.islandCount())
        wanted_ = view_.requested != shown_ ? view_.requested : -1;
    view_.requested = -1;
    if (wanted_ >= 0 && !busy_[static_cast<std::size_t>(wanted_)]) {
        World& from = world(shown_);
        World& next = world(wanted_);
        // The new island is seen in the same window.
        next.view.windowWidth = from.view.windowWidth;
        next.view.windowHeight = from.view.windowHeight;
        next.driver.skipRender = from.driver.skipRender;
        next.driver.targetFps = from.driver.targetFps;
        next.driver.clock = from.driver.clock;
        shown_ = wanted_;
        wanted_ = -1;
        changed_.notify_all();
    }
    view_.shown = shown_;
    view_.coming = wanted_;
    const std::size_t s = static_cast<std::size_t>(shown_);

    // The migration, when every island stands at it.
    view_.waitingFor.clear();
    if (every_ > 0 && done_[s] >= barrier_ && (total_ < 0 || barrier_ < total_)) {
        std::ostringstream waiting;
        for (int i = 0; i < a_.islandCount(); ++i)
            if (done_[static_cast<std::size_t>(i)] < barrier_)
                waiting << (waiting.tellp() > 0 ? ", " : "") << a_.number(i);
        view_.waitingFor = waiting.str();
        if (view_.waitingFor.empty()) {
            // Every island at the epoch: no worker steps one.
            a_.migrate();
            barrier_ += every_;
            changed_.notify_all();
        }
    }

    World& w = world(shown_);
    long long cap = -1;
    if (every_ > 0)
        cap = std::max(0LL, barrier_ - done_[s]);
    if (total_ >= 0)
        cap = cap < 0 ? std::max(0LL, total_ - done_[s]) : std::min(cap, std::max(0LL, total_ - done_[s]));
    // The shown island stands at the epoch or at its end: rather than spin,
    // give the workers a moment (the window still draws and answers).
    if (cap == 0)
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    const double h = w.sim.stepSize;
    view_.nextMigration = every_ > 0 ? static_cast<double>(start_ + barrier_) * h : -1.0;
    lock.unlock();

    const long long before = w.sim.counters.steps;
    stepDriver(w, pause, cap);
    const long long made = std::max(0LL, w.sim.counters.steps - before);
    a_.addSteps(shown_, made);
    a_.outputs(shown_).afterSteps(w);

    lock.lock();
    done_[s] += made;
    trendPoint(shown_);
    if (trendsChanged_)
        view_.trends = trends_;
    trendsChanged_ = false;
    if (made > 0)
        changed_.notify_all();
    bool over = total_ >= 0;
    for (long long d : done_)
        over = over && d >= total_;
    return !over;
}
