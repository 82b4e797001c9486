#include "ecology/simulation.h"

Simulation::Simulation()
{
    environment.population = &population;
    environment.foods = &foods;
}

Agent& appendCreature(Simulation& sim)
{
    Agent& a = sim.population.emplace_back();
    a.creatureId = sim.nextCreatureId++;
    return a;
}

void clearCreatures(Simulation& sim)
{
    for (const Agent& a : sim.population)
        sim.hallOfFame.leaves(a);
    sim.population.clear();
}
