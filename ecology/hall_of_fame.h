// The hall of fame: the ten best creatures of the run so far by the best
// score each reached, living or dead. A member that leaves the world keeps
// its record and pose (creature/agent_record.h), so it can still be saved.
// Keeping it only reads the world: a run with or without anyone looking at
// it is the same run.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <cstddef>
#include <vector>

#include "creature/agent_record.h"
#include "ecology/population.h"

struct FameEntry {
    const Agent* agent = nullptr; // while it lives; null once it has left
    int id = 0;
    int generation = 0;
    double score = 0.0;            // the best score it reached
    double progressPerCycle = 0.0; // mean progress of its scored cycles
    int foodsEaten = 0;
    DetachedCreature kept; // filled when it leaves the world
};

class HallOfFame {
public:
    static constexpr std::size_t kSize = 10;

    // Brings the living members' figures up to date and takes in creatures
    // whose score now ranks among the ten.
    void update(const Population& population);
    // Called by the step at its end: an update whenever the simulated time
    // enters a new whole second.
    void afterStep(const Population& population, double time);
    // A creature leaves the world (dies, or the world is reset or replaced):
    // a member keeps its record.
    void leaves(const Agent& a);

    // Best first.
    const std::vector<FameEntry>& entries() const { return entries_; }

private:
    std::vector<FameEntry> entries_;
    long long lastSecond_ = -1;
};
