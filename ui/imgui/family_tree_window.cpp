#include "ui/imgui/family_tree_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ui/imgui/panel_state.h"
#include "ui/imgui/panel_style.h"
#include "ui/panel_layout.h"
#include "ui/statistics_charts.h"

namespace {

constexpr const char* kTitle = "Family tree###FamilyTree";
constexpr ImU32 kGround = IM_COL32(32, 32, 46, 255);
constexpr ImU32 kGrid = IM_COL32(70, 70, 95, 255);
constexpr ImU32 kAxisText = IM_COL32(225, 225, 240, 230);
constexpr ImU32 kSelected = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kFollowed = IM_COL32(255, 205, 60, 255);
// Zooming in stops at this many simulated seconds across.
constexpr double kShortestSpan = 20.0;
// Rectangles of the tree a frame at most, of them the bars' share, and the
// children in view up to which every partner's line is drawn; rectangles of
// the Muller plot.
constexpr int kTreeRectangles = 11000;
constexpr int kBarRectangles = 7000;
constexpr std::ptrdiff_t kPartnerLinesUpTo = 1500;
constexpr int kMullerRectangles = 3000;

// The family tree's part of the panels' record.
FamilyTreePanel& state = panelState().familyTree;

ImU32 colourOf(const TreeColour& c, int alpha = 255)
{
    return IM_COL32(c.r, c.g, c.b, alpha);
}

// Lays the tree out again when it changed or the switch did; the Muller plot
// likewise, and when now has gone on by half a bin.
void bringUpToDate(const World& w, int mullerBins)
{
    const FamilyTree& tree = w.sim.family;
    if (state.tree != &tree) {
        state.tree = &tree;
        state.laidOut = false;
        state.mullerMade = false;
    }
    if (!state.laidOut || state.layout.changes != tree.changes() ||
        state.layout.everything != state.everything) {
        state.layout = layOutFamilyTree(tree, state.everything);
        state.laidOut = true;
    }
    const MullerPlot& m = state.muller;
    const double halfBin = m.bins > 0 ? (m.end - m.start) / m.bins / 2 : 0.0;
    if (!state.mullerMade || m.changes != tree.changes() || m.bins != mullerBins ||
        w.sim.time - m.end > halfBin) {
        state.muller = mullerPlot(tree, w.sim.time, mullerBins);
        state.mullerMade = true;
    }
}

// Ticks and their times under a time axis from x0 to x1.
void timeAxis(ImDrawList* list, float x0, float x1, float y, double t0, double t1)
{
    const double step = tickStep(t1 - t0, x1 - x0, 90.0);
    const float small = ImGui::GetFontSize() * 0.9f;
    ImFont* font = ImGui::GetFont();
    for (double t = std::ceil(t0 / step) * step; t <= t1; t += step) {
        const float x = x0 + static_cast<float>((t - t0) / (t1 - t0)) * (x1 - x0);
        list->AddLine(ImVec2(x, y), ImVec2(x, y + 3.0f), kAxisText);
        const std::string label = clockLabel(t);
        const float width = font->CalcTextSizeA(small, 1e9f, 0.0f, label.c_str()).x;
        const float at = std::clamp(x - width / 2, x0, x1 - width);
        list->AddText(font, small, ImVec2(at, y + 3.0f), kAxisText, label.c_str());
    }
}

// One drawing of the tree on its canvas, in stages: the grid, the lines to
// the parents, the bars, the ticks of changed bodies and of folded lines,
// where the lanes in view stand, the common ancestor and the marks. The
// stages share the canvas's figures and a budget of rectangles: a window's
// drawing holds at most 65536 vertices (four a rectangle), and fewer keep
// the frame quick.
class TreeDrawing {
public:
    TreeDrawing(ImDrawList* list, const World& w, const TreeCanvas& c)
        : list_(list), w_(w), c_(c), v_(c.view), layout_(state.layout), nodes_(layout_.nodes),
          now_(w.sim.time)
    {
        laneHeight_ = (c.y1 - c.y0) / static_cast<float>(v_.lane1 - v_.lane0);
        half_ = std::clamp(laneHeight_ * 0.3f, 0.5f, 3.0f);
        firstLane_ = std::max(0, static_cast<int>(std::floor(v_.lane0)));
        lastLane_ = std::min(static_cast<int>(layout_.lanes.size()) - 1,
                             static_cast<int>(std::ceil(v_.lane1)));
        state.simplified = false;
    }

