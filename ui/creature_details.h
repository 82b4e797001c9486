// What the creature inspector shows: the selected creature's life, learning
// and genome, followed from frame to frame until it dies; or a dead
// creature's record from the family tree.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ui/world.h"

struct InspectorRow {
    std::string label;
    std::string value;
};

// One row of the genome: a value, or a compact plot of one value per part,
// joint or phase.
struct GeneView {
    std::string name;
    bool scalar = true;
    std::string value;         // scalar rows
    std::vector<float> values; // other rows
    float min = 0.0f;          // the row's bounds, the plot's scale
    float max = 1.0f;
};

class CreatureInspector {
public:
    // Follows the selection: a newly selected creature is shown, and stays
    // shown while it lives even when the selection is cleared. Once it is
    // dying the cause is shown; once removed the inspector closes. A dead
    // creature chosen in the family tree (ViewState::recordShown) is shown
    // from its record there, with the genome the hall of fame kept of it.
    void update(World& w);
    bool isOpen() const { return agent_ != nullptr || recordId_ >= 0; }
    // Closed by the user: stays closed until another creature is selected.
    void close(World& w);
    // The creature shown (null when closed or showing a record); valid until
    // the next update.
    Agent* creature() const { return agent_; }
    // Showing a dead creature's record, and the hall of fame's entry that
    // kept its genome (null when none did; valid until the next step).
    bool showsRecord() const { return agent_ == nullptr && recordId_ >= 0; }
    const FameEntry* keptEntry() const { return kept_; }

    // "starved" or "fallen" once the creature is dying; empty while it lives.
    std::string deathCause() const;
    std::vector<InspectorRow> rows() const;
    // Progress of its last scored cycles, oldest first.
    std::vector<float> recentProgress() const;
    std::vector<GeneView> genes() const;

private:
    // The genome shown: the living creature's or the kept record's.
    const Agent* genomeOwner() const;

    Agent* agent_ = nullptr;
    int id_ = -1;
    const Agent* dismissed_ = nullptr;
    int dismissedId_ = -1;
    // The dead creature shown: its id (-1: none), a copy of its family
    // record, the time it is shown at, and its kept entry.
    int recordId_ = -1;
    FamilyMember record_;
    FamilyMember livingMember_; // the selected living creature's member, for its body rows
    double now_ = 0.0;
    const FameEntry* kept_ = nullptr;
};
