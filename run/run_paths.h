// The files and folders a run's options name: whether each is a folder,
// whether the run writes it, and how an island of an archipelago names its
// own. The command line's table (app/options.cpp) puts the value of each of
// these options into the field named here; the check of the outputs before
// a run, the files said to be replaced, an island's options and the folders
// an archipelago makes all go through this one list.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "run/run_options.h"

// How an island of an archipelago names a path of the run.
enum class IslandPath {
    Shared,   // the same for every island
    Numbered, // the island's number in the name: run.csv -> run-island2.csv
    Inside,   // a folder island-N inside the one named
};

struct RunPath {
    const char* option; // the option naming it; nullptr for a folder the run always has
    std::string RunOptions::*field;
    bool folder;
    bool written; // the run writes it: checked before the run starts when an option names it
    IslandPath island;
};

// Every path of the options; the outputs in the order they are checked
// and said to be replaced.
const std::vector<RunPath>& runPaths();

// The path of the option of that name, or nullptr.
const RunPath* findRunPath(const std::string& option);
