// Saving the selected creature to a folder and loading a saved creature into
// the running simulation.
#pragma once

#include <string>

#include "persist/file_io.h"

struct Agent;
struct World;

// Writes agent.dat, posAgent.dat and the manifest of the selected creature.
// Throws "Select a Creature!\nnot saved" when none is selected, or the
// failure text; an earlier save in the folder stays intact on failure. A
// save whose end could not be finished is done, as saveAll says.
bool saveCreature(World& w, const std::string& folder, std::string* unfinished = nullptr);

// Appends the saved creature under the main camera's target, in its saved
// posture. On failure the population is as before and the text is thrown.
bool loadCreature(World& w, const std::string& folder);

// The files saveCreature writes for a creature, in writing order.
SavedFiles creatureFiles(const Agent& a);

// loadCreature from any source of files.
bool loadCreatureFrom(World& w, const FileSource& source);
