// The foods: points on the ground that grow over time and are eaten.
#pragma once

#include <vector>

#include "app/base/shared_types.h"
#include "app/base/sim_data.h"

struct AimPointHander {
    double timer = 0.0; // time since the last food grew
    std::vector<AimPoint> foods;
    AimPoint* eaten = nullptr;   // the food eaten in the current step
    SimData* settings = nullptr; // source of foodInterval and groundSize

    // Empties the store and points it at the settings.
    void reset(SimData* simData);
    // Removes the eaten food (the last one takes its place) and grows a new
    // one each time more than foodInterval seconds have passed.
    void update(double h);
    // Nearest food to a point in 3-D; the first food when the store is empty
    // is undefined, so callers check for foods first.
    AimPoint* nearestFood(const MY_VECTOR3& point);
};
