#include "ui/family_tree_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

#include "ui/control_bar.h"
#include "ui/draw_world.h"
#include "ui/statistics_charts.h"

namespace {

constexpr int kSelectedFollowMode = 5;

const char* originName(FamilyMember::Origin o)
{
    switch (o) {
    case FamilyMember::StartUp: return "start-up";
    case FamilyMember::Refill: return "refill";
    case FamilyMember::Birth: return "born";
    case FamilyMember::Loaded: return "loaded";
    case FamilyMember::Migrant: return "migrant";
    }
    return "?";
}

std::string number(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

} // namespace

TreeColour treeColour(float hue)
{
    // The body colours keep every channel between two bounds (bodyHue);
    // stretched to a wider band they keep their hue with more colour.
    float rgb[3];
    bodyHue(hue, rgb);
    const float lo = 0.5843906f, hi = 200.0f / 255.0f;
    auto stretch = [&](float c) {
        if (rgb[0] == 0.0f && rgb[1] == 0.0f && rgb[2] == 0.0f)
            return std::uint8_t{128}; // no hue: grey
        const float f = std::clamp((c - lo) / (hi - lo), 0.0f, 1.0f);
        return static_cast<std::uint8_t>(std::lround(255.0f * (0.30f + 0.65f * f)));
    };
    return TreeColour{stretch(rgb[0]), stretch(rgb[1]), stretch(rgb[2])};
}

const TreeNode* FamilyTreeLayout::node(int id) const
{
    const auto it = nodeOfId.find(id);
    return it == nodeOfId.end() ? nullptr : &nodes[static_cast<std::size_t>(it->second)];
}

FamilyTreeLayout layOutFamilyTree(const FamilyTree& tree, bool everything)
{
    FamilyTreeLayout layout;
    layout.changes = tree.changes();
    layout.everything = everything;
    const std::vector<FamilyMember>& members = tree.members();
    const std::size_t n = members.size();
    if (n == 0)
        return layout;

    // Each member's initiating parent, as an index.
    std::vector<int> up(n, -1);
    for (std::size_t i = 0; i < n; ++i)
        if (const FamilyMember* p = tree.initiator(members[i]))
            up[i] = static_cast<int>(p - members.data());

    // The living and their ancestors.
    std::vector<std::uint8_t> leadsToLiving(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (!members[i].alive())
            continue;
        ++layout.livingMembers;
        for (int k = static_cast<int>(i); k >= 0 && !leadsToLiving[k]; k = up[k])
            leadsToLiving[k] = 1;
    }

    // The most recent common ancestor: down from the single root of the
    // living's ancestry while the line does not branch and no one on it lives.
    {
        std::vector<int> branches(n, 0);
        int roots = 0, root = -1;
        for (std::size_t i = 0; i < n; ++i) {
            if (!leadsToLiving[i])
                continue;
            if (up[i] >= 0)
                ++branches[up[i]];
            else
                ++roots, root = static_cast<int>(i);
        }
        std::vector<int> onlyChild(n, -1);
        for (std::size_t i = 0; i < n; ++i)
            if (leadsToLiving[i] && up[i] >= 0 && branches[up[i]] == 1)
                onlyChild[up[i]] = static_cast<int>(i);
        if (roots == 1) {
            int k = root;
            while (!members[k].alive() && branches[k] == 1)
                k = onlyChild[k];
            layout.commonAncestor = members[k].id;
        }
        std::vector<int> founders;
        for (const FamilyMember& m : members)
            if (m.alive())
                founders.push_back(m.founder);
        std::sort(founders.begin(), founders.end());
        layout.livingFounders =
            static_cast<int>(std::unique(founders.begin(), founders.end()) - founders.begin());
    }

    // Shown members by birth.
    std::vector<int> order;
    order.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        if (everything || leadsToLiving[i])
            order.push_back(static_cast<int>(i));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return members[a].born < members[b].born;
    });
    std::vector<int> nodeOf(n, -1);
    layout.nodes.reserve(order.size());
    for (int i : order) {
        nodeOf[i] = static_cast<int>(layout.nodes.size());
        layout.nodeOfId[members[i].id] = nodeOf[i];
        TreeNode node;
        node.member = i;
        node.id = members[i].id;
        node.born = members[i].born;
        node.died = members[i].died;
        node.colour = treeColour(members[i].hue);
        // Only a child born here hangs from its parent: start-up, refill,
        // loaded and migrant creatures are roots, even one loaded with the
        // parents it names (its line still leads them to the living).
        const bool born = members[i].origin == FamilyMember::Birth;
        node.parent = born && up[i] >= 0 ? nodeOf[up[i]] : -1;
        layout.nodes.push_back(node);
    }
    layout.start = layout.nodes.empty() ? members.front().born : layout.nodes.front().born;

    // Lanes: the free lane nearest the parent's (below it first), or for a
    // root the first free one.
    const double never = std::numeric_limits<double>::infinity();
    std::vector<double> busyUntil;
    for (std::size_t k = 0; k < layout.nodes.size(); ++k) {
        TreeNode& node = layout.nodes[k];
        const double t = node.born;
        auto isFree = [&](int lane) { return busyUntil[static_cast<std::size_t>(lane)] < t; };
        const int lanes = static_cast<int>(busyUntil.size());
        int chosen = -1;
        if (node.parent >= 0) {
            const int home = layout.nodes[static_cast<std::size_t>(node.parent)].lane;
            for (int d = 1; chosen < 0 && (home + d < lanes || home - d >= 0); ++d) {
                if (home + d < lanes && isFree(home + d))
                    chosen = home + d;
                else if (home - d >= 0 && isFree(home - d))
                    chosen = home - d;
            }
        } else {
            for (int l = 0; l < lanes && chosen < 0; ++l)
                if (isFree(l))
                    chosen = l;
        }
        if (chosen < 0) {
            chosen = lanes;
            busyUntil.push_back(never);
            layout.lanes.emplace_back();
        }
        node.lane = chosen;
        busyUntil[static_cast<std::size_t>(chosen)] = node.alive() ? never : node.died;
        layout.lanes[static_cast<std::size_t>(chosen)].push_back(static_cast<int>(k));
        // The other parent, when it is in view.
        const int partnerId = members[static_cast<std::size_t>(node.member)].parents[1];
        const auto p = layout.nodeOfId.find(partnerId);
        if (node.parent >= 0 && partnerId >= 0 && p != layout.nodeOfId.end() &&
            p->second < static_cast<int>(k))
            node.partner = p->second;
    }

    // The lines left out, folded into the bars they branched from.
    if (!everything) {
        for (std::size_t i = 0; i < n; ++i) {
            if (leadsToLiving[i])
                continue;
            ++layout.hiddenMembers;
            if (up[i] < 0) {
                ++layout.hiddenLines;
            } else if (leadsToLiving[up[i]]) {
                ++layout.hiddenLines;
                ++layout.nodes[static_cast<std::size_t>(nodeOf[up[i]])].folded;
                layout.folds.push_back(Fold{members[i].born, nodeOf[up[i]]});
            }
        }
        std::sort(layout.folds.begin(), layout.folds.end(),
                  [](const Fold& a, const Fold& b) { return a.time < b.time; });
    }
    return layout;
}

