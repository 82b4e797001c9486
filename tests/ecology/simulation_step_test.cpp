// The order and effects of the phases of one simulation step: ecology switch,
// refill, motor law, drag, and the guard against non-finite bodies.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/random.h"
#include "ecology/creature_life.h"
#include "ecology/simulation_step.h"
#include "ui/mouse.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

class SimulationStepTest : public WorldTest {};

TEST_F(SimulationStepTest, EcologyOffStillAdvancesTimeAndPhysicsButNothingLives)
{
    scene->setStepParts(StepParts::PhysicsOnly);
    const size_t foods = w().sim.foods.foods.size();
    Agent& a = w().sim.population.front();
    const double energy = a.energy;
    const double z0 = dBodyGetPosition(a.parts[0].body)[2];
    for (int i = 0; i < 40; ++i)
        scene->step();
    EXPECT_NEAR(w().sim.time, 40 * kStepSize, 1e-9);
    EXPECT_EQ(a.age, 0.0);
    EXPECT_EQ(a.energy, energy);
    EXPECT_EQ(a.intention.mode, Intention::None);
    EXPECT_EQ(w().sim.foods.foods.size(), foods);
    EXPECT_EQ(w().sim.foods.timer, 0.0);
    // The body fell under gravity all the same.
    EXPECT_LT(dBodyGetPosition(a.parts[0].body)[2], z0 - 0.5);
}

TEST_F(SimulationStepTest, EmptyPopulationRefillsInOneStepAndNewcomersAreNotDriven)
{
    forgetAllCreatures(w().view);
    clearCreatures(w().sim);
    scene->step();
    ASSERT_EQ(static_cast<int>(w().sim.population.size()), w().settings.minPopulation);
    for (const Agent& a : w().sim.population) {
        // The motor law sets an unbounded force; a motor never driven keeps
        // ODE's default of zero.
        for (const BodyJoint& j : a.joints) {
            if (j.exists) {
                EXPECT_EQ(dJointGetAMotorParam(j.motor, dParamFMax), 0.0);
            }
        }
        // The intention is chosen in the creature update of the same step.
        EXPECT_NE(a.intention.mode, Intention::None);
        EXPECT_EQ(a.age, kStepSize);
    }
    // The next step drives them.
    scene->step();
    const Agent& a = w().sim.population.front();
    for (const BodyJoint& j : a.joints) {
        if (j.exists) {
            EXPECT_TRUE(std::isinf(dJointGetAMotorParam(j.motor, dParamFMax)));
        }
    }
}

TEST_F(SimulationStepTest, RestPoseDrivesEachExistingJointByItsOwnIndex)
{
    Agent& a = w().sim.population.front();
    // With joint 0 switched off, the others keep their own index into the
    // gene rows, and joint 0's motor is left alone.
    ASSERT_TRUE(a.joints[0].exists);
    a.joints[0].exists = false;
    a.intention.mode = Intention::NoTarget;
    driveMotors(a, LearningSetup{LearningRuleId::Original, true, &w().settings.learningParams, &w().sim.random});
    const int targetStart = geneParams[JOINT_TARGET].start;
    const int gainStart = geneParams[JOINT_GAIN].start;
    int driven = 0;
    for (int i = 0; i < static_cast<int>(a.joints.size()); ++i) {
        const BodyJoint& j = a.joints[i];
        if (!j.exists)
            continue;
        const double angle = dJointGetHingeAngle(j.hinge);
        const double expected =
            16 * a.gene.values[gainStart + i] * (a.gene.values[targetStart + i] - angle);
        EXPECT_DOUBLE_EQ(dJointGetAMotorParam(j.motor, dParamVel), expected) << "joint " << i;
        ++driven;
    }
    EXPECT_GT(driven, 0);
    EXPECT_EQ(dJointGetAMotorParam(a.joints[0].motor, dParamFMax), 0.0);
    a.joints[0].exists = true;
    // Rest pose runs no phase clock and no learning.
    EXPECT_EQ(a.phase, 0);
    EXPECT_EQ(a.track.size(), 0u);
}

