// Learning at the start of every motor cycle and at the end of every rest
// phase, as the world's learning rule does it (learning_rule.h), and the
// steps the rules share.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include "base/shared_types.h"
#include "creature/movement_store.h"
#include "ecology/learning_rule.h"

struct Agent;

// The whole cycle start: the track, then (for a finite displacement) the
// rule's three steps, then the new cycle's start centre and heading.
void cycleStartLearning(Agent& a, const LearningSetup& setup, CycleTally* tally = nullptr);

// The end of a rest phase: the rule's credit, if it gives one there.
void restEndLearning(Agent& a, const LearningSetup& setup);

// --- Shared steps of the rules.

CycleDisplacement cycleDisplacement(const Agent& a);

// A displacement seen from a heading: (forwards, to its left).
MY_VECTOR2 inHeadingFrame(double dx, double dy, const MY_VECTOR2& heading);

// The progress towards the target enters the score, the creature's recent
// progress and the tally (when given).
void addProgress(Agent& a, const CycleDisplacement& d, CycleTally* tally);

// The direction towards the target relative to the current heading, as
// (cos, sin) of the angle between them.
MY_VECTOR2 wantedDirection(const Agent& a);

// The chosen movement (if any) becomes the one tried next: its gene drives
// the motors.
void takeMove(Agent& a, AlgLearanAction::DeltaMove* m);

// The working gene is mutated and tried as a new movement.
void tryNewMove(Agent& a, Random& random);
