// What the Family tree window draws: the lanes, the lines leading to the
// living picked out from the extinct ones, the founder families' shares over
// time, the view's zoom and pan, what lies under the cursor, and what a
// click on a living or a dead creature does.
#include <gtest/gtest.h>

#include <set>

#include "support/ode_fixture.h"
#include "ui/creature_details.h"
#include "ui/family_tree_view.h"

namespace {

// A crafted tree, now = 100. Founders 0 and 1 (start-up), 9 and 2 (refills);
// 1's family dies out, and so does the lone 9; 2 lives without children.
//   0 (0-100)   3 = 0x1 (10-80)   4 = 3x1 (30-)   6 = 3x0 (60-90)
//   7 = 4x2 (70-)   8 = 7x2 (85-95)   1 (0-40)   5 = 1x0 (20-35)
//   9 (45-47)   2 (50-)
struct Row {
    int id, a, b;
    double born, died;
    int founder;
    FamilyMember::Origin origin;
};
const Row kRows[] = {
    {0, -1, -1, 0, 100, 0, FamilyMember::StartUp}, {1, -1, -1, 0, 40, 1, FamilyMember::StartUp},
    {3, 0, 1, 10, 80, 0, FamilyMember::Birth},     {5, 1, 0, 20, 35, 1, FamilyMember::Birth},
    {4, 3, 1, 30, -1, 0, FamilyMember::Birth},     {9, -1, -1, 45, 47, 9, FamilyMember::Refill},
    {2, -1, -1, 50, -1, 2, FamilyMember::Refill},  {6, 3, 0, 60, 90, 0, FamilyMember::Birth},
    {7, 4, 2, 70, -1, 0, FamilyMember::Birth},     {8, 7, 2, 85, 95, 0, FamilyMember::Birth},
};

FamilyTree craftedTree(bool twoLives = true)
{
    std::vector<FamilyMember> members;
    for (const Row& r : kRows) {
        FamilyMember m;
        m.id = r.id;
        m.parents[0] = r.a;
        m.parents[1] = r.b;
        m.born = r.born;
        m.died = r.died;
        m.founder = r.founder;
        m.origin = r.origin;
        m.hue = static_cast<float>(r.id * 36);
        if (r.id == 2 && !twoLives)
            m.died = 99;
        members.push_back(m);
    }
    FamilyTree tree;
    tree.assign(members);
    return tree;
}

// Lane of each id in the layout (-1: not shown).
int laneOf(const FamilyTreeLayout& l, int id)
{
    const TreeNode* n = l.node(id);
    return n ? n->lane : -1;
}

TEST(FamilyTreeView, LanesFoldedLinesAndLineageNumbersOfACraftedTree)
{
    const FamilyTree tree = craftedTree();
    const FamilyTreeLayout living = layOutFamilyTree(tree, false);
    const FamilyTreeLayout all = layOutFamilyTree(tree, true);

    // The ancestry of the living (2, 4, 7): 0, 3, 4, 7 and 2; hidden are the
    // families of 1 and of 9 (two lines) and the branches 6 (off 3) and 8
    // (off 7): four lines of five creatures.
    EXPECT_EQ(living.nodes.size(), 5u);
    EXPECT_EQ(living.hiddenLines, 4);
    EXPECT_EQ(living.hiddenMembers, 5);
    EXPECT_EQ(living.livingMembers, 3);
    EXPECT_EQ(living.livingFounders, 2);
    EXPECT_EQ(living.commonAncestor, -1); // two founders' families
    ASSERT_EQ(living.folds.size(), 2u);
    EXPECT_EQ(living.folds[0].time, 60);
    EXPECT_EQ(living.nodes[living.folds[0].node].id, 3);
    EXPECT_EQ(living.nodes[living.folds[1].node].id, 7);
    EXPECT_EQ(living.node(3)->folded, 1);
    EXPECT_EQ(all.nodes.size(), 10u);
    EXPECT_EQ(all.hiddenLines, 0);
    EXPECT_TRUE(all.folds.empty());

    // Lanes by the nearest free lane to the parent's (below first), a root
    // in the first free one; worked by hand from the births and deaths.
    struct LaneCase {
        int id, ancestryLane, everyLane;
    };
    const LaneCase lanes[] = {{0, 0, 0}, {1, -1, 1}, {3, 1, 2}, {5, -1, 3}, {4, 2, 4},
                              {9, -1, 1}, {2, 3, 1}, {6, -1, 3}, {7, 4, 5}, {8, -1, 2}};
    for (const LaneCase& c : lanes) {
        EXPECT_EQ(laneOf(living, c.id), c.ancestryLane) << c.id;
        EXPECT_EQ(laneOf(all, c.id), c.everyLane) << c.id;
    }
    EXPECT_EQ(living.lanes.size(), 5u);
    EXPECT_EQ(all.lanes.size(), 6u);
    for (const FamilyTreeLayout* l : {&living, &all}) {
        // No two bars of a lane overlap, each lane is by birth, the lines go
        // to the parents and the partners in view, born before them.
        for (const std::vector<int>& lane : l->lanes)
            for (std::size_t i = 1; i < lane.size(); ++i)
                EXPECT_LT(l->nodes[lane[i - 1]].end(100), l->nodes[lane[i]].born);
        for (const TreeNode& n : l->nodes) {
            const FamilyMember& m = tree.members()[n.member];
            EXPECT_EQ(n.parent >= 0 ? l->nodes[n.parent].id : -1,
                      l->node(m.parents[0]) ? m.parents[0] : -1);
            EXPECT_EQ(n.partner >= 0 ? l->nodes[n.partner].id : -1,
                      l->node(m.parents[1]) ? m.parents[1] : -1);
        }
        EXPECT_EQ(l->start, 0);
    }

    // With 2 dead, the living (4 and 7) meet in 4, as FamilyTree finds too.
    const FamilyTree one = craftedTree(false);
    const FamilyTreeLayout single = layOutFamilyTree(one, false);
    EXPECT_EQ(single.commonAncestor, 4);
    EXPECT_EQ(single.livingFounders, 1);
    Population alive;
    for (int id : {4, 7})
        alive.emplace_back().creatureId = id;
    EXPECT_EQ(one.commonAncestor(alive).id, single.commonAncestor);
    EXPECT_EQ(one.livingFounders(alive), single.livingFounders);
    // A creature loaded with the parents it names is a root of the drawing;
    // its line still leads them to the living, and it is their common one.
    {
        FamilyMember parent, loaded;
        parent.id = 0;
        parent.died = 50;
        loaded.id = 1;
        loaded.parents[0] = 0;
        loaded.born = 60;
        loaded.origin = FamilyMember::Loaded;
        FamilyTree t;
        t.assign({parent, loaded});
        const FamilyTreeLayout l = layOutFamilyTree(t, false);
        ASSERT_EQ(l.nodes.size(), 2u);
        EXPECT_EQ(l.node(1)->parent, -1);
        EXPECT_EQ(l.node(1)->lane, 0); // the root's first free lane, after 0 died
        EXPECT_EQ(l.commonAncestor, 1);
    }
    // A new layout is made for a changed tree only.
    EXPECT_NE(single.changes, living.changes);
    EXPECT_EQ(layOutFamilyTree(one, true).changes, single.changes);
}

TEST(FamilyTreeView, MullerSharesOfTheFoundersAtEachBinMiddle)
{
    const FamilyTree tree = craftedTree();
    const MullerPlot m = mullerPlot(tree, 100, 10);
    ASSERT_EQ(m.bins, 10);
    EXPECT_DOUBLE_EQ(m.binTime(0), 5);
    // Bands from the oldest founder: 0, 1 (same birth, first seen first),
    // 9, 2; the lone ones (no descendant) are marked.
    std::vector<int> founders;
    for (const MullerBand& b : m.bands)
        founders.push_back(b.founder);
    EXPECT_EQ(founders, (std::vector<int>{0, 1, 9, 2}));
    EXPECT_FALSE(m.bands[0].lone);
    EXPECT_FALSE(m.bands[1].lone);
    EXPECT_TRUE(m.bands[2].lone);
    EXPECT_TRUE(m.bands[3].lone);
    // Alive at the middles 5, 15, ..., 95, family by family (a death at a
    // middle is past it, a birth at one is in it).
    const int counts[10][4] = {{1, 1, 0, 0}, {2, 1, 0, 0}, {2, 2, 0, 0}, {3, 1, 0, 0},
                               {3, 0, 1, 0}, {3, 0, 0, 1}, {4, 0, 0, 1}, {5, 0, 0, 1},
                               {5, 0, 0, 1}, {3, 0, 0, 1}};
    for (int bin = 0; bin < 10; ++bin) {
        int total = 0;
        double shares = 0;
        for (int f = 0; f < 4; ++f) {
            EXPECT_EQ(m.bands[f].count(bin), counts[bin][f]) << "bin " << bin << " band " << f;
            total += counts[bin][f];
            shares += m.share(m.bands[f], bin);
        }
        EXPECT_EQ(m.totals[bin], total) << bin;
        EXPECT_NEAR(shares, 1.0, 1e-12) << bin;
    }
    // Bins between the lives of a lone founder hold none of it.
    EXPECT_EQ(m.bands[2].counts.size(), 1u);
    EXPECT_EQ(mullerPlot(FamilyTree{}, 100, 10).bins, 0);
}

TEST(FamilyTreeView, TheMullerBandUnderAPoint)
{
    const MullerPlot m = mullerPlot(craftedTree(), 100, 10);
    ASSERT_EQ(m.bins, 10);
    // Bin 4 holds families 0, 1, 9, 2 as 3, 0, 1, 0 of 4; bin 9 as 3, 0, 0, 1.
    struct Case {
        double across, up;
        int band, bin;
    };
    const Case cases[] = {
        {0.45, 0.0, 0, 4},   {0.45, 0.74, 0, 4}, {0.45, 0.76, 2, 4}, {0.45, 0.99, 2, 4},
        {0.95, 0.8, 3, 9},   {0.999, 0.1, 0, 9}, {0.0, 0.4, 0, 0},   {0.0, 0.6, 1, 0},
        {0.45, 1.0, -1, -1}, {1.0, 0.5, -1, -1}, {-0.01, 0.5, -1, -1}, {0.5, -0.1, -1, -1},
    };
    for (const Case& c : cases) {
        const MullerSpot s = mullerSpotAt(m, c.across, c.up);
        EXPECT_EQ(s.band, c.band) << c.across << ", " << c.up;
        EXPECT_EQ(s.bin, c.bin) << c.across << ", " << c.up;
    }
    EXPECT_EQ(mullerSpotAt(MullerPlot{}, 0.5, 0.5).band, -1);
}

TEST(FamilyTreeView, ZoomPanAndWhatLiesUnderTheCursor)
{
    const FamilyTree tree = craftedTree();
    const FamilyTreeLayout l = layOutFamilyTree(tree, true); // 6 lanes, start 0
    TreeViewport v;
    v.follow(l, 100);
    EXPECT_TRUE(v.wholeRun);
    EXPECT_EQ(v.t1, 100);
    EXPECT_EQ(v.lane1, 6);

    // Each step acts on the view the one before left; t0, t1, follows now,
    // whole run after it (and after the view follows now = 120).
    struct Step {
        const char* what;
        double t0, t1;
        bool followsNow, wholeRun;
    };
    const Step steps[] = {
        {"zoom x0.5 about 50", 25, 75, false, false},
        {"time goes on", 25, 75, false, false},
        {"pan 1000 s right", 70, 120, true, false},
        {"time goes on", 90, 140, true, false},
        {"zoom x0.001 about 140", 120, 140, true, false}, // never under 20 s
        {"pan 1000 s left", 0, 20, false, false},
        {"zoom x100 about 0", 0, 140, true, true},
    };
    double now = 100;
    for (const Step& s : steps) {
        const std::string what = s.what;
        if (what == "zoom x0.5 about 50")
            v.zoomTime(50, 0.5, l.start, now, 20, 6);
        else if (what == "time goes on")
            v.follow(l, now += 20);
        else if (what == "pan 1000 s right")
            v.pan(1000, 0, l.start, now, 6);
        else if (what == "zoom x0.001 about 140")
            v.zoomTime(140, 0.001, l.start, now, 20, 6);
        else if (what == "pan 1000 s left")
            v.pan(-1000, 0, l.start, now, 6);
        else
            v.zoomTime(0, 100, l.start, now, 20, 6);
        EXPECT_DOUBLE_EQ(v.t0, s.t0) << what;
        EXPECT_DOUBLE_EQ(v.t1, s.t1) << what;
        EXPECT_EQ(v.followsNow, s.followsNow) << what;
        EXPECT_EQ(v.wholeRun, s.wholeRun) << what;
    }
    // Lanes: never fewer than 4 in view, never past the last.
    v.zoomLanes(6, 0.1, 6);
    EXPECT_DOUBLE_EQ(v.lane1 - v.lane0, 4);
    EXPECT_DOUBLE_EQ(v.lane1, 6);
    EXPECT_FALSE(v.wholeRun);
    v.pan(0, -10, l.start, now, 6);
    EXPECT_DOUBLE_EQ(v.lane0, 0);
    v.showWholeRun();
    v.follow(l, now);
    EXPECT_EQ(v.lane1, 6);

    // The canvas: 100 s and 6 lanes on 200 x 60 pixels, from (10, 20); a
    // bar is found within 4 pixels of it, the nearest lane first.
    TreeCanvas c;
    c.x0 = 10, c.y0 = 20, c.x1 = 210, c.y1 = 80;
    c.view.t0 = 0, c.view.t1 = 100, c.view.lane0 = 0, c.view.lane1 = 6;
    struct Point {
        double t, lane;
        int id; // -1: nothing
    };
    const Point points[] = {
        {5, 0.5, 0},  {35, 4.5, 4},  {35, 4.9, 4},   {81, 2.5, 3},  // 3 ends at 80: 2 px off
        {84, 2.5, 8}, {46, 1.5, 9},  {48.3, 1.5, 9}, {49.5, 1.5, 2}, {99.5, 5.4, 7},
        {50, 0.5, 0}, {101, 0.5, -1}, {30, -2, -1},
    };
    for (const Point& p : points) {
        const float px = c.x(p.t), py = c.y(p.lane);
        const int node = nodeAtPoint(l, c, 100, px, py);
        EXPECT_EQ(node >= 0 ? l.nodes[node].id : -1, p.id) << p.t << " " << p.lane;
        EXPECT_NEAR(c.time(px), p.t, 1e-4);
    }
}

TEST(FamilyTreeView, TimeAxisTicksAndLabels)
{
    // Span, pixels, least pixels between ticks, step.
    const double ticks[][4] = {{100, 1000, 90, 10},      {100, 200, 90, 60},
                               {21600, 800, 90, 3600},   {21600, 1800, 90, 1800},
                               {30, 1000, 90, 5},        {5e6, 100, 90, 86400 * 53}};
    for (const auto& t : ticks)
        EXPECT_EQ(tickStep(t[0], t[1], t[2]), t[3]) << t[0] << " on " << t[1];
    const std::pair<double, const char*> labels[] = {
        {0, "0 s"},          {59.6, "1 min"},    {90, "1 min 30 s"},        {3600, "1 h"},
        {5400, "1 h 30 min"}, {3725, "1 h 2 min 5 s"}, {-3, "0 s"}};
    for (const auto& [seconds, text] : labels)
        EXPECT_EQ(clockLabel(seconds), text) << seconds;
}

class FamilyTreeClicks : public WorldTest {};

// A click on a living creature selects it (the inspector shows it, a double
// click follows it); on a dead one the inspector shows its record, with the
// genome when the hall of fame kept it.
TEST_F(FamilyTreeClicks, LivingAreSelectedDeadAreShownFromTheirRecord)
{
    makeScene(12345, 14); // more than the hall of fame holds
    scene->step(300);
    Agent& living = creature(1);
    CreatureInspector inspector;
    EXPECT_EQ(chooseMember(w(), living.creatureId, false), &living);
    EXPECT_EQ(w().view.selectedAgent, &living);
    inspector.update(w());
    ASSERT_TRUE(inspector.isOpen());
    EXPECT_EQ(inspector.creature(), &living);
    EXPECT_NE(w().view.followMode, 5);
    chooseMember(w(), living.creatureId, true);
    EXPECT_EQ(w().view.followMode, 5);

    // Two die: one of the hall of fame (its genome is kept), one not.
    scene->step(100);
    ASSERT_FALSE(w().sim.hallOfFame.entries().empty());
    const int famous = w().sim.hallOfFame.entries().front().id;
    std::set<int> fame;
    for (const FameEntry& e : w().sim.hallOfFame.entries())
        fame.insert(e.id);
    int plain = -1;
    for (Agent& a : w().sim.population) {
        if (a.creatureId == famous || (plain < 0 && !fame.count(a.creatureId))) {
            if (a.creatureId != famous)
                plain = a.creatureId;
            a.lifeState = Removable;
            a.deathCause = Starved;
        }
    }
    ASSERT_GE(plain, 0);
    scene->step();
    ASSERT_FALSE(w().sim.family.find(famous)->alive());

    struct Case {
        int id;
        bool genome;
    };
    for (const Case& c : {Case{famous, true}, Case{plain, false}}) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(chooseMember(w(), c.id, true), nullptr);
        EXPECT_EQ(w().view.selectedAgent, nullptr);
        EXPECT_EQ(w().view.recordShown, c.id);
        inspector.update(w());
        ASSERT_TRUE(inspector.isOpen());
        EXPECT_TRUE(inspector.showsRecord());
        EXPECT_EQ(inspector.deathCause(), "starved");
        const std::vector<InspectorRow> rows = inspector.rows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].value, std::to_string(c.id));
        bool lifetime = false;
        for (const InspectorRow& r : rows)
            lifetime = lifetime || (r.label == "lifetime" &&
                                    r.value.find("starved") != std::string::npos);
        EXPECT_TRUE(lifetime);
        EXPECT_EQ(inspector.keptEntry() != nullptr, c.genome);
        EXPECT_EQ(!inspector.genes().empty(), c.genome);
    }
    // Selecting a living creature again takes the record's place; closing
    // the inspector forgets the record.
    w().view.selectedAgent = &creature(0);
    inspector.update(w());
    EXPECT_FALSE(inspector.showsRecord());
    EXPECT_EQ(w().view.recordShown, -1);
    chooseMember(w(), plain, false);
    inspector.update(w());
    inspector.close(w());
    inspector.update(w());
    EXPECT_FALSE(inspector.isOpen());
    EXPECT_EQ(chooseMember(w(), 1 << 30, false), nullptr); // no such member
}

} // namespace
