// The creature record: identification numbers, the newborn values of
// initialize, and deep copies.
#include <gtest/gtest.h>

#include <iterator>

#include "support/creature_helpers.h"
#include "base/random.h"
#include "creature/agent.h"

TEST(AgentRecord, ANewCreatureTakesItsWorldsNextIdAndInitializeKeepsIt)
{
    Simulation sim;
    sim.nextCreatureId = 41;
    Agent& a = appendCreature(sim);
    Agent& b = appendCreature(sim);
    Agent& c = appendCreature(sim);
    EXPECT_EQ(a.creatureId, 41);
    EXPECT_EQ(b.creatureId, 42);
    EXPECT_EQ(c.creatureId, 43);
    EXPECT_EQ(sim.nextCreatureId, 44);
    b.initialize(sim.random);
    EXPECT_EQ(b.creatureId, 42);
    // Another world counts on its own.
    Simulation other;
    EXPECT_EQ(appendCreature(other).creatureId, 0);
    sim.population.clear();
}

TEST(AgentRecord, InitializeGivesANewbornFromTwoLeadingDraws)
{
    for (std::uint32_t seed : {1u, 7u, 99u, 12345u, 0xFFFFFFFFu}) {
        testRandom().seed(seed);
        Random probe(seed);
        const double u1 = probe.next() / 32767.0;
        const double u2 = probe.next() / 32767.0;

        Agent a;
        a.age = 4.0;
        a.lifeState = Starved;
        a.track.push_back(MY_VECTOR3{1, 2, 3});
        a.initialize(testRandom());

        EXPECT_EQ(a.energy, 1.25 + 0.5 * u1) << seed;
        EXPECT_EQ(a.temperature, 0.3 * u2) << seed;
        EXPECT_TRUE(a.energy >= 1.25 && a.energy <= 1.75);
        EXPECT_TRUE(a.temperature >= 0.0 && a.temperature <= 0.3);
        EXPECT_EQ(a.lifeState, Alive);
        EXPECT_EQ(a.age, 0.0);
        EXPECT_TRUE(a.track.empty());
        EXPECT_EQ(a.headingPart(), 27);
        ASSERT_EQ(a.parts.size(), 30u);
        ASSERT_EQ(a.joints.size(), 29u);
        for (const BodyPart& p : a.parts)
            EXPECT_TRUE(!p.body && !p.geom && p.parentIndex == -1 && p.groundTouch == 0.0);
        for (const BodyJoint& j : a.joints)
            EXPECT_TRUE(!j.hinge && !j.motor);
        EXPECT_EQ(a.gene.values.size(), 506u);
        EXPECT_EQ(a.workingGene.values.size(), 506u);
        EXPECT_NE(a.gene.values, a.workingGene.values); // two separate draws
        EXPECT_EQ(a.learning.moves.size(), 32u);
    }
}

TEST(AgentRecord, CopyIsDeepAndKeepsItsOwnCurrentMove)
{
    Agent a;
    a.initialize(testRandom());
    a.track.push_back(MY_VECTOR3{1, 2, 3});
    a.currentMove = &*std::next(a.learning.moves.begin(), 5);
    const auto geneBefore = a.gene.values;
    const auto moveGeneBefore = a.currentMove->gene.values;

    Agent copy(a);
    EXPECT_EQ(copy.creatureId, a.creatureId);
    EXPECT_EQ(copy.gene.values, a.gene.values);
    EXPECT_EQ(copy.energy, a.energy);
    ASSERT_EQ(copy.learning.moves.size(), a.learning.moves.size());
    ASSERT_NE(copy.currentMove, nullptr);
    EXPECT_EQ(copy.currentMove, &*std::next(copy.learning.moves.begin(), 5));
    EXPECT_EQ(copy.currentMove->gene.values, moveGeneBefore);

    copy.gene.values[0] += 1.0;
    copy.workingGene.values[3] += 1.0;
    copy.currentMove->gene.values[0] += 1.0;
    copy.currentMove->count = 7;
    copy.learning.moves.pop_back();
    copy.track.clear();
    copy.parts[3].length = 99.0;
    EXPECT_EQ(a.gene.values, geneBefore);
    EXPECT_EQ(a.currentMove->gene.values, moveGeneBefore);
    EXPECT_EQ(a.currentMove->count, 0);
    EXPECT_EQ(a.learning.moves.size(), 32u);
    EXPECT_EQ(a.track.size(), 1u);
    EXPECT_NE(a.parts[3].length, 99.0);

    Agent none;
    none.initialize(testRandom());
    Agent noneCopy(none);
    EXPECT_EQ(noneCopy.currentMove, nullptr);
}
