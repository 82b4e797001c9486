// What a genome makes of a body, in numbers one can compare: its shape (which
// parts exist, how the joints attach them, the values that size and pose
// them), its measures (parts, joints, limb length, mass, span and height at
// rest) and the distance between two bodies.
//
// The body distance adds, over the values that shape a body, each change
// scaled by its row's range, and 1 for each structural difference:
//   - the body scales (BODY_SCALE, BODY_R_SCALE), each |a - b| / range;
//   - each part: 1 when one body has it and the other not; when both have
//     it, its length and radius values, each |a - b| / range;
//   - each joint both bodies have: 1 when it joins other parts or sits at
//     other faces, 1 when its hinge axis differs, and its rest target and
//     gain, each |a - b| / range.
// So 1 is one part gained or lost, or one value moved across its whole
// range; values of parts a body lacks count for nothing.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <vector>

#include "creature/gene.h"

struct BodyShape {
    struct Part {
        bool exists = false;
        double length = 0.0; // PART_LENGTH value
        double radius = 0.0; // PART_RADIUS value
    };
    struct Joint {
        bool exists = false;
        int parentPart = -1;
        int parentFace = 0;
        int childFace = 5;
        bool tiltedAxis = false; // (1, 1, 0) rather than (1, 0, 0)
        double restTarget = 0.0; // JOINT_TARGET value of the rest pose
        double restGain = 0.0;   // JOINT_GAIN value of the rest pose
    };
    double scale = 0.0;  // BODY_SCALE
    double rScale = 0.0; // BODY_R_SCALE
    std::vector<Part> parts;
    std::vector<Joint> joints;
};

// The shape a creature's genome (kGeneParts parts, kGeneJoints joints) lays out.
BodyShape bodyShape(const Gene& g);

double bodyDistance(const BodyShape& a, const BodyShape& b);

struct BodyMeasures {
    int parts = 0;
    int joints = 0;
    double limbLength = 0.0; // the parts' capsule lengths, caps left out, metres
    double mass = 0.0;       // the parts' masses (density 1)
    // At rest: the body built alone on a flat ground and held in its rest
    // pose for a few simulated seconds, parts colliding only with the ground.
    double span = 0.0;   // the widest horizontal distance across it, metres
    double height = 0.0; // its top above the ground, metres
};

// Builds the body in a physics world of its own (the caller's thread must be
// able to use the physics engine) and measures it. The same genome always
// gives the same measures.
BodyMeasures measureBody(const Gene& g);
