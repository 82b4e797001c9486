// The learning rules, one entry a rule in one table. At the start of every
// motor cycle a creature scores the finished cycle, chooses the movement
// heading best towards its target and sometimes explores a new one; a rule
// may also credit movements at the end of a rest phase, and says what a
// newborn takes of its initiating parent's learning.
//
// A new rule is one file defining its entry and one row of the table
// (learning_rules.cpp); the settings, --help, the status text, the headless
// progress line and the benchmarks take its name from there.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <vector>

#include "ecology/learning_params.h"

struct Agent;
class Random;

// A rule: its place in the table.
enum class LearningRuleId : int {
    Original = 0, // the rules the simulation is made with
    Improved = 1, // rated choice, fading exploration, rest-to-rest credit
};

// What the step hands the learning.
struct LearningSetup {
    LearningRuleId rule = LearningRuleId::Original;
    bool mutation = true; // exploring may mutate the chosen movement
    const LearningParams* params = nullptr;
    Random* random = nullptr;
    // What a newborn takes of its initiating parent (the improved rules):
    // the strength of the change of its body, and whether it takes the
    // parent's movements.
    double bodyMutation = 0.0;
    bool inheritMovements = true;
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

struct LearningRule {
    const char* name;        // on screen and on the command line
    const char* description; // one line for --help
    // The cycle start, in this order: scoring the finished cycle (its
    // progress into the score and the tally, when given), choosing the
    // movement tried next, exploring.
    void (*score)(Agent& a, const CycleDisplacement& d, CycleTally* tally);
    void (*choose)(Agent& a, const LearningSetup& setup);
    void (*explore)(Agent& a, const LearningSetup& setup);
    // The end of a rest phase; null: the rule credits nothing there, and no
    // movement is left awaiting credit.
    void (*restEnd)(Agent& a, const LearningSetup& setup);
    // A newborn's learning from its initiating parent: before the crossover
    // of the genomes (its store), and after it (what more it inherits).
    void (*childBeforeCrossover)(Agent& child, const Agent& parent, const LearningSetup& setup);
    void (*childAfterCrossover)(Agent& child, const Agent& parent, const LearningSetup& setup);
};

// Every rule, in the order of their ids.
const std::vector<LearningRule>& learningRules();
const LearningRule& learningRule(LearningRuleId id);
