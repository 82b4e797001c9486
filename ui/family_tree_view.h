// What the Family tree window draws, without the window: the tree laid out
// along time in lanes, the lines that lead to someone alive picked out from
// the extinct ones, the shares of the founder families over time (a Muller
// plot), the stretch of time and lanes in view, what lies under the cursor,
// and what a click on a creature does.
//
// Time runs along x; each creature is a bar from its birth to its death (the
// living ones to now) in a lane of its own for that span, joined at its
// birth to its initiating parent's bar. A lane is used again once its last
// creature has died, so the tree is as tall as the most creatures its view
// holds at once, not as the creatures that ever lived.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ecology/family_tree.h"
#include "ui/creature_details.h"
#include "ui/world.h"

// A colour of the tree's drawing, 8 bits a channel.
struct TreeColour {
    std::uint8_t r = 0, g = 0, b = 0;
};

// The body colour of a creature's hue, made more saturated so that
// neighbouring hues stay apart on the tree's dark ground.
TreeColour treeColour(float hue);

struct TreeNode {
    int member = -1;  // index in FamilyTree::members()
    int id = -1;
    int lane = 0;
    // Node of its initiating parent, -1 for a root: a creature that was not
    // born here (start-up, refill, loaded, migrant) or whose parent is out
    // of view.
    int parent = -1;
    int partner = -1; // node of its other parent, when in view
    double born = 0.0;
    double died = -1.0; // -1 while it lives
    TreeColour colour;
    // Extinct lines folded into it: children of its whose lines left no one
    // alive (in the view of the living's ancestry).
    int folded = 0;

    bool alive() const { return died < 0.0; }
    // Where its bar ends: its death, or now.
    double end(double now) const { return died < 0.0 ? now : died; }
};

// Where an extinct line was folded away: the birth of its first creature,
// on the bar of the parent it left.
struct Fold {
    double time = 0.0;
    int node = -1;
};

struct FamilyTreeLayout {
    unsigned long long changes = 0; // FamilyTree::changes() of the tree laid out
    bool everything = false;        // every line, or only those leading to the living
    std::vector<TreeNode> nodes;    // by birth
    std::vector<std::vector<int>> lanes; // each lane's nodes, by birth (and so by death)
    std::vector<Fold> folds;             // by time
    std::unordered_map<int, int> nodeOfId;
    double start = 0.0; // the first birth
    // Lines hidden in the view of the living's ancestry: branches whose
    // creatures all died (an extinct founder family counts as one), and the
    // creatures in them.
    int hiddenLines = 0;
    int hiddenMembers = 0;
    // The lineage numbers, along initiating parents.
    int livingMembers = 0;
    int livingFounders = 0;
    int commonAncestor = -1; // id of the living's most recent common ancestor, -1: none

    const TreeNode* node(int id) const;
};

// Lays the tree out: every member (everything) or only the living and their
// ancestors along initiating parents. Members are taken by birth; each goes
// into the free lane nearest its initiating parent's (roots: the first free
// lane), free meaning its last creature died before this one's birth.
FamilyTreeLayout layOutFamilyTree(const FamilyTree& tree, bool everything);

// The shares of the founder families in the population over time: in each
// of `bins` equal spans from the first birth to now, how many creatures of
// each family were alive at the span's middle.
struct MullerBand {
    int founder = -1; // id of the family's founder
    TreeColour colour;
    bool lone = false; // the founder never had a descendant
    int firstBin = 0;
    std::vector<int> counts; // from firstBin on
    int count(int bin) const
    {
        const int i = bin - firstBin;
        return i >= 0 && i < static_cast<int>(counts.size()) ? counts[i] : 0;
    }
};

struct MullerPlot {
    unsigned long long changes = 0; // of the tree it was made from
    double start = 0.0, end = 0.0;
    int bins = 0;
    std::vector<int> totals;        // creatures alive, per bin
    std::vector<MullerBand> bands;  // stacked from the bottom: the oldest founder first
    double binTime(int bin) const { return start + (bin + 0.5) * (end - start) / bins; }
    // A family's share of the living in a bin (0 when none lived).
    double share(const MullerBand& band, int bin) const;
};

MullerPlot mullerPlot(const FamilyTree& tree, double now, int bins);

// The band of a Muller plot at a point of it, `across` from 0 (its start)
// to 1 (its end) and `up` from 0 (its bottom) to 1 (its top), as the plot
// stacks its bands from the bottom; the band's index in m.bands and the
// bin, or -1 for both off the plot or where no family lived.
struct MullerSpot {
    int band = -1;
    int bin = -1;
};
MullerSpot mullerSpotAt(const MullerPlot& m, double across, double up);

