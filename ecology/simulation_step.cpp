#include "ecology/simulation_step.h"

#include <cmath>

#include "ecology/walls.h"
#include "ecology/world.h"
#include "ecology/contacts.h"
#include "ecology/creature_life.h"
#include "ecology/cycle_learning.h"
#include "ecology/physics_mode.h"

namespace {

// Imposes a joint velocity proportional to the angle error, with unbounded
// force.
void motorLaw(const BodyJoint& joint, double target, double gain)
{
    const double angle = dJointGetHingeAngle(joint.hinge);
    dJointSetAMotorParam(joint.motor, dParamFMax, dInfinity);
    dJointSetAMotorParam(joint.motor, dParamVel, 4 * 4 * gain * (target - angle));
}

void restPose(Agent& a)
{
    const int targetStart = geneParams[JOINT_TARGET].start;
    const int gainStart = geneParams[JOINT_GAIN].start;
    for (int i = 0; i < static_cast<int>(a.joints.size()); ++i) {
        if (!a.joints[i].exists)
            continue;
        motorLaw(a.joints[i], a.gene.values[targetStart + i], a.gene.values[gainStart + i]);
    }
}

// Phase 0..2 of the motor cycle: whole phase durations since the cycle start,
// modulo 3. A negative or non-finite count (corrupt timing) reads as phase 0.
int motorPhase(const Agent& a)
{
    const double x = (a.age - a.cycleStart) / a.workingGene[T];
    if (!(x >= 0.0 && x < 1e15))
        return 0;
    return static_cast<int>(static_cast<long long>(x) % 3);
}

} // namespace

void driveMotors(Agent& a, const LearningSetup& learning, CycleTally* tally)
{
    const int mode = a.intention.mode;
    if (mode == Intention::NoTarget) {
        restPose(a);
        return;
    }
    if (mode != Intention::Food && mode != Intention::Mate)
        return;

    const int p = motorPhase(a);
    if (p != a.phase) {
        a.phase = p;
        if (p == 0)
            cycleStartLearning(a, learning, tally);
        else if (p == 1 && learning.rule == LearningRule::Improved)
            restEndLearning(a, *learning.params);
    }
    if (p == 0) {
        restPose(a);
        return;
    }
    const int n = static_cast<int>(a.joints.size());
    const int targetStart = geneParams[JOINT_TARGET].start + n * (p - 1);
    const int gainStart = geneParams[JOINT_GAIN].start + n * (p - 1);
    for (int i = 0; i < n; ++i) {
        if (!a.joints[i].exists)
            continue;
        motorLaw(a.joints[i], a.workingGene.values[targetStart + i],
                 a.workingGene.values[gainStart + i]);
    }
}

void applyDragForce(DragState& drag, double h)
{
    GrabbedPart& part = *drag.grabbed;
    dBodyEnable(part.body);
    const dReal* p = dGeomGetPosition(part.geom);
    const double d[3] = {drag.target[0] - p[0], drag.target[1] - p[1], drag.target[2] - p[2]};
    if (std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) == 0) {
        drag.force[0] = drag.force[1] = drag.force[2] = 0.0;
        return;
    }
    const dReal* v = dBodyGetLinearVel(part.body);
    for (int i = 0; i < 3; ++i)
        drag.force[i] = part.mass * (d[i] * (1 / h) - v[i]) * (1 / h);
    dBodySetForce(part.body, drag.force[0], drag.force[1], drag.force[2]);
}

void simulationStep(World& w)
{
    const double h = w.stepSize;
    w.simData.simulationTime += h;
    ++w.counters.steps;
    arrangeSpaces(w);

    if (w.ecologyEnabled == 1) {
        feedingAndMatingPass(w);
        refillPopulation(w);
        const LearningSetup learning = learningSetup(w);
        for (auto& a : w.population)
            driveMotors(a, learning, &w.counters.cycles);
        for (auto& a : w.population)
            a.energy -= w.ecology.energyDecay;
        deathPass(w);
        w.foods.update(h);
        for (auto& a : w.population)
            a.update(h, w.ecology);
    }

    if (w.drag.active && w.drag.grabbed) {
        w.selectedAgent = w.hoveredAgent;
        applyDragForce(w.drag, h);
    }

    collideWorld(w, &w, nearCallback);
    dWorldQuickStep(w.world, h);
    dJointGroupEmpty(w.contactGroup);
    takeOutRunawayBodies(w);
    w.statistics.afterStep(w);
    w.hallOfFame.afterStep(w.population, w.simData.simulationTime);

    if (w.walls.exist)
        placeWalls(w, w.simData.groundSize, w.simData.wallHeight);
}
