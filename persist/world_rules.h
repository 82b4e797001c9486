// The rules a saved world runs by that its archives do not hold: the
// settings marked as kept in the rules file (the learning rule, the physics
// set-up). They are kept in a small text file of the save folder, one
// NAME=VALUE line each, written only when some of them differ from their
// defaults, so a world under the default rules saves exactly the files it
// always did.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

#include "persist/file_io.h"

struct WorldSettings;

constexpr const char* kRulesFile = "rules.txt";

// The file's text: a line for each such setting that is not its default;
// empty when all are.
std::string encodeRules(const WorldSettings& settings);

// Reads the rules of a save into those settings of `into`: their defaults
// when the save has no rules file (or one its manifest does not name, left
// from an earlier save). A rules file that is not a small regular file of
// known NAME=VALUE lines in range ends the load with the damaged text naming
// it.
void readRules(const FileSource& source, WorldSettings& into);

// Copies the settings kept in the rules file from one record to another.
void takeRules(WorldSettings& to, const WorldSettings& from);

// Whether two records hold the same kept rules.
bool sameRules(const WorldSettings& a, const WorldSettings& b);

// The kept rules for a message: the lines of the rules file joined by ", "
// ("learningRule=1, physics=fast"), or "the default rules".
std::string rulesText(const WorldSettings& settings);
