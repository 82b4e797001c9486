// The physics engine's own generator, one per thread.
//
// ODE draws random numbers while it solves (the quick-step solver reorders
// its constraints with dRandInt), from one generator state for the whole
// process. Worlds stepped side by side on several threads would then draw
// from each other's sequence, and no run would repeat. This file defines
// ODE's generator functions (dRand, dRandInt, dRandReal, dRandGetSeed,
// dRandSetSeed) with the very same arithmetic but a state for each thread;
// the executable's definitions take the place of the library's for every
// call, ODE's own included. Each world keeps its state between its steps
// (Simulation::solverSeed) and hands it to its thread's generator for the
// step, so a world draws the same numbers whichever thread steps it and
// whatever steps beside it.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <cstdint>

// Whether the calling thread's generator is the one ODE uses: true when the
// definitions here took the library's place (checked by drawing through the
// library's dispatch).
bool solverRandomIsPerThread();
