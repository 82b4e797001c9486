// World reset and arena: the first population, the first foods, the wall
// blocks, and the bookkeeping of physics objects over resets and removals.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>
#include <vector>

#include "support/creature_helpers.h"
#include "ecology/arena.h"
#include "base/random.h"
#include "support/ode_fixture.h"
#include "ui/request_runner.h"

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
    for (const Agent& a : w.sim.population) {
        for (const BodyPart& p : a.parts)
            parts += p.exists ? 1 : 0;
        for (const BodyJoint& j : a.joints)
            joints += j.exists ? 1 : 0;
    }
    const Census c = census(w.sim.world);
    EXPECT_EQ(c.bodies, parts + 4) << when;
    EXPECT_EQ(c.hinges, joints) << when;
    EXPECT_EQ(c.motors, joints) << when;
    EXPECT_EQ(c.joints, 2 * joints) << when;

    std::set<dBodyID> bodies;
    for (int i = 0; i < dSpaceGetNumGeoms(w.sim.space); ++i)
        if (dBodyID b = dGeomGetBody(dSpaceGetGeom(w.sim.space, i)))
            bodies.insert(b);
    EXPECT_EQ(dSpaceGetNumGeoms(w.sim.space), parts + 4 + 1) << when; // + ground plane
    EXPECT_EQ(static_cast<int>(bodies.size()), parts + 4) << when;
}

} // namespace

using Arena = WorldTest;

