#include "app/champions.h"

#include <cmath>
#include <iostream>

#include "persist/creature_file.h"

bool ChampionRank::operator>(const ChampionRank& other) const
{
    if (proven != other.proven)
        return proven;
    return value > other.value;
}

ChampionRank championRank(const Agent& a)
{
    ChampionRank r;
    r.proven = a.scoredCycles >= kChampionCycles;
    r.value = r.proven ? a.progressTotal / static_cast<double>(a.scoredCycles) : a.score;
    if (!std::isfinite(r.value))
        r.value = -1e300;
    return r;
}

ChampionKeeper::ChampionKeeper(std::string folder) : folder_(std::move(folder)) {}

void ChampionKeeper::afterFrame(const World& w)
{
    const double t = w.sim.time;
    if (!(t >= 0 && t < 1e15))
        return;
    const long long second = static_cast<long long>(std::floor(t));
    if (second == lastSecond_)
        return;
    lastSecond_ = second;
    const long long hour = second / 3600;
    if (hour_ < 0)
        hour_ = hour;
    if (hour != hour_) {
        // The hour that ended has its champion; the creatures as they are
        // now belong to the new one.
        write(hour_);
        hour_ = hour;
        haveChampion_ = false;
    }
    look(w);
}

void ChampionKeeper::finish(const World& w)
{
    if (hour_ < 0)
        return;
    look(w);
    write(hour_);
    hour_ = -1;
}

void ChampionKeeper::look(const World& w)
{
    for (const Agent& a : w.sim.population) {
        if (a.lifeState != Alive)
            continue;
        // The champion is kept as it was at its best.
        const ChampionRank r = championRank(a);
        if (haveChampion_ && !(r > rank_))
            continue;
        rank_ = r;
        championId_ = a.creatureId;
        champion_ = detachCreature(a);
        rules_ = w.settings;
        haveChampion_ = true;
    }
}

void ChampionKeeper::write(long long hour)
{
    if (!haveChampion_ || writeFailed_)
        return;
    const std::string path = folder_ + "/hour-" + std::to_string(hour + 1) + kCreatureFileExtension;
    try {
        writeCreatureFile(path, encodeCreatureFile(*champion_.record, champion_.pose, rules_));
        ++written_;
    } catch (const std::string& text) {
        std::cerr << text << std::endl;
        writeFailed_ = true;
    }
}
