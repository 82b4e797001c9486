// Finding the creature part under the cursor: a hit on a part, a ray beside
// it within the slack and beyond it, the ring of the followed creature, the
// creatures passed over by their bounding spheres, and parts that are gone.
#include <gtest/gtest.h>

#include <cmath>

#include "drawlib/ray_pick.h"
#include "support/ode_fixture.h"
#include "ui/creature_pick.h"
#include "ui/draw_world.h"

namespace {

class CreaturePickTest : public WorldTest {
protected:
    void SetUp() override { makeScene(4242, 1); }

    // The highest point of the creature's surface.
    static void top(const Agent& a, double t[3])
    {
        t[2] = -1e9;
        for (const BodyPart& p : a.parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dGeomGetPosition(p.geom);
            const dReal* R = dGeomGetRotation(p.geom);
            // The end of the capsule's axis that is higher, then its radius up.
            const double half = p.shape == 1 ? p.length / 2 : 0.0;
            const double s = R[10] >= 0 ? half : -half;
            const double q[3] = {pos[0] + R[2] * s, pos[1] + R[6] * s, pos[2] + R[10] * s + p.radius};
            if (q[2] > t[2])
                for (int i = 0; i < 3; ++i)
                    t[i] = q[i];
        }
    }

    static Ray ray(double x, double y, double z, double dx, double dy, double dz)
    {
        const double n = std::sqrt(dx * dx + dy * dy + dz * dz);
        return Ray{{x, y, z}, {dx / n, dy / n, dz / n}};
    }

    CreaturePicker picker;
};

TEST_F(CreaturePickTest, AHitOnAPartAndARayBesideItWithinTheSlackOrNot)
{
    Agent& a = creature(0);
    // Straight down through a part: that part or one above it on the way.
    const BodyPart& root = a.parts[0];
    const dReal* p = dGeomGetPosition(root.geom);
    const Ray down = ray(p[0], p[1], p[2] + 20, 0, 0, -1);
    BodyPart* hit = picker.pick(w().sim.population, nullptr, down, 0.0);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->owner, &a);
    EXPECT_GE(rayCapsule(down, dGeomGetPosition(hit->geom), dGeomGetRotation(hit->geom),
                         hit->length, hit->radius),
              0.0);

    // Level rays over the highest point, from 20 units away: found when
    // the slack at that distance covers the gap (every part lies lower).
    double t[3] = {0.0, 0.0, 0.0};
    top(a, t);
    struct Case { double gap, slack; bool found; };
    for (const Case& c : {Case{0.05, 0.01, true}, Case{0.5, 0.01, false}, Case{0.01, 0.0, false},
                          Case{0.3, 0.02, true}, Case{0.3, 0.01, false}}) {
        SCOPED_TRACE(std::to_string(c.gap) + " above, slack " + std::to_string(c.slack));
        const Ray level = ray(t[0] - 20, t[1], t[2] + c.gap, 1, 0, 0);
        BodyPart* near = picker.pick(w().sim.population, nullptr, level, c.slack);
        EXPECT_EQ(near != nullptr, c.found);
        if (near) {
            EXPECT_EQ(near->owner, &a);
        }
    }
}

TEST_F(CreaturePickTest, TheRingOfTheFollowedCreatureAndPartsThatAreGone)
{
    Agent& a = creature(0);
    const double radius = creatureReach(a) + 0.4;
    // Down onto the ground on the ring: the followed creature, not another.
    const Ray onRing = ray(a.centre.x + radius, a.centre.y, 10, 0, 0, -1);
    BodyPart* part = picker.pick(w().sim.population, &a, onRing, 0.0);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->owner, &a);
    EXPECT_EQ(picker.pick(w().sim.population, nullptr, onRing, 0.0), nullptr);
    // Between the creature and its ring: nothing.
    const Ray inside = ray(a.centre.x + radius - 0.3, a.centre.y, 10, 0, 0, -1);
    EXPECT_EQ(picker.pick(w().sim.population, &a, inside, 0.0), nullptr);

    // A part that no longer exists is never found, even straight through it.
    BodyPart& root = a.parts[0];
    const dReal* p = dGeomGetPosition(root.geom);
    const Ray down = ray(p[0], p[1], p[2] + 20, 0, 0, -1);
    for (BodyPart& q : a.parts)
        if (&q != &root)
            q.exists = false;
    EXPECT_EQ(picker.pick(w().sim.population, nullptr, down, 0.0), &root);
    root.exists = false;
    EXPECT_EQ(picker.pick(w().sim.population, nullptr, down, 0.05), nullptr);
}

TEST_F(CreaturePickTest, CreaturesTheRayDoesNotComeNearAreNotWalked)
{
    makeScene(4242, 30);
    // Far above the arena looking up: no creature is looked at.
    EXPECT_EQ(picker.pick(w().sim.population, nullptr, ray(0, 0, 50, 0, 0, 1), 0.01), nullptr);
    EXPECT_EQ(picker.creaturesWalked(), 0);
    // Straight down onto one creature: it is found, and few others are walked.
    Agent& a = creature(7);
    const dReal* p = dGeomGetPosition(a.parts[0].geom);
    BodyPart* hit = picker.pick(w().sim.population, nullptr, ray(p[0], p[1], 60, 0, 0, -1), 0.0);
    ASSERT_NE(hit, nullptr);
    EXPECT_GE(picker.creaturesWalked(), 1);
    EXPECT_LE(picker.creaturesWalked(), 5);
    // The slack a pixel gives: the view's height spans twice the tangent of
    // half its vertical angle.
    EXPECT_NEAR(pixelSlack(800, 600, 600), 2.0 * 0.75, 1e-6);
    EXPECT_NEAR(pixelSlack(600, 800, 4), 2.0 / 800 * 4, 1e-9);
    EXPECT_EQ(pixelSlack(0, 600, 4), 0.0);
}

} // namespace
