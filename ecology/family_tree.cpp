#include "ecology/family_tree.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <sstream>
#include <unordered_set>

#include "creature/agent.h"
#include "creature/gene.h"
#include "ecology/simulated_second.h"

namespace {

// A creature's genome of the full counts (test records may have none).
bool hasBody(const Agent& a)
{
    return a.gene.phases == kGenePhases && a.gene.joints == kGeneJoints &&
           a.gene.parts == kGeneParts &&
           a.gene.values.size() ==
               static_cast<std::size_t>(geneLength(kGenePhases, kGeneJoints, kGeneParts));
}

} // namespace

void FamilyTree::changed()
{
    // One count for every tree, so that a tree made in place of another
    // never takes up the number the old one had.
    static std::atomic<unsigned long long> counter{0};
    changes_ = ++counter;
}

FamilyMember& FamilyTree::add(const Agent& a, double time)
{
    changed();
    livingShapes_.erase(a.creatureId);
    const auto it = byId_.find(a.creatureId);
    FamilyMember* m = nullptr;
    if (it != byId_.end()) {
        // An id seen before (a world reset starts the ids afresh): the new
        // creature takes over the entry.
        m = &members_[it->second];
        *m = FamilyMember{};
    } else {
        byId_[a.creatureId] = members_.size();
        members_.emplace_back();
        m = &members_.back();
    }
    m->id = a.creatureId;
    m->parents[0] = a.parentIds[0];
    m->parents[1] = a.parentIds[1];
    m->generation = a.generation;
    m->born = time;
    m->founder = a.creatureId;
    m->hue = static_cast<float>(a.gene.values.empty() ? 0.0 : a.gene[BODY_COLOR]);
    if (hasBody(a)) {
        const BodyMeasures b = measureBody(a.gene);
        m->parts = b.parts;
        m->joints = b.joints;
        m->limbLength = static_cast<float>(b.limbLength);
        m->mass = static_cast<float>(b.mass);
        m->span = static_cast<float>(b.span);
        m->height = static_cast<float>(b.height);
    }
    largestId_ = std::max(largestId_, a.creatureId);
    return *m;
}

void FamilyTree::arrive(const Agent& a, double time, FamilyMember::Origin origin, int formerId,
                        int fromWorld)
{
    FamilyMember& m = add(a, time);
    m.origin = origin;
    m.formerId = formerId;
    m.fromWorld = fromWorld;
    // Parents it names that are members make it theirs (a creature saved
    // with its family line and loaded back into the same world).
    if (const FamilyMember* p = find(m.parents[0]); p && p->id != m.id)
        m.founder = p->founder;
    if (!hasBody(a))
        return;
    const BodyShape shape = bodyShape(a.gene);
    if (m.founder == m.id) {
        founderBodies_[m.id] = shape;
        m.fromFounder = 0.0f;
    } else if (const auto f = founderBodies_.find(m.founder); f != founderBodies_.end()) {
        m.fromFounder = static_cast<float>(bodyDistance(shape, f->second));
    }
}

void FamilyTree::born(const Agent& child, double time, const Agent* initiator)
{
    FamilyMember& m = add(child, time);
    m.origin = FamilyMember::Birth;
    if (const FamilyMember* p = find(m.parents[0]); p && p->id != m.id)
        m.founder = p->founder;
    if (!hasBody(child))
        return;
    const BodyShape shape = bodyShape(child.gene);
    if (const auto f = founderBodies_.find(m.founder); f != founderBodies_.end())
        m.fromFounder = static_cast<float>(bodyDistance(shape, f->second));
    if (initiator && hasBody(*initiator))
        m.fromParent = static_cast<float>(bodyDistance(shape, bodyShape(initiator->gene)));
}

void FamilyTree::knowFounderBodies(const Population& population)
{
    for (const Agent& a : population) {
        const FamilyMember* m = find(a.creatureId);
        if (m && m->founder == m->id && hasBody(a))
            founderBodies_[m->id] = bodyShape(a.gene);
    }
}

