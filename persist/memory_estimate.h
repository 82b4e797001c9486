// How much memory a loaded world will take, against what the machine has.
//
// A save names its population and the minimum the refill keeps; both are
// accepted up to large bounds, so a small config.dat can ask for a world
// that runs the machine out of memory or crawls. The load checks the
// estimate before reading the creatures.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <cstdint>
#include <string>

// Memory of one running creature: its bodies, joints and geoms, its genome
// and movement store, and its share of the physics step's working memory.
// Measured at about 190 KB just after birth and 350-370 KB while stepping.
constexpr std::uint64_t kBytesPerCreature = 400u * 1024u;
// Above this many creatures a world is slow enough to warn about.
constexpr int kLargePopulation = 200;

// Creatures the loaded world will hold: the saved ones, or the minimum the
// refill adds up to.
int loadedPopulation(int saved, int minPopulation);

std::uint64_t estimatedWorldBytes(int population);

// Memory the program can still take: the smaller of the memory the system
// reports available and what is left under the process's address-space and
// data limits once what it already uses is counted.
std::uint64_t availableMemoryBytes();

enum class MemoryVerdict { Fits, Large, TooLarge };

// TooLarge when the estimate exceeds what is available; Large when it takes
// more than a quarter of it or the population is above kLargePopulation.
MemoryVerdict judgeWorldSize(int population, std::uint64_t available);

// The check of a load: throws the "failed:" text for a world that does not
// fit, writes a warning to standard error for a large one.
void checkWorldSize(const std::string& folder, int saved, int minPopulation);
