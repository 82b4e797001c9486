// The world settings of the command line (--set NAME=VALUE) brought into the
// running program: stored in the world record, and the arena, the physics
// and a fresh world brought in line with them.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <cstdint>
#include <vector>

#include "run/run_world.h"
#include "ecology/world_settings.h"

// Applies the overrides in order (a later one of the same name wins).
//
// On a loaded world they override the loaded values in place. On a fresh
// world, when one of them shapes it (ground size, minimum population), the
// world is made again from the same generator seed, as the first reset made
// it but with the new settings in place: the creatures and foods then start
// inside the new arena, and the run is the one a program started with those
// settings would make.
void applySettingOverrides(RunWorld& w, const std::vector<SettingOverride>& overrides, bool freshWorld,
                           std::uint32_t seed);
