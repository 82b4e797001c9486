// The improved rules' part of creature life: what a child inherits of its
// initiating parent, its body and what that parent learnt with it.
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
