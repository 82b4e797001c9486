// Rigid body parts and the hinges between them, with their builders.
//
// A creature is a tree of capsule parts joined by hinges, each paired with an
// angular motor; the arena walls are box parts. Every creature body carries,
// as its ODE user data, the address of its BodyPart, whose `owner` names the
// creature, so the contact handling reaches both in constant time. Wall
// bodies carry no user data.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <ode/ode.h>

#include <vector>

struct Agent;
struct Gene;

struct BodyPart {
    bool exists = false;
    dBodyID body = nullptr;
    dGeomID geom = nullptr;
    double length = 0.0;               // capsule length without the caps
    double radius = 0.0;               // capsule radius
    double mass = 0.0;                 // total mass of the body
    double sides[3] = {0.0, 0.0, 0.0}; // box sides
    int shape = 0;                     // 1 capsule, 2 box
    int parentIndex = -1;              // nearest existing ancestor; -1 for the root
    int hangJoint = -1;                // joint whose child this part is; -1 for the root
    double groundTouch = 0.0;          // contact glow, 1 on touching the ground
    Agent* owner = nullptr;            // creature of the body; null for walls
};

// The identity under which a creature part is picked and dragged.
using GrabbedPart = BodyPart;

struct BodyJoint {
    bool exists = false;
    dJointID hinge = nullptr;
    dJointID motor = nullptr;
    int parentPart = -1;              // index of the parent-side part in the creature
    int childPart = -1;               // index of the child-side part in the creature
    int parentFace = 0;               // face 0..5 of the parent part
    int childFace = 5;                // face 0..5 of the child part
    double axis[3] = {1.0, 0.0, 0.0}; // hinge axis in world coordinates
};

// Face index to unit vector in a part's own frame; a capsule's long axis is z.
extern const double faceDirections[6][3];

// The part a creature takes its heading from, with the heading stride of 9
// every creature has: it always exists.
constexpr int kHeadingPart = (29 / 9) * 9;

// Lowest and highest hinge angle, +-pi/2.2.
constexpr double kHingeLimit = 1.427996660722633;

// The records of a body laid out from a genome, without building anything:
// each part's size and whether it exists (the root and the heading part
// always do), then each joint's parts, faces and axis, bridged over missing
// parts. The vectors hold a creature's 30 parts and 29 joints.
void layoutParts(const Gene& g, int headingPart, std::vector<BodyPart>& parts);
void layoutJoints(const Gene& g, std::vector<BodyPart>& parts, std::vector<BodyJoint>& joints);

// Drives a joint's motor towards a target angle: a velocity proportional to
// the angle error (16 times the gain), with unbounded force.
void driveJoint(const BodyJoint& joint, double target, double gain);

// Creates a capsule body (long axis z) and geom of the given total mass.
void makeCapsule(dWorldID world, dSpaceID space, BodyPart& part, double length, double radius,
                 double mass);
// Creates a box body and geom of the given total mass.
void makeBox(dWorldID world, dSpaceID space, BodyPart& part, const double sides[3], double mass);
// Builds one capsule part with the mass of its volume (density 1).
void buildPart(dWorldID world, dSpaceID space, BodyPart& part);
// Builds every existing part, in index order.
void buildParts(dWorldID world, dSpaceID space, std::vector<BodyPart>& parts);
// Builds the hinge and motor of one joint between two parts.
void buildJoint(dWorldID world, BodyJoint& joint, std::vector<BodyPart>& parts);
// Builds every existing joint, in index order.
void buildJoints(dWorldID world, std::vector<BodyJoint>& joints, std::vector<BodyPart>& parts);
// Destroys the body and geom of every part of the vector.
void destroyParts(std::vector<BodyPart>& parts);