double MullerPlot::share(const MullerBand& band, int bin) const
{
    const int total = bin >= 0 && bin < bins ? totals[static_cast<std::size_t>(bin)] : 0;
    return total > 0 ? static_cast<double>(band.count(bin)) / total : 0.0;
}

MullerSpot mullerSpotAt(const MullerPlot& m, double across, double up)
{
    MullerSpot spot;
    if (m.bins <= 0 || !(across >= 0.0 && across < 1.0) || !(up >= 0.0 && up < 1.0))
        return spot;
    const int bin = std::min(m.bins - 1, static_cast<int>(across * m.bins));
    double top = 0.0;
    for (std::size_t k = 0; k < m.bands.size(); ++k) {
        top += m.share(m.bands[k], bin);
        if (up < top && m.bands[k].count(bin) > 0) {
            spot.band = static_cast<int>(k);
            spot.bin = bin;
            return spot;
        }
    }
    return spot;
}

MullerPlot mullerPlot(const FamilyTree& tree, double now, int bins)
{
    MullerPlot plot;
    plot.changes = tree.changes();
    const std::vector<FamilyMember>& members = tree.members();
    if (members.empty() || bins <= 0)
        return plot;
    plot.start = members.front().born;
    for (const FamilyMember& m : members)
        plot.start = std::min(plot.start, m.born);
    plot.end = std::max(now, plot.start + 1e-6);
    plot.bins = bins;
    plot.totals.assign(static_cast<std::size_t>(bins), 0);
    const double width = (plot.end - plot.start) / bins;

    // One band per founder, in the order of the founders' births.
    std::unordered_map<int, std::size_t> bandOf;
    std::vector<double> foundedAt;
    std::vector<int> firstBin, lastBin;
    std::vector<int> bandOfMember(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const FamilyMember& m = members[i];
        auto [it, isNew] = bandOf.emplace(m.founder, plot.bands.size());
        if (isNew) {
            MullerBand band;
            band.founder = m.founder;
            const FamilyMember* f = tree.find(m.founder);
            band.colour = treeColour(f ? f->hue : m.hue);
            band.lone = true;
            plot.bands.push_back(band);
            foundedAt.push_back(f ? f->born : m.born);
            firstBin.push_back(bins);
            lastBin.push_back(-1);
        }
        MullerBand& band = plot.bands[it->second];
        if (m.id != m.founder)
            band.lone = false;
        bandOfMember[i] = static_cast<int>(it->second);
    }
    // The bins whose middle falls in each life: from the first middle at or
    // after its birth to the last before its death.
    auto lifeBins = [&](const FamilyMember& m, int& from, int& to) {
        from = std::max(0, static_cast<int>(std::ceil((m.born - plot.start) / width - 0.5)));
        const double end = m.alive() ? plot.end : m.died;
        to = std::min(bins - 1, static_cast<int>(std::ceil((end - plot.start) / width - 0.5)) - 1);
        // A middle exactly at the death is past the life.
    };
    for (std::size_t i = 0; i < members.size(); ++i) {
        int from = 0, to = -1;
        lifeBins(members[i], from, to);
        if (from > to)
            continue;
        const int b = bandOfMember[i];
        firstBin[b] = std::min(firstBin[b], from);
        lastBin[b] = std::max(lastBin[b], to);
    }
    for (std::size_t b = 0; b < plot.bands.size(); ++b)
        if (firstBin[b] <= lastBin[b]) {
            plot.bands[b].firstBin = firstBin[b];
            plot.bands[b].counts.assign(static_cast<std::size_t>(lastBin[b] - firstBin[b] + 1), 0);
        }
    for (std::size_t i = 0; i < members.size(); ++i) {
        int from = 0, to = -1;
        lifeBins(members[i], from, to);
        MullerBand& band = plot.bands[static_cast<std::size_t>(bandOfMember[i])];
        for (int k = from; k <= to; ++k) {
            ++band.counts[static_cast<std::size_t>(k - band.firstBin)];
            ++plot.totals[static_cast<std::size_t>(k)];
        }
    }
    // Oldest founder at the bottom; bands never seen alive at a bin middle go.
    std::vector<std::size_t> order(plot.bands.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return foundedAt[a] < foundedAt[b]; });
    std::vector<MullerBand> sorted;
    sorted.reserve(order.size());
    for (std::size_t b : order)
        if (!plot.bands[b].counts.empty())
            sorted.push_back(std::move(plot.bands[b]));
    plot.bands = std::move(sorted);
    return plot;
}

