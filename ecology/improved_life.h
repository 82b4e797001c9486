// The improved rules' part of creature life: what a child inherits of its
// parent's learning, and how walking pays in energy.
#pragma once

#include "ecology/learning_params.h"

struct Agent;

// The child's movement store becomes a copy of the parent's, each movement
// keeping at most p.inheritedSamples samples, so the child starts from what
// its parent learnt but soon re-measures it on its own body.
void inheritMovements(Agent& child, const Agent& parent, const LearningParams& p);

// The child's body (its shape, joints and rest pose) becomes the parent's:
// the rows of the genome that build the body and hold its rest pose are
// copied, the others stay as the crossover made them.
struct Gene;
void inheritBody(Gene& child, const Gene& parent);

// Mean progress of the creature's recent scored cycles; `none` when it has
// scored none yet.
double recentMeanProgress(const Agent& a, double none);

// Factor on the energy a creature loses per step: below 1 for creatures that
// walk towards their targets better than the reference, above 1 for worse
// ones, 1 for a creature that has not scored a cycle yet.
double energyDecayFactor(const Agent& a, const LearningParams& p);
