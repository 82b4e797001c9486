// Rating movements for the improved learning: strengths per phase second,
// the median prior, shrinkage by samples, the choice and the pruning.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/creature_helpers.h"
#include "creature/movement_rating.h"

namespace {

using Move = AlgLearanAction::DeltaMove;
constexpr double kPi = 3.141592653589793;

Gene geneWithPhase(double T)
{
    Gene g;
    g.randomize(2, 29, 30, testRandom());
    g.values[geneParams[GeneRow::T].start] = T;
    return g;
}

// A movement of `count` samples whose mean displacement is len in direction
// a, with phase duration T (an untried one when count is 0).
Move move(double a, double len, int count, double T = 0.5)
{
    Move m;
    m.meanX = len * std::cos(a);
    m.meanY = len * std::sin(a);
    m.angle = a;
    m.count = count;
    m.gene = geneWithPhase(T);
    return m;
}

AlgLearanAction storeOf(std::vector<Move> moves)
{
    AlgLearanAction s;
    for (auto& m : moves)
        s.moves.push_back(m);
    return s;
}

TEST(MovementRating, MedianStrengthIsPerPhaseSecondOverTriedMovementsOnly)
{
    struct Case {
        const char* name;
        std::vector<Move> moves;
        double median;
    };
    const Case cases[] = {
        {"nothing tried: the fallback", {move(0, 1, 0), move(1, 1, 0)}, 0.07},
        {"one tried", {move(0, 0.1, 3, 0.5), move(1, 1, 0)}, 0.2},
        {"odd count", {move(0, 0.1, 1, 0.5), move(1, 0.3, 2, 1.0), move(2, 0.2, 1, 0.4)}, 0.3},
        {"even count: mean of the middle two",
         {move(0, 0.1, 1, 1.0), move(1, 0.2, 1, 1.0), move(2, 0.4, 1, 1.0), move(3, 0.8, 1, 1.0)},
         0.3},
        {"direction does not matter", {move(kPi / 2, 0.25, 1, 0.5), move(-2, 0.25, 1, 0.5)}, 0.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(medianStrength(storeOf(c.moves), 0.07), c.median, 1e-12) << c.name;
}

TEST(MovementRating, RatedStrengthShrinksTowardsThePriorBySamples)
{
    const MovementRating r{0.1, 2.0};
    struct Case {
        Move m;
        double rated;
    };
    const Case cases[] = {
        {move(0, 5.0, 0), 0.1},                      // untried: the prior, whatever it points
        {move(0, 0.25, 1), (0.5 + 0.2) / 3},         // one sample of 0.5 per phase second
        {move(0, 0.25, 8), (8 * 0.5 + 0.2) / 10},    // many samples: near its own mean
        {move(0, 0.0, 2), 0.2 / 4},                  // a movement that goes nowhere
        {move(1.0, 0.4, 2, 1.0), (2 * 0.4 + 0.2) / 4}, // per its own phase duration
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ratedStrength(c.m, r), c.rated, 1e-12) << c.m.count << " " << c.m.meanX;
}

TEST(MovementRating, BestRatedWeighsStrengthByDirectionAndSkipsUntriedOnRequest)
{
    const MovementRating r{0.1, 2.0};
    // Forward and well measured, left and strong, untried straight back.
    AlgLearanAction s =
        storeOf({move(0, 0.1, 10), move(kPi / 2, 0.5, 10), move(kPi, 1.0, 0), move(0.3, 0.5, 1)});
    struct Case {
        MY_VECTOR2 wanted;
        bool triedOnly;
        int expected; // index in the store
    };
    const Case cases[] = {
        // Forward: the one-sample movement at 0.3 rad, rated (1 + 0.2) / 3 = 0.4
        // times cos 0.3, beats the well-measured forward one, (2 + 0.2) / 12.
        {{1, 0}, false, 3},
        {{0, 1}, false, 1},  // to the left
        {{-1, 0}, false, 2}, // straight back only the untried one points there
        {{-1, 0}, true, 1},  // tried only: the least bad, the left one (cos = 0)
        // Back and a little left: the strong left one (0.85 times cos 79
        // degrees) beats the untried one almost straight back (0.1).
        {{-1, 0.2}, false, 1},
    };
    for (const Case& c : cases) {
        const Move* best = bestRated(s, c.wanted, r, c.triedOnly);
        ASSERT_NE(best, nullptr);
        int index = 0;
        for (const Move& m : s.moves) {
            if (&m == best)
                break;
            ++index;
        }
        EXPECT_EQ(index, c.expected) << c.wanted.x << "," << c.wanted.y << " " << c.triedOnly;
    }
    AlgLearanAction untried = storeOf({move(0, 1, 0)});
    EXPECT_EQ(bestRated(untried, {1, 0}, r, true), nullptr);
    EXPECT_EQ(triedMovements(s), 3);
}

TEST(MovementRating, RecordingANewMovementPrunesTheLowestRatedButNeverTheKeptOne)
{
    const MovementRating r{0.1, 2.0};
    // Four movements in the forward sector; the weakest is the one kept.
    AlgLearanAction s = storeOf({move(0.1, 0.01, 5), move(0.2, 0.3, 5), move(0.3, 0.2, 1),
                                 move(0.4, 0.4, 0), move(2.0, 0.05, 1)});
    const Move* kept = &s.moves.front();
    recordRated(s, nullptr, geneWithPhase(0.5), {0.15, 0.02}, r, kept);
    ASSERT_EQ(s.moves.size(), 5u);
    // The new one is rated (0.3 + 0.2) / 3 = 0.167, the one at 0.3 rad
    // (0.4 + 0.2) / 3 = 0.2, the untried 0.1: the untried one goes.
    std::vector<double> angles;
    for (const Move& m : s.moves)
        angles.push_back(m.angle);
    EXPECT_EQ(angles[0], 0.1);
    EXPECT_EQ(s.moves.front().count, 5);
    EXPECT_EQ(angles[3], 2.0); // another sector: untouched
    EXPECT_NEAR(angles[4], std::atan2(0.02, 0.15), 1e-12);
    for (const Move& m : s.moves)
        EXPECT_NE(m.count, 0);

    // A tried movement is folded in as the store always did.
    Move* second = &*std::next(s.moves.begin());
    recordRated(s, second, second->gene, {0.0, 0.0}, r, nullptr);
    EXPECT_EQ(second->count, 6);
    EXPECT_NEAR(second->meanX, 5 * 0.3 * std::cos(0.2) / 6, 1e-12);
    EXPECT_EQ(s.moves.size(), 5u);
}

} // namespace
