// The founders of a fresh world (--founders DIR): the creature of every
// DIR/*.creature file, in name order, joins the first population, the rest
// of which is made as a reset makes it, up to the minimum population. Each
// founder comes with what it learned (its movement store as saved) and is
// put down clear of the others; the world runs by the rules the files
// record, which must agree.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "persist/creature_file.h"
#include "run/run_world.h"

struct Founders {
    std::vector<std::string> files;    // in name order
    std::vector<std::string> contents; // of each file, read whole
    CreatureFileRules rules;           // recorded: some file records rules, all of them these
};

// Reads the folder's creature files. False with one line saying why for a
// folder that is missing or holds no .creature file, a file that cannot be
// read or is damaged (its own message is said on standard error first), or
// files that record different rules.
bool readFounders(const std::string& dir, Founders& out, std::string& error);

// Makes the fresh world's first population again from the seed, with as
// many random creatures fewer as there are founders, and adds the founders
// clear of them, each said on standard output as --load-creature says it.
// False with the line of a founder that could not be loaded (its own
// message said on standard error first).
bool addFounders(RunWorld& w, const Founders& founders, std::uint32_t seed, std::string& error);