    // Grid lines at the axis's ticks.
    void grid()
    {
        const double step = tickStep(v_.t1 - v_.t0, c_.x1 - c_.x0, 90.0);
        for (double t = std::ceil(v_.t0 / step) * step; t <= v_.t1; t += step)
            list_->AddRectFilled(ImVec2(c_.x(t), c_.y0), ImVec2(c_.x(t) + 1.0f, c_.y1), kGrid);
    }

    // The lines to the parents, of the children born in view: the
    // initiating parent's in its colour, the partner's fainter (for every
    // creature while few are in view, else for the marked ones). Nodes are
    // by birth.
    void parentLines()
    {
        auto firstBornFrom = [&](double t) {
            return std::partition_point(nodes_.begin(), nodes_.end(),
                                        [&](const TreeNode& n) { return n.born < t; });
        };
        const auto bornBegin = firstBornFrom(v_.t0 - c_.secondsPerPixel());
        const auto bornEnd = firstBornFrom(v_.t1 + c_.secondsPerPixel());
        const std::ptrdiff_t children = bornEnd - bornBegin;
        everyPartner_ = children <= kPartnerLinesUpTo;
        // Too many children in view: every so many of their lines.
        const int lineBudget = kTreeRectangles - kBarRectangles;
        const std::ptrdiff_t stride =
            std::max<std::ptrdiff_t>(1, (children + lineBudget - 1) / lineBudget);
        if (stride > 1)
            state.simplified = true;
        budget_ = lineBudget;
        for (int k = 0; k < 2; ++k) {
            for (auto it = bornBegin; it != bornEnd; ++it) {
                const int p = k == 0 ? it->parent : it->partner;
                if (p < 0 || (k == 1 && !everyPartner_) || (it - bornBegin) % stride != 0)
                    continue;
                const TreeNode& parent = nodes_[static_cast<std::size_t>(p)];
                const float y = c_.y(it->lane + 0.5), py = c_.y(parent.lane + 0.5);
                // Off the canvas, or too short to be seen beside the bars.
                if (std::max(y, py) < c_.y0 || std::min(y, py) > c_.y1 ||
                    std::fabs(y - py) < 0.75f)
                    continue;
                const float x = std::floor(c_.x(it->born));
                rect(x, std::min(y, py), x + 1.0f, std::max(y, py),
                     colourOf(parent.colour, k == 0 ? 200 : 70));
            }
        }
    }

    // The bars, lane by lane; a lane's bars do not overlap, so by birth is
    // by end too. Bars under a pixel and a half long join their neighbours
    // in a lane; when the bars in view are more than the budget, bars that
    // touch join until they are long enough to fit it.
    void bars()
    {
        budget_ += kBarRectangles;
        std::size_t barsInView = 0;
        double pixelsInView = 0.0;
        for (int l = firstLane_; l <= lastLane_; ++l) {
            const std::vector<int>& lane = layout_.lanes[static_cast<std::size_t>(l)];
            for (auto it = laneBegin(lane); it != lane.end(); ++it, ++barsInView) {
                const TreeNode& n = nodes_[static_cast<std::size_t>(*it)];
                if (n.born > v_.t1)
                    break;
                pixelsInView +=
                    std::min(c_.x1, c_.x(n.end(now_))) - std::max(c_.x0, c_.x(n.born)) + 1.0f;
            }
        }
        float joinUnder = 1.5f;
        if (barsInView > static_cast<std::size_t>(budget_) * 8 / 10) {
            joinUnder = std::max(joinUnder, static_cast<float>(pixelsInView / (budget_ * 0.7)));
            state.simplified = true;
        }
        for (int l = firstLane_; l <= lastLane_; ++l) {
            const std::vector<int>& lane = layout_.lanes[static_cast<std::size_t>(l)];
            const float y = c_.y(l + 0.5);
            float px0 = 0.0f, px1 = -1e9f;
            ImU32 pcolour = 0;
            for (auto it = laneBegin(lane); it != lane.end(); ++it) {
                const TreeNode& n = nodes_[static_cast<std::size_t>(*it)];
                if (n.born > v_.t1)
                    break;
                const float x0 = std::max(c_.x0, c_.x(n.born));
                const float x1 = std::max(x0 + 1.0f, std::min(c_.x1, c_.x(n.end(now_))));
                if (x0 <= px1 + 0.5f && (x1 - x0 < 1.5f || px1 - px0 < joinUnder)) {
                    px1 = std::max(px1, x1);
                    continue;
                }
                if (px1 > px0)
                    rect(px0, y - half_, px1, y + half_, pcolour);
                px0 = x0, px1 = x1, pcolour = colourOf(n.colour);
            }
            if (px1 > px0)
                rect(px0, y - half_, px1, y + half_, pcolour);
        }
    }

