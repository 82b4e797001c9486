// Learning at motor-cycle starts: scoring, recording, choice and mutation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/random.h"
#include "ecology/cycle_learning.h"
#include "ecology/simulation_step.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

class CycleLearningTest : public WorldTest {
protected:
    void SetUp() override
    {
        makeScene(99, 0);
        agent = &addCreatureAt(w(), 0, 0, 3);
        w().sim.foods.foods.clear();
        w().sim.foods.foods.push_back(AimPoint{MY_VECTOR3{10, 0, 0}});
        agent->intention.mode = Intention::Food;
        agent->intention.food = &w().sim.foods.foods.back();
        agent->heading = MY_VECTOR2{1, 0};
        agent->cycleStartHeading = MY_VECTOR2{1, 0};
        agent->cycleStartCentre = MY_VECTOR3{0, 0, 0};
        agent->centre = MY_VECTOR3{2, 1, 0};
    }
    // What the step would hand the learning under a rule.
    LearningSetup setupOf(LearningRuleId rule, bool mutation)
    {
        return LearningSetup{rule, mutation, &w().settings.learningParams, &w().sim.random};
    }
    Agent* agent = nullptr;
};

TEST_F(CycleLearningTest, AnUndisturbedCycleIsScoredAndStoredAsANewMovement)
{
    Agent& a = *agent;
    a.age = 7.5;
    const size_t moves = a.learning.moves.size();
    const double T = a.workingGene[GeneRow::T];
    cycleStartLearning(a, setupOf(LearningRuleId::Original, false));
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
    cycleStartLearning(a, setupOf(LearningRuleId::Original, false));
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
    cycleStartLearning(a, setupOf(LearningRuleId::Original, true));
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
    cycleStartLearning(a, setupOf(LearningRuleId::Original, true));
    ASSERT_NE(a.currentMove, nullptr);
    EXPECT_EQ(a.workingGene.values, a.currentMove->gene.values);

    for (auto& m : a.learning.moves)
        m.gene.values[geneParams[PROB_SETUDO_PROB].start] = 1.0;
    for (int cycle = 0; cycle < 5; ++cycle) {
        a.disturbed = true;
        cycleStartLearning(a, setupOf(LearningRuleId::Original, true));
        EXPECT_EQ(a.currentMove, nullptr) << "cycle " << cycle;
    }
    // With mutation switched off by the world, nothing mutates.
    a.disturbed = true;
    cycleStartLearning(a, setupOf(LearningRuleId::Original, false));
    EXPECT_NE(a.currentMove, nullptr);
}

