// Saving the selected creature to a folder and loading a saved creature into
// the running simulation.
#pragma once

#include <string>

struct World;

// Writes agent.dat and posAgent.dat of the selected creature. Throws
// "Select a Creature!\nnot saved" when none is selected, or the failure text.
bool saveCreature(World& w, const std::string& folder);

// Appends the saved creature under the main camera's target, in its saved
// posture. On failure the population is as before and the text is thrown.
bool loadCreature(World& w, const std::string& folder);
