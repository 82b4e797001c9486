// Contents: small helpers; mating; runaway bodies (the checks and the
// quarantine); the feeding and mating pass; the refill; the death pass; a
// creature's own intention choice and per-step update.
#include "ecology/creature_life.h"

#include <algorithm>
#include <cmath>

#include "base/random.h"
#include "ecology/cycle_learning.h"
#include "ecology/physics_setup.h"
#include "ecology/simulation.h"
#include "ecology/simulation_step.h"
#include "ecology/world_settings.h"

namespace {

double distanceSquared(const MY_VECTOR3& a, const MY_VECTOR3& b)
{
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

bool withinBound(double v)
{
    return std::fabs(v) <= kMaxBodyCoordinate;
}

double clampToBound(double v)
{
    return std::fmax(-kMaxBodyCoordinate, std::fmin(kMaxBodyCoordinate, v));
}

bool allFinite(const dReal* v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

// Children are conceived in every step of a busy world; a view takes the
// new ones after each frame, so only the last few are kept.
constexpr std::size_t kKeptConceptions = 64;

void mate(Simulation& sim, const WorldSettings& settings, Agent& self, Agent& partner)
{
    self.matingCount += 1;
    Conception conception;
    conception.birth = sim.counters.births + 1;
    conception.time = sim.time;
    conception.centre = MY_VECTOR3{(self.centre.x + partner.centre.x) * 0.5,
                                   (self.centre.y + partner.centre.y) * 0.5,
                                   (self.centre.z + partner.centre.z) * 0.5};
    sim.conceptions.push_back(conception);
    if (sim.conceptions.size() > kKeptConceptions)
        sim.conceptions.pop_front();
    const EcologyParams& p = settings.ecology;
    self.energy -= p.matingCost;

    const LearningSetup learning = learningSetup(sim, settings);
    const LearningRule& rule = learningRule(settings.learningRule);
    Agent& child = appendCreature(sim);
    child.initialize(sim.random);
    child.centre.x = self.centre.x + p.childPlacement * (partner.centre.x - self.centre.x);
    child.centre.y = self.centre.y + p.childPlacement * (partner.centre.y - self.centre.y);
    child.centre.z =
        self.centre.z + p.childPlacement * (partner.centre.z - self.centre.z) + p.childLift;
    if (rule.childBeforeCrossover)
        rule.childBeforeCrossover(child, self, learning);
    child.gene.crossover(self.gene, partner.gene, sim.random);
    child.energy = p.childEnergyBase + p.childEnergySpread * sim.random.next() / 32767.0;
    if (rule.childAfterCrossover)
        rule.childAfterCrossover(child, self, learning);
    child.buildBody(sim.world, bodySpace(sim, settings.physics), &sim.environment);
    child.generation = std::max(self.generation, partner.generation) + 1;
    sim.highestGeneration = std::max(sim.highestGeneration, child.generation);
    child.parentIds[0] = self.creatureId;
    child.parentIds[1] = partner.creatureId;
    ++self.children;
    ++partner.children;
    ++sim.counters.births;
    sim.family.born(child, sim.time, &self);
    if (sim.lifeEvents)
        sim.lifeEvents(lifeEventOf(LifeEvent::Birth, child, sim.time));
}

// Takes a creature whose bodies went non-finite or far off out of the
// physics: its bodies are put back at a finite place within the bound,
// stopped and disabled, its geoms no longer collide, and it dies as fallen.
void quarantine(Simulation& sim, Agent& a)
{
    MY_VECTOR3 c = a.centre;
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z))
        c = MY_VECTOR3{};
    c = MY_VECTOR3{clampToBound(c.x), clampToBound(c.y), clampToBound(c.z)};
    MY_VECTOR3& start = a.cycleStartCentre;
    if (std::isfinite(start.x) && std::isfinite(start.y) && std::isfinite(start.z))
        start = MY_VECTOR3{clampToBound(start.x), clampToBound(start.y), clampToBound(start.z)};
    else
        start = c;
    for (auto& p : a.parts) {
        if (!p.exists || !p.body)
            continue;
        dBodySetPosition(p.body, c.x, c.y, c.z);
        dMatrix3 R;
        dRSetIdentity(R);
        dBodySetRotation(p.body, R);
        dBodySetLinearVel(p.body, 0, 0, 0);
        dBodySetAngularVel(p.body, 0, 0, 0);
        dBodySetForce(p.body, 0, 0, 0);
        dBodySetTorque(p.body, 0, 0, 0);
        dBodyDisable(p.body);
        if (p.geom)
            dGeomDisable(p.geom);
    }
    a.centre = c;
    sim.quarantined.push_back(&a);
    if (a.lifeState == Alive) {
        a.lifeState = Fallen;
        a.dyingProgress = 0.0f;
    }
    ++sim.counters.nonFinite;
}

} // namespace

bool hasNonFiniteBody(const Agent& a)
{
    for (const auto& p : a.parts) {
        if (!p.exists || !p.body)
            continue;
        if (!allFinite(dBodyGetPosition(p.body), 3) || !allFinite(dBodyGetLinearVel(p.body), 3) ||
            !allFinite(dBodyGetAngularVel(p.body), 3) || !allFinite(dBodyGetRotation(p.body), 12))
            return true;
    }
    return false;
}

bool hasFarOffBody(const Agent& a)
{
    if (!withinBound(a.centre.x) || !withinBound(a.centre.y) || !withinBound(a.centre.z))
        return true;
    for (const auto& p : a.parts) {
        if (!p.exists || !p.body)
            continue;
        const dReal* pos = dBodyGetPosition(p.body);
        if (!withinBound(pos[0]) || !withinBound(pos[1]) || !withinBound(pos[2]))
            return true;
    }
    return false;
}

