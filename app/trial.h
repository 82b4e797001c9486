// The standard trial: each creature of a file alone on a fixed course, so
// creatures of different hours or runs can be set against each other.
//
// The course: a fresh world of the default settings (those given with --set
// apply, the learning rule among them), no other creature and no refill, the
// creature put down at the centre with the energy of a newborn (1.5), the
// usual 30 foods and their growth. Each creature runs kTrialRepeats courses of
// kTrialSeconds simulated seconds; course k is seeded with k, so its foods lie
// elsewhere each time and the same file gives the same figures on every run.
// Alone, a creature always heads for the nearest food.
//
// A creature enters the trial with what it learned (its movement store as
// saved): the trial measures the skill it has. With `fresh` its store is
// replaced by a new random one first: the trial then measures what its
// genome gives it to learn with.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <iosfwd>
#include <string>
#include <vector>

#include "ecology/world_settings.h"

constexpr int kTrialRepeats = 4;
constexpr double kTrialSeconds = 300.0;

// The figures of one creature over all its courses.
struct TrialResult {
    std::string file;
    bool loaded = false;   // false: the file could not be read
    int foods = 0;         // foods eaten
    double towards = 0.0;  // metres covered towards its targets per simulated minute
    double progress = 0.0; // mean progress per scored motor cycle
    long long cycles = 0;  // motor cycles scored
    int falls = 0;         // courses it fell off (its figures stop there)
};

// Runs the trial of one file (courses of `seconds`: the standard length
// unless a test asks for shorter ones).
TrialResult runTrial(const std::string& file, const WorldSettings& settings, bool fresh,
                     double seconds = kTrialSeconds);

// The trial mode of the program: every file of --trial, the table on
// standard output and the rows in --trial-csv. Exit status 0, or 1 when a
// file could not be read (its refusal is said, the others are tried).
struct RunOptions;
int runTrials(const RunOptions& options);

// The table printed for the results, and the CSV of --trial-csv.
std::string trialTable(const std::vector<TrialResult>& results, bool fresh);
std::string trialCsv(const std::vector<TrialResult>& results, bool fresh);
