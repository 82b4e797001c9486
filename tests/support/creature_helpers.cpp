#include "support/creature_helpers.h"

Random& testRandom()
{
    static Random random;
    return random;
}

Agent& addCreatureAt(World& w, double x, double y, double z)
{
    Agent& a = appendCreature(w.sim);
    a.initialize(w.sim.random);
    a.centre = MY_VECTOR3{x, y, z};
    a.buildBody(w.sim.world, w.sim.space, &w.sim.environment);
    w.sim.family.arrive(a, w.sim.time, FamilyMember::StartUp);
    return a;
}

PlacePoint underCamera(const World& w)
{
    return PlacePoint{w.view.mainCamera.target[0], w.view.mainCamera.target[1]};
}

std::vector<double> worldFingerprint(const World& w)
{
    std::vector<double> f;
    f.push_back(w.sim.time);
    f.push_back(static_cast<double>(w.sim.population.size()));
    for (const auto& a : w.sim.population) {
        f.insert(f.end(), {static_cast<double>(a.creatureId), a.energy, a.age, a.score,
                           a.temperature, a.centre.x, a.centre.y, a.centre.z,
                           static_cast<double>(a.lifeState), static_cast<double>(a.intention.mode),
                           static_cast<double>(a.foodCount), static_cast<double>(a.matingCount),
                           static_cast<double>(a.learning.moves.size())});
        f.insert(f.end(), a.gene.values.begin(), a.gene.values.end());
        f.insert(f.end(), a.workingGene.values.begin(), a.workingGene.values.end());
        for (const auto& p : a.parts) {
            if (!p.exists || !p.body)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            const dReal* rot = dBodyGetRotation(p.body);
            const dReal* vel = dBodyGetLinearVel(p.body);
            const dReal* ang = dBodyGetAngularVel(p.body);
            f.insert(f.end(), pos, pos + 3);
            f.insert(f.end(), rot, rot + 12);
            f.insert(f.end(), vel, vel + 3);
            f.insert(f.end(), ang, ang + 3);
        }
    }
    f.push_back(w.sim.foods.timer);
    for (const auto& food : w.sim.foods.foods)
        f.insert(f.end(), {food.position.x, food.position.y, food.position.z});
    return f;
}
