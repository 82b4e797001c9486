// Command-line options of the creatures program.
//
// Options start with "--" and are taken out first; what remains is at most
// one run number (a whole number with an optional sign, in the range of an
// int; 10 when there is none).
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "run/run_options.h"

// Parses argv. Returns false and sets `error` (one line naming what is wrong)
// for an unknown option (one dash or two), an option given twice, a missing
// value or one that is another option, a bad value, more than one run number
// or one that is not a whole number in the range of an int, and --summarize
// with anything but --seconds and --help.
bool parseOptions(int argc, const char* const* argv, RunOptions& out, std::string& error);

// Checks, without making anything, that the files and folder the run will
// write can be written: their folders exist and are writable, the names fit.
// False with `error` naming the option and the path otherwise. The files of
// --stats, --lineage and --tree are those of the islands numbered in
// `islands` when it names any (an archipelago writes a file an island, its
// number in the name), else their own.
bool checkOutputPaths(const RunOptions& options, std::string& error,
                      const std::vector<int>& islands = {});

// The output files the run writes (those of the islands numbered in
// `islands`, as above) that exist already (regular files): the run will
// replace them, and says so at its start.
std::vector<std::string> replacedOutputs(const RunOptions& options,
                                         const std::vector<int>& islands = {});

// The numbers 1 to n of the islands of an archipelago of n.
std::vector<int> islandNumbers(int n);

// The first option of an archipelago (--threads, --migrate-every) given to a
// run that is none: neither --islands nor --islands-mpi, and no saved
// archipelago loaded (`savedIslands` of --load-all, 0 when it is a world).
// Empty when there is none.
std::string archipelagoOptionWithoutIslands(const RunOptions& options, int savedIslands);

// Usage text for --help.
std::string usageText();
