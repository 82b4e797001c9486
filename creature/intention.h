// What a creature goes for: a food, a mate, or nothing.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include "base/shared_types.h"

struct Agent;

struct Intention {
    enum Mode : int { None = 0, Food = 1, Mate = 2, NoTarget = 3 };

    int mode = None;
    Agent* partner = nullptr; // mode Mate
    AimPoint* food = nullptr; // mode Food; valid until the next food update

    // Position the intention points at: the food, the partner's centre, or
    // the origin.
    MY_VECTOR3 target() const;
};
