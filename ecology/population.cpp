#include "ecology/population.h"

void removeLastCreature(Population& population)
{
    if (!population.empty())
        population.pop_back();
}

namespace {

template <typename Key> Agent* firstWithHighest(Population& population, Key key)
{
    if (population.empty())
        return nullptr;
    Agent* best = &population.front();
    for (auto& a : population)
        if (key(a) > key(*best))
            best = &a;
    return best;
}

} // namespace

Agent* bestByScore(Population& population)
{
    return firstWithHighest(population, [](const Agent& a) { return a.score; });
}

const Agent* bestByScore(const Population& population)
{
    return bestByScore(const_cast<Population&>(population));
}

Agent* oldest(Population& population)
{
    return firstWithHighest(population, [](const Agent& a) { return a.age; });
}

Agent* nearestOther(Population& population, const Agent& self)
{
    double best = 2147483647.0;
    Agent* result = const_cast<Agent*>(&self);
    for (auto& c : population) {
        if (&c == &self)
            continue;
        const double dx = c.centre.x - self.centre.x;
        const double dy = c.centre.y - self.centre.y;
        const double dz = c.centre.z - self.centre.z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < best) {
            best = d;
            result = &c;
        }
    }
    return result;
}
