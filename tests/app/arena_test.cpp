// World reset and arena: the first population, the first foods, the wall
// blocks, and the bookkeeping of physics objects over resets and removals.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>

#include "app/arena.h"
#include "app/random.h"
#include "support/ode_fixture.h"

namespace {

// A signed draw reaches -16384 * 2 / 32767, a little beyond -1.
constexpr double kDrawReach = 32768.0 / 32767.0;

// Every body and joint of a physics world, read from its exported description.
struct Census {
    int bodies = 0;
    int hinges = 0;
    int motors = 0;
    int joints = 0;
};

Census census(dWorldID world)
{
    Census c;
    std::FILE* f = std::tmpfile();
    dWorldExportDIF(world, f, "w");
    std::rewind(f);
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "wbody[", 6) == 0)
            ++c.bodies;
        if (std::strncmp(line, "wjoint[", 7) == 0) {
            ++c.joints;
            if (std::strstr(line, "hinge_joint"))
                ++c.hinges;
            if (std::strstr(line, "angular_motor"))
                ++c.motors;
        }
    }
    std::fclose(f);
    return c;
}

// Compares the world's bodies, joints and geoms with the live creatures and
// the four walls.
void expectOnlyLiveObjects(World& w, const char* when)
{
    int parts = 0, joints = 0;
    for (const Agent& a : w.population) {
        for (const BodyPart& p : a.parts)
            parts += p.exists ? 1 : 0;
        for (const BodyJoint& j : a.joints)
            joints += j.exists ? 1 : 0;
    }
    const Census c = census(w.world);
    EXPECT_EQ(c.bodies, parts + 4) << when;
    EXPECT_EQ(c.hinges, joints) << when;
    EXPECT_EQ(c.motors, joints) << when;
    EXPECT_EQ(c.joints, 2 * joints) << when;

    std::set<dBodyID> bodies;
    int boxes = 0;
    for (int i = 0; i < dSpaceGetNumGeoms(w.space); ++i) {
        const dGeomID g = dSpaceGetGeom(w.space, i);
        boxes += dGeomGetClass(g) == dBoxClass ? 1 : 0;
        if (dGeomGetBody(g))
            bodies.insert(dGeomGetBody(g));
    }
    EXPECT_EQ(dSpaceGetNumGeoms(w.space), parts + 4 + 1) << when; // + ground plane
    EXPECT_EQ(static_cast<int>(bodies.size()), parts + 4) << when;
    EXPECT_EQ(boxes, 4) << when;
    int jointEnds = 0;
    for (dBodyID b : bodies)
        jointEnds += dBodyGetNumJoints(b);
    EXPECT_EQ(jointEnds, 2 * 2 * joints) << when;
}

} // namespace

using Arena = WorldTest;

TEST_F(Arena, ResetWithDefaultsBuildsCreaturesFoodsAndWalls)
{
    const double S = w().simData.groundSize;
    ASSERT_EQ(S, 60.0);
    ASSERT_EQ(w().population.size(), 10u);
    int id = 0;
    for (const Agent& a : w().population) {
        EXPECT_EQ(a.creatureId, id++);
        EXPECT_LE(std::fabs(a.centre.x), S * kDrawReach);
        EXPECT_LE(std::fabs(a.centre.y), S * kDrawReach);
        EXPECT_EQ(a.centre.z, 3.0);
        EXPECT_EQ(a.environment, &w().environment);
        for (const BodyPart& p : a.parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            EXPECT_EQ(pos[0], a.centre.x);
            EXPECT_EQ(pos[1], a.centre.y);
            EXPECT_EQ(pos[2], 3.0);
        }
    }
    EXPECT_EQ(nextCreatureId, 10);
    EXPECT_EQ(w().simData.simulationTime, 0.0);

    ASSERT_EQ(w().foods.foods.size(), 30u);
    EXPECT_EQ(w().foods.eaten, nullptr);
    EXPECT_EQ(w().foods.timer, 0.0);
    for (const AimPoint& f : w().foods.foods) {
        EXPECT_LE(std::fabs(f.position.x), 0.64 * S * kDrawReach);
        EXPECT_LE(std::fabs(f.position.y), 0.64 * S * kDrawReach);
        EXPECT_EQ(f.position.z, 0.0);
    }

    ASSERT_TRUE(w().walls.exist);
    ASSERT_EQ(w().walls.blocks.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const BodyPart& b = w().walls.blocks[i];
        dMass m;
        dBodyGetMass(b.body, &m);
        EXPECT_NEAR(m.mass, 10000.0, 1e-9);
        dVector3 sides;
        dGeomBoxGetLengths(b.geom, sides);
        EXPECT_NEAR(sides[0], 119.999, 1e-12);
        EXPECT_EQ(sides[1], 0.5);
        EXPECT_EQ(sides[2], 80.0);
        const dReal* p = dBodyGetPosition(b.body);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 60.251, 1e-12) << i;
        EXPECT_EQ(p[2], -40.0);
        // The long side runs along the edge: local x is perpendicular to the
        // direction of the block from the origin.
        const dReal* R = dBodyGetRotation(b.body);
        EXPECT_NEAR(R[0] * p[0] + R[4] * p[1], 0.0, 1e-9) << i;
        dReal aabb[6];
        dGeomGetAABB(b.geom, aabb);
        EXPECT_NEAR(aabb[5], 0.0, 1e-9); // top at the ground
        EXPECT_NEAR(aabb[4], -80.0, 1e-9);
        // Inner face just outside the square, along the block's direction.
        const int k = std::fabs(p[0]) > std::fabs(p[1]) ? 0 : 1;
        const double inner = p[k] > 0 ? aabb[2 * k] : -aabb[2 * k + 1];
        EXPECT_NEAR(inner, 60.001, 1e-9) << i;
        EXPECT_NEAR(aabb[2 * (1 - k) + 1] - aabb[2 * (1 - k)], 119.999, 1e-9) << i;
    }
    // Block 0 on +y, 1 on +x, 2 on -y, 3 on -x.
    EXPECT_NEAR(dBodyGetPosition(w().walls.blocks[0].body)[1], 60.251, 1e-12);
    EXPECT_NEAR(dBodyGetPosition(w().walls.blocks[1].body)[0], 60.251, 1e-12);
    EXPECT_NEAR(dBodyGetPosition(w().walls.blocks[2].body)[1], -60.251, 1e-12);
    EXPECT_NEAR(dBodyGetPosition(w().walls.blocks[3].body)[0], -60.251, 1e-12);
}

