// The family tree of a run: every creature that has lived in the world, with
// its parents, its birth and death, its colour and what it did, and the
// measures of lineages drawn from it (the founder families still alive, the
// most recent common ancestor of the living). The step keeps it; it only
// records, so a run with or without anyone looking at it is the same run.
//
// A creature's family line follows its initiating parent (the first of its
// two): its founder is the creature at the root of that line, one that came
// into the world without parents (at a reset, by the refill, from a file or
// a save without a tree, or from another world).
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "creature/body_shape.h"
#include "ecology/founder_bodies.h"
#include "ecology/population.h"

struct FamilyMember {
    // How a creature came into the world.
    enum Origin : int { StartUp = 0, Refill = 1, Birth = 2, Loaded = 3, Migrant = 4 };

    int id = 0;
    int parents[2] = {-1, -1}; // the initiating parent first; -1: none
    int generation = 0;
    Origin origin = StartUp;
    int founder = 0;     // id of the root of its initiating-parent line
    int formerId = -1;   // its id where it came from (a file, another world)
    int fromWorld = -1;  // the world it came from (islands), -1: none
    double born = 0.0;   // simulated seconds
    double died = -1.0;  // simulated seconds; -1 while it lives
    int cause = 0;       // Starved or Fallen
    float hue = 0.0f;    // BODY_COLOR, degrees
    // Its figures, brought up to date while it lives.
    int foods = 0;
    int children = 0;
    double bestScore = 0.0;
    long long cycles = 0;   // motor cycles scored
    double progress = 0.0;  // their total progress
    // Its body (body_shape.h), measured when it came into the world; zero
    // parts for a member whose body was never measured (one read from a save
    // made before bodies were measured). Distances are -1 where unknown: from
    // its founder's body, and from its initiating parent's.
    int parts = 0;
    int joints = 0;
    float limbLength = 0.0f;
    float mass = 0.0f;
    float span = 0.0f;
    float height = 0.0f;
    float fromFounder = -1.0f;
    float fromParent = -1.0f;

    bool alive() const { return died < 0; }
    // Mean progress per scored cycle over its life.
    double meanProgress() const { return cycles > 0 ? progress / static_cast<double>(cycles) : 0.0; }
};

// The most recent common ancestor of the living along their initiating
// parents: none when they descend from several founders (or none live).
struct CommonAncestor {
    bool found = false;
    int id = -1;
    int generation = -1;
    double born = 0.0;
};

class FamilyTree {
public:
    // A creature without parents in this world (or whose parents it does not
    // know): a root of the tree.
    void arrive(const Agent& a, double time, FamilyMember::Origin origin, int formerId = -1,
                int fromWorld = -1);
    // A child made by mating: its initiating parent's founder is its own.
    // Given that parent, the child's body is measured against its body.
    void born(const Agent& child, double time, const Agent* initiator = nullptr);
    void died(const Agent& a, double time);
    // Where a member that arrived came from (a migrant's island).
    void cameFrom(int id, FamilyMember::Origin origin, int fromWorld);
    // Brings the living members' figures up to date.
    void update(const Population& population);
    // Called by the step at its end: an update whenever the simulated time
    // enters a new whole second.
    void afterStep(const Population& population, double time);

    const std::vector<FamilyMember>& members() const { return members_; }
    // A number that changes whenever a member arrives, is born or dies, or
    // the tree is cleared or replaced (not when figures are brought up to
    // date); no two trees of a process share one. What is drawn from the
    // tree is made again only when it changes.
    unsigned long long changes() const { return changes_; }
    const FamilyMember* find(int id) const;
    // The member's initiating parent, when it is a member born before it.
    const FamilyMember* initiator(const FamilyMember& m) const;
    bool empty() const { return members_.empty(); }
    // The largest id of any member, -1 when empty.
    int largestId() const { return largestId_; }
    void clear();
    // Replaces the whole tree (a load).
    void assign(std::vector<FamilyMember> members);

    // After a load: the bodies of living founders, from which their lines'
    // distances are measured (a save from before founders.csv keeps no
    // bodies of founders no longer alive; their lines' newborns get no
    // distance from the founder then).
    void knowFounderBodies(const Population& population);
    // The founders' bodies the tree knows, and those a save kept (a load:
    // the living founders' are added by knowFounderBodies).
    const FounderBodies& founderBodies() const { return founderBodies_; }
    void takeFounderBodies(FounderBodies bodies) { founderBodies_ = std::move(bodies); }
    // Body figures of the living: their mean number of parts, their mean
    // distance from their founders' bodies (over those whose founder's body
    // is known; 0 when none is), and the mean distance between two of them.
    struct BodyFigures {
        double meanParts = 0.0;
        double fromFounders = 0.0;
        double diversity = 0.0;
    };
    BodyFigures bodyFigures(const Population& population) const;

    // Founders with a living descendant (themselves included).
    int livingFounders(const Population& population) const;
    CommonAncestor commonAncestor(const Population& population) const;

private:
    FamilyMember& add(const Agent& a, double time);
    void changed();
    std::vector<FamilyMember> members_;
    std::unordered_map<int, std::size_t> byId_;
    FounderBodies founderBodies_;
    // The living's shapes, made when first asked for: a genome never changes.
    mutable std::unordered_map<int, BodyShape> livingShapes_;
    int largestId_ = -1;
    long long lastSecond_ = -1;
    unsigned long long changes_ = 0;
};

// Largest family.csv a save writes and a load reads.
constexpr std::size_t kMaxFamilyFileBytes = std::size_t(64) << 20;

// The tree as a file of a save (family.csv): a header line and a row per
// member; and back. Reading checks every row against the save whose clock
// stood at `clock`: ids from 0 to kMaxCreatureId and none twice, founders
// that are members, births and deaths within the clock, no negative counts,
// numbers that fit what holds them; that every living creature of the save
// is a living member; and that the tree, saved again, fits in
// kMaxFamilyFileBytes. False with the reason otherwise.
std::string encodeFamily(const FamilyTree& tree);
std::string encodeFamily(const std::vector<FamilyMember>& members);
bool decodeFamily(const std::string& text, const Population& living, double clock,
                  std::vector<FamilyMember>& members, std::string& reason);
