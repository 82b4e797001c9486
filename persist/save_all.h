// Saving and loading a whole simulation to and from a folder.
#pragma once

#include <string>

struct World;

// Writes config.dat, one archive per creature, posAgent.dat and
// AimPosData.dat into the folder. Returns true when done; throws the failure
// text as a std::string, leaving any earlier save in the folder intact.
bool saveAll(World& w, const std::string& folder);

// Reads a whole simulation from the folder. All or nothing: on failure the
// running world is untouched and the failure text is thrown as a std::string.
bool loadAll(World& w, const std::string& folder);
