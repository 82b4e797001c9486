// The rules a saved world runs by that its archives do not hold: the
// learning rule and the physics set-up. They are kept in a
// small text file of the save folder, one NAME=VALUE line each, written only
// when some rule differs from its default, so a world under the default rules
// saves exactly the files it always did.
#pragma once

#include <string>

#include "persist/file_io.h"

struct World;

constexpr const char* kRulesFile = "rules.txt";

// The values of the rules, as a save holds them.
struct WorldRules {
    int learningRule = 0;
    int physics = 0;
};

WorldRules rulesOf(const World& w);
void applyRules(World& w, const WorldRules& rules);

// The file's text; empty when every rule has its default value.
std::string encodeRules(const WorldRules& rules);

// Reads the rules of a save: defaults when it has no rules file (or one its
// manifest does not name, left from an earlier save). A rules
// file that is not a small regular file of known NAME=VALUE lines in range
// ends the load with the damaged text naming it.
WorldRules readRules(const FileSource& source);
