// Where the panels stand, so that they leave the scene free: a column at the
// right edge of the window (the control bar, then the creature inspector,
// then the hall of fame, each under the one before) and a strip along the
// bottom, left of the column (the statistics), with the family tree's band
// on top of it. The status text (top left), the centred message and the
// followed creature (the middle of the view) stay clear of them all.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <vector>

struct PanelRect {
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    float right() const { return x + width; }
    float bottom() const { return y + height; }
    float area() const { return width > 0 && height > 0 ? width * height : 0.0f; }
    bool overlaps(const PanelRect& o) const
    {
        return x < o.right() && o.x < right() && y < o.bottom() && o.y < bottom();
    }
};

struct DockLayout {
    // The column: its left edge, width, and the span its windows share.
    float columnX = 0.0f;
    float columnWidth = 0.0f;
    float columnTop = 0.0f;
    float columnBottom = 0.0f;
    // The statistics strip when it is open, and its collapsed title bar.
    PanelRect strip;
    PanelRect stripCollapsed;
};

// Height of a window's title bar in the panels' font, in pixels.
constexpr float kPanelTitleHeight = 19.0f;

DockLayout dockLayout(int windowWidth, int windowHeight);

// The family tree's band: as wide as the statistics strip, standing on it
// (on its title bar while it is collapsed; at `statisticsTop` when the
// statistics window's top is known), three tenths of the window's height
// but never reaching the middle of the window.
PanelRect familyTreeRect(const DockLayout& d, int windowHeight, bool statisticsOpen,
                         float statisticsTop = -1.0f);

// A window of the right column as the column sees it: how tall it would be
// with everything it holds in sight, the least it must keep (its title bar
// alone while collapsed), and the share of the column it may take before
// the windows under it have what they want.
struct ColumnWish {
    bool shown = false;
    float wanted = 0.0f;
    float least = 0.0f;
    float share = 1.0f;
};

// The heights of the column's windows, top to bottom, in `room` pixels with
// `gap` between two shown windows (0 for a window not shown). Each first
// gets its least (the lower ones go short when even that does not fit, down
// to a title bar), then each in turn what it wants up to its share of the
// room, then each in turn what it still wants of what is left. A window
// taller than its height scrolls.
std::vector<float> shareColumn(float room, float gap, const std::vector<ColumnWish>& wishes);

// The places of whole cells of at least `cellWidth` by `cellHeight` in a
// `width` by `height` area with `gap` between cells: how many rows and
// columns fit (at least one of each).
struct CellGrid {
    int rows = 1;
    int columns = 1;
};
CellGrid cellsThatFit(float width, float height, float cellWidth, float cellHeight, float gap);

// Share of the window's area that no rectangle of the list covers (the
// rectangles may overlap each other), counted on a grid of `cell` pixels.
float uncoveredShare(int windowWidth, int windowHeight, const PanelRect* rects, int count,
                     float cell = 4.0f);
