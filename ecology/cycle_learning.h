// Learning at the start of every motor cycle: score the finished cycle, fold
// its displacement into the movement tried, choose the movement heading best
// towards the target, and sometimes mutate it.
#pragma once

struct Agent;

// Cycles scored and the sum of their progress: the displacement towards the
// target over the finished cycle divided by its phase duration, the quantity
// the score accumulates.
struct CycleTally {
    long long cycles = 0;
    double progress = 0.0;
};

// Scoring also records the cycle's progress in the creature's recent
// progress and, when given, in the tally.
void cycleStartLearning(Agent& a, bool learningMutation, CycleTally* tally = nullptr);