void takeOutRunawayBodies(Simulation& sim)
{
    for (auto& a : sim.population)
        if (a.lifeState != Removable && (hasNonFiniteBody(a) || hasFarOffBody(a)))
            quarantine(sim, a);
}

void feedingAndMatingPass(Simulation& sim, const WorldSettings& settings)
{
    bool eatenThisStep = false;
    const EcologyParams& p = settings.ecology;
    for (auto& a : sim.population) {
        if (a.intention.mode == Intention::Food) {
            AimPoint* food = a.intention.food;
            if (!eatenThisStep && food &&
                distanceSquared(a.centre, food->position) < p.eatRangeSquared) {
                sim.foods.eaten = food;
                a.energy += p.foodEnergy;
                a.foodCount += 1;
                eatenThisStep = true;
                ++sim.counters.foodsEaten;
            }
        } else if (a.intention.mode == Intention::Mate) {
            Agent* partner = a.intention.partner;
            if (partner && distanceSquared(a.centre, partner->centre) < p.mateRangeSquared)
                mate(sim, settings, a, *partner);
        }
    }
}

void refillPopulation(Simulation& sim, const WorldSettings& settings)
{
    const double S = settings.groundSize;
    while (static_cast<int>(sim.population.size()) < settings.minPopulation) {
        Agent& c = appendCreature(sim);
        c.initialize(sim.random);
        c.learning.reset(sim.population.front().gene, sim.random);
        c.gene.randomize(-1, -1, -1, sim.random);
        c.centre.y = (sim.random.next() - 16384) * 2 / 32767.0 * S;
        c.centre.x = (sim.random.next() - 16384) * 2 / 32767.0 * S;
        c.centre.z = settings.ecology.refillHeight;
        c.buildBody(sim.world, bodySpace(sim, settings.physics), &sim.environment);
        ++sim.counters.refills;
        sim.family.arrive(c, sim.time, FamilyMember::Refill);
        if (sim.lifeEvents)
            sim.lifeEvents(lifeEventOf(LifeEvent::Refill, c, sim.time));
    }
}

void deathPass(Simulation& sim, const WorldSettings& settings)
{
    const EcologyParams& p = settings.ecology;
    for (auto it = sim.population.begin(); it != sim.population.end();) {
        Agent& a = *it;
        // Also here, before the physics: a body made non-finite between two
        // steps (by a drag, a tool or a test) would trip the solver.
        if (a.lifeState != Removable && (hasNonFiniteBody(a) || hasFarOffBody(a)))
            quarantine(sim, a);
        if (a.lifeState == Alive) {
            if (a.centre.z < p.fallDepth) {
                a.lifeState = Fallen;
                a.dyingProgress = 0.0f;
            }
            if (a.energy <= 0) {
                a.lifeState = Starved;
                a.dyingProgress = 0.0f;
            }
        }
        if (a.lifeState == Removable) {
            if (a.deathCause == Starved)
                ++sim.counters.deathsStarved;
            else
                ++sim.counters.deathsFallen;
            if (sim.lifeEvents)
                sim.lifeEvents(lifeEventOf(LifeEvent::Death, a, sim.time));
            sim.hallOfFame.leaves(a);
            sim.family.died(a, sim.time);
            sim.removed.push_back(Departure{&a, a.parts.data(), a.parts.size()});
            it = sim.population.erase(it);
            continue;
        }
        ++it;
    }
}

void Agent::chooseIntention(Environment& env)
{
    if (energy > gene[TH_KOUSA] && env.population->size() >= 2) {
        intention.mode = Intention::Mate;
        intention.partner = nearestOther(*env.population, *this);
        intention.food = nullptr;
    } else if (!env.foods->foods.empty()) {
        intention.mode = Intention::Food;
        intention.food = env.foods->nearestFood(centre);
        intention.partner = nullptr;
    } else {
        intention.mode = Intention::NoTarget;
        intention.partner = nullptr;
        intention.food = nullptr;
    }
}

void Agent::update(double h, const EcologyParams& params)
{
    temperature = temperature * gene[YAKINAMASI];
    age += h;

    MY_VECTOR3 sum;
    int count = 0;
    for (const auto& p : parts) {
        if (!p.exists || !p.body)
            continue;
        const dReal* pos = dBodyGetPosition(p.body);
        sum.x += pos[0];
        sum.y += pos[1];
        sum.z += pos[2];
        ++count;
    }
    if (count > 0)
        centre = MY_VECTOR3{sum.x / count, sum.y / count, sum.z / count};

    const BodyPart& front = parts[headingPart()];
    const BodyPart& root = parts[0];
    if (front.body && root.body) {
        const dReal* a = dBodyGetPosition(front.body);
        const dReal* b = dBodyGetPosition(root.body);
        heading = MY_VECTOR2{a[0] - b[0], a[1] - b[1]};
    }

    if (lifeState == Starved || lifeState == Fallen) {
        dyingProgress = static_cast<float>(h * params.dyingRate + dyingProgress);
        if (dyingProgress > 1.0) {
            deathCause = lifeState;
            lifeState = Removable;
        }
    }

    if (environment)
        chooseIntention(*environment);

    for (auto& p : parts) {
        if (!p.exists)
            continue;
        p.groundTouch -= params.touchDecay;
        if (p.groundTouch < 0)
            p.groundTouch = 0;
    }
}
