// Bodies that change at birth: the distance between bodies, the mutation's
// reach (children close to their parent, lines that drift), bodies that stay
// whole after structural changes, the store fitted to a changed body, and
// the measures of a body at rest.
#include <gtest/gtest.h>

#include <ode/ode.h>

#include <cmath>

#include "base/random.h"
#include "creature/body_mutation.h"
#include "creature/body_shape.h"
#include "support/ode_fixture.h"

namespace {

Gene randomGene(Random& r)
{
    Gene g;
    g.randomize(kGenePhases, kGeneJoints, kGeneParts, r);
    return g;
}

double& at(Gene& g, int row, int i)
{
    return g.values[static_cast<std::size_t>(g.start(row) + i)];
}

// Every value within its row's bounds, and the laid-out body whole: the root
// and heading parts exist, every existing joint joins two existing parts,
// and every existing part but the root hangs from exactly one joint.
void expectWhole(const Gene& g)
{
    for (int row = 0; row < GENE_ROW_COUNT; ++row)
        for (int i = 0; i < g.count(row); ++i) {
            ASSERT_GE(g.at(row, i), geneParams[row].min) << row << " " << i;
            ASSERT_LE(g.at(row, i), geneParams[row].max) << row << " " << i;
        }
    const BodyShape s = bodyShape(g);
    ASSERT_TRUE(s.parts[0].exists);
    ASSERT_TRUE(s.parts[27].exists);
    std::vector<int> hangs(s.parts.size(), 0);
    for (std::size_t j = 0; j < s.joints.size(); ++j) {
        if (!s.joints[j].exists)
            continue;
        ASSERT_TRUE(s.parts[static_cast<std::size_t>(s.joints[j].parentPart)].exists) << j;
        ASSERT_TRUE(s.parts[j + 1].exists) << j;
        ++hangs[j + 1];
    }
    for (std::size_t p = 1; p < s.parts.size(); ++p)
        EXPECT_EQ(hangs[p], s.parts[p].exists ? 1 : 0) << p;
}

} // namespace

TEST(BodyDistance, CountsScaledValuesAndStructuralDifferences)
{
    Random r(7);
    const Gene base = randomGene(r);
    const BodyShape a = bodyShape(base);
    EXPECT_EQ(bodyDistance(a, a), 0.0);

    struct Case {
        const char* what;
        void (*change)(Gene&);
        double distance;
    };
    const Case cases[] = {
        {"body scale across its range",
         [](Gene& g) { at(g, BODY_SCALE, 0) = at(g, BODY_SCALE, 0) > 1.2 ? 1.0 : 1.4; }, -1},
        {"the colour (no body row)", [](Gene& g) { at(g, BODY_COLOR, 0) += 100; }, 0.0},
        {"the movement's second-phase target (no body row)",
         [](Gene& g) { at(g, JOINT_TARGET, 40) = -at(g, JOINT_TARGET, 40); }, 0.0},
    };
    for (const Case& c : cases) {
        Gene g = base;
        c.change(g);
        const double d = bodyDistance(a, bodyShape(g));
        if (c.distance >= 0)
            EXPECT_EQ(d, c.distance) << c.what;
        else
            EXPECT_NEAR(d, std::fabs(g[BODY_SCALE] - base[BODY_SCALE]) / 0.4, 1e-12) << c.what;
    }

    // A part gained or lost counts 1 (and the joints it brings are not
    // counted twice); the distance is symmetric.
    Gene g = base;
    int k = 1;
    while (!a.parts[static_cast<std::size_t>(k)].exists || k == 27)
        ++k;
    bool leaf = true;
    for (const auto& j : a.joints)
        leaf = leaf && !(j.exists && j.parentPart == k);
    if (leaf) {
        at(g, PART_PRESENCE, k) = 0.6;
        const BodyShape b = bodyShape(g);
        EXPECT_EQ(bodyDistance(a, b), 1.0);
        EXPECT_EQ(bodyDistance(b, a), 1.0);
    }
}

TEST(BodyMutation, StrengthZeroChangesNothingAndDrawsNothing)
{
    Random r(3);
    Gene g = randomGene(r);
    const Gene before = g;
    const std::uint32_t state = r.state();
    EXPECT_EQ(mutateBody(g, 0.0, r), 0);
    EXPECT_EQ(g.values, before.values);
    EXPECT_EQ(r.state(), state);
}

