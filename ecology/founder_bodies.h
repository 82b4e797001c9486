// The bodies of a world's founders, as a save keeps them (founders.csv), so
// that the body distance of a line from its founder is known after a load
// even when the founder has long died.
//
// One row a founder: its id, the two body scales, then for each of the
// kGeneParts parts "exists length radius", then for each of the kGeneJoints
// joints "exists parent_part parent_face child_face tilted target gain";
// numbers as the shortest text that reads back the same.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <string>
#include <unordered_map>

#include "creature/body_shape.h"

using FounderBodies = std::unordered_map<int, BodyShape>;

std::string encodeFounderBodies(const FounderBodies& bodies);

// False, with the reason, for a text that is not such a file, or whose ids
// are not at or below `largestId` or repeat, or whose values are not finite
// and within their rows' ranges.
bool decodeFounderBodies(const std::string& text, int largestId, FounderBodies& bodies,
                         std::string& reason);
