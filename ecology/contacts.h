// Collision handling: which geom pairs may touch, the touch marks they leave
// on creatures, and the contact joints with each pair kind's surface.
#pragma once

#include <ode/ode.h>

struct World;

// ODE near callback; `data` is the World whose step runs the collision.
void nearCallback(void* data, dGeomID o1, dGeomID o2);

// Soft ERP and CFM of a spring of stiffness 200 with damping 50 at step h.
double groundSoftErp(double h);
double groundSoftCfm(double h);
