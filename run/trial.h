// The standard trial: each creature of a file alone on a fixed course, so
// creatures of different hours or runs can be set against each other.
//
// The course: a fresh world of the default settings under the rules the file
// records (those given with --set win), no other creature and no refill, the
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
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <iosfwd>
#include <string>
#include <vector>

#include "ecology/family_tree.h"
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
    std::string rules;     // the rules it ran by (rulesText); empty: not said
    FamilyMember body;     // its body's measures (parts 0: not measured)
};

// The settings a file's trial runs by: the defaults under the rules the file
// records (none for an older file), under the --set overrides.
WorldSettings trialSettings(const WorldSettings& fileRules,
                            const std::vector<SettingOverride>& overrides);

// The trial of every file with courses of `seconds`, each under its
// trialSettings (the files that cannot be read said on standard error).
std::vector<TrialResult> runTrialsOf(const std::vector<std::string>& files,
                                     const std::vector<SettingOverride>& overrides, bool fresh,
                                     double seconds = kTrialSeconds);

// Runs the trial of one file (courses of `seconds`: the standard length
// unless a test asks for shorter ones).
TrialResult runTrial(const std::string& file, const WorldSettings& settings, bool fresh,
                     double seconds = kTrialSeconds);

// The trial mode of the program: every file of --trial, the table on `out`
// (its header first, then each row as soon as its file's courses are done)
// and the rows in --trial-csv; refusals on `progress`, and on a terminal a
// line there saying which file runs. Exit status 0, or 1 when a file could
// not be read (its refusal is said, the others are tried).
struct RunOptions;
int runTrials(const RunOptions& options, std::ostream& out, std::ostream& progress,
              bool terminal, double seconds = kTrialSeconds);

// The table printed for the results (its header, then a row a file), and
// the CSV of --trial-csv. The header names the rules the files run by (of
// those whose rules were read): once when they are the same for all, else
// those of each file.
std::string trialHeader(const std::vector<TrialResult>& results, bool fresh);
std::string trialRow(const TrialResult& result);
std::string trialTable(const std::vector<TrialResult>& results, bool fresh);
std::string trialCsv(const std::vector<TrialResult>& results, bool fresh);
