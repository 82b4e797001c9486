// Agent: the record of one creature.
//
// A creature owns its genes, its movement store and the physics bodies, geoms
// and joints named by its part and joint records; its destructor destroys
// them. Records are held by value in the population list and are never copied
// once their body is built.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <ode/ode.h>

#include <deque>
#include <list>
#include <vector>

#include "base/shared_types.h"
#include "creature/body_part.h"
#include "creature/gene.h"
#include "creature/intention.h"
#include "creature/movement_store.h"

class Random;
struct Environment;
struct EcologyParams;

enum LifeState : int { Alive = 0, Starved = 1, Fallen = 2, Removable = 3 };

struct Agent {
    static constexpr int kParts = kGeneParts;
    static constexpr int kJoints = kGeneJoints;
    static constexpr int kPhases = kGenePhases;

    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    Environment* environment = nullptr;
    std::vector<BodyPart> parts;
    std::vector<BodyJoint> joints;
    int jointCount = 0;
    double energy = 0.0;
    int lifeState = Alive;
    float dyingProgress = 0.0f;
    int matingCount = 0;
    int foodCount = 0;
    Intention intention;
    MY_VECTOR3 centre;
    MY_VECTOR2 heading;
    double score = 0.0;
    bool disturbed = false;
    int headingStride = 9;
    double age = 0.0;
    double cycleStart = 0.0;
    double temperature = 0.0;
    int creatureId = 0;
    Gene workingGene;
    Gene gene;
    std::list<MY_VECTOR3> track;
    int phase = 0;
    int spare = 0;
    AlgLearanAction::DeltaMove* currentMove = nullptr;
    MY_VECTOR3 cycleStartCentre;
    MY_VECTOR2 cycleStartHeading;
    AlgLearanAction learning;
    int deathCause = Alive; // Starved or Fallen once dying has finished; not saved

    // Family line and learning record, kept beside the archives (in
    // lineage.csv), never in them.
    int generation = 0;                // 0 for random creatures, else parents' max + 1
    int parentIds[2] = {-1, -1};       // -1: none
    int children = 0;                  // births it took part in
    std::deque<double> recentProgress; // progress of the last 15 scored cycles, oldest first
    long long scoredCycles = 0;        // cycles scored in its life, and their progress
    double progressTotal = 0.0;

    // The improved learning credits a movement from the end of the rest
    // phase before it to the end of the rest phase after it, so the lean the
    // rest takes back is charged to the movement that made it. This is the
    // movement awaiting its credit; not saved.
    struct PendingCredit {
        bool active = false;
        AlgLearanAction::DeltaMove* move = nullptr; // null: the new movement `gene`
        Gene gene;
        MY_VECTOR3 centre;        // where the rest before it ended
        MY_VECTOR2 heading;       // heading then: the frame of the credit
        bool disturbed = false;   // another creature touched it meanwhile
    };
    PendingCredit credit;

    // An empty record; its maker gives it its id, and initialize must
    // follow before use.
    Agent() = default;
    // Deep copy; physics handles and references are copied as they are, the
    // current movement is re-pointed into the copied store.
    Agent(const Agent& other);
    Agent& operator=(const Agent& other) = delete;
    // Destroys the physics joints, bodies and geoms of existing records.
    ~Agent();
    // The record of this creature's store at the place `move` has in the
    // store of `other` (a creature this one was copied from); null for null.
    AlgLearanAction::DeltaMove* sameRecordIn(const Agent& other,
                                             const AlgLearanAction::DeltaMove* move);

    // Newborn values with two random genomes and a fresh movement store.
    void initialize(Random& random);

    // Body construction from `gene` around `centre`.
    void buildBody(dWorldID world, dSpaceID space, Environment* environment);
    void layoutParts();
    void layoutJoints();
    void createPartBodies();
    void createJoints();
    void placeBody(double x, double y, double z);
    // Destroys the physics objects of the body and clears their handles.
    void destroyBody();

    // Index of the part whose position with part 0 gives the heading (27).
    int headingPart() const { return (29 / headingStride) * headingStride; }

    // Creature life, run by the simulation step.
    void chooseIntention(Environment& env);
    void update(double h, const EcologyParams& params);
};
