// Rating the movements of a store, for the improved learning: a movement is
// worth its mean displacement per phase second (progress is measured per
// phase second), with the length of that mean shrunk towards a prior by its
// number of samples, so a movement that got lucky once does not outrank one
// measured many times, and an untried movement is worth the prior instead of
// the unit length it starts with.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include "creature/movement_store.h"

struct MovementRating {
    double prior = 0.0;       // strength of an untried movement
    double priorWeight = 0.0; // samples the prior counts as
};

// Strength of a tried movement: the length of its mean displacement per
// phase second.
double movementStrength(const AlgLearanAction::DeltaMove& m);

// The median strength of the tried movements, or `fallback` when none is
// tried.
double medianStrength(const AlgLearanAction& store, double fallback);

// The rated strength of a movement: (n * strength + w * prior) / (n + w)
// for n samples, the prior for an untried one.
double ratedStrength(const AlgLearanAction::DeltaMove& m, const MovementRating& r);

// Rated strength times the cosine between the movement's direction and d:
// the progress per phase second it promises towards d.
double ratedProjection(const AlgLearanAction::DeltaMove& m, const MY_VECTOR2& d,
                       const MovementRating& r);

// The movement with the largest rated projection on d (the first among
// equals); only tried ones when `triedOnly`. Null when there is none.
AlgLearanAction::DeltaMove* bestRated(AlgLearanAction& store, const MY_VECTOR2& d,
                                      const MovementRating& r, bool triedOnly);

// Number of tried movements.
int triedMovements(const AlgLearanAction& store);

// Folds displacement e into `tried`, or stores gene g as a new movement when
// it is null, and then cuts every sector holding more than four movements
// back to four, the lowest rated first; `keep` is never removed.
void recordRated(AlgLearanAction& store, AlgLearanAction::DeltaMove* tried, const Gene& g,
                 const MY_VECTOR2& e, const MovementRating& r,
                 const AlgLearanAction::DeltaMove* keep);