TEST_F(SimulationStepTest, MovingPhasesReadTheWorkingGeneAtPhaseOffsets)
{
    Agent& a = w().sim.population.front();
    a.intention.mode = Intention::Food;
    a.intention.food = &w().sim.foods.foods.front();
    const double period = a.workingGene[GeneRow::T];
    ASSERT_GE(period, 0.4);
    const int n = static_cast<int>(a.joints.size());
    for (int p : {1, 2}) {
        a.age = a.cycleStart + period * (p + 0.5);
        driveMotors(a, LearningSetup{LearningRuleId::Original, true, &w().settings.learningParams, &w().sim.random});
        EXPECT_EQ(a.phase, p);
        for (int i = 0; i < n; ++i) {
            const BodyJoint& j = a.joints[i];
            if (!j.exists)
                continue;
            const double target =
                a.workingGene.values[geneParams[JOINT_TARGET].start + n * (p - 1) + i];
            const double gain =
                a.workingGene.values[geneParams[JOINT_GAIN].start + n * (p - 1) + i];
            const double angle = dJointGetHingeAngle(j.hinge);
            EXPECT_DOUBLE_EQ(dJointGetAMotorParam(j.motor, dParamVel),
                             16 * gain * (target - angle));
        }
    }
    // Back to phase 0: a new cycle starts and the learning runs once.
    a.age = a.cycleStart + period * 3.2;
    driveMotors(a, LearningSetup{LearningRuleId::Original, false, &w().settings.learningParams, &w().sim.random});
    EXPECT_EQ(a.phase, 0);
    EXPECT_EQ(a.cycleStart, a.age);
    EXPECT_EQ(a.track.size(), 1u);
}

TEST_F(SimulationStepTest, DragPullsTowardsTheTargetAndSelectsTheHoveredCreature)
{
    Agent& a = w().sim.population.front();
    BodyPart& part = a.parts[0];
    w().view.hoveredAgent = nullptr;
    w().view.selectedAgent = &a;
    w().view.drag.active = true;
    w().view.drag.grabbed = &part;

    // Exactly on the target: no force, recorded force zero.
    const dReal* p = dGeomGetPosition(part.geom);
    for (int i = 0; i < 3; ++i)
        w().view.drag.target[i] = p[i];
    w().view.drag.force[0] = 99;
    w().view.drag.active = true;
    applyDragForce(w());
    EXPECT_EQ(w().view.drag.force[0], 0.0);
    EXPECT_EQ(w().view.drag.force[1], 0.0);
    EXPECT_EQ(w().view.drag.force[2], 0.0);

    // One unit above: the force that reaches it within one step.
    w().view.drag.target[2] = p[2] + 1.0;
    dBodySetLinearVel(part.body, 0.5, 0, 0);
    w().view.drag.active = true;
    applyDragForce(w());
    const double h = kStepSize;
    EXPECT_NEAR(w().view.drag.force[2], part.mass * (1.0 / h) / h, 1e-9);
    EXPECT_NEAR(w().view.drag.force[0], part.mass * (0 - 0.5) / h, 1e-9);

    // The step copies the hovered creature (none) into the selection.
    scene->step();
    EXPECT_EQ(w().view.selectedAgent, nullptr);
}

TEST_F(SimulationStepTest, DragEndsWhenItsCreatureIsRemoved)
{
    Agent& a = w().sim.population.front();
    w().view.drag.active = true;
    w().view.drag.grabbed = &a.parts[0];
    w().view.hoveredAgent = &a;
    a.lifeState = Removable;
    a.deathCause = Fallen;
    scene->step();
    EXPECT_FALSE(w().view.drag.active);
    EXPECT_EQ(w().view.drag.grabbed, nullptr);
    EXPECT_EQ(w().view.hoveredAgent, nullptr);
    EXPECT_EQ(w().view.selectedAgent, nullptr);
    for (int i = 0; i < 5; ++i)
        scene->step();
}

TEST_F(SimulationStepTest, NonFiniteBodyIsTakenOutAndDiesAsFallen)
{
    scene->step(10);
    Agent& bad = w().sim.population.front();
    const int badId = bad.creatureId;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    dBodySetLinearVel(bad.parts[0].body, nan, 0, 0);
    w().view.selectedAgent = &bad;

    scene->step();
    EXPECT_EQ(bad.lifeState, Fallen);
    EXPECT_EQ(w().sim.counters.nonFinite, 1);
    EXPECT_FALSE(hasNonFiniteBody(bad));

    // It is removed once its dying has finished; nothing else is poisoned.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        scene->step();
        gone = true;
        for (const Agent& a : w().sim.population)
            if (a.creatureId == badId)
                gone = false;
    }
    EXPECT_TRUE(gone);
    EXPECT_EQ(w().view.selectedAgent, nullptr);
    for (const Agent& a : w().sim.population) {
        EXPECT_FALSE(hasNonFiniteBody(a)) << "creature " << a.creatureId;
        EXPECT_TRUE(std::isfinite(a.centre.x) && std::isfinite(a.centre.z));
    }
}

} // namespace
