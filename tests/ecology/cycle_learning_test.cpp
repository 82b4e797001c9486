// Learning at motor-cycle starts: scoring, recording, choice and mutation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/base/random.h"
#include "ecology/cycle_learning.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

class CycleLearningTest : public WorldTest {
protected:
    void SetUp() override
    {
        makeScene(99, 0);
        agent = &addCreatureAt(w(), 0, 0, 3);
        w().foods.foods.clear();
        w().foods.foods.push_back(AimPoint{MY_VECTOR3{10, 0, 0}});
        agent->intention.mode = Intention::Food;
        agent->intention.food = &w().foods.foods.back();
        agent->heading = MY_VECTOR2{1, 0};
        agent->cycleStartHeading = MY_VECTOR2{1, 0};
        agent->cycleStartCentre = MY_VECTOR3{0, 0, 0};
        agent->centre = MY_VECTOR3{2, 1, 0};
    }
    Agent* agent = nullptr;
};

TEST_F(CycleLearningTest, AnUndisturbedCycleIsScoredAndStoredAsANewMovement)
{
    Agent& a = *agent;
    a.age = 7.5;
    const size_t moves = a.learning.moves.size();
    const double T = a.workingGene[GeneRow::T];
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, false});
    EXPECT_EQ(a.cycleStart, 7.5);
    // Target straight along x: progress 2 over the cycle.
    EXPECT_DOUBLE_EQ(a.score, 3 * 2.0 / T);
    // currentMove was none after the body build: a new record was appended.
    bool found = false;
    for (const auto& m : a.learning.moves)
        if (m.count == 1 && m.meanX == 2.0 && m.meanY == 1.0)
            found = true;
    EXPECT_TRUE(found);
    EXPECT_LE(a.learning.moves.size(), moves + 2);
    // The next movement was chosen and its gene drives the motors.
    ASSERT_NE(a.currentMove, nullptr);
    EXPECT_EQ(a.workingGene.values, a.currentMove->gene.values);
    EXPECT_EQ(a.cycleStartCentre.x, 2.0);
    EXPECT_EQ(a.cycleStartHeading.x, 1.0);
}

TEST_F(CycleLearningTest, DisturbedCycleIsNeitherScoredNorRecordedButMoveIsChosen)
{
    Agent& a = *agent;
    a.disturbed = true;
    const auto before = a.learning.moves.size();
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, false});
    EXPECT_FALSE(a.disturbed);
    EXPECT_EQ(a.score, 0.0);
    for (const auto& m : a.learning.moves)
        EXPECT_EQ(m.count, 0);
    EXPECT_EQ(a.learning.moves.size(), before); // every sector already full
    EXPECT_NE(a.currentMove, nullptr);
    EXPECT_EQ(a.cycleStartCentre.x, 2.0);
    EXPECT_EQ(a.cycleStartCentre.y, 1.0);
}

TEST_F(CycleLearningTest, NonFiniteDisplacementChangesNothingAndKeepsDisturbed)
{
    Agent& a = *agent;
    a.disturbed = true;
    a.centre.x = std::numeric_limits<double>::quiet_NaN();
    const Gene working = a.workingGene;
    const auto before = a.learning.moves.size();
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, true});
    EXPECT_TRUE(a.disturbed);
    EXPECT_EQ(a.currentMove, nullptr);
    EXPECT_EQ(a.learning.moves.size(), before);
    EXPECT_EQ(a.workingGene.values, working.values);
    EXPECT_EQ(a.track.size(), 1u);
}

TEST_F(CycleLearningTest, MutationProbabilityZeroAndOne)
{
    Agent& a = *agent;
    for (auto& m : a.learning.moves)
        m.gene.values[geneParams[PROB_SETUDO_PROB].start] = 0.0;
    a.disturbed = true;
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, true});
    ASSERT_NE(a.currentMove, nullptr);
    EXPECT_EQ(a.workingGene.values, a.currentMove->gene.values);

    for (auto& m : a.learning.moves)
        m.gene.values[geneParams[PROB_SETUDO_PROB].start] = 1.0;
    for (int cycle = 0; cycle < 5; ++cycle) {
        a.disturbed = true;
        cycleStartLearning(a, LearningSetup{LearningRule::Specified, true});
        EXPECT_EQ(a.currentMove, nullptr) << "cycle " << cycle;
    }
    // With mutation switched off by the world, nothing mutates.
    a.disturbed = true;
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, false});
    EXPECT_NE(a.currentMove, nullptr);
}

TEST_F(CycleLearningTest, TrackKeepsTheLastFifteenCentres)
{
    Agent& a = *agent;
    for (int i = 0; i < 16; ++i) {
        a.centre = MY_VECTOR3{static_cast<double>(i), 0, 0};
        a.disturbed = true;
        cycleStartLearning(a, LearningSetup{LearningRule::Specified, false});
    }
    ASSERT_EQ(a.track.size(), 15u);
    EXPECT_EQ(a.track.front().x, 1.0);
    EXPECT_EQ(a.track.back().x, 15.0);
}

TEST_F(CycleLearningTest, DisplacementIsMeasuredAgainstTheStartHeading)
{
    Agent& a = *agent;
    // Heading along +y at the start: a move of (0, 3) is 3 forward.
    a.cycleStartHeading = MY_VECTOR2{0, 2};
    a.centre = MY_VECTOR3{0, 3, 0};
    a.currentMove = nullptr;
    cycleStartLearning(a, LearningSetup{LearningRule::Specified, false});
    bool found = false;
    for (const auto& m : a.learning.moves)
        if (m.count == 1 && std::abs(m.meanX - 3.0) < 1e-12 && std::abs(m.meanY) < 1e-12)
            found = true;
    EXPECT_TRUE(found);
}

TEST_F(CycleLearningTest, CreaturesLearnToApproachFoodOverTime)
{
    // In a live world the best creature's score rises: movements that carry
    // creatures towards their targets are found and reused.
    makeScene(2024, 10);
    scene->step(4000);
    Agent* best = bestByScore(w().population);
    ASSERT_NE(best, nullptr);
    EXPECT_GT(best->score, 0.0);
    EXPECT_GT(w().counters.foodsEaten, 0);
}

} // namespace
