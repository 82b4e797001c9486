// What the panels keep from one frame to the next, in one record: the
// control bar's items, the inspector's creature and slot, the hall of
// fame's chosen row, the family tree's layout and view, the right column's
// shares and the statistics strip's columns. The window's panels have one
// (panelState(), ui/imgui/panels.cpp); each panel reads and writes its own
// part.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ui/control_bar.h"
#include "ui/creature_details.h"
#include "ui/family_tree_view.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/imgui/hall_of_fame_window.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/statistics_window.h"
#include "ui/panel_layout.h"
#include "ui/world.h"

struct ControlBarPanel {
    bool ready = false;
    bool failureReported = false;
    World* world = nullptr; // the world the items are bound to
    std::vector<ControlItem> items;
    // The creature file named under the slot buttons of "Load a Creature".
    char creatureFileName[512] = "";
};

struct InspectorPanel {
    CreatureInspector inspector;
    int saveSlot = 1;
    float footerHeight = 48.0f; // of the buttons under the details in the last frame
    int rowsShown = 0;          // rows wholly in sight in the last frame
};

struct HallOfFamePanel {
    int chosenId = -1;          // the row chosen, by its creature id; -1 for none
    float footerHeight = 22.0f; // of the buttons under the table in the last frame
    FameShown shown;
};

struct FamilyTreePanel {
    const FamilyTree* tree = nullptr; // the tree laid out (islands have one each)
    FamilyTreeLayout layout;
    bool laidOut = false;
    bool everything = false;
    MullerPlot muller;
    bool mullerMade = false;
    TreeViewport view;
    DrawnFamilyTree drawn;
    bool drawnOnce = false;
    bool simplified = false; // the last frame left creatures out
    int openNext = -1;       // 1: open at the next frame, 0: collapse, -1: as it is
};

// What each window of the right column last told, and where it goes in this
// frame. Until a window has told its wishes it is given room for a few rows.
struct ColumnPanel {
    DockLayout layout;
    ColumnWish wishes[kColumnSlots] = {
        {true, 240.0f, 100.0f, 1.0f},
        {false, 320.0f, 180.0f, 0.6f},
        {true, kPanelTitleHeight, kPanelTitleHeight, 1.0f},
    };
    PanelRect places[kColumnSlots];
};

struct StatisticsPanel {
    int firstColumn = 0; // the leftmost column of charts in sight
    std::string title = "Statistics###Statistics";
    std::string large; // the chart shown large
    StripShown shown;
};

struct PanelState {
    ControlBarPanel controlBar;
    InspectorPanel inspector;
    HallOfFamePanel hallOfFame;
    FamilyTreePanel familyTree;
    ColumnPanel column;
    StatisticsPanel statistics;
};

// The panels' record.
PanelState& panelState();
