#include "ecology/hall_of_fame.h"

#include <algorithm>
#include <cmath>

#include "ecology/simulated_second.h"

namespace {

void takeFigures(FameEntry& e, const Agent& a)
{
    e.id = a.creatureId;
    e.generation = a.generation;
    e.score = std::max(e.score, a.score);
    e.progressPerCycle = a.scoredCycles > 0 ? a.progressTotal / a.scoredCycles : 0.0;
    e.foodsEaten = a.foodCount;
}

} // namespace

void HallOfFame::update(const Population& population)
{
    for (const Agent& a : population) {
        if (a.lifeState != Alive)
            continue;
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const FameEntry& e) { return e.agent == &a; });
        if (it != entries_.end()) {
            takeFigures(*it, a);
            continue;
        }
        // A newcomer ranks when the hall has room or it beats the last.
        if (entries_.size() >= kSize && !(a.score > entries_.back().score))
            continue;
        FameEntry e;
        e.agent = &a;
        e.score = a.score;
        takeFigures(e, a);
        entries_.push_back(e);
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const FameEntry& x, const FameEntry& y) { return x.score > y.score; });
        if (entries_.size() > kSize)
            entries_.pop_back();
    }
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const FameEntry& x, const FameEntry& y) { return x.score > y.score; });
}

void HallOfFame::afterStep(const Population& population, double time)
{
    if (enteredNewSecond(time, lastSecond_))
        update(population);
}

void HallOfFame::leaves(const Agent& a)
{
    for (FameEntry& e : entries_) {
        if (e.agent != &a)
            continue;
        takeFigures(e, a);
        e.kept = detachCreature(a);
        e.agent = nullptr;
    }
}
