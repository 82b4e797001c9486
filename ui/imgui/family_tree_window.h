// The Family tree window: docked on the statistics strip, collapsed at
// start. The tree of the run along time (ui/family_tree_view.h) with the
// founder families' shares beside it and the lineage numbers; hovering a
// creature tells its figures, a click chooses it.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/family_tree_view.h"
#include "ui/world.h"

// Draws the window; call after the statistics window, whose strip it
// stands on.
void drawFamilyTreeWindow(World& w);

// The window's switch: every line, or only those leading to the living
// (as it starts).
void showEveryFamilyLine(bool every);
// Opens (or collapses) the window at its next frame, as its arrow does.
void openFamilyTreeWindow(bool open);
// The stretch of the tree in view, as the wheel and drags leave it.
TreeViewport& familyTreeViewport();

// The tree as the last frame drew it (the canvas, the view, the layout),
// for what the mouse does; null before the window was first drawn open.
struct DrawnFamilyTree {
    TreeCanvas canvas;
    const FamilyTreeLayout* layout = nullptr;
    double now = 0.0;
    bool simplified = false; // too many creatures in view to draw each one
};
const DrawnFamilyTree* drawnFamilyTree();

// A click at a window point of the tree: on a creature it chooses it
// (chooseMember; a double click follows a living one too), on the empty
// ground a double click shows the whole run. Returns the id chosen, or -1.
int clickFamilyTree(World& w, float x, float y, bool doubleClick);