TEST_F(CycleLearningTest, TrackKeepsTheLastFifteenCentres)
{
    Agent& a = *agent;
    for (int i = 0; i < 16; ++i) {
        a.centre = MY_VECTOR3{static_cast<double>(i), 0, 0};
        a.disturbed = true;
        cycleStartLearning(a, setupOf(LearningRuleId::Original, false));
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
    cycleStartLearning(a, setupOf(LearningRuleId::Original, false));
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
    Agent* best = bestByScore(w().sim.population);
    ASSERT_NE(best, nullptr);
    EXPECT_GT(best->score, 0.0);
    EXPECT_GT(w().sim.counters.foodsEaten, 0);
}

// The improved rules, on a crafted store: a creature facing +x with its food
// straight ahead.
class ImprovedLearningTest : public CycleLearningTest {
protected:
    void SetUp() override
    {
        CycleLearningTest::SetUp();
        setup = LearningSetup{LearningRuleId::Improved, true, &params, &w().sim.random};
    }
    // A tried movement of displacement len in direction a, phase 0.5 s.
    AlgLearanAction::DeltaMove& addMove(double a, double len, int count)
    {
        AlgLearanAction::DeltaMove m;
        m.gene = agent->gene;
        m.gene.values[geneParams[GeneRow::T].start] = 0.5;
        m.meanX = len * std::cos(a);
        m.meanY = len * std::sin(a);
        m.angle = a;
        m.count = count;
        agent->learning.moves.push_back(m);
        return agent->learning.moves.back();
    }
    // Keeps only movements added by addMove.
    void emptyStore() { agent->learning.moves.clear(); }
    LearningParams params;
    LearningSetup setup;
};

TEST_F(ImprovedLearningTest, ScoringAddsProgressButLeavesTheStoreToTheRestEnd)
{
    Agent& a = *agent;
    emptyStore();
    AlgLearanAction::DeltaMove& m = addMove(0, 0.2, 3);
    a.currentMove = &m;
    a.workingGene = m.gene;
    CycleTally tally;
    learningRule(LearningRuleId::Improved).score(a, cycleDisplacement(a), &tally);
    EXPECT_DOUBLE_EQ(a.score, 3 * 2.0 / 0.5);
    EXPECT_EQ(tally.cycles, 1);
    EXPECT_DOUBLE_EQ(tally.progress, 2.0 / 0.5);
    EXPECT_EQ(m.count, 3);
    EXPECT_EQ(a.learning.moves.size(), 1u);

    // A disturbed cycle is not scored; the movement awaiting credit is marked.
    a.disturbed = true;
    learningRule(LearningRuleId::Improved).score(a, cycleDisplacement(a), &tally);
    EXPECT_FALSE(a.disturbed);
    EXPECT_TRUE(a.credit.disturbed);
    EXPECT_EQ(tally.cycles, 1);
}

TEST_F(ImprovedLearningTest, TheRestEndCreditsTheMovementAwaitingIt)
{
    struct Case {
        const char* name;
        bool record;          // the awaiting movement is a stored one (else new)
        bool markedDisturbed; // touched before the cycle start
        bool disturbedNow;    // touched since the cycle start
        double x;             // centre at the rest end; NaN: non-finite
        bool credited;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"a stored movement", true, false, false, 1.0, true},
        {"a new movement", false, false, false, 1.0, true},
        {"touched before the cycle start", true, true, false, 1.0, false},
        {"touched after it", true, false, true, 1.0, false},
        {"non-finite", true, false, false, nan, false},
    };
    for (const Case& c : cases) {
        Agent& a = *agent;
        emptyStore();
        AlgLearanAction::DeltaMove& tried = addMove(0, 0.2, 2);
        AlgLearanAction::DeltaMove& next = addMove(1.5, 0.1, 1);
        a.credit = Agent::PendingCredit{};
        a.credit.active = true;
        a.credit.move = c.record ? &tried : nullptr;
        a.credit.gene = tried.gene;
        a.credit.gene.values[geneParams[GeneRow::T].start] = 0.7;
        // The rest before it ended at (0, 0) facing +y.
        a.credit.centre = MY_VECTOR3{0, 0, 0};
        a.credit.heading = MY_VECTOR2{0, 3};
        a.credit.disturbed = c.markedDisturbed;
        a.disturbed = c.disturbedNow;
        a.centre = MY_VECTOR3{c.x, 0.5, 0};
        a.heading = MY_VECTOR2{1, 0};
        a.currentMove = &next;

        restEndLearning(a, setup);
        if (c.credited && c.record) {
            // (1, 0.5) seen facing +y: 0.5 forward, 1 to the right.
            EXPECT_EQ(tried.count, 3) << c.name;
            EXPECT_NEAR(tried.meanX, (2 * 0.2 + 0.5) / 3, 1e-12) << c.name;
            EXPECT_NEAR(tried.meanY, -1.0 / 3, 1e-12) << c.name;
        } else {
            EXPECT_EQ(tried.count, 2) << c.name;
        }
        const bool appended = a.learning.moves.size() == 3;
        EXPECT_EQ(appended, c.credited && !c.record) << c.name;
        if (appended) {
            EXPECT_NEAR(a.learning.moves.back().meanX, 0.5, 1e-12) << c.name;
            EXPECT_EQ(a.learning.moves.back().gene[GeneRow::T], 0.7) << c.name;
        }
        // The movement now starting awaits its credit from here.
        EXPECT_TRUE(a.credit.active) << c.name;
        EXPECT_EQ(a.credit.move, &next) << c.name;
        EXPECT_FALSE(a.credit.disturbed) << c.name;
        EXPECT_EQ(a.credit.heading.x, 1.0) << c.name;
        EXPECT_EQ(a.credit.centre.y, 0.5) << c.name;
    }
}

