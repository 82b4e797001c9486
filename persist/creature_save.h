// Saving the selected creature to a folder and loading a saved creature into
// the running simulation.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

#include "persist/file_io.h"

struct Agent;
struct Simulation;
struct WorldSettings;

// Where a loaded creature is put down: a point on the ground.
struct PlacePoint {
    double x = 0.0;
    double y = 0.0;
};

// How a creature from a save joins a world.
enum class Arrival {
    Newcomer, // a creature of another world: a new id, generation 0, no parents
    Shown,    // shown alone: it keeps its id and its generation (when the save has it)
};

// Writes agent.dat, posAgent.dat and the manifest of the selected creature.
// Throws "Select a Creature!\nnot saved" when none is selected (or it is no
// creature of the population), or the failure text; an earlier save in the
// folder stays intact on failure. A save whose end could not be finished is
// done, as saveAll says.
bool saveCreature(const Simulation& sim, const Agent* selected, const std::string& folder,
                  std::string* unfinished = nullptr);

// Appends the saved creature at the point, in its saved posture. On failure
// the population is as before and the text is thrown.
bool loadCreature(Simulation& sim, const WorldSettings& settings, const std::string& folder,
                  PlacePoint at);

// The files saveCreature writes for a creature, in writing order.
SavedFiles creatureFiles(const Agent& a);

// loadCreature from any source of files.
bool loadCreatureFrom(Simulation& sim, const WorldSettings& settings, const FileSource& source,
                      PlacePoint at, Arrival arrival = Arrival::Newcomer);
