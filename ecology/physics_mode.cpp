#include "ecology/physics_mode.h"

#include <vector>

#include "ecology/world.h"

namespace {

bool fast(const World& w)
{
    return w.physics == static_cast<int>(PhysicsMode::Fast);
}

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

} // namespace

dSpaceID bodySpace(World& w)
{
    if (!fast(w) || !w.creatureSpace)
        return w.space;
    dSpaceID own = dSimpleSpaceCreate(w.creatureSpace);
    // Destroyed with the creature space or when found empty; the parts are
    // the creature's to destroy.
    dSpaceSetCleanup(own, 0);
    return own;
}

void arrangeSpaces(World& w)
{
    if (!w.creatureSpace)
        return;
    if (w.physicsArranged != w.physics) {
        for (auto& a : w.population) {
            const bool own = a.space && a.space != w.space;
            if (fast(w) && !own)
                moveParts(a, bodySpace(w));
            else if (!fast(w) && own)
                moveParts(a, w.space);
        }
        w.physicsArranged = w.physics;
    }
    // Spaces of creatures that are gone.
    std::vector<dSpaceID> empty;
    const int n = dSpaceGetNumGeoms(w.creatureSpace);
    for (int i = 0; i < n; ++i) {
        dGeomID g = dSpaceGetGeom(w.creatureSpace, i);
        if (dGeomIsSpace(g) && dSpaceGetNumGeoms(reinterpret_cast<dSpaceID>(g)) == 0)
            empty.push_back(reinterpret_cast<dSpaceID>(g));
    }
    for (dSpaceID s : empty)
        dSpaceDestroy(s);
}

void collideWorld(World& w, void* data, dNearCallback* callback)
{
    if (!fast(w) || !w.creatureSpace) {
        dSpaceCollide(w.space, data, callback);
        return;
    }
    Traversal t{data, callback};
    dSpaceCollide(w.space, data, callback);
    dSpaceCollide2(reinterpret_cast<dGeomID>(w.space), reinterpret_cast<dGeomID>(w.creatureSpace),
                   &t, &descend);
    dSpaceCollide(w.creatureSpace, &t, &descend);
    const int n = dSpaceGetNumGeoms(w.creatureSpace);
    for (int i = 0; i < n; ++i) {
        dGeomID g = dSpaceGetGeom(w.creatureSpace, i);
        if (dGeomIsSpace(g))
            dSpaceCollide(reinterpret_cast<dSpaceID>(g), data, callback);
    }
}
