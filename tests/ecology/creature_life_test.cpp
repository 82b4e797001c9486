// Creature life: eating, mating, refill, dying and removal.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/random.h"
#include "ecology/creature_life.h"
#include "ecology/simulation_step.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

// a, 3 m from b, seeks b as its mate with enough energy for one child; b
// seeks nothing.
void readyToMate(Agent& a, Agent& b)
{
    a.centre = MY_VECTOR3{0, 0, 1};
    b.centre = MY_VECTOR3{3, 0, 1};
    a.intention.mode = Intention::Mate;
    a.intention.partner = &b;
    b.intention.mode = Intention::None;
    a.energy = 3.5;
}

// A world without automatic refill, into which tests put creatures by hand.
class CreatureLifeTest : public WorldTest {
protected:
    void SetUp() override { makeScene(4242, 0); }

    AimPoint& foodAt(double x, double y)
    {
        w().sim.foods.foods.clear();
        w().sim.foods.foods.push_back(AimPoint{MY_VECTOR3{x, y, 0.0}});
        return w().sim.foods.foods.back();
    }
};

TEST_F(CreatureLifeTest, OnlyTheFrontMostCreatureInReachEatsInAStep)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    Agent& b = addCreatureAt(w(), 10, 0, 3);
    w().sim.foods.foods.clear();
    w().sim.foods.foods.push_back(AimPoint{MY_VECTOR3{0, 0, 0}});
    w().sim.foods.foods.push_back(AimPoint{MY_VECTOR3{10, 0, 0}});
    a.centre = MY_VECTOR3{0.5, 0, 0.5};
    b.centre = MY_VECTOR3{10.5, 0, 0.5};
    a.intention.mode = b.intention.mode = Intention::Food;
    a.intention.food = &w().sim.foods.foods[0];
    b.intention.food = &w().sim.foods.foods[1];
    const double ea = a.energy, eb = b.energy;

    feedingAndMatingPass(w().sim, w().settings);
    EXPECT_EQ(a.foodCount, 1);
    EXPECT_DOUBLE_EQ(a.energy, ea + 0.375);
    EXPECT_EQ(b.foodCount, 0);
    EXPECT_EQ(b.energy, eb);
    EXPECT_EQ(w().sim.foods.eaten, &w().sim.foods.foods[0]);

    // The food update takes the eaten food out; the last food takes its slot.
    w().sim.foods.update(kStepSize, w().settings.foodInterval, w().settings.groundSize,
                         w().sim.random);
    ASSERT_EQ(w().sim.foods.foods.size(), 1u);
    EXPECT_EQ(w().sim.foods.foods[0].position.x, 10.0);
    EXPECT_EQ(w().sim.foods.eaten, nullptr);
}

TEST_F(CreatureLifeTest, FoodsAreReachedInThreeDimensions)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    AimPoint& f = foodAt(0, 0);
    a.intention.mode = Intention::Food;
    a.intention.food = &f;
    a.centre = MY_VECTOR3{0, 0, 2.0}; // straight above, but 2 up
    feedingAndMatingPass(w().sim, w().settings);
    EXPECT_EQ(a.foodCount, 0);
    a.centre = MY_VECTOR3{1.0, 1.0, 1.0}; // sqrt(3) away
    feedingAndMatingPass(w().sim, w().settings);
    EXPECT_EQ(a.foodCount, 1);
}

