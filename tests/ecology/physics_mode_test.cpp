// The fast physics set-up: the same pairs of geoms meet as in the specified
// one, creatures keep their spaces through births, deaths and a change of
// set-up, and a run under it goes on as a living world.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "app/arena.h"
#include "ecology/contacts.h"
#include "ecology/physics_mode.h"
#include "ecology/world.h"
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
        w().physics = mode;
        arrangeSpaces(w());
        Recorder r;
        collideWorld(w(), &r, &record);
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
    w().simData.groundSize = 8;
    w().physics = 1;
    resetWorld(w());
    scene->step(400);
    ASSERT_GE(w().population.size(), 30u);
    for (const Agent& a : w().population)
        EXPECT_NE(a.space, w().space) << "a creature built under the fast physics has its own";

    const auto fast = touchingUnder(1);
    const auto specified = touchingUnder(0);
    EXPECT_EQ(fast, specified);
    for (const Agent& a : w().population)
        EXPECT_EQ(a.space, w().space);

    // Every kind of pair is among them.
    int kinds[4] = {0, 0, 0, 0}; // two creatures, own parts, ground, wall
    for (const auto& [g1, g2] : fast) {
        const Agent *a1 = ownerOf(g1), *a2 = ownerOf(g2);
        if (a1 && a2)
            ++kinds[a1 == a2 ? 1 : 0];
        else if (g1 == w().groundPlane || g2 == w().groundPlane)
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
    w().physics = 1;
    scene->step(1200);
    arrangeSpaces(w());
    std::set<dSpaceID> spaces;
    for (const Agent& a : w().population) {
        spaces.insert(a.space);
        EXPECT_EQ(dGeomGetSpace(reinterpret_cast<dGeomID>(a.space)), w().creatureSpace);
    }
    EXPECT_EQ(spaces.size(), w().population.size());
    EXPECT_EQ(dSpaceGetNumGeoms(w().creatureSpace), static_cast<int>(w().population.size()));
    EXPECT_GT(w().counters.cycles.cycles, 0);
}

} // namespace