TEST_F(ImprovedLearningTest, ChoosingTakesTheBestRatedMovementTowardsTheTarget)
{
    Agent& a = *agent;
    emptyStore();
    // Two per sector everywhere so no sector is thin... plus the candidates.
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 4; ++k)
            addMove(-3.0 + i * 0.785 + k * 0.01, 0.01, 5);
    AlgLearanAction::DeltaMove& lucky = addMove(0.1, 0.3, 1);
    AlgLearanAction::DeltaMove& steady = addMove(-0.1, 0.2, 20);
    const size_t size = a.learning.moves.size();
    learningRule(LearningRuleId::Improved).choose(a, setup);
    // The steady one promises (20 * 0.4 + 2 * median) / 22 against the lucky
    // one's (0.6 + 2 * median) / 3, the median being 0.02.
    EXPECT_EQ(a.currentMove, &steady);
    EXPECT_EQ(a.workingGene.values, steady.gene.values);
    EXPECT_EQ(a.learning.moves.size(), size);
    (void)lucky;

    // Turned round, the target is behind: the best movement backwards.
    a.heading = MY_VECTOR2{-1, 0};
    AlgLearanAction::DeltaMove& back = addMove(3.1, 0.15, 4);
    learningRule(LearningRuleId::Improved).choose(a, setup);
    EXPECT_EQ(a.currentMove, &back);
}

TEST_F(ImprovedLearningTest, ExplorationFadesAsTheStoreFillsAndTriesUntriedMovementsAsTheyAre)
{
    struct Case {
        int tried;        // tried movements besides the chosen one
        bool chosenTried; // the chosen movement is a tried one
        bool mutation;    // the world allows mutation
        double chance;    // of a mutation
    };
    const Case cases[] = {
        {1, true, true, 8.0 / 10},  {7, true, true, 0.5},   {39, true, true, 8.0 / 48},
        {99, true, true, 0.1},      {8, false, true, 0.0},  {8, true, false, 0.0},
    };
    for (const Case& c : cases) {
        Agent& a = *agent;
        a.temperature = 0.5; // every mutation changes some value
        emptyStore();
        for (int i = 0; i < c.tried; ++i)
            addMove(i * 0.05, 0.1, 1);
        AlgLearanAction::DeltaMove& chosen = addMove(0, 0.1, c.chosenTried ? 1 : 0);
        setup.mutation = c.mutation;
        w().sim.random.seed(77);
        const int draws = 4000;
        int mutated = 0;
        for (int i = 0; i < draws; ++i) {
            a.currentMove = &chosen;
            a.workingGene = chosen.gene;
            learningRule(LearningRuleId::Improved).explore(a, setup);
            if (!a.currentMove) {
                ++mutated;
                EXPECT_NE(a.workingGene.values, chosen.gene.values);
            }
        }
        EXPECT_NEAR(mutated / double(draws), c.chance, 0.025) << c.tried << " tried";
    }
}

TEST_F(ImprovedLearningTest, OnlyTheImprovedRulesCreditAtTheRestEnd)
{
    for (const LearningRuleId rule : {LearningRuleId::Original, LearningRuleId::Improved}) {
        makeScene(99, 0);
        Agent& a = addCreatureAt(w(), 0, 0, 3);
        a.intention.mode = Intention::Food;
        a.intention.food = &w().sim.foods.foods.front();
        const LearningSetup s{rule, true, &params, &w().sim.random};
        // From the start of the first cycle into its first moving phase.
        int steps = 0;
        while (a.phase != 1 && steps < 200) {
            a.age += kStepSize;
            driveMotors(a, s, nullptr);
            ++steps;
        }
        ASSERT_EQ(a.phase, 1);
        EXPECT_EQ(a.credit.active, rule == LearningRuleId::Improved);
    }
}

} // namespace

namespace {

// The rule can be switched in the control bar at any moment: the movement
// awaiting credit is always one of the creature's own records (or none),
// however the two rules' stores have changed meanwhile.
TEST_F(ImprovedLearningTest, SwitchingRulesMidRunLeavesNoStaleCredit)
{
    makeScene(2024, 12);
    auto own = [](const Agent& a, const AlgLearanAction::DeltaMove* m) {
        if (!m)
            return true;
        for (const auto& x : a.learning.moves)
            if (&x == m)
                return true;
        return false;
    };
    int awaiting = 0;
    for (int block = 0; block < 16; ++block) {
        w().settings.learningRule = static_cast<LearningRuleId>(block % 2);
        scene->step(150);
        for (const Agent& a : w().sim.population) {
            EXPECT_TRUE(own(a, a.credit.move)) << "block " << block << " creature " << a.creatureId;
            EXPECT_TRUE(own(a, a.currentMove)) << "block " << block << " creature " << a.creatureId;
            awaiting += a.credit.move != nullptr;
        }
    }
    EXPECT_GT(awaiting, 0);
}

} // namespace
