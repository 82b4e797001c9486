// The two physics set-ups. The specified one puts every geom in one hash
// space and collides it whole. The fast one keeps the ground and the walls
// in that space but gives every creature a space of its own inside a
// sweep-and-prune space, so the broad phase sorts a few hundred creature
// boxes instead of hashing thousands of parts, and collides:
//   the ground and the walls with each other (as before),
//   the ground and the walls with every creature's parts,
//   the creatures with each other (part with part, creature boxes that meet),
//   each creature's own parts with each other.
// The same pairs meet in both set-ups; only their order differs, so a run
// under the fast physics is a different run of the same world.
#pragma once

#include <ode/ode.h>

struct World;

enum class PhysicsMode : int {
    Specified = 0,
    Fast = 1,
};

// The space a creature's body is built in under the world's physics: the
// world's space, or a new space of its own under the fast physics.
dSpaceID bodySpace(World& w);

// Puts every creature's parts where the world's physics wants them (after
// the setting changed), and removes creature spaces left empty by creatures
// that died. Cheap when nothing is to be done.
void arrangeSpaces(World& w);

// Calls `callback` for every pair of geoms whose boxes meet, as the world's
// physics finds them (the near callback then tests the pair).
void collideWorld(World& w, void* data, dNearCallback* callback);
