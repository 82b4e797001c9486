#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/random.h"
#include "creature/gene.h"
#include "support/creature_helpers.h"

namespace {

// The parameter table written out independently of gene.cpp, so the replays
// below catch a wrong bound, flag or rule in the implementation's table.
enum Rule { kPick, kPerturbOrPick, kCircular, kBlend };
struct Row {
    double min, max;
    bool mutated;
    Rule rule;
};
constexpr double kJ = 1.427996660722633;
const Row kTable[GENE_ROW_COUNT] = {
    {0.4, 1.0, true, kPick},
    {1.0, 1.0, false, kPick},
    {0.01, 0.08, false, kPerturbOrPick},
    {0.03, 0.15, false, kPerturbOrPick},
    {0.0, 0.65, false, kPerturbOrPick},
    {2.0, 4.3, false, kPerturbOrPick},
    {1.0, 1.4, false, kPerturbOrPick},
    {1.25, 2.25, false, kPerturbOrPick},
    {0.0, 360.0, false, kCircular},
    {0.9999, 0.99999, false, kPerturbOrPick},
    {0.0, 1.1, false, kPerturbOrPick},
    {0.0, 1.1, false, kPerturbOrPick},
    {0.0, 5.99, false, kPerturbOrPick},
    {0.0, 5.99, false, kPerturbOrPick},
    {-kJ, kJ, true, kBlend},
    {0.5, 1.999, false, kPerturbOrPick},
    {0.0, 1.0, true, kBlend},
    {0.2, 1.0, false, kPerturbOrPick},
    {0.075, 0.1, false, kPerturbOrPick},
    {0.5, 1.99, false, kPerturbOrPick},
};
// Layout of a creature gene (2 phases, 29 joints, 30 parts).
const int kStart[GENE_ROW_COUNT + 1] = {0,  1,   2,   3,   4,   5,   6,   7,   8,   9,  10,
                                        68, 126, 184, 242, 300, 358, 416, 446, 476, 506};

Gene creatureGene()
{
    Gene g;
    g.randomize(2, 29, 30, testRandom());
    return g;
}

// A generator state from which draw number `index` (counting from 0) is `value`.
std::uint32_t stateWithDraw(int index, int value)
{
    Random r(987654321u);
    std::vector<std::uint32_t> before;
    for (;;) {
        before.push_back(r.state());
        const int m = static_cast<int>(before.size()) - 1;
        if (r.next() == value && m >= index)
            return before[m - index];
    }
}

double perturbed(double v, const Row& row, Random& r)
{
    v = v + r.signedDraw() * (row.max - row.min) * 0.3;
    if (v > row.max)
        v = row.max;
    if (v < row.min)
        v = row.min;
    return v;
}

std::vector<double> replayFill(Random& r)
{
    std::vector<double> v;
    for (int row = 0; row < GENE_ROW_COUNT; ++row)
        for (int k = kStart[row]; k < kStart[row + 1]; ++k)
            v.push_back(kTable[row].min + (kTable[row].max - kTable[row].min) * r.uniform());
    return v;
}

std::vector<double> replayMutate(std::vector<double> v, double rate, Random& r)
{
    for (int row = 0; row < GENE_ROW_COUNT; ++row)
        if (kTable[row].mutated)
            for (int k = kStart[row]; k < kStart[row + 1]; ++k)
                if (rate > r.uniform())
                    v[k] = perturbed(v[k], kTable[row], r);
    return v;
}

} // namespace

TEST(GeneLayout, StartsAndLengthFollowTheCounts)
{
    Gene g = creatureGene();
    EXPECT_EQ(g.values.size(), 506u);
    EXPECT_EQ(geneLength(2, 29, 30), 506);
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        EXPECT_EQ(geneParams[r].start, kStart[r]) << "row " << r;
        EXPECT_EQ(geneParams[r].count, kStart[r + 1] - kStart[r]) << "row " << r;
        EXPECT_EQ(g.start(r), kStart[r]) << "row " << r;
        EXPECT_EQ(g.count(r), kStart[r + 1] - kStart[r]) << "row " << r;
    }

    // Other counts: 10 single values, 7 rows of 1*3, 3 rows of 4.
    Gene s;
    s.randomize(1, 3, 4, testRandom());
    ASSERT_EQ(s.values.size(), 43u);
    const int smallStarts[10] = {10, 13, 16, 19, 22, 25, 28, 31, 35, 39};
    for (int r = 10; r < GENE_ROW_COUNT; ++r) {
        EXPECT_EQ(s.start(r), smallStarts[r - 10]) << "row " << r;
        EXPECT_EQ(geneRow(r, 1, 3, 4).start, smallStarts[r - 10]) << "row " << r;
    }
    s.randomize(-1, -1, -1, testRandom()); // keeps every count
    EXPECT_EQ(s.values.size(), 43u);
    EXPECT_EQ(s.start(PART_PRESENCE), 39);
    s.randomize(2, -1, -1, testRandom()); // replaces only the phases
    EXPECT_EQ(s.phases, 2);
    EXPECT_EQ(s.joints, 3);
    EXPECT_EQ(s.parts, 4);
    EXPECT_EQ(s.values.size(), 64u);

    // The creatures' table is not touched by genomes of other counts.
    EXPECT_EQ(geneParams[PART_PRESENCE].start, 476);
}

