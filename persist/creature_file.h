// A creature in a single file to keep and share ("NAME.creature"): what a
// creature slot folder holds (the creature's archive, agent.dat, and its
// pose, posAgent.dat) with their manifest, in one file of named sections:
//
//   creatures creature file 1
//   agent.dat <bytes>
//   <the archive>
//   posAgent.dat <bytes>
//   <the pose>
//   rules.txt <bytes>
//   <the rules of its world, as a save's rules file holds them>
//   lineage.csv <bytes>
//   <its id, generation, parents and children, as a save's lineage file>
//   SHA256SUMS <bytes>
//   <the manifest>
//
// Each section is a line with its name and length, then that many bytes.
// The rules section is always written, empty under the default rules; a file
// without one was written before files kept their rules, and its rules are
// not known. Without a lineage section a creature shown alone has
// generation 0.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ecology/world_settings.h"

#include "persist/creature_save.h"

struct Agent;
struct Simulation;

constexpr const char* kCreatureFileExtension = ".creature";

// The file's contents for a living creature, or for one kept after its death,
// with the rules of `world`, the record of the world it lived in.
std::string encodeCreatureFile(const Agent& a, const WorldSettings& world);
std::string encodeCreatureFile(const Agent& record, const std::vector<double>& pose,
                               const WorldSettings& world);

// The rules a creature file records.
struct CreatureFileRules {
    bool recorded = false;  // false: the file has no rules section
    WorldSettings settings; // the rules it records; everything else at the defaults
};

// The rules of a creature file's contents (named `path` in messages). Throws
// the damaged text for contents that are not a creature file, or whose
// sections or rules are damaged, as a load of them would.
CreatureFileRules creatureFileRules(const std::string& path, const std::string& contents);

// What a load of a creature from a file says: "Added creature 10 from NAME",
// and when the file records rules other than those of the world it joins,
// both, since the creature lives by the world's.
std::string addedCreatureText(int id, const std::string& name, const CreatureFileRules& file,
                              const WorldSettings& world);

// Reads a creature file whole. Throws "cannot open:PATH", or the damaged
// text for a file too large to be one.
std::string readCreatureFile(const std::string& path);

// Writes the contents to the path whole or not at all (through a file beside
// it, renamed over it once flushed). Throws "cannot open:PATH" when the file
// cannot be made or is not a file, "cannot write:PATH" when writing fails.
void writeCreatureFile(const std::string& path, const std::string& contents);

// Adds the creature of the file to the population at the point, in its saved
// posture, as a slot load does. On failure the
// population is as before and the text is thrown: "cannot open:PATH", or
// "damaged file:PATH (...)" for a file that is not a creature file or whose
// sections (its rules among them) are damaged. The rules of the file are
// not applied: the caller chooses the rules of its world.
bool loadCreatureFile(Simulation& sim, const WorldSettings& settings, const std::string& path,
                      PlacePoint at, Arrival arrival = Arrival::Newcomer);
// The same from contents in memory, named `path` in messages.
bool loadCreatureFileContents(Simulation& sim, const WorldSettings& settings,
                              const std::string& path, const std::string& contents, PlacePoint at,
                              Arrival arrival = Arrival::Newcomer);
