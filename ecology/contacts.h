// Collision handling: which geom pairs may touch, the touch marks they leave
// on creatures, and the contact joints with each pair kind's surface.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <ode/ode.h>

struct Simulation;
struct WorldSettings;

// What the near callback works on: the world whose step runs the
// collision, and its settings.
struct ContactContext {
    Simulation* sim;
    const WorldSettings* settings;
};

// ODE near callback; `data` is a ContactContext.
void nearCallback(void* data, dGeomID o1, dGeomID o2);

// Soft ERP and CFM of a spring of stiffness 200 with damping 50 at step h.
double groundSoftErp(double h);
double groundSoftCfm(double h);