TEST(GeneFill, RandomizeDrawsEveryValueInOrderWithinItsBounds)
{
    testRandom().seed(2024);
    Gene g = creatureGene();
    Random replay(2024);
    EXPECT_EQ(g.values, replayFill(replay));

    const std::vector<double> old = g.values;
    const std::uint32_t s = testRandom().state();
    g.randomize(-1, -1, -1, testRandom());
    EXPECT_EQ(g.phases, 2);
    EXPECT_EQ(g.joints, 29);
    EXPECT_EQ(g.parts, 30);
    Random again(s);
    EXPECT_EQ(g.values, replayFill(again));
    EXPECT_NE(g.values, old);

    for (int seed = 1; seed <= 20; ++seed) {
        testRandom().seed(seed);
        g.randomize(-1, -1, -1, testRandom());
        EXPECT_EQ(g.values[CONSTANT_ONE], 1.0);
        for (int row = 0; row < GENE_ROW_COUNT; ++row)
            for (int k = kStart[row]; k < kStart[row + 1]; ++k) {
                EXPECT_GE(g.values[k], kTable[row].min) << "index " << k;
                EXPECT_LE(g.values[k], kTable[row].max) << "index " << k;
            }
    }
}

TEST(GeneFill, TopDrawGivesExactlyMax)
{
    for (int row = 0; row < GENE_ROW_COUNT; ++row) {
        const int k = kStart[row + 1] - 1; // last value of the row
        testRandom().seed(stateWithDraw(k, 32767));
        Gene g = creatureGene();
        EXPECT_EQ(g.values[k], kTable[row].max) << "row " << row;
    }
}

TEST(GenePerturb, ClampsAtTheBoundsAndScalesByThreeTenthsOfTheRange)
{
    Gene g = creatureGene();
    const GeneParam& joint = geneParams[JOINT_TARGET];
    const GeneParam& t = geneParams[T];

    testRandom().seed(stateWithDraw(0, 30000)); // positive signed draw
    EXPECT_EQ(perturbValue(kJ, joint, testRandom()), kJ);
    testRandom().seed(stateWithDraw(0, 32767));
    EXPECT_EQ(perturbValue(0.95, t, testRandom()), 1.0); // 0.95 + 0.18 overshoots
    testRandom().seed(stateWithDraw(0, 100));     // negative signed draw
    EXPECT_EQ(perturbValue(-kJ, joint, testRandom()), -kJ);
    testRandom().seed(stateWithDraw(0, 0)); // -1.0000305
    EXPECT_EQ(perturbValue(0.45, t, testRandom()), 0.4);

    // Inside the bounds: v + s * 0.6 * 0.3 for row T, s = (24576 - 16384) * 2 / 32767.
    testRandom().seed(stateWithDraw(0, 24576));
    EXPECT_NEAR(perturbValue(0.5, t, testRandom()), 0.5 + (8192.0 * 2 / 32767) * 0.18, 1e-15);
    testRandom().seed(stateWithDraw(0, 8192));
    EXPECT_NEAR(perturbValue(0.0, joint, testRandom()), -(8192.0 * 2 / 32767) * 2 * kJ * 0.3, 1e-15);
}

TEST(GeneMutate, ZeroRateDrawsOncePerMutableValueAndChangesNothing)
{
    Gene g = creatureGene();
    const std::vector<double> before = g.values;
    testRandom().seed(555);
    g.mutate(0.0, testRandom());
    Random replay(555);
    for (int i = 0; i < 117; ++i) // rows 0, 14 and 16: 1 + 58 + 58 values
        replay.next();
    EXPECT_EQ(testRandom().state(), replay.state());
    EXPECT_EQ(g.values, before);
}

