#include "ecology/physics_setup.h"

#include "ecology/simulation.h"

namespace {

// Moves a creature's part geoms into another space.
void moveParts(Agent& a, dSpaceID to)
{
    for (auto& p : a.parts) {
        if (!p.exists || !p.geom)
            continue;
        dSpaceRemove(dGeomGetSpace(p.geom), p.geom);
        dSpaceAdd(to, p.geom);
    }
    a.space = to;
}

struct Traversal {
    void* data;
    dNearCallback* callback;
};

// Pairs of the fast traversal: a space met another geom or space (the boxes
// of two creatures, or the ground or a wall and a creature): their contents
// are collided pairwise; two plain geoms go to the near callback.
void descend(void* data, dGeomID o1, dGeomID o2)
{
    Traversal& t = *static_cast<Traversal*>(data);
    if (dGeomIsSpace(o1) || dGeomIsSpace(o2))
        dSpaceCollide2(o1, o2, data, &descend);
    else
        t.callback(t.data, o1, o2);
}

void collideWhole(Simulation& sim, void* data, dNearCallback* callback)
{
    dSpaceCollide(sim.space, data, callback);
}

void collideByCreature(Simulation& sim, void* data, dNearCallback* callback)
{
    Traversal t{data, callback};
    dSpaceCollide(sim.space, data, callback);
    dSpaceCollide2(reinterpret_cast<dGeomID>(sim.space),
                   reinterpret_cast<dGeomID>(sim.creatureSpace), &t, &descend);
    dSpaceCollide(sim.creatureSpace, &t, &descend);
    const int n = dSpaceGetNumGeoms(sim.creatureSpace);
    for (int i = 0; i < n; ++i) {
        dGeomID g = dSpaceGetGeom(sim.creatureSpace, i);
        if (dGeomIsSpace(g))
            dSpaceCollide(reinterpret_cast<dSpaceID>(g), data, callback);
    }
}

const std::vector<PhysicsSetup>& setups()
{
    static const std::vector<PhysicsSetup> table = {
        {"classic", "one hash space for every part", false, collideWhole},
        {"fast",
         "sweep and prune over a space a creature (the same contacts, a faster and different "
         "run)",
         true, collideByCreature},
    };
    return table;
}

// A set-up that needs the creature space only when the world has one (a
// world record not brought up by startUpPhysics collides the classic way).
const PhysicsSetup& usable(const Simulation& sim, PhysicsSetupId id)
{
    const PhysicsSetup& s = physicsSetup(id);
    return s.spacePerCreature && !sim.creatureSpace ? setups().front() : s;
}

} // namespace

const std::vector<PhysicsSetup>& physicsSetups()
{
    return setups();
}

const PhysicsSetup& physicsSetup(PhysicsSetupId id)
{
    const auto i = static_cast<std::size_t>(id);
    return i < setups().size() ? setups()[i] : setups().front();
}

dSpaceID bodySpace(Simulation& sim, PhysicsSetupId setup)
{
    if (!usable(sim, setup).spacePerCreature)
        return sim.space;
    dSpaceID own = dSimpleSpaceCreate(sim.creatureSpace);
    // Destroyed with the creature space or when found empty; the parts are
    // the creature's to destroy.
    dSpaceSetCleanup(own, 0);
    return own;
}

void arrangeSpaces(Simulation& sim, PhysicsSetupId setup)
{
    if (!sim.creatureSpace)
        return;
    if (sim.physicsArranged != setup) {
        const bool perCreature = usable(sim, setup).spacePerCreature;
        for (auto& a : sim.population) {
            const bool own = a.space && a.space != sim.space;
            if (perCreature != own)
                moveParts(a, bodySpace(sim, setup));
        }
        sim.physicsArranged = setup;
    }
    // Spaces of creatures that are gone.
    std::vector<dSpaceID> empty;
    const int n = dSpaceGetNumGeoms(sim.creatureSpace);
    for (int i = 0; i < n; ++i) {
        dGeomID g = dSpaceGetGeom(sim.creatureSpace, i);
        if (dGeomIsSpace(g) && dSpaceGetNumGeoms(reinterpret_cast<dSpaceID>(g)) == 0)
            empty.push_back(reinterpret_cast<dSpaceID>(g));
    }
    for (dSpaceID s : empty)
        dSpaceDestroy(s);
}

void collideWorld(Simulation& sim, PhysicsSetupId setup, void* data, dNearCallback* callback)
{
    usable(sim, setup).collide(sim, data, callback);
}
