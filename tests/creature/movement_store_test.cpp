#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "support/creature_helpers.h"
#include "base/random.h"
#include "creature/movement_store.h"

namespace {

using Move = AlgLearanAction::DeltaMove;
constexpr double kPi = 3.141592653589793;

Gene creatureGene()
{
    Gene g;
    g.randomize(2, 29, 30, testRandom());
    return g;
}

Move& nth(AlgLearanAction& s, int i)
{
    return *std::next(s.moves.begin(), i);
}

// Sector of an angle, by floor(a / (pi/4)) + 4.
int sectorOf(double a)
{
    return static_cast<int>(std::floor(a / (kPi / 4))) + 4;
}

std::array<int, 8> sectorCounts(const AlgLearanAction& s)
{
    std::array<int, 8> c{};
    for (const Move& m : s.moves)
        ++c[sectorOf(m.angle)];
    return c;
}

// A learnt record of length len in direction a.
Move learnt(double a, double len, const Gene& g)
{
    Move m;
    m.meanX = len * std::cos(a);
    m.meanY = len * std::sin(a);
    m.angle = a;
    m.count = 1;
    m.gene = g;
    return m;
}

MY_VECTOR2 polar(double a, double len)
{
    return {len * std::cos(a), len * std::sin(a)};
}

} // namespace

TEST(SignedAngle, CounterClockwiseIsPositiveAndDegenerateInputGivesZero)
{
    EXPECT_NEAR(signedAngle({1, 0}, {0, 1}), kPi / 2, 1e-15);
    EXPECT_NEAR(signedAngle({0, 1}, {1, 0}), -kPi / 2, 1e-15);
    EXPECT_NEAR(signedAngle({0, 1}, {-1, 0}), kPi / 2, 1e-15);
    EXPECT_NEAR(signedAngle({2, 0}, {3, -3}), -kPi / 4, 1e-15); // lengths do not matter
    EXPECT_NEAR(signedAngle({1, 1}, {-1, 0}), 3 * kPi / 4, 1e-15);
    EXPECT_EQ(signedAngle({1, 0}, {-1, 0}), 0.0); // exactly -pi is reported as 0
    EXPECT_EQ(signedAngle({0, 1}, {0, -1}), 0.0);
    EXPECT_EQ(signedAngle({1, 0}, {0, 0}), 0.0);
    EXPECT_EQ(signedAngle({0, 0}, {1, 0}), 0.0);
    EXPECT_NEAR(dirAngle({0, 1}), kPi / 2, 1e-15);
    EXPECT_NEAR(dirAngle({-1, -0.5}), std::atan2(-0.5, -1), 1e-14);

    EXPECT_EQ(angleSector(-kPi), 0);
    EXPECT_EQ(angleSector(-1e-9), 3);
    EXPECT_EQ(angleSector(0.0), 4);
    EXPECT_EQ(angleSector(kPi / 4 + 1e-9), 5);
    EXPECT_EQ(angleSector(kPi - 1e-9), 7);
}

TEST(MovementStoreReset, FourFreshUnitRecordsPerSector)
{
    const Gene g = creatureGene();
    AlgLearanAction store;
    store.moves.push_back(learnt(0.1, 1, g)); // emptied first
    testRandom().seed(8080);
    store.reset(g, testRandom());
    ASSERT_EQ(store.moves.size(), 32u);

    testRandom().seed(8080); // each record's gene is a copy of g randomized in turn
    int i = 0;
    for (const Move& m : store.moves) {
        const double a = -kPi + i * kPi / 16;
        EXPECT_NEAR(m.angle, a, 1e-14) << "record " << i;
        EXPECT_EQ(angleSector(m.angle), i / 4) << "record " << i;
        EXPECT_NEAR(m.meanX, std::cos(a), 1e-14);
        EXPECT_NEAR(m.meanY, std::sin(a), 1e-14);
        EXPECT_EQ(m.meanSqX, 0.0);
        EXPECT_EQ(m.meanSqY, 0.0);
        EXPECT_EQ(m.count, 0);
        Gene expected = g;
        expected.randomize(-1, -1, -1, testRandom());
        EXPECT_EQ(m.gene.parts, 30);
        EXPECT_EQ(m.gene.values, expected.values) << "record " << i;
        ++i;
    }
    for (int c : sectorCounts(store))
        EXPECT_EQ(c, 4);
}

