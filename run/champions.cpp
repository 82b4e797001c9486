#include "run/champions.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <utility>

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

namespace {

// The hour N of a name hour-N.creature (digits only, no leading zero), 0 for
// any other name.
long long hourOfName(const std::string& name)
{
    const std::string head = "hour-", tail = kCreatureFileExtension;
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return 0;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 15 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoll(digits);
}

} // namespace

std::vector<std::string> championsFrom(const std::string& folder, double start)
{
    const long long first =
        start >= 0 && start < 1e15 ? static_cast<long long>(std::floor(start)) / 3600 + 1 : 1;
    std::vector<std::pair<long long, std::string>> found;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            // Files and links only: a folder of that name is no champion.
            const long long hour = hourOfName(e->d_name);
            struct stat st;
            const std::string path = folder + "/" + e->d_name;
            if (hour >= first && ::lstat(path.c_str(), &st) == 0 &&
                (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
                found.emplace_back(hour, e->d_name);
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (const auto& f : found)
        names.push_back(f.second);
    return names;
}

bool removeChampionsFrom(const std::string& folder, double start, std::string& error)
{
    for (const std::string& name : championsFrom(folder, start)) {
        const std::string path = folder + "/" + name;
        if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
            error = "cannot remove:" + path;
            return false;
        }
    }
    return true;
}

ChampionKeeper::ChampionKeeper(std::string folder) : folder_(std::move(folder)) {}

void ChampionKeeper::afterSteps(const RunWorld& w)
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

void ChampionKeeper::finish(const RunWorld& w)
{
    if (hour_ < 0)
        return;
    look(w);
    write(hour_);
    hour_ = -1;
}

void ChampionKeeper::look(const RunWorld& w)
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
    } catch (const std::string&) {
        // The writer has said what failed.
        writeFailed_ = true;
    }
}
