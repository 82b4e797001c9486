// Saving and loading a whole simulation to and from a folder.
#pragma once

#include <string>

#include "persist/file_io.h"

struct World;

// Writes config.dat, one archive per creature (0.dat, 1.dat, ...),
// posAgent.dat, AimPosData.dat, lineage.csv and the manifest into the folder
// and prints "write". Returns true when done; throws the failure text as a
// std::string, leaving any earlier save in the folder intact. A save that
// took effect but whose end could not be finished (writeFolder) is done: a
// warning says what was left, and `unfinished`, when given, receives it.
bool saveAll(World& w, const std::string& folder, std::string* unfinished = nullptr);

// Reads a whole simulation from the folder and prints "read". All or
// nothing: on failure the running world is untouched and the failure text is
// thrown as a std::string.
bool loadAll(World& w, const std::string& folder);

// The files saveAll writes, in writing order.
SavedFiles simulationFiles(const World& w);

// loadAll from any source of files.
bool loadAllFrom(World& w, const FileSource& source);
