// Drawing the world for one view: creatures (as separate primitives or one
// smooth skin each, with a level of detail from their size on screen), walls,
// tracks, foods, intention arrows, the selection marker and the birth
// markers. The same drawing, stopped after the creatures and with a name on
// every part, is the picking pass.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "ui/world.h"

// Draws one view. viewWidth and viewHeight only set the level of detail;
// pickedObject is the part under the cursor (its creature becomes
// hoveredAgent and it is drawn highlighted); dt ages the birth markers.
void drawWorld(World& w, const OrbitCamera& camera, int viewWidth, int viewHeight, bool pickingPass,
               const GrabbedPart* pickedObject, double dt);

// The marks of the creature the main camera follows: a golden ring on the
// ground around it and, above it, a label with its id, generation and
// score. Nothing without a followed creature.
void drawFollowMarker(const World& w);

// Horizontal reach of a creature: the farthest any of its parts extends
// from its centre, over the ground.
double creatureReach(const Agent& a);

// The label of a creature: "#12  gen 3  score 4.5".
std::string creatureLabel(const Agent& a);

// Colour of a living creature from its BODY_COLOR hue in degrees: a hue
// wheel within a fixed brightness band; black outside [0, 360).
void bodyHue(float bodyColor, float rgb[3]);

// Size of a creature for the level of detail: the mean part length of the
// gene table scaled by the creature's BODY_SCALE.
float lodSize(double bodyScale);

// Level of detail 1 (coarsest) to 6 from a creature's apparent size: its
// size s seen from `eye` at distance |centre - eye| in a view of the given
// pixels, against thresholds scaled by lodScale. Single precision throughout.
int levelOfDetail(float s, const float eye[3], const MY_VECTOR3& centre, int viewWidth,
                  int viewHeight, float lodScale);

// The capsules of one creature's skin, one slot per existing part in part
// order, as the capsule chain of the drawing library takes them.
struct SkinSlots {
    static constexpr int kSlots = 30;

    int count = 0;
    float positions[kSlots * 4] = {}; // the fourth float is unused
    float rotations[kSlots * 12] = {};
    float radii[kSlots] = {};
    float lengths[kSlots] = {};
    int parents[kSlots];               // slot of the parent capsule; -1 for the root
    std::uint8_t capFlags[kSlots * 2]; // per slot: draw the -z cap, draw the +z cap
    int ints[kSlots] = {}; // kLitCapsule for the part under the cursor

    SkinSlots() { reset(); }
    // Empty, every parent -1 and every cap drawn.
    void reset();
};

// Fills the slots from a creature's parts (poses read from their geoms) and
// joints. A capsule's parent is the slot of its part's parent; the caps that
// face a joint, on the child and on the parent side, are not drawn.
void fillSkinSlots(SkinSlots& skin, const std::vector<BodyPart>& parts,
                   const std::vector<BodyJoint>& joints);
