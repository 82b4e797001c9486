#include "ui/creature_details.h"

#include <cmath>
#include <cstdio>

#include "persist/positions.h"
#include "ui/family_tree_view.h"

namespace {

std::string number(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

bool inPopulation(const World& w, const Agent* agent, int id)
{
    for (const auto& a : w.sim.population)
        if (&a == agent)
            return a.creatureId == id;
    return false;
}

const char* intentionName(int mode)
{
    switch (mode) {
    case Intention::Food: return "food";
    case Intention::Mate: return "mate";
    case Intention::NoTarget: return "resting";
    default: return "none";
    }
}

// Readable names of the genome rows; the constant row is not shown.
const char* const kGeneNames[GENE_ROW_COUNT] = {
    "phase duration (s)", nullptr,          "mutation chance", "mutation amount",
    "spread rate",        "mating energy",  "body scale",      "radius scale",
    "hue (deg)",          "cooling",        "parent face switch", "child face switch",
    "parent face",        "child face",     "joint targets",   "hinge axes",
    "joint gains",        "part lengths",   "part radii",      "part presence"};

} // namespace

void CreatureInspector::close(World& w)
{
    dismissed_ = agent_;
    dismissedId_ = id_;
    agent_ = nullptr;
    recordId_ = -1;
    kept_ = nullptr;
    w.view.recordShown = -1;
}

void CreatureInspector::update(World& w)
{
    Agent* selected = w.view.selectedAgent;
    if (!selected)
        dismissed_ = nullptr;
    const bool dismissed = selected == dismissed_ && selected && selected->creatureId == dismissedId_;
    if (selected && selected != agent_ && !dismissed) {
        // A creature selected (by grabbing it, in the tree, in the hall of
        // fame) takes the place of a record shown.
        agent_ = selected;
        id_ = agent_->creatureId;
        w.view.recordShown = -1;
    }
    if (agent_ && !inPopulation(w, agent_, id_))
        agent_ = nullptr;

    if (agent_) {
        const FamilyMember* living = w.sim.family.find(agent_->creatureId);
        livingMember_ = living ? *living : FamilyMember{};
        livingMember_.id = living ? living->id : -1;
    }

    // A dead creature chosen in the tree, while it is in the tree.
    kept_ = nullptr;
    const FamilyMember* m =
        w.view.recordShown >= 0 ? w.sim.family.find(w.view.recordShown) : nullptr;
    if (!m) {
        recordId_ = -1;
        w.view.recordShown = -1;
        return;
    }
    if (recordId_ != m->id)
        agent_ = nullptr;
    if (agent_)
        return;
    recordId_ = m->id;
    record_ = *m;
    now_ = w.sim.time;
    for (const FameEntry& e : w.sim.hallOfFame.entries())
        if (e.id == m->id && e.generation == m->generation && !e.agent && e.kept.record)
            kept_ = &e;
}

const Agent* CreatureInspector::genomeOwner() const
{
    if (agent_)
        return agent_;
    return kept_ ? kept_->kept.record.get() : nullptr;
}

std::string CreatureInspector::deathCause() const
{
    if (!agent_) {
        if (recordId_ < 0)
            return "";
        return record_.cause == Starved  ? "starved"
               : record_.cause == Fallen ? "fallen"
                                         : "died";
    }
    const int state = agent_->lifeState == Removable ? agent_->deathCause : agent_->lifeState;
    return state == Starved ? "starved" : state == Fallen ? "fallen" : "";
}

std::vector<InspectorRow> CreatureInspector::rows() const
{
    std::vector<InspectorRow> r;
    if (!agent_) {
        if (recordId_ >= 0)
            r = memberRows(record_, now_);
        return r;
    }
    const Agent& a = *agent_;
    auto parent = [](int id) { return id >= 0 ? std::to_string(id) : std::string("-"); };
    const MY_VECTOR3 t = a.intention.target();
    const double dx = t.x - a.centre.x, dy = t.y - a.centre.y;
    int joints = 0;
    for (const auto& j : a.joints)
        joints += j.exists ? 1 : 0;
    r.push_back({"id", std::to_string(a.creatureId)});
    r.push_back({"generation", std::to_string(a.generation)});
    r.push_back({"parents", a.parentIds[0] < 0 ? std::string("none")
                                               : parent(a.parentIds[0]) + ", " +
                                                     parent(a.parentIds[1])});
    r.push_back({"age", number(a.age, 1) + " s"});
    r.push_back({"energy", number(a.energy, 3)});
    r.push_back({"intention", intentionName(a.intention.mode)});
    r.push_back({"target distance",
                 a.intention.mode == Intention::Food || a.intention.mode == Intention::Mate
                     ? number(std::sqrt(dx * dx + dy * dy), 2)
                     : std::string("-")});
    r.push_back({"score", number(a.score, 2)});
    r.push_back({"temperature", number(a.temperature, 4)});
    r.push_back({"foods eaten", std::to_string(a.foodCount)});
    r.push_back({"children", std::to_string(a.children)});
    r.push_back({"parts", std::to_string(existingParts(a))});
    r.push_back({"joints", std::to_string(joints)});
    r.push_back({"stored movements", std::to_string(a.learning.moves.size())});
    if (livingMember_.id == a.creatureId)
        for (InspectorRow& row : bodyRows(livingMember_))
            r.push_back(std::move(row));
    return r;
}

std::vector<float> CreatureInspector::recentProgress() const
{
    std::vector<float> v;
    if (const Agent* a = genomeOwner())
        for (double p : a->recentProgress)
            v.push_back(static_cast<float>(p));
    return v;
}

std::vector<GeneView> CreatureInspector::genes() const
{
    std::vector<GeneView> rows;
    const Agent* owner = genomeOwner();
    if (!owner)
        return rows;
    const Gene& g = owner->gene;
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam& p = geneParams[r];
        if (!kGeneNames[r] || p.count <= 0 ||
            p.start + p.count > static_cast<int>(g.values.size()))
            continue;
        GeneView v;
        v.name = kGeneNames[r];
        v.min = static_cast<float>(p.min);
        v.max = static_cast<float>(p.max);
        v.scalar = p.count == 1;
        if (v.scalar) {
            v.value = number(g.values[p.start], r == YAKINAMASI ? 5 : 3);
        } else {
            for (int i = 0; i < p.count; ++i)
                v.values.push_back(static_cast<float>(g.values[p.start + i]));
        }
        rows.push_back(std::move(v));
    }
    return rows;
}