void TreeViewport::follow(const FamilyTreeLayout& layout, double now)
{
    const double start = layout.start;
    const double end = std::max(now, start + 1.0);
    const double lanes = std::max<double>(1.0, static_cast<double>(layout.lanes.size()));
    const double shown = std::min(lanes, std::max(1.0, mostLanes));
    if (wholeRun) {
        t0 = start;
        t1 = end;
        lane0 = 0.0;
        lane1 = shown;
        return;
    }
    const bool fromStart = t0 <= start && followsNow;
    const double span = fromStart ? end - start : std::min(t1 - t0, end - start);
    if (followsNow || t1 > end)
        t1 = end;
    t0 = std::max(start, t1 - span);
    t1 = t0 + span;
    const double height = std::min(lane1 - lane0, shown);
    lane0 = std::clamp(lane0, 0.0, lanes - height);
    lane1 = lane0 + height;
}

void TreeViewport::zoomTime(double t, double factor, double start, double now, double shortest,
                            int laneCount)
{
    const double end = std::max(now, start + 1.0);
    const double full = end - start;
    const double span = std::clamp((t1 - t0) * factor, std::min(shortest, full), full);
    const double f = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 1.0;
    t0 = std::clamp(t - f * span, start, end - span);
    t1 = t0 + span;
    followsNow = t1 >= end;
    // Zoomed all the way out with every lane in view (or the first as many
    // as fit): the whole run again.
    wholeRun = span >= full && lane0 <= 0.0 &&
               lane1 >= std::min<double>(std::max(1, laneCount), mostLanes);
}

