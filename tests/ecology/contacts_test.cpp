// Contact handling: which pairs may touch, the touch marks, the ground
// cut-off near the edge, and the surface of each pair kind, seen through the
// contact joints created and through the motion they cause.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <list>
#include <vector>

#include "ecology/contacts.h"
#include "support/ode_fixture.h"

namespace {

int contactsOn(dBodyID b)
{
    int n = 0;
    for (int i = 0; i < dBodyGetNumJoints(b); ++i)
        n += dJointGetType(dBodyGetJoint(b, i)) == dJointTypeContact ? 1 : 0;
    return n;
}

void upright(dBodyID b, double x, double y, double z)
{
    dMatrix3 R;
    dRSetIdentity(R);
    dBodySetRotation(b, R);
    dBodySetPosition(b, x, y, z);
    dBodySetLinearVel(b, 0, 0, 0);
    dBodySetAngularVel(b, 0, 0, 0);
}

} // namespace

class Contacts : public WorldTest {
protected:
    // A box body; with an owner it counts as a part of that creature.
    BodyPart& probe(double sx, double sy, double sz, double mass, Agent* owner, double x, double y,
                    double z)
    {
        probes.emplace_back();
        BodyPart& p = probes.back();
        const double sides[3] = {sx, sy, sz};
        makeBox(w().sim.world, w().sim.space, p, sides, mass);
        p.owner = owner;
        dBodySetData(p.body, owner ? &p : nullptr);
        upright(p.body, x, y, z);
        return p;
    }

    // What the near callback is handed: the world and its settings.
    ContactContext* context()
    {
        contactContext = ContactContext{&w().sim, &w().settings};
        return &contactContext;
    }
    ContactContext contactContext{nullptr, nullptr};

    // Steps only this pair for n steps and returns the slider's x velocity.
    double slide(BodyPart& slider, dGeomID floor, int n)
    {
        // The solver's generator as the world's step hands it over.
        dRandSetSeed(w().sim.solverSeed);
        for (int i = 0; i < n; ++i) {
            dJointGroupEmpty(w().sim.contactGroup);
            nearCallback(context(), slider.geom, floor);
            lastContacts = contactsOn(slider.body);
            dWorldQuickStep(w().sim.world, w().sim.stepSize);
        }
        dJointGroupEmpty(w().sim.contactGroup);
        return dBodyGetLinearVel(slider.body)[0];
    }

    void TearDown() override
    {
        if (scene) {
            dJointGroupEmpty(w().sim.contactGroup);
            for (BodyPart& p : probes) {
                dBodyDestroy(p.body);
                dGeomDestroy(p.geom);
            }
        }
        probes.clear();
        WorldTest::TearDown();
    }

    std::list<BodyPart> probes;
    Agent ownerA, ownerB;
    int lastContacts = 0;
};

TEST_F(Contacts, JointedPartsNeverTouchUnjoinedPartsTouchWithoutMarks)
{
    bool sawJoined = false, sawUnjoined = false;
    for (Agent& a : w().sim.population) {
        std::vector<int> present;
        for (int i = 0; i < static_cast<int>(a.parts.size()); ++i)
            if (a.parts[i].exists)
                present.push_back(i);
        for (size_t x = 0; x < present.size(); ++x) {
            for (size_t y = x + 1; y < present.size(); ++y) {
                BodyPart& p = a.parts[present[x]];
                BodyPart& q = a.parts[present[y]];
                const bool joined = dAreConnected(p.body, q.body);
                if ((joined && sawJoined) || (!joined && sawUnjoined))
                    continue;
                // Parallel, side by side, overlapping.
                upright(p.body, 30, 30, 10);
                upright(q.body, 30, 30 + 0.5 * (p.radius + q.radius), 10);
                dContactGeom probeContacts[8];
                ASSERT_GT(dCollide(p.geom, q.geom, 8, probeContacts, sizeof(dContactGeom)), 0);
                dJointGroupEmpty(w().sim.contactGroup);
                a.disturbed = false;
                nearCallback(context(), p.geom, q.geom);
                if (joined)
                    EXPECT_EQ(contactsOn(p.body), 0);
                else
                    EXPECT_GT(contactsOn(p.body), 0);
                EXPECT_FALSE(a.disturbed);
                (joined ? sawJoined : sawUnjoined) = true;
            }
        }
    }
    EXPECT_TRUE(sawJoined);
    EXPECT_TRUE(sawUnjoined);
}

