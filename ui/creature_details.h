// What the creature inspector shows: the selected creature's life, learning
// and genome, followed from frame to frame until it dies.
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
    // dying the cause is shown; once removed the inspector closes.
    void update(World& w);
    bool isOpen() const { return agent_ != nullptr; }
    // Closed by the user: stays closed until another creature is selected.
    void close();
    // The creature shown (null when closed); valid until the next update.
    Agent* creature() const { return agent_; }

    // "starved" or "fallen" once the creature is dying; empty while it lives.
    std::string deathCause() const;
    std::vector<InspectorRow> rows() const;
    // Progress of its last scored cycles, oldest first.
    std::vector<float> recentProgress() const;
    std::vector<GeneView> genes() const;

private:
    Agent* agent_ = nullptr;
    int id_ = -1;
    const Agent* dismissed_ = nullptr;
    int dismissedId_ = -1;
};