    // Births whose body differs clearly from the parent's (by 1 or more: a
    // part gained or lost, a joint moved, or as much in sizes and pose): a
    // short amber tick over the bar, so a line's changes of body show.
    void bodyChanges()
    {
        if (laneHeight_ < 3.0f)
            return;
        const std::vector<FamilyMember>& members = w_.sim.family.members();
        for (int l = firstLane_; l <= lastLane_; ++l) {
            const std::vector<int>& lane = layout_.lanes[static_cast<std::size_t>(l)];
            for (auto it = laneBegin(lane); it != lane.end(); ++it) {
                const TreeNode& n = nodes_[static_cast<std::size_t>(*it)];
                if (n.born > v_.t1)
                    break;
                if (n.member < 0 || n.member >= static_cast<int>(members.size()) ||
                    members[static_cast<std::size_t>(n.member)].fromParent < 1.0f)
                    continue;
                const float x = std::floor(c_.x(n.born));
                const float y = c_.y(l + 0.5);
                rect(x, y - half_ - 3.0f, x + 1.0f, y - half_, IM_COL32(255, 190, 60, 230));
            }
        }
    }

    // Where extinct lines were folded away: a short grey tick under the bar.
    void folds()
    {
        if (layout_.folds.empty() || laneHeight_ < 3.0f)
            return;
        auto it = std::partition_point(layout_.folds.begin(), layout_.folds.end(),
                                       [&](const Fold& f) { return f.time < v_.t0; });
        for (; it != layout_.folds.end() && it->time <= v_.t1; ++it) {
            const TreeNode& n = nodes_[static_cast<std::size_t>(it->node)];
            if (n.lane < firstLane_ || n.lane > lastLane_)
                continue;
            const float x = std::floor(c_.x(it->time));
            const float y = c_.y(n.lane + 0.5);
            rect(x, y + half_, x + 1.0f, y + half_ + 3.0f, IM_COL32(160, 160, 170, 160));
        }
    }

    // Lanes out of view: where the lanes shown stand among them all.
    void laneScroll()
    {
        const double allLanes = static_cast<double>(layout_.lanes.size());
        if (v_.lane1 - v_.lane0 >= allLanes)
            return;
        const float top = c_.y0 + static_cast<float>(v_.lane0 / allLanes) * (c_.y1 - c_.y0);
        const float bottom = c_.y0 + static_cast<float>(v_.lane1 / allLanes) * (c_.y1 - c_.y0);
        list_->AddRectFilled(ImVec2(c_.x1 - 4.0f, c_.y0), ImVec2(c_.x1, c_.y1),
                             IM_COL32(0, 0, 0, 150));
        list_->AddRectFilled(ImVec2(c_.x1 - 4.0f, top),
                             ImVec2(c_.x1, std::max(bottom, top + 3.0f)),
                             IM_COL32(220, 220, 235, 200));
    }

    // The common ancestor of the living: a ring at its birth.
    void ancestor()
    {
        if (const TreeNode* a = layout_.node(layout_.commonAncestor))
            list_->AddCircle(ImVec2(c_.x(a->born), c_.y(a->lane + 0.5)), 4.5f, kSelected, 12,
                             1.5f);
    }

    // The hovered, the selected (or the dead one shown) and the followed
    // creature.
    void marks(int hovered)
    {
        if (hovered >= 0)
            mark(nodes_[static_cast<std::size_t>(hovered)].id, IM_COL32(255, 255, 255, 150),
                 0.0f);
        if (const Agent* s = w_.view.selectedAgent)
            mark(s->creatureId, kSelected, 0.0f);
        else if (w_.view.recordShown >= 0)
            mark(w_.view.recordShown, kSelected, 0.0f);
        if (const Agent* f = w_.view.followedAgent)
            mark(f->creatureId, kFollowed, 2.0f);
    }

private:
    // A rectangle within the budget; past it, the last resort: the rest is
    // left out.
    void rect(float x0, float y0, float x1, float y1, ImU32 colour)
    {
        if (budget_ <= 0) {
            state.simplified = true;
            return;
        }
        --budget_;
        list_->AddRectFilled(ImVec2(x0, y0), ImVec2(x1, y1), colour);
    }