FamilyTree::BodyFigures FamilyTree::bodyFigures(const Population& population) const
{
    BodyFigures f;
    std::vector<BodyShape> shapes;
    double fromFounders = 0.0;
    int known = 0;
    for (const Agent& a : population) {
        if (!hasBody(a))
            continue;
        auto cached = livingShapes_.find(a.creatureId);
        if (cached == livingShapes_.end())
            cached = livingShapes_.emplace(a.creatureId, bodyShape(a.gene)).first;
        shapes.push_back(cached->second);
        for (const BodyShape::Part& p : shapes.back().parts)
            f.meanParts += p.exists ? 1.0 : 0.0;
        const FamilyMember* m = find(a.creatureId);
        if (!m)
            continue;
        if (const auto b = founderBodies_.find(m->founder); b != founderBodies_.end()) {
            fromFounders += bodyDistance(shapes.back(), b->second);
            ++known;
        }
    }
    if (shapes.empty())
        return f;
    f.meanParts /= static_cast<double>(shapes.size());
    f.fromFounders = known > 0 ? fromFounders / known : 0.0;
    double pairs = 0.0;
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t k = i + 1; k < shapes.size(); ++k) {
            f.diversity += bodyDistance(shapes[i], shapes[k]);
            pairs += 1.0;
        }
    if (pairs > 0)
        f.diversity /= pairs;
    return f;
}

void FamilyTree::cameFrom(int id, FamilyMember::Origin origin, int fromWorld)
{
    const auto it = byId_.find(id);
    if (it == byId_.end())
        return;
    members_[it->second].origin = origin;
    members_[it->second].fromWorld = fromWorld;
}

void FamilyTree::died(const Agent& a, double time)
{
    const auto it = byId_.find(a.creatureId);
    if (it == byId_.end())
        return;
    FamilyMember& m = members_[it->second];
    changed();
    livingShapes_.erase(a.creatureId);
    m.died = time;
    m.cause = a.deathCause;
    m.foods = a.foodCount;
    m.children = a.children;
    if (std::isfinite(a.score))
        m.bestScore = std::max(m.bestScore, a.score);
    m.cycles = a.scoredCycles;
    m.progress = a.progressTotal;
}

void FamilyTree::afterStep(const Population& population, double time)
{
    if (enteredNewSecond(time, lastSecond_))
        update(population);
}

void FamilyTree::update(const Population& population)
{
    for (const Agent& a : population) {
        const auto it = byId_.find(a.creatureId);
        if (it == byId_.end())
            continue;
        FamilyMember& m = members_[it->second];
        m.foods = a.foodCount;
        m.children = a.children;
        if (std::isfinite(a.score))
            m.bestScore = std::max(m.bestScore, a.score);
        m.cycles = a.scoredCycles;
        m.progress = a.progressTotal;
    }
}

const FamilyMember* FamilyTree::initiator(const FamilyMember& m) const
{
    // A parent is born before its child; anything else (a damaged tree) ends
    // the line.
    const FamilyMember* up = find(m.parents[0]);
    return up && up != &m && up->born < m.born ? up : nullptr;
}

const FamilyMember* FamilyTree::find(int id) const
{
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &members_[it->second];
}

void FamilyTree::clear()
{
    changed();
    members_.clear();
    byId_.clear();
    founderBodies_.clear();
    livingShapes_.clear();
    largestId_ = -1;
}

void FamilyTree::assign(std::vector<FamilyMember> members)
{
    clear();
    changed();
    members_ = std::move(members);
    for (std::size_t i = 0; i < members_.size(); ++i) {
        byId_[members_[i].id] = i;
        largestId_ = std::max(largestId_, members_[i].id);
    }
}

int FamilyTree::livingFounders(const Population& population) const
{
    std::unordered_set<int> founders;
    for (const Agent& a : population)
        if (const FamilyMember* m = find(a.creatureId))
            founders.insert(m->founder);
    return static_cast<int>(founders.size());
}

