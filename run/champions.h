// The champions of a run: every simulated hour the best creature of that
// hour is written to DIR/hour-N.creature (the creature file of
// persist/creature_file.h), so the best walkers of hour 1 and hour 6 can be
// set against each other later (--trial).
//
// The measure is a creature's mean progress per scored motor cycle over its
// life so far (the displacement towards its target per phase second, the
// quantity learning scores), among the creatures with at least
// kChampionCycles scored cycles, so a lucky stride of a newborn does not
// count; while none has that many, the best score decides. The creatures are
// looked at once a simulated second; the champion is copied when it is
// chosen, so one that dies before its hour ends is kept as it was then.
// Hour N covers the simulated time from N-1 to N hours; at the end of a run
// the hour under way is written too.
//
// A folder that already holds champions (of an earlier run, or of this one
// before the save it goes on from) loses those of the hours the run writes
// and of every later hour at the start, so the folder never mixes runs; a
// run that goes on from a saved world at hour N keeps the champions of the
// hours before N, which belong to the run that made the save.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <memory>
#include <string>
#include <vector>

#include "creature/agent_record.h"
#include "run/run_world.h"

// Scored cycles a creature needs before its mean progress counts.
constexpr long long kChampionCycles = 30;

// How a creature ranks as a champion: higher is better.
struct ChampionRank {
    bool proven = false;  // at least kChampionCycles scored cycles
    double value = 0.0;   // mean progress per cycle when proven, else the score
    bool operator>(const ChampionRank& other) const;
};
ChampionRank championRank(const Agent& a);

// The champion files (hour-N.creature, files or links) in `folder` of the
// hour under way at simulated time `start` and every later hour, in hour
// order.
std::vector<std::string> championsFrom(const std::string& folder, double start);

// Removes the files of championsFrom. False, with `error` naming the file,
// when one cannot be removed.
bool removeChampionsFrom(const std::string& folder, double start, std::string& error);

class ChampionKeeper {
public:
    explicit ChampionKeeper(std::string folder);

    // After every step: looks at the creatures when a new simulated second
    // has begun, and writes the champion of an hour that has ended.
    void afterSteps(const RunWorld& w);
    // At the end of the run: the hour under way.
    void finish(const RunWorld& w);

    // Whether writing a file failed (said once on standard error).
    bool writeFailed() const { return writeFailed_; }
    // Files written so far.
    int written() const { return written_; }

private:
    void look(const RunWorld& w);
    void write(long long hour);

    std::string folder_;
    long long hour_ = -1;       // hours since start of the hour under way (0 based)
    long long lastSecond_ = -1;
    bool haveChampion_ = false;
    ChampionRank rank_;
    int championId_ = -1;
    DetachedCreature champion_;
    WorldSettings rules_; // of the world the champion lived in
    bool writeFailed_ = false;
    int written_ = 0;
};