    // The first of a lane's creatures alive at the view's start.
    std::vector<int>::const_iterator laneBegin(const std::vector<int>& lane) const
    {
        return std::partition_point(lane.begin(), lane.end(), [&](int k) {
            return nodes_[static_cast<std::size_t>(k)].end(now_) < v_.t0;
        });
    }

    // A creature's bar drawn thicker inside a frame with a dark edge, at
    // least a few pixels wide.
    void mark(int id, ImU32 colour, float grow)
    {
        const TreeNode* n = layout_.node(id);
        if (!n)
            return;
        const float y = c_.y(n->lane + 0.5);
        const float thick = std::max(half_, 2.5f);
        float x0 = c_.x(n->born), x1 = c_.x(n->end(now_));
        if (x1 - x0 < 6.0f)
            x0 -= 3.0f, x1 += 3.0f;
        list_->AddRectFilled(ImVec2(x0, y - thick), ImVec2(x1, y + thick), colourOf(n->colour));
        if (n->partner >= 0 && !everyPartner_) {
            const TreeNode& p = nodes_[static_cast<std::size_t>(n->partner)];
            const float px = std::floor(c_.x(n->born)), py = c_.y(p.lane + 0.5);
            list_->AddRectFilled(ImVec2(px, std::min(y, py)), ImVec2(px + 1.0f, std::max(y, py)),
                                 colourOf(p.colour, 110));
        }
        const ImVec2 a(x0 - 2.0f - grow, y - thick - 2.0f - grow);
        const ImVec2 b(x1 + 2.0f + grow, y + thick + 2.0f + grow);
        list_->AddRect(ImVec2(a.x - 1.0f, a.y - 1.0f), ImVec2(b.x + 1.0f, b.y + 1.0f),
                       IM_COL32(0, 0, 0, 200), 0.0f, 0, 1.0f);
        list_->AddRect(a, b, colour, 0.0f, 0, 2.0f);
    }