TEST(MovementStoreReset, OnlyTheCountsOfTheGivenGeneMatter)
{
    Gene g = creatureGene(); // 506 values, shared layout for (2, 29, 30)
    g.phases = 1;
    g.joints = 3;
    g.parts = 4;
    AlgLearanAction store;
    store.reset(g, testRandom());
    ASSERT_EQ(store.moves.size(), 32u);
    for (const Move& m : store.moves) {
        EXPECT_EQ(m.gene.values.size(), 43u); // 10 + 7 * 3 + 3 * 4
        EXPECT_EQ(m.gene.joints, 3);
        EXPECT_EQ(m.gene.start(PART_PRESENCE), 39);
    }
}

TEST(MovementStoreSelect, AfterResetAddsNothingAndPicksTheNearestDirection)
{
    AlgLearanAction store;
    store.reset(creatureGene(), testRandom());
    for (int k = 0; k < 64; ++k) {
        const double want = -kPi + k * kPi / 32 + 0.01;
        Move* chosen = store.selectMove(polar(want, 2.5), testRandom());
        ASSERT_EQ(store.moves.size(), 32u);
        // The record whose direction (-pi + i pi/16) is nearest to `want`.
        const int nearest = static_cast<int>(std::lround((want + kPi) / (kPi / 16))) % 32;
        EXPECT_EQ(chosen, &nth(store, nearest)) << "direction " << want;
    }
    // A zero direction: every projection is 0 and every angle 0, so the first wins.
    EXPECT_EQ(store.selectMove({0, 0}, testRandom()), &store.moves.front());
    EXPECT_EQ(store.moves.size(), 32u);
}

TEST(MovementStoreSelect, ThinSectorGetsOneRecordForTheWantedDirection)
{
    AlgLearanAction store;
    store.reset(creatureGene(), testRandom());
    store.moves.erase(std::next(store.moves.begin(), 9)); // sector 2 keeps 3

    store.selectMove({1, 0}, testRandom()); // sector 4 is full: nothing added
    EXPECT_EQ(store.moves.size(), 31u);

    const MY_VECTOR2 d = polar(-1.0, 3.0); // sector 2
    testRandom().seed(1234);
    Move* chosen = store.selectMove(d, testRandom());
    ASSERT_EQ(store.moves.size(), 32u);
    const Move& added = store.moves.back();
    EXPECT_EQ(chosen, &added); // it points exactly at d
    EXPECT_EQ(added.angle, dirAngle(d));
    EXPECT_NEAR(added.angle, -1.0, 1e-14);
    EXPECT_NEAR(added.meanX, std::cos(-1.0), 1e-14);
    EXPECT_NEAR(added.meanY, std::sin(-1.0), 1e-14);
    EXPECT_EQ(added.count, 0);
    EXPECT_EQ(added.meanSqX, 0.0);
    EXPECT_EQ(added.meanSqY, 0.0);
    testRandom().seed(1234);
    Gene expected = store.moves.front().gene;
    expected.randomize(-1, -1, -1, testRandom());
    EXPECT_EQ(added.gene.values, expected.values);
    EXPECT_EQ(added.gene.joints, 29);

    EXPECT_EQ(store.selectMove(d, testRandom()), &added); // sector 2 is full again
    EXPECT_EQ(store.moves.size(), 32u);
    EXPECT_EQ(sectorCounts(store)[2], 4);
}

TEST(MovementStoreSelect, LargestProjectionInsideTheConeWins)
{
    const Gene g = creatureGene();
    AlgLearanAction store;
    // Wanted direction (2, 0): angle 0, sector 4; cone half-width 0.52333.
    store.moves.push_back(learnt(0.0, 0.5, g));      // inside, p = 1.0
    store.moves.push_back(learnt(0.6, 10.0, g));     // outside (same sector), p = 16.5
    store.moves.push_back(learnt(0.3588, 0.854, g)); // inside, p = 1.6
    store.moves.push_back(learnt(0.52, 0.95, g));    // inside, p = 1.649
    store.moves.push_back(learnt(0.53, 1.0, g));     // just outside, p = 1.724
    store.moves.push_back(learnt(-0.7, 5.0, g));     // outside, sector 3, p = 7.65
    store.moves.push_back(learnt(0.52, 0.95, g));    // equal to the winner, later
    store.moves.push_back(learnt(-0.5, 0.8, g));     // inside, p = 1.404
    Move* chosen = store.selectMove({2, 0}, testRandom());
    EXPECT_EQ(store.moves.size(), 8u);
    EXPECT_EQ(chosen, &nth(store, 3));
}

