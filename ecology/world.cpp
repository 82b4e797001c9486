#include "ecology/world.h"

World::World()
{
    environment.population = &population;
    environment.foods = &foods;
    foods.settings = &simData;
}

LearningSetup learningSetup(const World& w)
{
    return LearningSetup{static_cast<LearningRule>(w.learningRule),
                         w.simData.learningMutation != 0, &w.learningParams};
}

void forgetCreature(World& w, const Agent* agent)
{
    if (agent)
        w.hallOfFame.leaves(*agent);
    if (w.hoveredAgent == agent)
        w.hoveredAgent = nullptr;
    if (w.selectedAgent == agent)
        w.selectedAgent = nullptr;
    if (w.followedAgent == agent)
        w.followedAgent = nullptr;
    endDragOn(w, agent);
}

void endDragOn(World& w, const Agent* agent)
{
    if (w.drag.grabbed && w.drag.grabbed->owner == agent) {
        w.drag.grabbed = nullptr;
        w.drag.active = false;
    }
}

void forgetAllCreatures(World& w)
{
    for (const Agent& a : w.population)
        w.hallOfFame.leaves(a);
    w.hoveredAgent = nullptr;
    w.selectedAgent = nullptr;
    w.followedAgent = nullptr;
    w.drag.grabbed = nullptr;
    w.drag.active = false;
}