CommonAncestor FamilyTree::commonAncestor(const Population& population) const
{
    CommonAncestor result;
    if (population.empty())
        return result;
    // Every living creature counts itself and each of its ancestors once;
    // the common ancestors are those every one counted, and the most recent
    // of them is the first met going up from any living creature.
    std::unordered_map<int, int> counts;
    int living = 0;
    for (const Agent& a : population) {
        ++living;
        for (const FamilyMember* m = find(a.creatureId); m; m = initiator(*m))
            ++counts[m->id];
    }
    for (const FamilyMember* m = find(population.front().creatureId); m; m = initiator(*m)) {
        if (counts[m->id] == living) {
            result.found = true;
            result.id = m->id;
            result.generation = m->generation;
            result.born = m->born;
            return result;
        }
    }
    return result;
}

namespace {

constexpr const char* kFamilyHeader =
    "id,parent_a,parent_b,generation,origin,founder,former_id,from_world,born,died,cause,hue,"
    "foods,children,best_score,cycles,progress";
constexpr int kFamilyColumns = 17;
// The body columns follow; a tree saved before bodies were measured has none.
constexpr const char* kFamilyBodyHeader =
    ",parts,joints,limb_length,mass,span,height,from_founder,from_parent";
constexpr int kFamilyBodyColumns = 8;

} // namespace

std::string encodeFamily(const FamilyTree& tree)
{
    return encodeFamily(tree.members());
}

std::string encodeFamily(const std::vector<FamilyMember>& members)
{
    std::ostringstream o;
    o.precision(17);
    o << kFamilyHeader << kFamilyBodyHeader << '\n';
    for (const FamilyMember& m : members)
        o << m.id << ',' << m.parents[0] << ',' << m.parents[1] << ',' << m.generation << ','
          << static_cast<int>(m.origin) << ',' << m.founder << ',' << m.formerId << ','
          << m.fromWorld << ',' << m.born << ',' << m.died << ',' << m.cause << ',' << m.hue
          << ',' << m.foods << ',' << m.children << ',' << m.bestScore << ',' << m.cycles << ','
          << m.progress << ',' << m.parts << ',' << m.joints << ',' << m.limbLength << ','
          << m.mass << ',' << m.span << ',' << m.height << ',' << m.fromFounder << ','
          << m.fromParent << '\n';
    return o.str();
}

namespace {

constexpr double kIntMax = std::numeric_limits<int>::max();
constexpr double kIntMin = std::numeric_limits<int>::min();

// A whole number from `low` to `high`, so that it fits the int it goes into.
bool wholeIn(double x, double low, double high)
{
    return x == std::floor(x) && x >= low && x <= high;
}

// The numbers of a row, checked against the save, as a member: empty, or
// what keeps the row from being one.
std::string memberOf(const std::vector<double>& v, bool bodies, double clock, FamilyMember& m)
{
    const double maxId = kMaxCreatureId;
    if (!wholeIn(v[0], 0, maxId) || !wholeIn(v[1], -1, maxId) || !wholeIn(v[2], -1, maxId) ||
        !wholeIn(v[5], 0, maxId))
        return "an id outside 0 to " + std::to_string(kMaxCreatureId);
    if (v[8] < 0 || v[8] > clock || (v[9] != -1 && (v[9] < v[8] || v[9] > clock)))
        return "a birth or death outside the save's clock";
    // Hues are degrees; a blend of two parents may pass a bound by rounding.
    if (!wholeIn(v[3], 0, maxId) || !wholeIn(v[4], FamilyMember::StartUp, FamilyMember::Migrant) ||
        !wholeIn(v[6], kIntMin, kIntMax) || !wholeIn(v[7], -1, kIntMax) ||
        !wholeIn(v[10], Alive, Removable) || !(v[11] >= -1.0 && v[11] <= 361.0) ||
        !wholeIn(v[12], 0, kIntMax) || !wholeIn(v[13], 0, kIntMax) || !wholeIn(v[15], 0, 1e15))
        return "a value out of range";
    m.id = static_cast<int>(v[0]);
    m.parents[0] = static_cast<int>(v[1]);
    m.parents[1] = static_cast<int>(v[2]);
    m.generation = static_cast<int>(v[3]);
    m.origin = static_cast<FamilyMember::Origin>(static_cast<int>(v[4]));
    m.founder = static_cast<int>(v[5]);
    m.formerId = static_cast<int>(v[6]);
    m.fromWorld = static_cast<int>(v[7]);
    m.born = v[8];
    m.died = v[9];
    m.cause = static_cast<int>(v[10]);
    m.hue = static_cast<float>(v[11]);
    m.foods = static_cast<int>(v[12]);
    m.children = static_cast<int>(v[13]);
    m.bestScore = v[14];
    m.cycles = static_cast<long long>(v[15]);
    m.progress = v[16];
    if (!bodies)
        return std::string();
    // Counts within a creature's, sizes and distances in a sane range (-1:
    // unknown distance).
    const auto measure = [](double x) { return x >= 0 && x < 1e6; };
    const auto distance = [&](double x) { return x == -1 || measure(x); };
    if (!wholeIn(v[17], 0, kGeneParts) || !wholeIn(v[18], 0, kGeneJoints) || !measure(v[19]) ||
        !measure(v[20]) || !measure(v[21]) || !measure(v[22]) || !distance(v[23]) ||
        !distance(v[24]))
        return "a body measure out of range";
    m.parts = static_cast<int>(v[17]);
    m.joints = static_cast<int>(v[18]);
    m.limbLength = static_cast<float>(v[19]);
    m.mass = static_cast<float>(v[20]);
    m.span = static_cast<float>(v[21]);
    m.height = static_cast<float>(v[22]);
    m.fromFounder = static_cast<float>(v[23]);
    m.fromParent = static_cast<float>(v[24]);
    return std::string();
}

} // namespace