TEST_F(CreatureLifeTest, MatingRepeatsWhileAboveThresholdAndPlacesChildAndMarker)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    Agent& b = addCreatureAt(w(), 3, 0, 3);
    readyToMate(a, b);
    const double eb = b.energy;
    const Gene bGene = b.gene;

    feedingAndMatingPass(w().sim, w().settings);
    ASSERT_EQ(w().sim.population.size(), 3u);
    Agent& child = w().sim.population.back();
    EXPECT_EQ(a.matingCount, 1);
    EXPECT_DOUBLE_EQ(a.energy, 2.5);
    EXPECT_EQ(b.energy, eb);
    EXPECT_EQ(b.gene.values, bGene.values);
    EXPECT_DOUBLE_EQ(child.centre.x, 0.9);
    EXPECT_DOUBLE_EQ(child.centre.y, 0.0);
    EXPECT_DOUBLE_EQ(child.centre.z, 2.0);
    EXPECT_GE(child.energy, 1.25);
    EXPECT_LE(child.energy, 1.75);
    EXPECT_TRUE(child.parts[0].body != nullptr);
    ASSERT_EQ(w().sim.conceptions.size(), 1u);
    EXPECT_EQ(w().sim.conceptions.back().birth, w().sim.counters.births);
    takeConceptions(w().view, w().sim);
    ASSERT_EQ(w().view.birthMarkers.size(), 1u);
    EXPECT_DOUBLE_EQ(w().view.birthMarkers.back().centre.x, 1.5);
    EXPECT_DOUBLE_EQ(w().view.birthMarkers.back().centre.z, 1.0);
    EXPECT_EQ(w().view.birthMarkers.back().size, 1.0);
    // Blended rows come 80 % from the initiator, 20 % from the partner.
    const int k = geneParams[JOINT_GAIN].start + 5;
    EXPECT_DOUBLE_EQ(child.gene.values[k], 0.8 * a.gene.values[k] + 0.2 * b.gene.values[k]);

    // Nothing stops a second mating in the next pass.
    feedingAndMatingPass(w().sim, w().settings);
    EXPECT_EQ(a.matingCount, 2);
    EXPECT_EQ(w().sim.population.size(), 4u);
    EXPECT_DOUBLE_EQ(a.energy, 1.5);
    EXPECT_EQ(w().sim.counters.births, 2);
}

TEST_F(CreatureLifeTest, IntentionChoice)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    AimPoint& f = foodAt(5, 5);
    // A single creature never seeks a mate, whatever its energy.
    a.energy = 100;
    a.chooseIntention(w().sim.environment);
    EXPECT_EQ(a.intention.mode, Intention::Food);
    EXPECT_EQ(a.intention.food, &f);
    // With no food left it has no target.
    w().sim.foods.foods.clear();
    a.chooseIntention(w().sim.environment);
    EXPECT_EQ(a.intention.mode, Intention::NoTarget);

    Agent& b = addCreatureAt(w(), 8, 0, 3);
    Agent& c = addCreatureAt(w(), 4, 0, 3);
    a.centre = MY_VECTOR3{0, 0, 0};
    b.centre = MY_VECTOR3{8, 0, 0};
    c.centre = MY_VECTOR3{4, 0, 0};
    a.energy = a.gene[TH_KOUSA]; // not strictly above
    a.chooseIntention(w().sim.environment);
    EXPECT_EQ(a.intention.mode, Intention::NoTarget);
    a.energy = a.gene[TH_KOUSA] + 1e-9;
    a.chooseIntention(w().sim.environment);
    EXPECT_EQ(a.intention.mode, Intention::Mate);
    EXPECT_EQ(a.intention.partner, &c);
}

TEST_F(CreatureLifeTest, StarvingWinsOverFallingAndDyingTakes112Steps)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    a.centre.z = -6.0;
    a.energy = -0.1;
    deathPass(w().sim, w().settings);
    EXPECT_EQ(a.lifeState, Starved);
    EXPECT_EQ(a.dyingProgress, 0.0f);

    // Dying creatures are never revived, even when they eat.
    a.energy = 5.0;
    int steps = 0;
    while (a.lifeState != Removable && steps < 1000) {
        a.update(kStepSize, w().settings.ecology);
        ++steps;
        if (a.lifeState != Removable) {
            deathPass(w().sim, w().settings);
            ASSERT_EQ(a.lifeState, Starved);
        }
    }
    EXPECT_EQ(steps, 112);
    deathPass(w().sim, w().settings);
    EXPECT_TRUE(w().sim.population.empty());
    EXPECT_EQ(w().sim.counters.deathsStarved, 1);
}

