// Learning at the start of every motor cycle: score the finished cycle, fold
// its displacement into the movement tried, choose the movement heading best
// towards the target, and sometimes mutate it.
#pragma once

struct Agent;

void cycleStartLearning(Agent& a, bool learningMutation);
