#include "ecology/walls.h"

#include <cmath>

#include "ecology/simulation.h"

void createWalls(Simulation& sim, double S)
{
    Walls& walls = sim.walls;
    walls.sinkDepth = 80.0;
    walls.exist = true;
    walls.blockSize[0] = 2 * S - 0.001;
    walls.blockSize[1] = 0.5;
    walls.blockSize[2] = 80.0;
    walls.blocks.resize(4);
    for (auto& block : walls.blocks) {
        makeBox(sim.world, sim.space, block, walls.blockSize, 10000.0);
        block.owner = nullptr;
        dBodySetData(block.body, nullptr);
    }
}

void placeWalls(Simulation& sim, double S, double H)
{
    Walls& walls = sim.walls;
    for (int i = 0; i < static_cast<int>(walls.blocks.size()); ++i) {
        const double a = i * 3.141592653589793 * 0.5;
        dMatrix3 R;
        dRFromEulerAngles(R, 0, 0, a);
        const double r = walls.blockSize[1] * 0.5 + S + 0.001;
        const dBodyID b = walls.blocks[i].body;
        dBodySetPosition(b, std::sin(a) * r, std::cos(a) * r,
                         walls.blockSize[2] * 0.5 - walls.sinkDepth + H);
        dBodySetRotation(b, R);
        dBodySetLinearVel(b, 0, 0, 0);
        dBodySetAngularVel(b, 0, 0, 0);
    }
}