    ImDrawList* list_;
    const World& w_;
    const TreeCanvas& c_;
    const TreeViewport& v_;
    const FamilyTreeLayout& layout_;
    const std::vector<TreeNode>& nodes_;
    const double now_;
    float laneHeight_ = 0.0f, half_ = 0.0f;
    int firstLane_ = 0, lastLane_ = -1;
    int budget_ = kTreeRectangles;
    bool everyPartner_ = true;
};

void drawTree(ImDrawList* list, const World& w, const TreeCanvas& c, int hovered)
{
    list->AddRectFilled(ImVec2(c.x0, c.y0), ImVec2(c.x1, c.y1), kGround);
    list->PushClipRect(ImVec2(c.x0, c.y0), ImVec2(c.x1, c.y1), true);
    TreeDrawing drawing(list, w, c);
    drawing.grid();
    drawing.parentLines();
    drawing.bars();
    drawing.bodyChanges();
    drawing.folds();
    drawing.laneScroll();
    drawing.ancestor();
    drawing.marks(hovered);
    list->PopClipRect();
}

// The founder families' shares over the whole run, stacked in columns of
// the bins, with the tree's stretch of time lit.
void drawMuller(ImDrawList* list, float x0, float y0, float x1, float y1)
{
    const MullerPlot& m = state.muller;
    list->AddRectFilled(ImVec2(x0, y0), ImVec2(x1, y1), kGround);
    if (m.bins <= 0)
        return;
    const float width = (x1 - x0) / static_cast<float>(m.bins);
    std::vector<float> stacked(static_cast<std::size_t>(m.bins), y1);
    // A band's columns that stand at the same height join into one
    // rectangle; past the budget the plot ends (never seen in real runs).
    int budget = kMullerRectangles;
    for (const MullerBand& band : m.bands) {
        const ImU32 colour = colourOf(band.colour, band.lone ? 150 : 255);
        ImVec2 a(0.0f, 0.0f), b(-1.0f, 0.0f);
        auto flush = [&] {
            if (b.x > a.x && budget-- > 0)
                list->AddRectFilled(a, b, colour);
            b.x = a.x - 1.0f;
        };
        for (std::size_t i = 0; i < band.counts.size(); ++i) {
            const int bin = band.firstBin + static_cast<int>(i);
            if (band.counts[i] == 0) {
                flush();
                continue;
            }
            const float h = static_cast<float>(m.share(band, bin)) * (y1 - y0);
            float& top = stacked[static_cast<std::size_t>(bin)];
            const float bx = x0 + bin * width;
            if (b.x >= bx - 0.01f && std::fabs(a.y - (top - h)) < 0.25f &&
                std::fabs(b.y - top) < 0.25f) {
                b.x = bx + width;
            } else {
                flush();
                a = ImVec2(bx, top - h);
                b = ImVec2(bx + width, top);
            }
            top -= h;
        }
        flush();
    }
    // The tree's stretch of time, when it is not the whole run: darker outside.
    const TreeViewport& v = state.view;
    if (!v.wholeRun && m.end > m.start) {
        auto xOf = [&](double t) {
            return x0 + static_cast<float>((t - m.start) / (m.end - m.start)) * (x1 - x0);
        };
        const float a = std::clamp(xOf(v.t0), x0, x1), b = std::clamp(xOf(v.t1), x0, x1);
        list->AddRectFilled(ImVec2(x0, y0), ImVec2(a, y1), IM_COL32(0, 0, 0, 120));
        list->AddRectFilled(ImVec2(b, y0), ImVec2(x1, y1), IM_COL32(0, 0, 0, 120));
    }
}

// The family under the cursor on the Muller plot: its column framed, and
// its founder, share and count in a tooltip.
void mullerHover(ImDrawList* list, float x0, float y0, float x1, float y1)
{
    const MullerPlot& m = state.muller;
    if (m.bins <= 0 || !ImGui::IsWindowHovered() || x1 <= x0 || y1 <= y0)
        return;
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const MullerSpot spot = mullerSpotAt(m, (mouse.x - x0) / (x1 - x0), (y1 - mouse.y) / (y1 - y0));
    if (spot.band < 0)
        return;
    const MullerBand& band = m.bands[static_cast<std::size_t>(spot.band)];
    double below = 0.0;
    for (int k = 0; k < spot.band; ++k)
        below += m.share(m.bands[static_cast<std::size_t>(k)], spot.bin);
    const double share = m.share(band, spot.bin);
    const float width = (x1 - x0) / static_cast<float>(m.bins);
    const float bx = x0 + static_cast<float>(spot.bin) * width;
    const float top = y1 - static_cast<float>(below + share) * (y1 - y0);
    const float bottom = y1 - static_cast<float>(below) * (y1 - y0);
    list->AddRect(ImVec2(bx - 1.0f, top - 1.0f), ImVec2(bx + width + 1.0f, bottom + 1.0f),
                  kSelected, 0.0f, 0, 1.5f);
    ImGui::BeginTooltip();
    ImGui::SetWindowFontScale(kFontScale);
    ImGui::Text("family of founder #%d%s", band.founder, band.lone ? " (no descendant)" : "");
    ImGui::Text("%.0f%% of the living: %d of %d creature%s", 100.0 * share, band.count(spot.bin),
                m.totals[static_cast<std::size_t>(spot.bin)],
                m.totals[static_cast<std::size_t>(spot.bin)] == 1 ? "" : "s");
    ImGui::TextDisabled("around %s", clockLabel(m.binTime(spot.bin)).c_str());
    ImGui::EndTooltip();
}

void tooltip(const World& w, int node)
{
    const TreeNode& n = state.layout.nodes[static_cast<std::size_t>(node)];
    const FamilyMember& m = w.sim.family.members()[static_cast<std::size_t>(n.member)];
    ImGui::BeginTooltip();
    ImGui::SetWindowFontScale(kFontScale);
    const std::vector<InspectorRow> rows = memberRows(m, w.sim.time);
    const float valueX = ImGui::CalcTextSize("progress/cycle").x + 10.0f;
    for (const InspectorRow& r : rows) {
        ImGui::TextUnformatted(r.label.c_str());
        ImGui::SameLine(valueX);
        ImGui::TextUnformatted(r.value.c_str());
    }
    if (n.folded > 0)
        ImGui::TextDisabled("%d extinct line%s branched off", n.folded, n.folded == 1 ? "" : "s");
    if (m.id == state.layout.commonAncestor)
        ImGui::TextDisabled("common ancestor of the living");
    ImGui::TextDisabled(m.alive() ? "click: select, double click: follow" : "click: show its record");
    ImGui::EndTooltip();
}

} // namespace