TEST_F(CreatureLifeTest, RemovalClearsEveryReferenceToTheCreature)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    Agent& b = addCreatureAt(w(), 5, 0, 3);
    w().view.hoveredAgent = &a;
    w().view.selectedAgent = &a;
    w().view.followedAgent = &a;
    a.lifeState = Removable;
    a.deathCause = Fallen;
    const Agent* gone = &a;
    deathPass(w().sim, w().settings);
    ASSERT_EQ(w().sim.population.size(), 1u);
    EXPECT_EQ(&w().sim.population.front(), &b);
    ASSERT_EQ(w().sim.removed.size(), 1u);
    EXPECT_EQ(w().sim.removed.front().agent, gone);
    forgetGoneCreatures(w().view, w().sim);
    EXPECT_EQ(w().view.hoveredAgent, nullptr);
    EXPECT_EQ(w().view.selectedAgent, nullptr);
    EXPECT_EQ(w().view.followedAgent, nullptr);
    EXPECT_EQ(w().sim.counters.deathsFallen, 1);
}

TEST_F(CreatureLifeTest, FallingBelowFiveStartsDying)
{
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    a.centre.z = -5.0;
    deathPass(w().sim, w().settings);
    EXPECT_EQ(a.lifeState, Alive);
    a.centre.z = -5.01;
    deathPass(w().sim, w().settings);
    EXPECT_EQ(a.lifeState, Fallen);
}

TEST_F(CreatureLifeTest, WhenAllDieTheNextStepRefillsWithRandomCreatures)
{
    w().settings.minPopulation = 6;
    for (int i = 0; i < 6; ++i)
        addCreatureAt(w(), i * 5.0, 0, 3);
    for (Agent& a : w().sim.population) {
        a.lifeState = Removable;
        a.deathCause = Starved;
    }
    scene->step(); // removes them all (death pass), refill waits for the next step
    EXPECT_TRUE(w().sim.population.empty());
    scene->step();
    ASSERT_EQ(w().sim.population.size(), 6u);
    const double S = w().settings.groundSize;
    for (const Agent& a : w().sim.population) {
        EXPECT_LE(std::abs(a.cycleStartCentre.x), S * 1.0001);
        EXPECT_LE(std::abs(a.cycleStartCentre.y), S * 1.0001);
        EXPECT_EQ(a.cycleStartCentre.z, 3.0);
        EXPECT_EQ(a.gene.values.size(), 506u);
    }
    EXPECT_EQ(w().sim.counters.refills, 6);
}

TEST_F(CreatureLifeTest, RefillDrawsYBeforeXAndUsesTheFrontGenomeCounts)
{
    w().settings.minPopulation = 1;
    Random replay(w().sim.random.state());
    refillPopulation(w().sim, w().settings);
    ASSERT_EQ(w().sim.population.size(), 1u);
    // initialize: 2 draws + 2 * 506 gene draws, learning reset: 32 * 506;
    // learning reset again: 32 * 506; randomize: 506; then y, then x.
    for (int i = 0; i < 2 + 2 * 506 + 32 * 506 + 32 * 506 + 506; ++i)
        replay.next();
    const double S = w().settings.groundSize;
    const double y = (replay.next() - 16384) * 2 / 32767.0 * S;
    const double x = (replay.next() - 16384) * 2 / 32767.0 * S;
    const Agent& a = w().sim.population.front();
    EXPECT_DOUBLE_EQ(a.cycleStartCentre.x, x);
    EXPECT_DOUBLE_EQ(a.cycleStartCentre.y, y);
}