void TreeViewport::zoomLanes(double l, double factor, int laneCount)
{
    const double all = std::max(1, laneCount);
    const double most = std::min(all, std::max(1.0, mostLanes));
    const double height = std::clamp((lane1 - lane0) * factor, std::min(4.0, most), most);
    const double f = lane1 > lane0 ? std::clamp((l - lane0) / (lane1 - lane0), 0.0, 1.0) : 0.5;
    lane0 = std::clamp(l - f * height, 0.0, all - height);
    lane1 = lane0 + height;
    wholeRun = false;
}

void TreeViewport::pan(double dt, double dl, double start, double now, int laneCount)
{
    const double end = std::max(now, start + 1.0);
    const double span = t1 - t0;
    t0 = std::clamp(t0 + dt, start, end - span);
    t1 = t0 + span;
    followsNow = t1 >= end;
    const double all = std::max(1, laneCount);
    const double height = lane1 - lane0;
    lane0 = std::clamp(lane0 + dl, 0.0, std::max(0.0, all - height));
    lane1 = lane0 + height;
    // The whole run has nowhere to move to.
    if (span < end - start || height < all)
        wholeRun = false;
}

int nodeAt(const FamilyTreeLayout& layout, double now, double t, double lane, double slackTime,
           double slackLanes)
{
    int best = -1;
    double bestDistance = 0.0;
    const int first = std::max(0, static_cast<int>(std::floor(lane - 0.5 - slackLanes)));
    const int last = std::min(static_cast<int>(layout.lanes.size()) - 1,
                              static_cast<int>(std::floor(lane - 0.5 + slackLanes)) + 1);
    for (int l = first; l <= last; ++l) {
        const double dl = std::fabs(lane - (l + 0.5));
        if (dl > slackLanes + 0.5)
            continue;
        const std::vector<int>& inLane = layout.lanes[static_cast<std::size_t>(l)];
        // Bars of a lane do not overlap: by birth is by end too.
        auto it = std::partition_point(inLane.begin(), inLane.end(), [&](int k) {
            return layout.nodes[static_cast<std::size_t>(k)].end(now) < t - slackTime;
        });
        for (; it != inLane.end(); ++it) {
            const TreeNode& node = layout.nodes[static_cast<std::size_t>(*it)];
            if (node.born > t + slackTime)
                break;
            // Nearest across lanes; within a lane, the bar that holds t.
            const double dt = t < node.born ? node.born - t : t > node.end(now) ? t - node.end(now) : 0.0;
            const double distance = dl + dt / std::max(slackTime, 1e-9) * 1e-3;
            if (best < 0 || distance < bestDistance) {
                best = *it;
                bestDistance = distance;
            }
        }
    }
    return best;
}

int nodeAtPoint(const FamilyTreeLayout& layout, const TreeCanvas& canvas, double now, float px,
                float py)
{
    if (!canvas.contains(px, py))
        return -1;
    constexpr double kSlackPixels = 4.0;
    return nodeAt(layout, now, canvas.time(px), canvas.lane(py),
                  kSlackPixels * canvas.secondsPerPixel(),
                  std::min(2.0, kSlackPixels * canvas.lanesPerPixel()));
}

double tickStep(double span, double pixels, double minPixels)
{
    static const double steps[] = {1,    2,    5,     10,    15,    30,    60,    120,
                                   300,  600,  900,   1800,  3600,  7200,  10800, 21600,
                                   43200, 86400};
    const double wanted = pixels > 0 ? span * minPixels / pixels : span;
    for (double s : steps)
        if (s >= wanted)
            return s;
    return std::ceil(wanted / 86400.0) * 86400.0;
}