// The stretch of the tree in view: times t0..t1 across, lanes lane0..lane1
// down. While `followsNow` its right edge stays at now as time goes on.
struct TreeViewport {
    double t0 = 0.0, t1 = 1.0;
    double lane0 = 0.0, lane1 = 1.0;
    bool wholeRun = true;   // shows the whole run, start to now, and all lanes
    bool followsNow = true; // (when not the whole run) the right edge is now
    // The most lanes shown at once (one a pixel row); the others are
    // reached by panning.
    double mostLanes = 1e9;

    // Before drawing: the whole run (its first lanes when they are more
    // than mostLanes), or the view kept within the run and following now; a
    // view from the start to now stays so as time goes on.
    void follow(const FamilyTreeLayout& layout, double now);
    // Zooms time by `factor` (below 1: closer) around time t, never closer
    // than `shortest` seconds across nor wider than the run; zoomed out to
    // the whole run with all `laneCount` lanes in view, it is the whole run.
    void zoomTime(double t, double factor, double start, double now, double shortest,
                  int laneCount);
    // Zooms lanes by `factor` around lane l, within 4 lanes and all of them
    // (or mostLanes).
    void zoomLanes(double l, double factor, int laneCount);
    // Moves the view by dt seconds and dl lanes, within the run.
    void pan(double dt, double dl, double start, double now, int laneCount);
    void showWholeRun() { wholeRun = true; followsNow = true; }
};

// The view on the screen: the canvas's corners in window pixels, and the
// stretch of the tree it shows. Lane l is drawn centred at l + 0.5.
struct TreeCanvas {
    float x0 = 0.0f, y0 = 0.0f, x1 = 1.0f, y1 = 1.0f;
    TreeViewport view;

    float x(double t) const
    {
        return x0 + static_cast<float>((t - view.t0) / (view.t1 - view.t0)) * (x1 - x0);
    }
    float y(double lane) const
    {
        return y0 + static_cast<float>((lane - view.lane0) / (view.lane1 - view.lane0)) * (y1 - y0);
    }
    double time(float px) const { return view.t0 + (px - x0) / (x1 - x0) * (view.t1 - view.t0); }
    double lane(float py) const
    {
        return view.lane0 + (py - y0) / (y1 - y0) * (view.lane1 - view.lane0);
    }
    double secondsPerPixel() const { return (view.t1 - view.t0) / std::max(1.0f, x1 - x0); }
    double lanesPerPixel() const { return (view.lane1 - view.lane0) / std::max(1.0f, y1 - y0); }
    bool contains(float px, float py) const { return px >= x0 && px < x1 && py >= y0 && py < y1; }
};

// The node under a window point of the canvas: the nearest bar within a few
// pixels; -1 for none.
int nodeAtPoint(const FamilyTreeLayout& layout, const TreeCanvas& canvas, double now, float px,
                float py);

// The node under a point (t, lane) of the view, within `slackTime` seconds
// of its bar's ends and `slackLanes` of its lane; the nearest, or -1.
int nodeAt(const FamilyTreeLayout& layout, double now, double t, double lane, double slackTime,
           double slackLanes);

// Ticks of a time axis: a round step (1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10,
// 15, 30 min, 1, 2, 3, 6, 12 h, days) that puts them at least `minPixels`
// apart on `pixels` showing `span` seconds.
double tickStep(double span, double pixels, double minPixels);
// A time on the axis: "45 s", "12 min", "12 min 30 s", "2 h", "2 h 15 min".
std::string clockLabel(double seconds);

// What is shown of a member, living or dead, from the tree: id, generation,
// origin and parents, lifetime, cause, foods, children, best score and mean
// progress per cycle.
std::vector<InspectorRow> memberRows(const FamilyMember& m, double now);
// Its body's rows (body_shape.h): parts and joints, limb length and mass,
// span and height at rest, distances from its founder's and its parent's
// bodies; none for a member whose body was never measured.
std::vector<InspectorRow> bodyRows(const FamilyMember& m);

// A click on a member of the tree. A living one becomes the selected
// creature (the inspector shows it; with `follow` the camera follows it too);
// a dead one is shown by the inspector from its record. Returns the living
// creature chosen, or null.
Agent* chooseMember(World& w, int id, bool follow);