TEST(MovementStoreSelect, WithNothingInsideTheConeTheLargestProjectionWins)
{
    const Gene g = creatureGene();
    AlgLearanAction store;
    // Wanted direction (1, 0); the four records of sector 4 all lie outside the cone.
    store.moves.push_back(learnt(0.6, 1.0, g));   // p = 0.825
    store.moves.push_back(learnt(0.65, 3.0, g));  // p = 2.388
    store.moves.push_back(learnt(-3.1, 8.0, g));  // p = -7.99
    store.moves.push_back(learnt(-0.6, 4.0, g));  // p = 3.301
    store.moves.push_back(learnt(-1.2, 10.0, g)); // p = 3.624, the largest
    store.moves.push_back(learnt(0.75, 2.0, g));  // p = 1.463
    store.moves.push_back(learnt(-1.2, 10.0, g)); // equal, later
    store.moves.push_back(learnt(0.7, 1.0, g));   // p = 0.765
    store.moves.push_back(learnt(1.6, 20.0, g));  // p = -0.584
    Move* chosen = store.selectMove({1, 0}, testRandom());
    EXPECT_EQ(store.moves.size(), 9u);
    EXPECT_EQ(chosen, &nth(store, 4));
}

TEST(MovementStoreRecord, TriedRecordKeepsRunningMeans)
{
    AlgLearanAction store;
    const Gene g = creatureGene();
    store.reset(g, testRandom());
    Move* r = &nth(store, 20);
    const MY_VECTOR2 e[3] = {{0.3, 0.4}, {-0.1, 0.6}, {0.5, -0.2}};
    store.recordMove(r, g, e[0]);
    EXPECT_EQ(r->count, 1);
    EXPECT_DOUBLE_EQ(r->meanX, 0.3);
    EXPECT_DOUBLE_EQ(r->meanY, 0.4);
    EXPECT_DOUBLE_EQ(r->meanSqX, 0.09);
    EXPECT_DOUBLE_EQ(r->meanSqY, 0.16);
    store.recordMove(r, g, e[1]);
    store.recordMove(r, g, e[2]);
    EXPECT_EQ(r->count, 3);
    EXPECT_NEAR(r->meanX, 0.7 / 3, 1e-15);
    EXPECT_NEAR(r->meanY, 0.8 / 3, 1e-15);
    EXPECT_NEAR(r->meanSqX, 0.35 / 3, 1e-15);
    EXPECT_NEAR(r->meanSqY, 0.56 / 3, 1e-15);
    EXPECT_NEAR(r->angle, std::atan2(0.8, 0.7), 1e-14);

    // An earlier mean weighs by its count: (2 * 1 + 4) / 3 and (2 * 1 - 2) / 3.
    Move* q = &nth(store, 17);
    q->count = 2;
    q->meanX = q->meanY = 1.0;
    q->meanSqX = 2.0;
    q->meanSqY = 3.0;
    store.recordMove(q, g, {4, -2});
    EXPECT_EQ(q->count, 3);
    EXPECT_DOUBLE_EQ(q->meanX, 2.0);
    EXPECT_NEAR(q->meanY, 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(q->meanSqX, 20.0 / 3);
    EXPECT_DOUBLE_EQ(q->meanSqY, 10.0 / 3);
    EXPECT_NEAR(q->angle, 0.0, 1e-15);

    // Moving record 16 from sector 4 to sector 6 prunes nothing by itself.
    Move* m = &nth(store, 16);
    store.recordMove(m, g, {0, 0.5});
    EXPECT_NEAR(m->angle, kPi / 2, 1e-15);
    EXPECT_EQ(store.moves.size(), 32u);
    EXPECT_EQ(sectorCounts(store)[6], 5);
    EXPECT_EQ(sectorCounts(store)[4], 3);

    // The next new record prunes every over-full sector: record 16 (norm 0.25) goes.
    store.recordMove(nullptr, g, {-2.0, -0.2}); // sector 0
    for (int c : sectorCounts(store))
        EXPECT_LE(c, 4);
    EXPECT_EQ(store.moves.size(), 31u);
    for (const Move& k : store.moves)
        EXPECT_NE(&k, m);
    EXPECT_EQ(store.moves.back().meanX, -2.0);
}

TEST(MovementStoreRecord, NewRecordIsAppendedAndTheWeakestOfAFullSectorIsPruned)
{
    const Gene g = creatureGene();
    const Gene tried = creatureGene();
    // Sector 4 holds records 16..19; give them lengths 1, 0.5, 0.7, 0.9 and
    // make record 5 (sector 1, not over-full) the weakest of all.
    auto prepared = [&] {
        AlgLearanAction s;
        s.reset(g, testRandom());
        const double len[4] = {1.0, 0.5, 0.7, 0.9};
        for (int i = 0; i < 4; ++i)
            nth(s, 16 + i) = learnt(nth(s, 16 + i).angle, len[i], g);
        nth(s, 5) = learnt(nth(s, 5).angle, 0.01, g);
        return s;
    };

    // A strong new record: the length-0.5 record (number 17) goes.
    AlgLearanAction s = prepared();
    std::vector<const Move*> keep;
    for (const Move& m : s.moves)
        if (&m != &nth(s, 17))
            keep.push_back(&m);
    s.recordMove(nullptr, tried, {3.0, 0.1});
    ASSERT_EQ(s.moves.size(), 32u);
    const Move& added = s.moves.back();
    EXPECT_EQ(added.count, 1);
    EXPECT_EQ(added.meanX, 3.0);
    EXPECT_EQ(added.meanY, 0.1);
    EXPECT_DOUBLE_EQ(added.meanSqX, 9.0);
    EXPECT_DOUBLE_EQ(added.meanSqY, 0.01);
    EXPECT_EQ(added.angle, dirAngle({3.0, 0.1}));
    EXPECT_NEAR(added.angle, std::atan2(0.1, 3.0), 1e-13); // acos loses digits near 0
    EXPECT_EQ(added.gene.values, tried.values);
    EXPECT_EQ(added.gene.phases, 2);
    auto it = s.moves.begin();
    for (const Move* k : keep)
        EXPECT_EQ(&*it++, k);
    EXPECT_EQ(sectorCounts(s)[4], 4);

    // A weak new record removes itself: the store is as before.
    s = prepared();
    std::vector<double> xs;
    for (const Move& m : s.moves)
        xs.push_back(m.meanX);
    s.recordMove(nullptr, tried, {0.2, 0.05});
    ASSERT_EQ(s.moves.size(), 32u);
    int i = 0;
    for (const Move& m : s.moves)
        EXPECT_EQ(m.meanX, xs[i++]);

    // Equal norms: the first in list order goes.
    s = prepared();
    nth(s, 17) = learnt(0.3, 0.5, g);
    nth(s, 18) = learnt(0.3, 0.5, g);
    const Move* first = &nth(s, 17);
    const Move* second = &nth(s, 18);
    s.recordMove(nullptr, tried, {2.0, 0.0});
    EXPECT_EQ(s.moves.size(), 32u);
    bool firstKept = false, secondKept = false;
    for (const Move& m : s.moves) {
        firstKept = firstKept || &m == first;
        secondKept = secondKept || &m == second;
    }
    EXPECT_FALSE(firstKept);
    EXPECT_TRUE(secondKept);

    // Two over-full records in one sector: the two weakest go.
    s = prepared();
    s.moves.push_back(learnt(0.1, 0.6, g));   // sector 4 now holds 5
    s.recordMove(nullptr, tried, {1.5, 0.5}); // and 6
    EXPECT_EQ(s.moves.size(), 32u);
    std::vector<double> lengths;
    for (const Move& m : s.moves)
        if (angleSector(m.angle) == 4)
            lengths.push_back(std::hypot(m.meanX, m.meanY));
    ASSERT_EQ(lengths.size(), 4u);
    EXPECT_NEAR(lengths[0], 1.0, 1e-12);
    EXPECT_NEAR(lengths[1], 0.7, 1e-12);
    EXPECT_NEAR(lengths[2], 0.9, 1e-12);
    EXPECT_NEAR(lengths[3], std::hypot(1.5, 0.5), 1e-12);
}