TEST_F(Contacts, DifferentCreaturesMarkEachOtherOnProximityAlone)
{
    auto it = w().sim.population.begin();
    Agent& A = *it++;
    Agent& B = *it++;
    Agent& C = *it;
    BodyPart& pa = A.parts[0];
    BodyPart& pb = B.parts[0];
    upright(pa.body, 0, 0, 10);
    upright(pb.body, 0, pa.radius + pb.radius + 1.0, 10);
    A.disturbed = B.disturbed = C.disturbed = false;
    nearCallback(context(), pa.geom, pb.geom);
    EXPECT_EQ(contactsOn(pa.body), 0);
    EXPECT_TRUE(A.disturbed);
    EXPECT_TRUE(B.disturbed);
    EXPECT_FALSE(C.disturbed);

    // Overlapping: contacts join the two bodies in the callback's order.
    A.disturbed = B.disturbed = false;
    upright(pb.body, 0, 0.5 * (pa.radius + pb.radius), 10);
    nearCallback(context(), pa.geom, pb.geom);
    EXPECT_TRUE(A.disturbed && B.disturbed);
    ASSERT_GT(contactsOn(pa.body), 0);
    for (int i = 0; i < dBodyGetNumJoints(pa.body); ++i) {
        const dJointID j = dBodyGetJoint(pa.body, i);
        if (dJointGetType(j) != dJointTypeContact)
            continue;
        EXPECT_EQ(dJointGetBody(j, 0), pa.body);
        EXPECT_EQ(dJointGetBody(j, 1), pb.body);
    }

    // A wall block touches but does not disturb.
    dJointGroupEmpty(w().sim.contactGroup);
    A.disturbed = false;
    const BodyPart& wall = w().sim.walls.blocks[0];
    upright(pa.body, 0, dBodyGetPosition(wall.body)[1], -0.05);
    nearCallback(context(), wall.geom, pa.geom);
    EXPECT_GT(contactsOn(pa.body), 0);
    EXPECT_FALSE(A.disturbed);
}

TEST_F(Contacts, GroundCutOffFollowsTheDistanceToTheEdge)
{
    makeScene(4242, 0);
    const double S = w().settings.groundSize;
    BodyPart& p = probe(0.4, 0.4, 0.4, 1.0, &ownerA, 0, 0, 0);
    struct Case {
        double x, y, z;
        bool allowed;  // inside the cut-off: marked, may touch
        bool touching; // the box reaches below z = 0
    };
    const Case cases[] = {
        {0, 0, 0.1, true, true},
        {0, 0, 3.0, true, false}, // marked although no contact results
        {S + 0.05, 0, 0.1, false, true},
        {0, -S - 0.05, 0.1, false, true},
        {S - 1, 5, -0.05, true, true}, // edge distance 1: limit -0.1
        {S - 1, 5, -0.15, false, true},
        {-S + 0.5, 0, -0.049, true, true}, // edge distance 0.5: limit -0.05
        {-S + 0.5, 0, -0.051, false, true},
        {0, 0, -0.1 * S + 0.01, true, true}, // centre: limit -0.1 S
        {0, 0, -0.1 * S - 0.01, false, true},
        {10, -20, -3.99, true, true}, // edge distance 40
        {10, -20, -4.01, false, true},
    };
    for (const Case& c : cases) {
        for (int order = 0; order < 2; ++order) {
            dJointGroupEmpty(w().sim.contactGroup);
            p.groundTouch = 0.0;
            upright(p.body, c.x, c.y, c.z);
            if (order == 0)
                nearCallback(context(), w().sim.groundPlane, p.geom);
            else
                nearCallback(context(), p.geom, w().sim.groundPlane);
            const bool expectContacts = c.allowed && c.touching;
            EXPECT_EQ(contactsOn(p.body) > 0, expectContacts)
                << c.x << "," << c.y << "," << c.z << " order " << order;
            EXPECT_EQ(p.groundTouch, c.allowed ? 1.0 : 0.0)
                << c.x << "," << c.y << "," << c.z << " order " << order;
        }
    }
    EXPECT_FALSE(ownerA.disturbed);

    // Wall blocks stand outside the square.
    dJointGroupEmpty(w().sim.contactGroup);
    const BodyPart& wall = w().sim.walls.blocks[1];
    nearCallback(context(), w().sim.groundPlane, wall.geom);
    EXPECT_EQ(contactsOn(wall.body), 0);
}

