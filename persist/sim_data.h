// The part of the world record that is saved with a whole simulation.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <cstdint>
#include <vector>

struct SimData {
    double spareValue = 1.0;           // saved and loaded, not otherwise used
    double simulationTime = 0.0;       // seconds of simulated time
    double wallHeight = 0.0;           // "Height of Wall": wall tops above the ground
    int foodInterval = 15;             // "Foods Growing Rate": seconds between foods
    int populationCount = 0;           // creatures at the last whole save
    int minPopulation = 10;            // creatures made by a reset; refill target
    double groundSize = 60.0;          // "Size of Ground": half-extent of the arena
    std::uint8_t savedSerial = 0;      // copied into nextCreatureId by a load
    std::vector<double> spareSeries1;  // saved and loaded, not otherwise used
    std::vector<double> spareSeries2;  // saved and loaded, not otherwise used
};
