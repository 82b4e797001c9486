// Small value records shared by every subsystem.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

struct MY_VECTOR3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

struct MY_VECTOR2 {
    double x = 0.0;
    double y = 0.0;
};

// One food on the ground: creatures aim at it and eat it.
struct AimPoint {
    MY_VECTOR3 position; // z is always 0
};
