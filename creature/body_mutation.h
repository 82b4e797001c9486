// Variation of the body at birth: a child's body is its parent's changed a
// little, now and then in its structure, so most children stay close to
// their parent (what it learnt with its body still carries them) while a
// line drifts far over many generations.
//
// At strength s (the world's bodyMutation; 0 changes nothing and draws no
// random number), a child's body:
//   - each value that sizes or poses it (the two body scales, each part's
//     length and radius, each joint's rest target and gain: 120 values) moves
//     with probability 0.05 s by a uniform step of up to a tenth of its row's
//     range, kept within the row's bounds: some six small changes a child at
//     s = 1, a body distance of about 0.3;
//   - with probability 0.04 s a part appears or disappears (any part but the
//     root and the heading part; one that appears takes the size its genome
//     already holds, and hangs where the tree's bridging puts it);
//   - with probability 0.04 s a joint moves to another face of its parent or
//     child part;
//   - with probability 0.02 s a joint's hinge axis turns between (1, 0, 0)
//     and (1, 1, 0).
// Probabilities above 1 count as 1.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include "creature/movement_store.h"

class Random;
struct BodyShape;

// Changes the body rows of g as above; the other rows stay as they are.
// Returns the number of changes made.
int mutateBody(Gene& g, double strength, Random& random);

// Makes a store learnt with the body `before` fit the body `after`: every
// joint `after` has and `before` lacked holds its rest pose in every stored
// movement (it starts still, and learning moves it from there); movements of
// joints that `after` lacks stay in the store unused, as for any missing
// joint. `body` is the genome of `after`.
void fitStore(AlgLearanAction& store, const Gene& body, const BodyShape& before,
              const BodyShape& after);
