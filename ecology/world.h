// The world record: all process-wide state of the simulation.
//
// Physics handles, the settings the control bar edits, the saved SimData, the
// containers (population, foods, birth markers, requests), the walls, the
// cameras, the mouse records, the message and a few measurements. The program
// holds one instance (theWorld()); every operation takes it by reference so
// tests can build fresh worlds.
#pragma once

#include <ode/ode.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "app/base/message.h"
#include "app/base/request.h"
#include "app/base/sim_data.h"
#include "creature/body_part.h"
#include "drawlib/drawstuff.h"
#include "ecology/birth_marker.h"
#include "ecology/cycle_learning.h"
#include "ecology/ecology_params.h"
#include "ecology/food_store.h"
#include "ecology/hall_of_fame.h"
#include "ecology/lineage.h"
#include "ecology/population.h"
#include "ecology/statistics.h"
#include "ecology/walls.h"

// The fixed step: 0.03 in single precision, widened to double.
constexpr double kStepSize = 0.029999999329447746;

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

// Running totals of life events since start-up, for statistics and reports.
struct LifeCounters {
    long long births = 0;  // children made by mating
    long long refills = 0; // random creatures added by the refill
    long long foodsEaten = 0;
    long long deathsStarved = 0; // removed after starving
    long long deathsFallen = 0;  // removed after falling (non-finite included)
    long long nonFinite = 0;     // creatures whose bodies went non-finite or far off
    long long steps = 0;         // simulation steps run
    CycleTally cycles;           // motor cycles scored and their progress
};

// Private state of the step driver that lives as long as the process.
struct StepDriverState {
    int frameCount = 0;
    bool windowStarted = false;
    std::uint32_t windowIndex = 0;
    long long pacingTick = 0;
    float lastPacingTarget = -1.0f;
    bool firstFrameDone = false;
    int lastGroundSize = 0;
    std::uint8_t lastMiniDisplay = 0;
};

// Private state of the camera callback that lives as long as the process:
// when following started, when the followed creature was last chosen, and
// the smoothed points the two views move towards.
struct CameraFollowState {
    bool started = false;
    double startMs = 0.0;   // process clock when following started
    int followChosenAt = 0; // whole seconds since the start
    MY_VECTOR3 followedPosition;
    MY_VECTOR3 populationCentre;
    MY_VECTOR3 bestPosition;         // the mini view's followed creature
    MY_VECTOR3 miniPopulationCentre; // the mini view's own centre
};

struct World {
    // Physics.
    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    // Under the fast physics: the sweep-and-prune space of the creatures'
    // own spaces (one a creature); the ground and the walls stay in `space`.
    dSpaceID creatureSpace = nullptr;
    // The physics set-up (a PhysicsMode value; an int so the settings table
    // can reach it), and the one the creatures' spaces were last sorted for.
    int physics = 0;
    int physicsArranged = 0;
    dGeomID groundPlane = nullptr;
    dJointGroupID contactGroup = nullptr;
    double stepSize = kStepSize;
    double gravity[3] = {0.0, 0.0, -9.800000190734863};
    dMatrix3 identityRotation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::uint8_t ecologyEnabled = 1;

    SimData simData;
    EcologyParams ecology;
    // The learning rules every creature follows (a LearningRule value; an
    // int so the settings table can reach it), and the numbers of the
    // improved rules.
    int learningRule = static_cast<int>(LearningRule::Specified);
    LearningParams learningParams;

    // Settings.
    int stepsPerFrame = 2;
    std::uint8_t skipRender = 0;
    float skipRenderBudget = 0.2f;
    float targetFps = 30.0f;
    std::uint8_t miniDisplay = 1;
    int followMode = 1;
    int followInterval = 3;
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
    std::uint8_t autoRotate = 0;
    std::uint8_t miniViewFollow = 1;

    // Window, views and measurements.
    int windowWidth = kDefaultWindowWidth;
    int windowHeight = kDefaultWindowHeight;
    int viewCount = 2;
    double timeDelta = 0.0;
    bool timeDeltaStarted = false;
    double previousTime = 0.0;
    int fps = 0;
    int runNumber = 10;
    Message message;

    // Containers and records.
    Population population;
    std::list<BirthMarker> birthMarkers;
    std::list<Request> requestQueue;
    AimPointHander foods;
    Environment environment;
    Walls walls;
    Agent* hoveredAgent = nullptr;
    Agent* selectedAgent = nullptr;
    Agent* followedAgent = nullptr;
    OrbitCamera mainCamera;
    OrbitCamera miniCamera;
    DragState drag;
    CameraDrag cameraDrag;
    int mouseMode = -1;
    int pickX = 0;
    int pickY = 0;

    StepDriverState driver;
    CameraFollowState cameraFollow;
    LifeCounters counters;
    StatisticsRecorder statistics;
    HallOfFame hallOfFame;
    LifeEventSink lifeEvents;

    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;
};

// The learning rules and the mutation setting, as the step hands them on.
LearningSetup learningSetup(const World& w);

// Clears every creature reference (hovered, selected, followed) and any drag
// that holds a part of the given creature.
void forgetCreature(World& w, const Agent* agent);
// Ends an object drag that holds a part of the given creature.
void endDragOn(World& w, const Agent* agent);
// Clears all creature references and the object drag.
void forgetAllCreatures(World& w);