// At strength 1, over many children: most stay close to their parent, some
// change in structure, every body stays whole; bodies change only in body
// rows; a line of children of children drifts far.
TEST(BodyMutation, ChildrenStayCloseWhileLinesDrift)
{
    Random r(11);
    const int children = 600;
    int close = 0, structural = 0, changed = 0;
    double total = 0.0;
    for (int n = 0; n < children; ++n) {
        const Gene parent = randomGene(r);
        Gene child = parent;
        const int changes = mutateBody(child, 1.0, r);
        changed += changes > 0;
        expectWhole(child);
        const double d = bodyDistance(bodyShape(parent), bodyShape(child));
        total += d;
        close += d < 1.0;
        structural += d >= 1.0;
        for (int row : {T, PROB_SETUDO_PROB, TH_KOUSA, BODY_COLOR, YAKINAMASI})
            ASSERT_EQ(child[row], parent[row]);
        for (int i = kGeneJoints; i < 2 * kGeneJoints; ++i)
            ASSERT_EQ(child.at(JOINT_TARGET, i), parent.at(JOINT_TARGET, i)) << "second phase";
    }
    EXPECT_GT(changed, children * 9 / 10);
    EXPECT_GT(close, children * 8 / 10) << "most children stay close";
    EXPECT_GT(structural, children / 40) << "now and then a change of structure";
    EXPECT_LT(total / children, 0.6);
    EXPECT_GT(total / children, 0.1);

    // A line of 150 generations.
    Gene founder = randomGene(r);
    Gene line = founder;
    for (int gen = 0; gen < 150; ++gen)
        mutateBody(line, 1.0, r);
    expectWhole(line);
    EXPECT_GT(bodyDistance(bodyShape(founder), bodyShape(line)), 5.0);

    // Stronger mutation moves children further.
    double stronger = 0.0;
    for (int n = 0; n < children; ++n) {
        const Gene parent = randomGene(r);
        Gene child = parent;
        mutateBody(child, 3.0, r);
        expectWhole(child);
        stronger += bodyDistance(bodyShape(parent), bodyShape(child));
    }
    EXPECT_GT(stronger, 2.0 * total);
}

// A joint the changed body gains holds its rest pose in every movement; the
// other joints' movements are kept as they were.
TEST(BodyMutation, TheStoreFitsTheChangedBody)
{
    Random r(5);
    Gene parent = randomGene(r);
    for (int i = 0; i < kGeneParts; ++i)
        at(parent, PART_PRESENCE, i) = 1.5;
    at(parent, PART_PRESENCE, 5) = 0.7; // part 5 and so joint 4 missing
    Gene child = parent;
    at(child, PART_PRESENCE, 5) = 1.5;
    const BodyShape before = bodyShape(parent);
    const BodyShape after = bodyShape(child);
    ASSERT_FALSE(before.joints[4].exists);
    ASSERT_TRUE(after.joints[4].exists);

    AlgLearanAction store;
    store.reset(parent, r);
    const AlgLearanAction old = store;
    fitStore(store, child, before, after);
    auto o = old.moves.begin();
    for (const auto& m : store.moves) {
        for (int phase = 0; phase < kGenePhases; ++phase) {
            const int t = m.gene.start(JOINT_TARGET) + phase * kGeneJoints;
            const int k = m.gene.start(JOINT_GAIN) + phase * kGeneJoints;
            EXPECT_EQ(m.gene.values[t + 4], child.at(JOINT_TARGET, 4));
            EXPECT_EQ(m.gene.values[k + 4], child.at(JOINT_GAIN, 4));
            for (int j : {0, 3, 5, 28}) {
                EXPECT_EQ(m.gene.values[t + j], o->gene.values[t + j]);
                EXPECT_EQ(m.gene.values[k + j], o->gene.values[k + j]);
            }
        }
        ++o;
    }
}

// (The fixture brings the physics engine up, as a run does.)
TEST_F(WorldTest, BodyMeasuresAtRestAreTheSameEveryTimeAndAsTheLayoutSays)
{
    Random r(21);
    for (int n = 0; n < 4; ++n) {
        const Gene g = randomGene(r);
        // The solver's generator is left as it was: a world in which a body
        // is measured runs as one in which it is not.
        const unsigned long seed = dRandGetSeed();
        const BodyMeasures a = measureBody(g);
        EXPECT_EQ(dRandGetSeed(), seed);
        const BodyMeasures b = measureBody(g);
        EXPECT_EQ(a.span, b.span);
        EXPECT_EQ(a.height, b.height);
        int parts = 0, joints = 0;
        const BodyShape s = bodyShape(g);
        for (const auto& p : s.parts)
            parts += p.exists;
        for (const auto& j : s.joints)
            joints += j.exists;
        EXPECT_EQ(a.parts, parts);
        EXPECT_EQ(a.joints, joints);
        EXPECT_EQ(a.joints, a.parts - 1) << "a tree";
        EXPECT_GT(a.mass, 0.0);
        EXPECT_GT(a.limbLength, 0.2 * parts);
        // At rest on the ground: higher than a lying part, lower than the
        // parts stood end to end; at least as wide as its thickest part.
        EXPECT_GT(a.height, 0.05);
        EXPECT_LT(a.height, a.limbLength + 2 * 0.1 * 1.4 * 2.25 * parts);
        EXPECT_GT(a.span, 0.1);
        EXPECT_LT(a.span, a.limbLength + 2 * 0.1 * 1.4 * 2.25 * parts);
    }

    // The smallest body: the root and the heading part, one joint.
    Gene g = randomGene(r);
    for (int i = 0; i < kGeneParts; ++i)
        at(g, PART_PRESENCE, i) = 0.6;
    const BodyMeasures m = measureBody(g);
    EXPECT_EQ(m.parts, 2);
    EXPECT_EQ(m.joints, 1);
}
