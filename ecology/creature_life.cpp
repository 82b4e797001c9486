// Contents: small helpers; mating; runaway bodies (the checks and the
// quarantine); the feeding and mating pass; the refill; the death pass; a
// creature's own intention choice and per-step update.
#include "ecology/creature_life.h"

#include <algorithm>
#include <cmath>

#include "app/base/random.h"
#include "ecology/improved_life.h"
#include "ecology/physics_mode.h"
#include "ecology/world.h"

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

void mate(World& w, Agent& self, Agent& partner)
{
    self.matingCount += 1;
    BirthMarker marker;
    marker.centre = MY_VECTOR3{(self.centre.x + partner.centre.x) * 0.5,
                               (self.centre.y + partner.centre.y) * 0.5,
                               (self.centre.z + partner.centre.z) * 0.5};
    w.birthMarkers.push_back(marker);
    const EcologyParams& p = w.ecology;
    self.energy -= p.matingCost;

    Agent& child = appendCreature(w.population);
    child.initialize();
    child.centre.x = self.centre.x + p.childPlacement * (partner.centre.x - self.centre.x);
    child.centre.y = self.centre.y + p.childPlacement * (partner.centre.y - self.centre.y);
    child.centre.z =
        self.centre.z + p.childPlacement * (partner.centre.z - self.centre.z) + p.childLift;
    const bool improved = w.learningRule == static_cast<int>(LearningRule::Improved);
    // Under the improved rules the child's store is its parent's, not fresh.
    if (!improved)
        child.learning.reset(self.gene);
    child.gene.crossover(self.gene, partner.gene);
    child.energy = p.childEnergyBase + p.childEnergySpread * rng().next() / 32767.0;
    // ... and so is its body, so that the movements it inherits fit it; the
    // rest of its genome (thresholds, senses, exploring) is the crossover's.
    if (improved) {
        inheritBody(child.gene, self.gene);
        inheritMovements(child, self, w.learningParams);
    }
    child.buildBody(w.world, bodySpace(w), &w.environment);
    child.generation = std::max(self.generation, partner.generation) + 1;
    child.parentIds[0] = self.creatureId;
    child.parentIds[1] = partner.creatureId;
    ++self.children;
    ++partner.children;
    ++w.counters.births;
    if (w.lifeEvents)
        w.lifeEvents(lifeEventOf(LifeEvent::Birth, child, w.simData.simulationTime));
}

// Takes a creature whose bodies went non-finite or far off out of the
// physics: its bodies are put back at a finite place within the bound,
// stopped and disabled, its geoms no longer collide, and it dies as fallen.
void quarantine(World& w, Agent& a)
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
    endDragOn(w, &a);
    if (a.lifeState == Alive) {
        a.lifeState = Fallen;
        a.dyingProgress = 0.0f;
    }
    ++w.counters.nonFinite;
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

void takeOutRunawayBodies(World& w)
{
    for (auto& a : w.population)
        if (a.lifeState != Removable && (hasNonFiniteBody(a) || hasFarOffBody(a)))
            quarantine(w, a);
}

void feedingAndMatingPass(World& w)
{
    bool eatenThisStep = false;
    for (auto& a : w.population) {
        if (a.intention.mode == Intention::Food) {
            AimPoint* food = a.intention.food;
            if (!eatenThisStep && food &&
                distanceSquared(a.centre, food->position) < w.ecology.eatRangeSquared) {
                w.foods.eaten = food;
                a.energy += w.ecology.foodEnergy;
                a.foodCount += 1;
                eatenThisStep = true;
                ++w.counters.foodsEaten;
            }
        } else if (a.intention.mode == Intention::Mate) {
            Agent* partner = a.intention.partner;
            if (partner && distanceSquared(a.centre, partner->centre) < w.ecology.mateRangeSquared)
                mate(w, a, *partner);
        }
    }
}

void refillPopulation(World& w)
{
    const double S = w.simData.groundSize;
    while (static_cast<int>(w.population.size()) < w.simData.minPopulation) {
        Agent& c = appendCreature(w.population);
        c.initialize();
        c.learning.reset(w.population.front().gene);
        c.gene.randomize(-1, -1, -1);
        c.centre.y = (rng().next() - 16384) * 2 / 32767.0 * S;
        c.centre.x = (rng().next() - 16384) * 2 / 32767.0 * S;
        c.centre.z = w.ecology.refillHeight;
        c.buildBody(w.world, bodySpace(w), &w.environment);
        ++w.counters.refills;
        if (w.lifeEvents)
            w.lifeEvents(lifeEventOf(LifeEvent::Refill, c, w.simData.simulationTime));
    }
}

void deathPass(World& w)
{
    for (auto it = w.population.begin(); it != w.population.end();) {
        Agent& a = *it;
        // Also here, before the physics: a body made non-finite between two
        // steps (by a drag, a tool or a test) would trip the solver.
        if (a.lifeState != Removable && (hasNonFiniteBody(a) || hasFarOffBody(a)))
            quarantine(w, a);
        if (a.lifeState == Alive) {
            if (a.centre.z < w.ecology.fallDepth) {
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
                ++w.counters.deathsStarved;
            else
                ++w.counters.deathsFallen;
            if (w.lifeEvents)
                w.lifeEvents(lifeEventOf(LifeEvent::Death, a, w.simData.simulationTime));
            forgetCreature(w, &a);
            it = w.population.erase(it);
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
