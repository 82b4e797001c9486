// The view state: what the window shows and how the user points at it. The
// cameras of the two views and how they follow creatures, the selected,
// hovered and followed creatures, the mouse drags, the drawing switches, the
// window's size and the bubbles of births being shown. The drawing and the
// mouse write it; the simulation never reads it.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <cstdint>
#include <list>

#include "base/shared_types.h"
#include "creature/body_part.h"
#include "drawlib/drawstuff.h"
#include "ui/birth_marker.h"
#include "ui/creature_pick.h"
#include "ui/islands_view.h"

struct Agent;
struct Simulation;

// Orbit camera: an eye circling a target point.
struct OrbitCamera {
    float distance = 0.0f;
    float maxDistance = 0.0f;
    float heading = 0.0f; // radians, target-to-eye direction on the ground
    float pitch = 0.0f;   // radians, elevation of the eye
    float target[3] = {0.0f, 0.0f, 0.0f};
    float eye[3] = {0.0f, 0.0f, 0.0f};
    void (*setViewpoint)(float xyz[3], float hpr[3]) = nullptr;
    int zoomMode = 0; // 0 off, 1 exponential zoom
    double zoomEnd = 0.0;
    double zoomTime = 0.0;
    double zoomStart = 0.0;
};

// The object drag of the mouse.
struct DragState {
    int lastX = 0;
    int lastY = 0;
    bool active = false;
    int buttons = 0;
    GrabbedPart* grabbed = nullptr; // the picked object under the cursor
    int grabbedX = -1, grabbedY = -1; // the pixel it was found under
    double target[3] = {0.0, 0.0, 0.0};
    double force[3] = {0.0, 0.0, 0.0};
};

// The camera drag of the mouse.
struct CameraDrag {
    int lastX = 0;
    int lastY = 0;
    int buttons = 0;
    bool active = false;
};

// When following started, when the followed creature was last chosen, and
// the smoothed points the two views move towards.
struct CameraFollowState {
    bool started = false;
    double startMs = 0.0;   // process clock when following started
    int followChosenAt = 0; // whole seconds since the start
    MY_VECTOR3 followedPosition;
    MY_VECTOR3 populationCentre;
    MY_VECTOR3 bestPosition;         // the mini view's followed creature
    MY_VECTOR3 miniPopulationCentre; // the mini view's own centre
    // The creature that leads the followed one under the follow mode (its
    // id; -1: none), and since when, in seconds since the start.
    int challengerId = -1;
    double challengerSince = 0.0;
    double followedSince = 0.0; // when the followed creature got the camera
    // How far above the middle of the view the followed creature stands, as
    // a share of half the view's height (smoothed towards followedLift).
    double lift = 0.0;
};

struct ViewState {
    // Cameras and following.
    OrbitCamera mainCamera;
    OrbitCamera miniCamera;
    CameraFollowState cameraFollow;
    std::uint8_t miniDisplay = 1;
    int viewCount = 2;
    int followMode = 1;
    int followInterval = 3;
    std::uint8_t autoRotate = 0;
    std::uint8_t miniViewFollow = 1;

    // Creatures the user points at.
    Agent* hoveredAgent = nullptr;
    Agent* selectedAgent = nullptr;
    Agent* followedAgent = nullptr;
    // A creature the main camera follows whatever the follow mode would
    // choose (the hall of fame's "Follow"), while it lives; choosing a
    // follow mode lets go of it.
    Agent* followPinned = nullptr;
    // A creature that has died, chosen in the family tree: the inspector
    // shows its record (its id; -1: none).
    int recordShown = -1;
    DragState drag;
    CameraDrag cameraDrag;
    int mouseMode = -1;
    int pickX = 0;
    int pickY = 0;
    CreaturePicker picker;

    // Drawing switches.
    int graphicQuality = 2;
    int arrowQuality = 4;
    int sphereQuality = 2;
    float lodScale = 1.0f;
    std::uint8_t drawShadows = 1;
    std::uint8_t drawTracks = 1;
    std::uint8_t drawTexture = 1;
    std::uint8_t drawArrows = 1;
    std::uint8_t drawSkin = 1;
    std::uint8_t drawSelectionMarker = 1;

    // The window and the frames.
    int windowWidth = kDefaultWindowWidth;
    int windowHeight = kDefaultWindowHeight;
    // The top of the panels along the bottom edge as the last frame drew
    // them, in window pixels; -1 when none was drawn.
    float panelsBottomTop = -1.0f;
    // The ground size and the mini display the view last followed (taken at
    // the first frame, followed when they change).
    bool settingsFollowed = false;
    int groundShown = 0;
    std::uint8_t miniShown = 0;
    // Bubbles of births being shown, and the last conception taken.
    std::list<BirthMarker> birthMarkers;
    long long lastConception = 0;

    // The archipelago this world is an island of, when the window shows one
    // (shared by its islands' views); null otherwise.
    IslandsView* islands = nullptr;
};

// Clears every creature reference (hovered, selected, followed) and any drag
// that holds a part of the given creature.
void forgetCreature(ViewState& view, const Agent* agent);
// Ends an object drag that holds a part of the given creature.
void endDragOn(ViewState& view, const Agent* agent);
// Clears all creature references and the object drag.
void forgetAllCreatures(ViewState& view);
// After a step: lets go of the creatures it removed or took out of the
// physics.
void forgetGoneCreatures(ViewState& view, const Simulation& sim);

// The bubbles of the children conceived since the view last looked.
void takeConceptions(ViewState& view, const Simulation& sim);
