// The movement store: what a creature has learnt about which movements carry
// its body in which direction, measured in its own frame.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <list>

#include "base/shared_types.h"
#include "creature/gene.h"

class Random;

// Signed angle from u to v in radians, 0 for degenerate input and for
// results outside (-3.14159265358979, 3.14159265358979).
double signedAngle(const MY_VECTOR2& u, const MY_VECTOR2& v);

// Direction of w measured from the x axis.
double dirAngle(const MY_VECTOR2& w);

// Sector 0..7 of an angle in [-pi, pi); out-of-range angles are clamped.
int angleSector(double angle);

struct AlgLearanAction {
    static constexpr int kInitialMoves = 32;
    static constexpr int kPerSector = 4;

    // One learnt movement and the displacement it achieved.
    struct DeltaMove {
        double meanX = 0.0;   // mean forward displacement per cycle
        double meanY = 0.0;   // mean leftward displacement per cycle
        double meanSqX = 0.0; // mean of squared forward displacements
        double meanSqY = 0.0; // mean of squared leftward displacements
        Gene gene;            // the movement's poses
        int count = 0;        // cycles folded in
        double angle = 0.0;   // direction of (meanX, meanY)

        // A movement seen once, with displacement e.
        static DeltaMove firstSeen(const Gene& g, const MY_VECTOR2& e);
    };

    std::list<DeltaMove> moves;

    // Empties the store and fills it with 32 random movements, four per
    // sector, whose genes take the counts of the given gene.
    void reset(const Gene& gene, Random& random);
    // Chooses the movement pointing best towards d (body frame); may first
    // append a fresh movement for a thin sector. Null only for an empty store.
    DeltaMove* selectMove(const MY_VECTOR2& d, Random& random);
    // Appends a fresh random movement in the direction of d when d's sector
    // holds fewer than four, so every wanted direction has candidates.
    void fillSector(const MY_VECTOR2& d, Random& random);
    // Folds the displacement e achieved by `tried` into it, or, when tried is
    // null, stores gene g as a new movement and prunes over-full sectors.
    void recordMove(DeltaMove* tried, const Gene& g, const MY_VECTOR2& e);
};