std::string clockLabel(double seconds)
{
    const long long s = std::llround(std::max(0.0, seconds));
    char text[48];
    if (s < 60)
        std::snprintf(text, sizeof text, "%lld s", s);
    else if (s < 3600 && s % 60 == 0)
        std::snprintf(text, sizeof text, "%lld min", s / 60);
    else if (s < 3600)
        std::snprintf(text, sizeof text, "%lld min %lld s", s / 60, s % 60);
    else if (s % 3600 == 0)
        std::snprintf(text, sizeof text, "%lld h", s / 3600);
    else if (s % 60 == 0)
        std::snprintf(text, sizeof text, "%lld h %lld min", s / 3600, (s % 3600) / 60);
    else
        std::snprintf(text, sizeof text, "%lld h %lld min %lld s", s / 3600, (s % 3600) / 60,
                      s % 60);
    return text;
}

std::vector<InspectorRow> memberRows(const FamilyMember& m, double now)
{
    std::vector<InspectorRow> r;
    r.push_back({"id", std::to_string(m.id)});
    r.push_back({"generation", std::to_string(m.generation)});
    std::string origin = originName(m.origin);
    if (m.origin == FamilyMember::Birth && m.parents[0] >= 0)
        origin += " to " + std::to_string(m.parents[0]) +
                  (m.parents[1] >= 0 ? " and " + std::to_string(m.parents[1]) : std::string());
    if (m.formerId >= 0)
        origin += " (was " + std::to_string(m.formerId) + ")";
    r.push_back({"origin", origin});
    if (m.founder != m.id)
        r.push_back({"founder", std::to_string(m.founder)});
    if (m.alive()) {
        r.push_back({"born", "at " + chartSpanText(m.born)});
        r.push_back({"age", chartSpanText(now - m.born)});
    } else {
        r.push_back({"lived", chartSpanText(m.born) + " to " + chartSpanText(m.died)});
        r.push_back({"lifetime", chartSpanText(m.died - m.born) +
                                     (m.cause == Starved  ? ", starved"
                                      : m.cause == Fallen ? ", fell"
                                                          : "")});
    }
    r.push_back({"foods eaten", std::to_string(m.foods)});
    r.push_back({"children", std::to_string(m.children)});
    r.push_back({"best score", number(m.bestScore, 2)});
    r.push_back({"progress/cycle",
                 m.cycles > 0 ? number(m.meanProgress(), 3) + " (" + std::to_string(m.cycles) +
                                    " cycles)"
                              : std::string("no cycle scored")});
    for (InspectorRow& row : bodyRows(m))
        r.push_back(std::move(row));
    return r;
}

std::vector<InspectorRow> bodyRows(const FamilyMember& m)
{
    std::vector<InspectorRow> r;
    if (m.parts <= 0)
        return r;
    r.push_back({"body", std::to_string(m.parts) + " parts, " + std::to_string(m.joints) +
                             " joints"});
    r.push_back({"limbs, mass", number(m.limbLength, 2) + " m, " + number(m.mass, 2)});
    r.push_back({"at rest", "span " + number(m.span, 2) + " m, height " + number(m.height, 2) +
                                " m"});
    auto distance = [](float d) { return d < 0 ? std::string("-") : number(d, 2); };
    r.push_back({"body distance", "from founder " + distance(m.fromFounder) + ", parent " +
                                      distance(m.fromParent)});
    return r;
}

Agent* chooseMember(World& w, int id, bool follow)
{
    const FamilyMember* m = w.sim.family.find(id);
    if (!m)
        return nullptr;
    Agent* agent = nullptr;
    if (m->alive())
        for (Agent& a : w.sim.population)
            if (a.creatureId == id)
                agent = &a;
    if (agent) {
        w.view.selectedAgent = agent;
        w.view.recordShown = -1;
        if (follow)
            setFollowMode(w, kSelectedFollowMode);
        return agent;
    }
    // A dead one: the inspector shows its record; no living creature stays
    // selected in its place.
    w.view.selectedAgent = nullptr;
    w.view.recordShown = id;
    return nullptr;
}
