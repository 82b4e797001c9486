// A creature in a single file to keep and share ("NAME.creature"): what a
// creature slot folder holds (the creature's archive, agent.dat, and its
// pose, posAgent.dat) with their manifest, in one file of named sections:
//
//   creatures creature file 1
//   agent.dat <bytes>
//   <the archive>
//   posAgent.dat <bytes>
//   <the pose>
//   SHA256SUMS <bytes>
//   <the manifest>
//
// Each section is a line with its name and length, then that many bytes.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>
#include <vector>

struct Agent;
struct PlacePoint;
struct Simulation;
struct WorldSettings;

constexpr const char* kCreatureFileExtension = ".creature";

// The file's contents for a living creature, or for one kept after its death.
std::string encodeCreatureFile(const Agent& a);
std::string encodeCreatureFile(const Agent& record, const std::vector<double>& pose);

// Writes the contents to the path whole or not at all (through a file beside
// it, renamed over it once flushed). Throws "cannot open:PATH" when the file
// cannot be made or is not a file, "cannot write:PATH" when writing fails.
void writeCreatureFile(const std::string& path, const std::string& contents);

// Adds the creature of the file to the population at the point, in its saved
// posture, as a slot load does. On failure the
// population is as before and the text is thrown: "cannot open:PATH", or
// "damaged file:PATH (...)" for a file that is not a creature file or whose
// sections are damaged.
bool loadCreatureFile(Simulation& sim, const WorldSettings& settings, const std::string& path,
                      PlacePoint at);
// The same from contents in memory, named `path` in messages.
bool loadCreatureFileContents(Simulation& sim, const WorldSettings& settings,
                              const std::string& path, const std::string& contents, PlacePoint at);