TEST(GeneMutate, PerturbsMutableValuesWithTheGivenRate)
{
    for (double rate : {1.0, 0.3}) {
        testRandom().seed(77);
        Gene g = creatureGene();
        const std::vector<double> before = g.values;
        testRandom().seed(31337);
        g.mutate(rate, testRandom());
        Random replay(31337);
        EXPECT_EQ(g.values, replayMutate(before, rate, replay)) << "rate " << rate;
        EXPECT_EQ(testRandom().state(), replay.state());

        int changed = 0;
        for (int k = 0; k < kStart[GENE_ROW_COUNT]; ++k) {
            const bool mutableRow = k == 0 ||
                                    (k >= kStart[JOINT_TARGET] && k < kStart[HINGE_AXIS]) ||
                                    (k >= kStart[JOINT_GAIN] && k < kStart[PART_LENGTH]);
            if (!mutableRow)
                EXPECT_EQ(g.values[k], before[k]) << "index " << k;
            else if (g.values[k] != before[k])
                ++changed;
        }
        if (rate == 1.0)
            EXPECT_GE(changed, 110); // all 117 but the rare clamped or zero draws
        else
            EXPECT_LT(changed, 60);
    }

    // Rate 1.0 leaves a value alone when its draw is 32767 (u = 1.0).
    Gene g = creatureGene();
    const std::vector<double> before = g.values;
    const std::uint32_t s = stateWithDraw(0, 32767);
    testRandom().seed(s);
    g.mutate(1.0, testRandom());
    EXPECT_EQ(g.values[T], before[T]);
    Random replay(s);
    EXPECT_EQ(g.values, replayMutate(before, 1.0, replay));
}

TEST(GeneCrossover, CircularMeanOfBodyColor)
{
    struct Case {
        double x, y, mean;
    };
    const Case cases[] = {{350, 10, 0},   {10, 350, 0},    {359, 0, 359.5}, {200, 10, 285},
                          {10, 200, 285}, {100, 200, 150}, {0, 0, 0},       {90, 270, 0}};
    for (const Case& c : cases) {
        Gene a = creatureGene(), b = creatureGene(), child = creatureGene();
        a.values[BODY_COLOR] = c.x;
        b.values[BODY_COLOR] = c.y;
        child.crossover(a, b, testRandom());
        EXPECT_DOUBLE_EQ(child.values[BODY_COLOR], c.mean) << c.x << " and " << c.y;
    }
}

TEST(GeneCrossover, IdenticalParentsPassOnTheirValuesUnlessPerturbed)
{
    testRandom().seed(4242);
    const Gene parent = creatureGene();
    const Gene twin = parent;
    Gene child = creatureGene();
    const std::vector<double> own = child.values;
    const std::uint32_t s = testRandom().state();
    child.crossover(parent, twin, testRandom());

    Random replay(s);
    int perturbedCount = 0, pickedCount = 0;
    for (int row = 0; row < GENE_ROW_COUNT; ++row) {
        for (int k = kStart[row]; k < kStart[row + 1]; ++k) {
            const Rule rule = kTable[row].rule;
            if (rule == kCircular) {
                EXPECT_EQ(child.values[k], parent.values[k]);
            } else if (rule == kBlend) {
                EXPECT_DOUBLE_EQ(child.values[k], parent.values[k]) << "index " << k;
            } else if (rule == kPerturbOrPick && 0.1 > replay.uniform()) {
                ++perturbedCount;
                EXPECT_EQ(child.values[k], perturbed(own[k], kTable[row], replay)) << "index " << k;
            } else {
                if (rule == kPick)
                    replay.uniform();
                replay.uniform();
                ++pickedCount;
                EXPECT_EQ(child.values[k], parent.values[k]) << "index " << k;
            }
        }
    }
    // About one in ten of the 387 perturb-or-pick values.
    EXPECT_GT(perturbedCount, 15);
    EXPECT_LT(perturbedCount, 80);
    EXPECT_EQ(perturbedCount + pickedCount, 389);
}

TEST(GeneCrossover, ReplaysTheDocumentedDrawOrder)
{
    testRandom().seed(99);
    const Gene a = creatureGene(), b = creatureGene();
    Gene child = creatureGene();
    std::vector<double> expected = child.values;
    const std::uint32_t s = testRandom().state();
    child.crossover(a, b, testRandom());

    Random replay(s);
    for (int row = 0; row < GENE_ROW_COUNT; ++row) {
        const Row& p = kTable[row];
        for (int k = kStart[row]; k < kStart[row + 1]; ++k) {
            const double x = a.values[k], y = b.values[k];
            if (p.rule == kCircular) {
                double c = (x + y) / 2 + std::trunc((x - y) / 180) * 180;
                c = c >= 360 ? c - 360 : c < 0 ? c + 360 : c;
                expected[k] = c;
            } else if (p.rule == kBlend) {
                expected[k] = 0.8 * x + 0.2 * y;
            } else if ((p.rule == kPerturbOrPick ? 0.1 : 0.0) > replay.uniform()) {
                expected[k] = perturbed(expected[k], p, replay);
            } else {
                expected[k] = replay.uniform() < 0.5 ? x : y;
            }
        }
    }
    for (int k = 0; k < 506; ++k)
        EXPECT_EQ(child.values[k], expected[k]) << "index " << k;

    // Two draws for each of the 389 values outside rows 8, 14 and 16.
    Random counted(s);
    for (int i = 0; i < 2 * 389; ++i)
        counted.next();
    EXPECT_EQ(testRandom().state(), counted.state());
}
