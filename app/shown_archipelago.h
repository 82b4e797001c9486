// An archipelago in the window: the island the scene shows is stepped by the
// window's frames, at the window's pace; the others by worker threads on the
// other cores, never further than the next migration (or, without
// migrations, ten simulated minutes ahead of the shown one). At a migration
// every island waits until all have reached it, so the islands are the same
// as a headless archipelago of the seed makes, whatever the frames, as long
// as nobody lays a hand on the shown one. The user can show another island
// at any time (the panel, keys 1 to 9): it is shown once the worker that
// steps it ends its few steps, and the window never waits for that.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <condition_variable>
#include <iosfwd>
#include <mutex>
#include <thread>
#include <vector>

#include "app/shown_run.h"
#include "run/archipelago.h"
#include "ui/islands_view.h"
#include "ui/world.h"

// Makes the islands' worlds as worlds the window can show (the view as at
// start-up), each added to `made`: the maker for Archipelago::build.
Archipelago::WorldMaker shownWorlds(std::vector<World*>& made);

class ShownArchipelago final : public ShownRun {
public:
    // Starts the workers: one fewer than the archipelago's threads, at least
    // one. `worlds` are the archipelago's islands as the window's worlds, in
    // its order (made by shownWorlds); every island's view gets the shared
    // IslandsView and follows the world its run prepared.
    ShownArchipelago(Archipelago& archipelago, std::vector<World*> worlds);
    // Stops the workers after the steps they are making.
    ~ShownArchipelago() override;
    ShownArchipelago(const ShownArchipelago&) = delete;
    ShownArchipelago& operator=(const ShownArchipelago&) = delete;

    // The world the scene shows.
    World& shown() override;
    IslandsView& view() { return view_; }

    // One frame of the window: takes the island asked for (when no worker
    // has it in hand; else at a later frame), migrates once
    // every island has reached the epoch, then runs the shown island's
    // frame (the step driver, its outputs) up to the epoch at most. False
    // when the run is over: every island has run its --steps or --seconds,
    // or Ctrl-C has arrived.
    bool frame(int pause);
    // The window's frames: the whole frame runs in `prepare`, on the loop's
    // thread (the shown island's steps are few beside the workers').
    bool prepare(int pause) override
    {
        goesOn_ = frame(pause);
        return false;
    }
    bool finish() override { return goesOn_; }

    // Stops the workers (waits for the steps under way).
    void stop();
    // Steps every island has made since the start, added up.
    long long stepsDone();

private:
    World& world(int i);
    long long targetLocked() const;
    void work();
    void trendPoint(int i);

    Archipelago& a_;
    std::vector<World*> worlds_;
    IslandsView view_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> busy_;        // an island a worker is stepping
    std::vector<long long> done_;   // each island's steps since the start
    std::vector<std::vector<IslandTrendPoint>> trends_;
    bool trendsChanged_ = true;
    int shown_ = 0;
    int wanted_ = -1;        // the island asked for while a worker had it, -1: none
    long long every_ = -1;   // steps between migrations, -1: none
    long long start_ = 0;    // the step the epochs count from
    long long barrier_ = -1; // steps done at the next migration
    long long total_ = -1;   // steps of the run, -1: no end
    long long ahead_ = 0;    // how far ahead workers go without migrations
    bool stopping_ = false;
    bool goesOn_ = true; // what the frame under way said
    std::vector<std::thread> workers_;
};