TEST_F(Arena, WallHeightRaisesBlocksAndStepsPutThemBack)
{
    w().simData.wallHeight = 10.0;
    resetWorld(w());
    for (const BodyPart& b : w().walls.blocks)
        EXPECT_EQ(dBodyGetPosition(b.body)[2], -30.0);
    scene->step(5);
    for (const BodyPart& b : w().walls.blocks) {
        EXPECT_EQ(dBodyGetPosition(b.body)[2], -30.0);
        const dReal* v = dBodyGetLinearVel(b.body);
        EXPECT_EQ(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 0.0);
        dReal aabb[6];
        dGeomGetAABB(b.geom, aabb);
        EXPECT_NEAR(aabb[5], 10.0, 1e-9);
    }
}

TEST_F(Arena, FoodsTakeXThenYDrawsInTheCentralSquare)
{
    w().simData.groundSize = 25.0;
    w().foods.foods.clear();
    Random probe(rng().state());
    fillFoods(w());
    ASSERT_EQ(w().foods.foods.size(), 30u);
    const double d = 25.0 * 0.8 * 0.8;
    for (const AimPoint& f : w().foods.foods) {
        const double x = (probe.next() - 16384) * 2 / 32767.0 * d;
        const double y = (probe.next() - 16384) * 2 / 32767.0 * d;
        EXPECT_EQ(f.position.x, x);
        EXPECT_EQ(f.position.y, y);
        EXPECT_EQ(f.position.z, 0.0);
    }
}

TEST_F(Arena, ResetClearsReferencesClockAndPopulationSize)
{
    auto it = w().population.begin();
    w().selectedAgent = &*it++;
    w().hoveredAgent = &*it++;
    w().followedAgent = &*it;
    w().simData.simulationTime = 12.5;
    scene->step(3);
    resetWorld(w());
    EXPECT_EQ(w().selectedAgent, nullptr);
    EXPECT_EQ(w().hoveredAgent, nullptr);
    EXPECT_EQ(w().followedAgent, nullptr);
    EXPECT_EQ(w().simData.simulationTime, 0.0);
    EXPECT_EQ(w().population.size(), 10u);

    w().simData.minPopulation = 0;
    resetWorld(w());
    EXPECT_TRUE(w().population.empty());
    EXPECT_EQ(w().foods.foods.size(), 30u);
    EXPECT_EQ(w().walls.blocks.size(), 4u);
}

TEST_F(Arena, EmptyPopulationFromTheStart)
{
    makeScene(777, 0);
    EXPECT_TRUE(w().population.empty());
    EXPECT_EQ(w().foods.foods.size(), 30u);
    expectOnlyLiveObjects(w(), "empty start");
    scene->step(2);
}

TEST_F(Arena, RemovalsAndResetsLeaveOnlyLiveBodiesAndJoints)
{
    expectOnlyLiveObjects(w(), "start");
    resetWorld(w());
    resetWorld(w());
    expectOnlyLiveObjects(w(), "two resets");

    scene->step(30);
    expectOnlyLiveObjects(w(), "after steps");

    forgetAllCreatures(w());
    w().population.erase(std::next(w().population.begin(), 2));
    removeLastCreature(w().population);
    expectOnlyLiveObjects(w(), "after removals");

    w().simData.minPopulation = 4;
    resetWorld(w());
    EXPECT_EQ(w().population.size(), 4u);
    expectOnlyLiveObjects(w(), "smaller reset");

    w().simData.minPopulation = 12;
    resetWorld(w());
    EXPECT_EQ(w().population.size(), 12u);
    expectOnlyLiveObjects(w(), "larger reset");
    scene->step(10);
    expectOnlyLiveObjects(w(), "larger reset, stepped");

    forgetAllCreatures(w());
    clearPopulation(w().population);
    expectOnlyLiveObjects(w(), "cleared");
}
