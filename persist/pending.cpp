// Placeholder until the persistence layer lands: every folder operation
// reports that it is not available.
#include <string>

#include "persist/creature_save.h"
#include "persist/save_all.h"

bool saveAll(World&, const std::string&) { throw std::string("saving is not available"); }
bool loadAll(World&, const std::string&) { throw std::string("loading is not available"); }
bool saveCreature(World&, const std::string&) { throw std::string("saving is not available"); }
bool loadCreature(World&, const std::string&) { throw std::string("loading is not available"); }
