// The family tree for other tools: Newick (FILE.nwk), the format
// phylogenetics tools read, along the initiating-parent lines, and Graphviz
// DOT (FILE.dot) with both parents.
//
// Newick: every creature is a leaf labelled with its id, at the distance
// from the root of its birth in simulated seconds. A creature with children
// is a sampled ancestor: its leaf hangs at length 0 from the unlabelled node
// that holds its children's subtrees, whose branches run from its birth to
// theirs, along the initiating-parent lines. The roots (creatures that came
// without parents) hang from one root at time 0, so the whole run is one
// tree, and every label is a leaf's (readers take a numeric label of an
// inner node for a confidence value). DOT: a node per creature in its body colour, a solid edge from its
// initiating parent and a dashed one from its partner.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <string>

#include "ecology/family_tree.h"

enum class TreeFormat { None, Newick, Dot };

// The format a file name asks for by its extension (.nwk, .newick, .dot,
// .gv); None for any other.
TreeFormat treeFormatOf(const std::string& file);

std::string newickOf(const FamilyTree& tree);
std::string dotOf(const FamilyTree& tree);

// Writes the tree in the file's format; false when it cannot be written,
// and a file it could not finish is removed.
bool writeTree(const FamilyTree& tree, const std::string& file);
