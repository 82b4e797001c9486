// Picking by ray casting: the cursor's ray is intersected with every tagged
// primitive as the picking pass submits it, and the nearest hit wins. This
// gives the answer of a colour-ID render in microseconds instead of a whole
// extra frame.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

#include "drawlib/view_math.h"

// Distance along the ray to the first hit in front of its origin, or a
// negative value for a miss. Rotations are ODE 3x4 matrices; a capsule's
// axis is its local z, `length` its cylinder length without the caps.
double raySphere(const Ray& ray, const double centre[3], double radius);
double rayCapsule(const Ray& ray, const double pos[3], const double R[12], double length,
                  double radius);
double rayBox(const Ray& ray, const double pos[3], const double R[12], const double sides[3]);

// The nearest named hit of one picking pass.
class RayPicker {
public:
    void begin(const Ray& ray)
    {
        ray_ = ray;
        best_ = -1.0;
        name_ = nullptr;
        active_ = true;
    }
    void end() { active_ = false; }
    bool active() const { return active_; }
    const Ray& ray() const { return ray_; }
    // Takes a hit at distance t for the given name when it is the nearest yet.
    void offer(const void* name, double t)
    {
        if (t >= 0.0 && name && (best_ < 0.0 || t < best_)) {
            best_ = t;
            name_ = name;
        }
    }
    const void* result() const { return name_; }

private:
    Ray ray_{};
    double best_ = -1.0;
    const void* name_ = nullptr;
    bool active_ = false;
};
