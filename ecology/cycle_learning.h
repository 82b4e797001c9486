// Learning at the start of every motor cycle, in three steps: scoring the
// finished cycle (its progress towards the target, folded into the movement
// tried), choosing the movement heading best towards the target, and
// exploring (sometimes mutating the chosen movement to try something new).
//
// The improved rules take the same three steps differently: movements are
// rated by their mean displacement per phase second shrunk towards the
// store's median (movement_rating.h), exploration mutates the chosen
// movement with a probability that fades as the store fills, and a movement
// is credited from the end of the rest before it to the end of the rest
// after it (restEndLearning) instead of from cycle start to cycle start.
#pragma once

#include "ecology/learning_params.h"

struct Agent;

// The rules the learning follows, chosen for the whole world.
enum class LearningRule : int {
    Specified = 0, // the rules the simulation is made with
    Improved = 1,  // rated choice, fading exploration, rest-to-rest credit
};

// What the step hands the learning.
struct LearningSetup {
    LearningRule rule = LearningRule::Specified;
    bool mutation = true; // exploring may mutate the chosen movement
    // The numbers of the improved rules; needed only by them.
    const LearningParams* params = nullptr;
};

// Cycles scored and the sum of their progress: the displacement towards the
// target over the finished cycle divided by its phase duration, the quantity
// the score accumulates.
struct CycleTally {
    long long cycles = 0;
    double progress = 0.0;
};

// Where the finished cycle took the creature: in the world (dx, dy) and in
// the frame of the heading it had when the cycle began (fx forwards, fy to
// its left).
struct CycleDisplacement {
    double dx = 0.0, dy = 0.0;
    double fx = 0.0, fy = 0.0;
};
CycleDisplacement cycleDisplacement(const Agent& a);

// Scoring: unless another creature disturbed the cycle (then only the mark
// is cleared), adds the progress towards the target to the score, the
// creature's recent progress and the tally (when given), and records the
// displacement for the movement tried.
void scoreCycle(Agent& a, const CycleDisplacement& d, CycleTally* tally);

// Choosing: the movement of the store heading best towards the target,
// relative to the current heading, becomes the one tried next.
void chooseMove(Agent& a);

// Exploring: with the genome's probability, the chosen movement is mutated
// and tried as a new one.
void exploreMove(Agent& a, const LearningSetup& setup);

// The improved steps. Scoring adds the progress as the specified scoring
// does but leaves the store to restEndLearning; a disturbed cycle marks the
// movement awaiting its credit. Choosing takes the best rated movement
// towards the target. Exploring mutates a chosen tried movement with the
// fading probability; an untried one is tried as it is.
void scoreCycleImproved(Agent& a, const CycleDisplacement& d, CycleTally* tally);
void chooseMoveImproved(Agent& a, const LearningParams& p);
void exploreMoveImproved(Agent& a, const LearningSetup& setup);

// The whole cycle start: the track, then (for a finite displacement) the
// three steps, then the new cycle's start centre and heading.
void cycleStartLearning(Agent& a, const LearningSetup& setup, CycleTally* tally = nullptr);

// The end of a rest phase, under the improved rules: the movement awaiting
// its credit gets the displacement since the end of the previous rest,
// measured in the frame of the heading it had then, unless another creature
// touched it meanwhile; the movement now starting becomes the one awaiting.
void restEndLearning(Agent& a, const LearningParams& p);
