#include "ecology/population.h"

Agent& appendCreature(Population& population)
{
    population.emplace_back();
    return population.back();
}

void resizePopulation(Population& population, int n)
{
    if (n < 0)
        n = 0;
    while (static_cast<int>(population.size()) < n)
        population.emplace_back();
    while (static_cast<int>(population.size()) > n)
        population.pop_back();
}

void removeLastCreature(Population& population)
{
    if (!population.empty())
        population.pop_back();
}

void clearPopulation(Population& population)
{
    population.clear();
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
