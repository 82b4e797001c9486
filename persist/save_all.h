// Saving and loading a whole simulation to and from a folder.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

#include "persist/file_io.h"
#include "persist/save_folder.h"

struct Simulation;
struct WorldSettings;

// Writes config.dat, one archive per creature (0.dat, 1.dat, ...),
// posAgent.dat, AimPosData.dat, lineage.csv and the manifest into the folder
// and prints "write". Returns true when done; throws the failure text as a
// std::string, leaving any earlier save in the folder intact. A save that
// took effect but whose end could not be finished (writeFolder) is done: a
// warning says what was left, and `unfinished`, when given, receives it.
// `checkpoint` is the save's (save_folder.h).
bool saveAll(Simulation& sim, const WorldSettings& settings, const std::string& folder,
             std::string* unfinished = nullptr, const SaveCheckpoint& checkpoint = {});

// Reads a whole simulation from the folder and prints "read": its creatures,
// foods and clock replace the running world's, and the settings it keeps
// replace the running ones. All or nothing: on failure the running world is
// untouched and the failure text is thrown as a std::string. The creatures
// the world held are gone, so whatever pointed at them must let go.
bool loadAll(Simulation& sim, WorldSettings& settings, const std::string& folder);

// The files saveAll writes, in writing order.
SavedFiles simulationFiles(const Simulation& sim, const WorldSettings& settings);

// The record config.dat holds: the settings it keeps, the clock and what
// the save carries along.
struct SimData;
SimData configOf(const Simulation& sim, const WorldSettings& settings);

// loadAll from any source of files.
bool loadAllFrom(Simulation& sim, WorldSettings& settings, const FileSource& source);
