// lineage.csv in a whole-simulation save: the generation, parents and
// children of every creature, beside the archives (which keep their layout).
//
// Columns: index (the creature's file number), id, generation, parent_a,
// parent_b (empty for none), children. A save without the file (made by
// another program) loads with generation 0 and no parents; a damaged file
// is reported as a warning and treated the same, since the world itself is
// whole without it.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

#include "ecology/population.h"

class FileSource;

constexpr const char* kLineageFile = "lineage.csv";

std::string encodeLineage(const Population& population);
// The file for one creature alone (a creature file's lineage section).
std::string encodeLineage(const Agent& a);

// Gives the creatures, in file order, what the source's lineage.csv holds
// for them. A file that does not hold exactly one row for each of them, in
// order and with their ids (cut, shifted, of another save), or that is not a
// regular file of a size that fits them, is ignored with one warning saying
// what is wrong.
void readLineage(const FileSource& source, Population& creatures);
