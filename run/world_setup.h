// Bringing up the world of a run and putting it away at the end, the same for
// the one world of a plain run and for every island of an archipelago.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <cstdint>
#include <string>

#include "run/run_options.h"
#include "run/run_world.h"

// Starts the physics, resets the world from the seed (already in
// w.sim.random), loads the simulation of `loadDir` (if any), takes the rules
// of the creature files into a fresh world, applies the --set overrides,
// makes the first population with the founders of --founders, adds or shows
// the creature of a file and gives the solver its settings. False when
// something could not be loaded (the message said on standard error): the
// run does not start. The window brings its view in line afterwards.
bool prepareWorld(RunWorld& w, const RunOptions& options, std::uint32_t seed,
                  const std::string& loadDir);

// At the end of the run: the family tree of --tree and the save of
// --save-all. False when one of them could not be written (said).
bool finishWorld(RunWorld& w, const RunOptions& options);
