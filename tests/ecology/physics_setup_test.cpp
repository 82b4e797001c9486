// The fast physics set-up: the same pairs of geoms meet as in the classic
// one, creatures keep their spaces through births, deaths and a change of
// set-up, and a run under it goes on as a living world.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "ecology/arena.h"
#include "ecology/contacts.h"
#include "ecology/physics_setup.h"
#include "ui/world.h"
#include "support/ode_fixture.h"

namespace {

using Pair = std::pair<dGeomID, dGeomID>;

struct Recorder {
    std::multiset<Pair> touching; // pairs with at least one contact point
};

// Tests the pair as the step's near callback would, without making joints.
void record(void* data, dGeomID o1, dGeomID o2)
{
    const dBodyID b1 = dGeomGetBody(o1), b2 = dGeomGetBody(o2);
    if (b1 && b2 && dAreConnected(b1, b2))
        return;
    dContactGeom c[8];
    if (dCollide(o1, o2, 8, c, sizeof(dContactGeom)) > 0)
        static_cast<Recorder*>(data)->touching.insert(std::minmax(o1, o2));
}

class PhysicsMode : public WorldTest {
protected:
    std::multiset<Pair> touchingUnder(int mode)
    {
        w().settings.physics = static_cast<PhysicsSetupId>(mode);
        arrangeSpaces(w().sim, w().settings.physics);
        Recorder r;
        collideWorld(w().sim, w().settings.physics, &r, &record);
        return r.touching;
    }
    // The owner of a geom's body: a creature, or none (ground, walls).
    const Agent* ownerOf(dGeomID g)
    {
        const dBodyID b = dGeomGetBody(g);
        const BodyPart* p = b ? static_cast<const BodyPart*>(dBodyGetData(b)) : nullptr;
        return p ? p->owner : nullptr;
    }
};

TEST_F(PhysicsMode, TheSamePairsMeetAndTheWorldLivesOn)
{
    // A crowded small arena: creatures touch each other, their own parts,
    // the ground and the walls.
    makeScene(515, 40);
    w().settings.groundSize = 8;
    w().settings.physics = PhysicsSetupId::Fast;
    resetWorld(w().sim, w().settings);
    scene->step(400);
    ASSERT_GE(w().sim.population.size(), 30u);
    for (const Agent& a : w().sim.population)
        EXPECT_NE(a.space, w().sim.space) << "a creature built under the fast physics has its own";

    const auto fast = touchingUnder(1);
    const auto classic = touchingUnder(0);
    EXPECT_EQ(fast, classic);
    for (const Agent& a : w().sim.population)
        EXPECT_EQ(a.space, w().sim.space);

    // Every kind of pair is among them.
    int kinds[4] = {0, 0, 0, 0}; // two creatures, own parts, ground, wall
    for (const auto& [g1, g2] : fast) {
        const Agent *a1 = ownerOf(g1), *a2 = ownerOf(g2);
        if (a1 && a2)
            ++kinds[a1 == a2 ? 1 : 0];
        else if (g1 == w().sim.groundPlane || g2 == w().sim.groundPlane)
            ++kinds[2];
        else if (a1 || a2)
            ++kinds[3];
    }
    EXPECT_GT(kinds[0], 0);
    EXPECT_GT(kinds[1], 0);
    EXPECT_GT(kinds[2], 0);
    EXPECT_GT(kinds[3], 0);

    // Back to fast: every creature in a space of its own inside the creature
    // space, and as many spaces as creatures once the dead are swept.
    w().settings.physics = PhysicsSetupId::Fast;
    scene->step(1200);
    arrangeSpaces(w().sim, w().settings.physics);
    std::set<dSpaceID> spaces;
    for (const Agent& a : w().sim.population) {
        spaces.insert(a.space);
        EXPECT_EQ(dGeomGetSpace(reinterpret_cast<dGeomID>(a.space)), w().sim.creatureSpace);
    }
    EXPECT_EQ(spaces.size(), w().sim.population.size());
    EXPECT_EQ(dSpaceGetNumGeoms(w().sim.creatureSpace), static_cast<int>(w().sim.population.size()));
    EXPECT_GT(w().sim.counters.cycles.cycles, 0);
}

} // namespace