TEST_F(Contacts, FrictionHoldsAgainstWallsAndGroundButNotBetweenCreatures)
{
    makeScene(4242, 0);
    const int steps = 20;
    auto floor = [&](Agent* owner, double x) -> BodyPart& {
        BodyPart& f = probe(6, 6, 1, 1e6, owner, x, 0, 20);
        dBodySetGravityMode(f.body, 0);
        return f;
    };
    auto slider = [&](double x, double z) -> BodyPart& {
        BodyPart& s = probe(1, 1, 0.2, 1.0, &ownerA, x, 0, z);
        dBodySetLinearVel(s.body, 1, 0, 0);
        return s;
    };
    const double onFloor = 20 + 0.5 + 0.1 - 0.0005;

    BodyPart& wallLike = floor(nullptr, -20);
    EXPECT_LT(std::abs(slide(slider(-20, onFloor), wallLike.geom, steps)), 0.05);
    EXPECT_GT(lastContacts, 0);

    BodyPart& otherCreature = floor(&ownerB, 0);
    EXPECT_GT(slide(slider(0, onFloor), otherCreature.geom, steps), 0.95);
    EXPECT_GT(lastContacts, 0);
    EXPECT_TRUE(ownerA.disturbed && ownerB.disturbed);

    ownerA.disturbed = false;
    BodyPart& sameCreature = floor(&ownerA, 20);
    EXPECT_GT(slide(slider(20, onFloor), sameCreature.geom, steps), 0.95);
    EXPECT_GT(lastContacts, 0);
    EXPECT_FALSE(ownerA.disturbed);

    BodyPart& onGround = slider(0, 0.1 - 0.0005);
    EXPECT_LT(std::abs(slide(onGround, w().sim.groundPlane, steps)), 0.05);
    EXPECT_GT(lastContacts, 0);
    EXPECT_EQ(onGround.groundTouch, 1.0);
}

TEST_F(Contacts, GroundIsASoftSpringWallsAreStiff)
{
    makeScene(4242, 0);
    const double g = 9.800000190734863;
    const double mass = 10.0;

    // Every ground contact is a spring of stiffness 200: at rest the weight
    // spreads over the contacts, each pressed in by its share / 200.
    BodyPart& onGround = probe(1, 1, 0.2, mass, &ownerA, 0, 0, 0.1);
    slide(onGround, w().sim.groundPlane, 200);
    ASSERT_GT(lastContacts, 0);
    const double sunk = 0.1 - dBodyGetPosition(onGround.body)[2];
    const double expected = mass * g / (lastContacts * 200.0);
    EXPECT_NEAR(sunk, expected, 0.05 * expected) << lastContacts << " contacts";

    // Against a wall block the contact is nearly rigid.
    BodyPart& wallLike = probe(6, 6, 1, 1e6, nullptr, 20, 0, 20);
    dBodySetGravityMode(wallLike.body, 0);
    BodyPart& onWall = probe(1, 1, 0.2, mass, &ownerA, 20, 0, 20.6);
    slide(onWall, wallLike.geom, 200);
    ASSERT_GT(lastContacts, 0);
    const double wallTop = dBodyGetPosition(wallLike.body)[2] + 0.5;
    EXPECT_LT(wallTop - (dBodyGetPosition(onWall.body)[2] - 0.1), 1e-3);
}