TEST_F(Arena, ResetWithDefaultsBuildsCreaturesFoodsAndWalls)
{
    const double S = w().settings.groundSize;
    ASSERT_EQ(S, 60.0);
    ASSERT_EQ(w().sim.population.size(), 10u);
    int id = 0;
    for (const Agent& a : w().sim.population) {
        EXPECT_EQ(a.creatureId, id++);
        EXPECT_LE(std::fabs(a.centre.x), S * kDrawReach);
        EXPECT_LE(std::fabs(a.centre.y), S * kDrawReach);
        EXPECT_EQ(a.centre.z, 3.0);
        EXPECT_EQ(a.environment, &w().sim.environment);
        for (const BodyPart& p : a.parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            EXPECT_EQ(pos[0], a.centre.x);
            EXPECT_EQ(pos[1], a.centre.y);
            EXPECT_EQ(pos[2], 3.0);
        }
    }
    EXPECT_EQ(w().sim.nextCreatureId, 10);
    EXPECT_EQ(w().sim.time, 0.0);

    ASSERT_EQ(w().sim.foods.foods.size(), 30u);
    EXPECT_EQ(w().sim.foods.eaten, nullptr);
    EXPECT_EQ(w().sim.foods.timer, 0.0);
    for (const AimPoint& f : w().sim.foods.foods) {
        EXPECT_LE(std::fabs(f.position.x), 0.64 * S * kDrawReach);
        EXPECT_LE(std::fabs(f.position.y), 0.64 * S * kDrawReach);
        EXPECT_EQ(f.position.z, 0.0);
    }

    ASSERT_TRUE(w().sim.walls.exist);
    ASSERT_EQ(w().sim.walls.blocks.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const BodyPart& b = w().sim.walls.blocks[i];
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
    const double where[4][2] = {{0, 60.251}, {60.251, 0}, {0, -60.251}, {-60.251, 0}};
    for (int i = 0; i < 4; ++i) {
        const dReal* p = dBodyGetPosition(w().sim.walls.blocks[i].body);
        EXPECT_NEAR(p[0], where[i][0], 1e-12) << i;
        EXPECT_NEAR(p[1], where[i][1], 1e-12) << i;
    }
}

TEST_F(Arena, WallHeightRaisesBlocksAndStepsPutThemBack)
{
    w().settings.wallHeight = 10.0;
    resetWorld(w().sim, w().settings);
    for (const BodyPart& b : w().sim.walls.blocks)
        EXPECT_EQ(dBodyGetPosition(b.body)[2], -30.0);
    scene->step(5);
    for (const BodyPart& b : w().sim.walls.blocks) {
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
    w().settings.groundSize = 25.0;
    w().sim.foods.foods.clear();
    Random probe(w().sim.random.state());
    fillFoods(w().sim, w().settings.groundSize);
    ASSERT_EQ(w().sim.foods.foods.size(), 30u);
    const double d = 25.0 * 0.8 * 0.8;
    for (const AimPoint& f : w().sim.foods.foods) {
        const double x = (probe.next() - 16384) * 2 / 32767.0 * d;
        const double y = (probe.next() - 16384) * 2 / 32767.0 * d;
        EXPECT_EQ(f.position.x, x);
        EXPECT_EQ(f.position.y, y);
        EXPECT_EQ(f.position.z, 0.0);
    }
}

TEST_F(Arena, ResetClearsReferencesClockAndPopulationSize)
{
    auto it = w().sim.population.begin();
    w().view.selectedAgent = &*it++;
    w().view.hoveredAgent = &*it++;
    w().view.followedAgent = &*it;
    w().sim.time = 12.5;
    scene->step(3);
    initializeWorld(w());
    EXPECT_EQ(w().view.selectedAgent, nullptr);
    EXPECT_EQ(w().view.hoveredAgent, nullptr);
    EXPECT_EQ(w().view.followedAgent, nullptr);
    EXPECT_EQ(w().sim.time, 0.0);
    EXPECT_EQ(w().sim.population.size(), 10u);
    const OrbitCamera& mini = w().view.miniCamera;
    EXPECT_TRUE(mini.distance == 10.0f && mini.maxDistance == 100.0f && mini.zoomMode == 0);
    EXPECT_TRUE(mini.target[0] == 0.0f && mini.target[1] == 0.0f && mini.target[2] == 0.0f);

    w().settings.minPopulation = 0;
    resetWorld(w().sim, w().settings);
    EXPECT_TRUE(w().sim.population.empty());
    EXPECT_EQ(w().sim.foods.foods.size(), 30u);
    EXPECT_EQ(w().sim.walls.blocks.size(), 4u);
}

TEST_F(Arena, EmptyPopulationFromTheStart)
{
    makeScene(777, 0);
    EXPECT_TRUE(w().sim.population.empty());
    EXPECT_EQ(w().sim.foods.foods.size(), 30u);
    expectOnlyLiveObjects(w(), "empty start");
    scene->step(2);
}

TEST_F(Arena, RemovalsAndResetsLeaveOnlyLiveBodiesAndJoints)
{
    expectOnlyLiveObjects(w(), "start");
    resetWorld(w().sim, w().settings);
    resetWorld(w().sim, w().settings);
    expectOnlyLiveObjects(w(), "two resets");

    scene->step(30);
    expectOnlyLiveObjects(w(), "after steps");

    forgetAllCreatures(w().view);
    w().sim.population.erase(std::next(w().sim.population.begin(), 2));
    removeLastCreature(w().sim.population);
    expectOnlyLiveObjects(w(), "after removals");

    w().settings.minPopulation = 4;
    resetWorld(w().sim, w().settings);
    EXPECT_EQ(w().sim.population.size(), 4u);
    expectOnlyLiveObjects(w(), "smaller reset");

    w().settings.minPopulation = 12;
    resetWorld(w().sim, w().settings);
    EXPECT_EQ(w().sim.population.size(), 12u);
    expectOnlyLiveObjects(w(), "larger reset");
    scene->step(10);
    expectOnlyLiveObjects(w(), "larger reset, stepped");

    forgetAllCreatures(w().view);
    clearCreatures(w().sim);
    expectOnlyLiveObjects(w(), "cleared");
}

TEST_F(Arena, ResetDrawsEachCentreYFirstThenTheFoods)
{
    auto U = [](int r) { return (r - 16384) * 2 / 32767.0; };
    forgetAllCreatures(w().view);
    clearCreatures(w().sim);
    w().settings.minPopulation = 2;
    const double S = w().settings.groundSize;

    // Replay of the draws: each creature's initialize, then r1 and r2; the
    // body building draws nothing; then the foods, x before y.
    const std::uint32_t seed = 31337;
    w().sim.random.seed(seed);
    std::vector<MY_VECTOR3> centres;
    {
        Agent replay;
        for (int i = 0; i < 2; ++i) {
            replay.initialize(w().sim.random);
            const int r1 = w().sim.random.next();
            const int r2 = w().sim.random.next();
            centres.push_back(MY_VECTOR3{S * U(r2), S * U(r1), 3.0});
        }
    }
    const double foodX = U(w().sim.random.next()) * (S * 0.8 * 0.8);
    const double foodY = U(w().sim.random.next()) * (S * 0.8 * 0.8);

    w().sim.random.seed(seed);
    resetWorld(w().sim, w().settings);
    ASSERT_EQ(w().sim.population.size(), 2u);
    int i = 0;
    for (const Agent& a : w().sim.population) {
        EXPECT_EQ(a.centre.x, centres[i].x) << i;
        EXPECT_EQ(a.centre.y, centres[i].y) << i;
        EXPECT_EQ(a.centre.z, 3.0);
        ++i;
    }
    EXPECT_EQ(w().sim.population.front().creatureId, 0);
    EXPECT_EQ(w().sim.population.back().creatureId, 1);
    EXPECT_EQ(w().sim.foods.foods[0].position.x, foodX);
    EXPECT_EQ(w().sim.foods.foods[0].position.y, foodY);
}

TEST_F(Arena, PhysicsStartUpSetsSolverGroundAndGravity)
{
    EXPECT_EQ(dWorldGetQuickStepNumIterations(w().sim.world), 20);
    EXPECT_NEAR(dWorldGetERP(w().sim.world), 0.10714285500461654, 1e-15);
    EXPECT_NEAR(dWorldGetCFM(w().sim.world), 0.01785714289990767, 1e-15);
    dVector3 g;
    dWorldGetGravity(w().sim.world, g);
    EXPECT_TRUE(g[0] == 0.0 && g[1] == 0.0 && g[2] == static_cast<double>(-9.8f));
    EXPECT_EQ(dGeomGetClass(reinterpret_cast<dGeomID>(w().sim.space)), dHashSpaceClass);
    dVector4 plane;
    dGeomPlaneGetParams(w().sim.groundPlane, plane);
    EXPECT_TRUE(plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 1.0 && plane[3] == 0.0);
    EXPECT_EQ(dGeomGetSpace(w().sim.groundPlane), w().sim.space);
}

TEST(PhysicsBringUp, ShutDownReleasesEverythingAndToleratesANeverStartedWorld)
{
    Simulation never;
    shutDownPhysics(never);

    Simulation full;
    const WorldSettings settings;
    {
        full.random.seed(5);
        PhysicsSession session(full, settings, true);
        EXPECT_EQ(full.population.size(), 10u);
    }
    EXPECT_TRUE(full.population.empty());
    EXPECT_FALSE(full.walls.exist);
    EXPECT_TRUE(!full.contactGroup && !full.world && !full.space);
}

namespace {

// A creature put down among others lands clear of every one of them, inside
// the ground, on the same spot every time.
TEST_F(Arena, AClearSpotKeepsItsDistanceFromEveryCreatureAndStaysOnTheGround)
{
    Simulation& sim = w().sim;
    std::vector<Agent*> all;
    for (Agent& a : sim.population)
        all.push_back(&a);
    ASSERT_GE(all.size(), 4u);
    // A crowd round the origin, and the rest far off.
    const double crowd[][2] = {{0, 0}, {2, 0}, {-2, 1}, {0, -3}};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i]->centre = MY_VECTOR3{i < 4 ? crowd[i][0] : 40.0, i < 4 ? crowd[i][1] : 40.0, 1.0};
    const struct {
        double x, y, ground;
        bool found;
        bool moved;
    } cases[] = {
        {0, 0, 60, true, true},     // on the crowd
        {20, -20, 60, true, false}, // clear already
        {80, 0, 60, true, true},    // beyond the ground
        {40, 40, 60, true, true},   // on the far ones
        {0, 0, 4, false, false},    // no room on a tiny ground: the point as it was
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        double x = c.x, y = c.y;
        EXPECT_EQ(findClearSpot(sim, c.ground, x, y), c.found);
        EXPECT_EQ(x != c.x || y != c.y, c.moved);
        EXPECT_LE(std::fabs(x), c.ground);
        EXPECT_LE(std::fabs(y), c.ground);
        double again_x = c.x, again_y = c.y;
        findClearSpot(sim, c.ground, again_x, again_y);
        EXPECT_EQ(again_x, x);
        EXPECT_EQ(again_y, y);
        if (!c.found)
            continue;
        EXPECT_LE(std::fabs(x), c.ground - kEdgeMargin);
        for (const Agent* a : all)
            EXPECT_GE(std::hypot(a->centre.x - x, a->centre.y - y), kClearance);
    }
}

} // namespace
