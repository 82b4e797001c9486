// The arena's four wall blocks: heavy boxes sunk into the ground along the
// edges of the square, rising wallHeight above it. They are ordinary bodies
// that stay put because the step puts them back after every step.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <vector>

#include "creature/body_part.h"

struct Simulation;

// The four wall blocks around the ground square.
struct Walls {
    std::vector<BodyPart> blocks;
    bool exist = false;
    double sinkDepth = 80.0;
    double blockSize[3] = {0.0, 0.0, 0.0};
};

// (Re)creates the four wall blocks for the half-extent S.
void createWalls(Simulation& sim, double S);
// Puts the blocks at the edges of the square, their tops at height H, at rest.
void placeWalls(Simulation& sim, double S, double H);
