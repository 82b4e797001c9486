// The foods: points on the ground that grow over time and are eaten.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <vector>

#include "base/shared_types.h"

class Random;

struct AimPointHander {
    double timer = 0.0; // time since the last food grew
    std::vector<AimPoint> foods;
    AimPoint* eaten = nullptr; // the food eaten in the current step

    // Empties the store.
    void reset();
    // Removes the eaten food (the last one takes its place) and grows a new
    // one, within the central 0.64 groundSize square, each time more than
    // foodInterval seconds have passed.
    void update(double h, int foodInterval, double groundSize, Random& random);
    // Nearest food to a point in 3-D; the first food when the store is empty
    // is undefined, so callers check for foods first.
    AimPoint* nearestFood(const MY_VECTOR3& point);
};
