// One fixed step of the whole world: creature life, motors and learning,
// foods, the mouse drag, collisions and the rigid-body integration.
#pragma once

struct World;
struct Agent;
struct DragState;
struct CycleTally;
struct LearningSetup;

// Advances the world by one step of w.stepSize seconds.
void simulationStep(World& w);

// Drives the joint motors of one creature by its intention; at the start of a
// motor cycle it runs the cycle-start learning first.
void driveMotors(Agent& a, const LearningSetup& learning, CycleTally* tally = nullptr);

// Pulls the grabbed part towards the drag target within one step of h.
void applyDragForce(DragState& drag, double h);
