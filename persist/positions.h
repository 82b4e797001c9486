// The position file posAgent.dat: the pose of every existing body part, so a
// loaded creature comes back in the posture it had rather than its rest pose.
//
// Plain little-endian doubles, no header, no counts. Whole-simulation layout:
// for each creature, for each existing part, the body position (3) and the
// first three entries of each rotation row (9). Single-creature layout: for
// each existing part, the creature's centre height, the body position minus
// the centre (3) and the rotation (9). The reader takes one entry per
// existing part of the creatures it has, so the file must hold exactly that
// many entries.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ecology/simulation.h"
#include "ecology/creature_life.h"

class FileSource;

constexpr const char* kPositionFile = "posAgent.dat";
constexpr int kWholeEntryDoubles = 12;
constexpr int kCreatureEntryDoubles = 13;
// Largest coordinate accepted from a file: the step's own bound on bodies,
// so whatever it leaves loads.
constexpr double kMaxPositionCoordinate = kMaxBodyCoordinate;

// Parts whose exists flag is set.
int existingParts(const Agent& a);

// File contents for the whole population, front to back.
std::string encodePositions(const Population& population);
// File contents for one creature, relative to its centre.
std::string encodeCreaturePositions(const Agent& a);
// The same from a pose taken earlier (creature/agent_record.h).
std::string encodeCreaturePose(const std::vector<double>& pose);

// The doubles of a position file that must hold `parts` entries of
// `entryDoubles` each. Throws ArchiveError with the reason when the size does
// not match exactly, a value is not finite or out of range, or a rotation is
// not a rotation.
std::vector<double> decodePositions(const std::string& bytes, int parts, int entryDoubles);

// Reads and decodes the position file of a source; the "cannot open:" text
// for a file that cannot be opened, the damaged text naming the file for one
// that decodePositions refuses.
std::vector<double> readPositions(const FileSource& source, int parts, int entryDoubles);

// Puts every existing part of the creatures, in order, at its decoded pose;
// velocities are left as they are. The values must come from decodePositions
// for these creatures.
void applyPositions(Population& population, const std::vector<double>& values);
// Puts the creature's existing parts down around (x, y) at the saved height
// and posture, at rest.
void applyCreaturePositions(Agent& a, const std::vector<double>& values, double x, double y);

// File operations on folder + "/posAgent.dat", with the "cannot open:" rule.
// A load that fails (file missing, size or values wrong) moves nothing.