bool decodeFamily(const std::string& text, const Population& living, double clock,
                  std::vector<FamilyMember>& members, std::string& reason)
{
    members.clear();
    std::istringstream lines(text);
    std::string line;
    bool bodies = false;
    if (std::getline(lines, line) && line == std::string(kFamilyHeader) + kFamilyBodyHeader)
        bodies = true;
    else if (line != kFamilyHeader) {
        reason = "its first line is not the family header";
        return false;
    }
    const std::size_t columns = kFamilyColumns + (bodies ? kFamilyBodyColumns : 0);
    std::unordered_map<int, std::size_t> byId;
    long long number = 1;
    std::vector<double> v;
    while (std::getline(lines, line)) {
        ++number;
        v.clear();
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) {
            char* end = nullptr;
            const double x = std::strtod(cell.c_str(), &end);
            if (cell.empty() || *end != '\0' || !std::isfinite(x)) {
                reason = "row " + std::to_string(number) + " holds a cell that is no number";
                return false;
            }
            v.push_back(x);
        }
        FamilyMember m;
        const std::string wrong = v.size() != columns ? std::string("the wrong number of cells")
                                                      : memberOf(v, bodies, clock, m);
        if (!wrong.empty()) {
            reason = "row " + std::to_string(number) + " is not a member (" + wrong + ")";
            return false;
        }
        if (!byId.emplace(m.id, members.size()).second) {
            reason = "row " + std::to_string(number) + " repeats id " + std::to_string(m.id);
            return false;
        }
        members.push_back(m);
    }
    for (std::size_t i = 0; i < members.size(); ++i)
        if (byId.count(members[i].founder) == 0) {
            reason = "row " + std::to_string(i + 2) + " names founder " +
                     std::to_string(members[i].founder) + ", who is no member";
            return false;
        }
    for (const Agent& a : living) {
        const auto it = byId.find(a.creatureId);
        if (it == byId.end() || !members[it->second].alive()) {
            reason = "creature " + std::to_string(a.creatureId) + " of the save is no living member";
            return false;
        }
    }
    // The next save writes the tree with every digit; a tree that would not
    // fit then is refused now, so every save made from this one loads.
    const std::size_t saved = encodeFamily(members).size();
    if (saved > kMaxFamilyFileBytes) {
        reason = "saved again it would take " + std::to_string(saved) + " bytes, more than the " +
                 std::to_string(kMaxFamilyFileBytes) + " a save holds";
        return false;
    }
    return true;
}
