// The numbers of the creatures' life: energy, feeding, mating, falling and
// dying. The world record holds one record of them; its defaults are the
// rules the simulation is made with, and a new rule adds a field here rather
// than a number in the code.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

struct EcologyParams {
    // Energy every creature loses in every step, dying ones included.
    double energyDecay = 4e-5;
    // Energy gained by eating one food.
    double foodEnergy = 0.375;
    // Squared distance between a creature's centre and its food at which it
    // eats, and between it and its partner at which they mate.
    double eatRangeSquared = 4.0;
    double mateRangeSquared = 16.0;
    // Energy the initiating parent gives up for a child.
    double matingCost = 1.0;
    // A child's energy: base plus spread times a uniform draw.
    double childEnergyBase = 1.25;
    double childEnergySpread = 0.5;
    // A child starts this fraction of the way from its initiating parent to
    // the partner, and this much higher.
    double childPlacement = 0.3;
    double childLift = 1.0;
    // Height at which refill creatures start.
    double refillHeight = 3.0;
    // A living creature whose centre is below this height has fallen.
    double fallDepth = -5.0;
    // Dying progress per simulated second of a starved or fallen creature;
    // it is removed once the progress passes 1.
    double dyingRate = 0.3;
    // Ground-touch glow lost per step.
    double touchDecay = 0.1;
};