void showEveryFamilyLine(bool every)
{
    state.everything = every;
}

void openFamilyTreeWindow(bool open)
{
    state.openNext = open ? 1 : 0;
}

TreeViewport& familyTreeViewport()
{
    return state.view;
}

const DrawnFamilyTree* drawnFamilyTree()
{
    return state.drawnOnce ? &state.drawn : nullptr;
}

int clickFamilyTree(World& w, float x, float y, bool doubleClick)
{
    const DrawnFamilyTree* d = drawnFamilyTree();
    if (!d || !d->layout)
        return -1;
    const int node = nodeAtPoint(*d->layout, d->canvas, d->now, x, y);
    if (node < 0) {
        if (doubleClick && d->canvas.contains(x, y))
            state.view.showWholeRun();
        return -1;
    }
    const int id = d->layout->nodes[static_cast<std::size_t>(node)].id;
    chooseMember(w, id, doubleClick);
    return id;
}

void drawFamilyTreeWindow(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope)
        return;
    // On the statistics strip (drawn just before), or on its title bar.
    const DockLayout dock = dockLayout(w.view.windowWidth, w.view.windowHeight);
    const ImGuiWindow* statistics = ImGui::FindWindowByName("###Statistics");
    const bool statisticsOpen = statistics && statistics->Active && !statistics->Collapsed;
    const PanelRect band = familyTreeRect(dock, w.view.windowHeight, statisticsOpen,
                                          statistics && statistics->Active ? statistics->Pos.y
                                                                           : -1.0f);
    ImGui::SetNextWindowPos(ImVec2(band.x, band.bottom()), ImGuiCond_Always, ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(band.width, band.height), ImGuiCond_Always);
    if (state.openNext >= 0)
        ImGui::SetNextWindowCollapsed(state.openNext == 0, ImGuiCond_Always);
    else
        ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);
    state.openNext = -1;

    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 3.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, 2.0f));
    const bool visible = ImGui::Begin(
        kTitle, nullptr,
        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
            ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::SetWindowFontScale(kFontScale);
    // Small buttons inside; the title bar keeps the other panels' height.
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4.0f, 1.0f));
    if (visible) {
        const ImVec2 room = ImGui::GetContentRegionAvail();
        const float gap = 10.0f;
        const float mullerWidth = std::clamp(room.x * 0.28f, 150.0f, 380.0f);
        bringUpToDate(w, std::max(8, static_cast<int>(mullerWidth / 2.0f)));
        const FamilyTreeLayout& layout = state.layout;
        const double now = w.sim.time;

        // The switch and what it hides, the view's button and the hints.
        ImGui::Checkbox("every line", &state.everything);
        ImGui::SameLine();
        if (state.simplified) {
            ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f), "(too many to draw: zoom in)");
            ImGui::SameLine();
        }
        if (layout.everything)
            ImGui::Text("%zu creatures, %d alive", layout.nodes.size(), layout.livingMembers);
        else
            ImGui::Text("%d alive; %d extinct line%s (%d creatures) hidden", layout.livingMembers,
                        layout.hiddenLines, layout.hiddenLines == 1 ? "" : "s",
                        layout.hiddenMembers);
        ImGui::SameLine();
        // Read once: the click turns it on between the two calls.
        const bool wholeRun = state.view.wholeRun;
        ImGui::BeginDisabled(wholeRun);
        if (ImGui::Button("whole run"))
            state.view.showWholeRun();
        ImGui::EndDisabled();
        // The hints, when the line has room for them.
        const char* hints = "wheel: zoom  drag: pan  Ctrl+wheel: lanes";
        ImGui::SameLine();
        if (ImGui::GetContentRegionAvail().x >= ImGui::CalcTextSize(hints).x)
            ImGui::TextColored(ImVec4(0.85f, 0.85f, 0.95f, 0.8f), "%s", hints);
        else
            ImGui::NewLine();

        // The tree on the left, its time axis under it.
        const ImVec2 at = ImGui::GetCursorScreenPos();
        const float axisHeight = ImGui::GetFontSize() + 4.0f;
        const float treeWidth = std::max(40.0f, room.x - mullerWidth - gap);
        const float height = std::max(20.0f, ImGui::GetContentRegionAvail().y - axisHeight);
        // Lanes never thinner than a pixel: more scroll.
        state.view.mostLanes = std::max(4.0, std::floor(static_cast<double>(height)));
        state.view.follow(layout, now);
        TreeCanvas canvas;
        canvas.x0 = at.x;
        canvas.y0 = at.y;
        canvas.x1 = at.x + treeWidth;
        canvas.y1 = at.y + height;
        canvas.view = state.view;
        ImDrawList* list = ImGui::GetWindowDrawList();
        if (layout.nodes.empty()) {
            list->AddRectFilled(ImVec2(canvas.x0, canvas.y0), ImVec2(canvas.x1, canvas.y1),
                                kGround);
            list->AddText(ImVec2(canvas.x0 + 6, canvas.y0 + 4), kAxisText, "No creature yet.");
        } else {
            // The creature under the cursor is lit.
            const ImVec2 mouse = ImGui::GetIO().MousePos;
            const int hovered = ImGui::IsWindowHovered() && !ImGui::IsMouseDragging(0, 3.0f)
                                    ? nodeAtPoint(layout, canvas, now, mouse.x, mouse.y)
                                    : -1;
            drawTree(list, w, canvas, hovered);
            timeAxis(list, canvas.x0, canvas.x1, canvas.y1, state.view.t0, state.view.t1);
        }
        state.drawn.canvas = canvas;
        state.drawn.layout = &state.layout;
        state.drawn.now = now;
        state.drawn.simplified = state.simplified;
        state.drawnOnce = true;

        // The mouse over the tree: hover, click, drag, wheel.
        ImGui::InvisibleButton("##tree", ImVec2(treeWidth, height));
        const ImGuiIO& io = ImGui::GetIO();
        const int laneCount = static_cast<int>(layout.lanes.size());
        if (ImGui::IsItemActive() && ImGui::IsMouseDragging(ImGuiMouseButton_Left, 3.0f))
            state.view.pan(-io.MouseDelta.x * canvas.secondsPerPixel(),
                           -io.MouseDelta.y * canvas.lanesPerPixel(), layout.start, now, laneCount);
        if (ImGui::IsItemHovered()) {
            const float mx = io.MousePos.x, my = io.MousePos.y;
            if (io.MouseWheel != 0.0f) {
                const double factor = std::pow(0.8, io.MouseWheel);
                if (io.KeyCtrl)
                    state.view.zoomLanes(canvas.lane(my), factor, laneCount);
                else
                    state.view.zoomTime(canvas.time(mx), factor, layout.start, now, kShortestSpan,
                                        laneCount);
            }
            if (io.MouseWheelH != 0.0f)
                state.view.pan(io.MouseWheelH * 40.0 * canvas.secondsPerPixel(), 0.0,
                               layout.start, now, laneCount);
            if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
                clickFamilyTree(w, mx, my, true);
            } else if (ImGui::IsItemDeactivated() &&
                       io.MouseDragMaxDistanceSqr[ImGuiMouseButton_Left] < 9.0f) {
                clickFamilyTree(w, mx, my, false);
            } else if (!ImGui::IsItemActive()) {
                const int node = nodeAtPoint(layout, canvas, now, mx, my);
                if (node >= 0)
                    tooltip(w, node);
            }
        }

        // The founder families beside it: the two lineage numbers above
        // their shares, the run's span under them.
        const float mx0 = canvas.x1 + gap, mx1 = at.x + room.x;
        const float lineHeight = ImGui::GetTextLineHeightWithSpacing();
        ImGui::SetCursorScreenPos(ImVec2(mx0, at.y));
        ImGui::Text("founder families alive: %d", layout.livingFounders);
        ImGui::SetCursorScreenPos(ImVec2(mx0, at.y + lineHeight));
        if (const FamilyMember* a = w.sim.family.find(layout.commonAncestor))
            ImGui::Text("common ancestor: gen %d, %s ago", a->generation,
                        chartSpanText(now - a->born).c_str());
        else
            ImGui::TextUnformatted("common ancestor: none");
        const float plotTop = at.y + 2 * lineHeight + 2.0f;
        if (canvas.y1 - plotTop > 8.0f) {
            drawMuller(list, mx0, plotTop, mx1, canvas.y1);
            mullerHover(list, mx0, plotTop, mx1, canvas.y1);
            if (state.muller.bins > 0)
                timeAxis(list, mx0, mx1, canvas.y1, state.muller.start, state.muller.end);
        }
    }
    ImGui::PopStyleVar();
    ImGui::End();
    ImGui::PopStyleVar(2);
}