TEST_F(CreatureLifeTest, UnderTheImprovedRulesAChildInheritsItsInitiatorsBodyAndMovements)
{
    // The genome rows that build the body and hold its rest pose.
    const int bodyRows[] = {BODY_SCALE, BODY_R_SCALE, PARENT_FACE_SWITCH, CHILD_FACE_SWITCH,
                            PARENT_FACE, CHILD_FACE, JOINT_TARGET, HINGE_AXIS,
                            JOINT_GAIN, PART_LENGTH, PART_RADIUS, PART_PRESENCE};
    for (const int rule : {0, 1}) {
        makeScene(4242, 0);
        w().settings.learningRule = static_cast<LearningRuleId>(rule);
        Agent& a = addCreatureAt(w(), 0, 0, 3);
        Agent& b = addCreatureAt(w(), 3, 0, 3);
        readyToMate(a, b);
        // The initiator has learnt: samples 0, 1, 2, ... on its movements.
        int n = 0;
        for (auto& m : a.learning.moves) {
            m.count = n++ % 6;
            m.meanX = 0.01 * n;
        }
        feedingAndMatingPass(w().sim, w().settings);
        ASSERT_EQ(w().sim.population.size(), 3u) << rule;
        const Agent& child = w().sim.population.back();

        int sameBodyRows = 0;
        for (const int row : bodyRows) {
            const GeneParam& p = geneParams[row];
            bool same = true;
            for (int i = 0; i < p.count; ++i)
                same = same && child.gene.values[p.start + i] == a.gene.values[p.start + i];
            sameBodyRows += same;
        }
        if (rule == 1) {
            EXPECT_EQ(sameBodyRows, 12);
            ASSERT_EQ(child.learning.moves.size(), a.learning.moves.size());
            auto m = a.learning.moves.begin();
            for (const auto& c : child.learning.moves) {
                EXPECT_EQ(c.gene.values, m->gene.values);
                EXPECT_EQ(c.meanX, m->meanX);
                EXPECT_EQ(c.count, std::min(m->count, w().settings.learningParams.inheritedSamples));
                ++m;
            }
            // The body is built from the inherited genome, its first movement
            // drives it.
            EXPECT_EQ(child.workingGene.values, a.learning.moves.front().gene.values);
        } else {
            // Crossover mixes the parents' bodies; the store starts afresh.
            EXPECT_LT(sameBodyRows, 12);
            for (const auto& c : child.learning.moves)
                EXPECT_EQ(c.count, 0);
        }
        // Genes outside the body still come from either parent.
        const double th = child.gene[TH_KOUSA];
        EXPECT_TRUE(th == a.gene[TH_KOUSA] || th == b.gene[TH_KOUSA] ||
                    (th >= 2.0 && th <= 4.3));
    }
}

// Body mutation and inherited movements, arm by arm: the family tree records
// each child's distance from its initiating parent, the store is the
// parent's (fitted to the changed body) or fresh.
TEST_F(CreatureLifeTest, UnderTheImprovedRulesBodiesChangeAndStoresFollowTheSettings)
{
    struct Arm {
        double bodyMutation;
        int inherit;
    };
    for (const Arm arm : {Arm{0, 1}, Arm{2, 1}, Arm{2, 0}}) {
        makeScene(99, 0);
        w().settings.learningRule = LearningRuleId::Improved;
        w().settings.bodyMutation = arm.bodyMutation;
        w().settings.inheritMovements = static_cast<std::uint8_t>(arm.inherit);
        Agent& a = addCreatureAt(w(), 0, 0, 3);
        Agent& b = addCreatureAt(w(), 3, 0, 3);
        w().sim.family.arrive(a, 0, FamilyMember::StartUp);
        w().sim.family.arrive(b, 0, FamilyMember::StartUp);
        for (auto& m : a.learning.moves)
            m.count = 5;
        int changed = 0;
        const int children = 12;
        for (int n = 0; n < children; ++n) {
            readyToMate(a, b);
            feedingAndMatingPass(w().sim, w().settings);
            const Agent& child = w().sim.population.back();
            const FamilyMember* m = w().sim.family.find(child.creatureId);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->founder, a.creatureId);
            EXPECT_GE(m->parts, 2);
            EXPECT_EQ(m->fromFounder, m->fromParent) << "the founder is the parent";
            changed += m->fromParent > 0;
            int fresh = 0;
            for (const auto& c : child.learning.moves)
                fresh += c.count == 0;
            if (arm.inherit)
                EXPECT_EQ(fresh, 0);
            else
                EXPECT_EQ(fresh, static_cast<int>(child.learning.moves.size()));
        }
        ASSERT_EQ(w().sim.population.size(), static_cast<std::size_t>(children + 2));
        if (arm.bodyMutation == 0)
            EXPECT_EQ(changed, 0);
        else
            EXPECT_GE(changed, children * 3 / 4);
        const FamilyTree::BodyFigures f = w().sim.family.bodyFigures(w().sim.population);
        EXPECT_GT(f.meanParts, 1.9);
        EXPECT_GT(f.diversity, 0.0);
        EXPECT_EQ(f.fromFounders > 0, arm.bodyMutation > 0);
    }
}

} // namespace
