#include "creature/movement_store.h"

#include <array>
#include <cmath>

namespace {

constexpr double kAngleLimit = 3.14159265358979;
constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kCone = 0.5233333333333333;

// An angle outside the open range (or not a number) becomes 0.
double guardAngle(double r)
{
    return (r > -kAngleLimit && r < kAngleLimit) ? r : 0.0;
}

// A sine or cosine outside (-100, 100) (or not a number) becomes 0.
double guardTrig(double v)
{
    return (v > -100.0 && v < 100.0) ? v : 0.0;
}

using SectorCounts = std::array<int, 8>;

SectorCounts countSectors(const std::list<AlgLearanAction::DeltaMove>& moves)
{
    SectorCounts counts{};
    for (const auto& m : moves)
        ++counts[angleSector(m.angle)];
    return counts;
}

// A fresh random movement for direction t, with the counts of `like`.
AlgLearanAction::DeltaMove freshMove(const Gene& like, double t, Random& random)
{
    AlgLearanAction::DeltaMove m;
    m.gene = like;
    m.gene.randomize(-1, -1, -1, random);
    m.angle = t;
    m.meanX = guardTrig(std::cos(t));
    m.meanY = guardTrig(std::sin(t));
    return m;
}

} // namespace

double signedAngle(const MY_VECTOR2& u, const MY_VECTOR2& v)
{
    const double dot = u.x * v.x + u.y * v.y;
    const double lu = std::sqrt(u.x * u.x + u.y * u.y);
    const double lv = std::sqrt(v.x * v.x + v.y * v.y);
    double r = std::acos(dot / (lv * lu));
    r *= (u.x * v.y - v.x * u.y > 0) ? 1.0 : -1.0;
    return guardAngle(r);
}

double dirAngle(const MY_VECTOR2& w)
{
    return signedAngle(MY_VECTOR2{1.0, 0.0}, w);
}

int angleSector(double angle)
{
    const double s = angle / kQuarterPi + 4.0;
    if (!(s >= 0.0))
        return 0;
    if (s >= 8.0)
        return 7;
    return static_cast<int>(s);
}

void AlgLearanAction::reset(const Gene& gene, Random& random)
{
    moves.clear();
    for (int i = 0; i < kInitialMoves; ++i) {
        const double a = (i - 16) * 0.03125 * 2 * 3.141592653589793;
        DeltaMove m = freshMove(gene, a, random);
        moves.push_back(std::move(m));
    }
}

AlgLearanAction::DeltaMove* AlgLearanAction::selectMove(const MY_VECTOR2& d, Random& random)
{
    if (moves.empty())
        return nullptr;
    fillSector(d, random);

    const double ld = std::sqrt(d.x * d.x + d.y * d.y);
    double best = -1.0;
    DeltaMove* chosen = nullptr;
    for (auto& m : moves) {
        const double p = m.meanY * d.y + m.meanX * d.x;
        const double lm = std::sqrt(m.meanX * m.meanX + m.meanY * m.meanY);
        const double q = guardAngle(std::acos(p / (lm * ld)));
        if (p > best && std::fabs(q) < kCone) {
            best = p;
            chosen = &m;
        }
    }
    if (best == -1.0) {
        // Nothing inside the cone: take the largest projection.
        for (auto& m : moves) {
            const double p = m.meanY * d.y + m.meanX * d.x;
            if (p > best) {
                best = p;
                chosen = &m;
            }
        }
    }
    return chosen;
}

void AlgLearanAction::fillSector(const MY_VECTOR2& d, Random& random)
{
    if (moves.empty())
        return;
    const SectorCounts counts = countSectors(moves);
    const double t = dirAngle(d);
    if (counts[angleSector(t)] < kPerSector)
        moves.push_back(freshMove(moves.front().gene, t, random));
}

AlgLearanAction::DeltaMove AlgLearanAction::DeltaMove::firstSeen(const Gene& g,
                                                                 const MY_VECTOR2& e)
{
    DeltaMove m;
    m.meanX = e.x;
    m.meanY = e.y;
    m.meanSqX = e.x * e.x;
    m.meanSqY = e.y * e.y;
    m.gene = g;
    m.count = 1;
    m.angle = dirAngle(e);
    return m;
}

void AlgLearanAction::recordMove(DeltaMove* tried, const Gene& g, const MY_VECTOR2& e)
{
    if (tried) {
        const int n = tried->count + 1;
        tried->count = n;
        tried->meanX = ((n - 1) * tried->meanX + e.x) * (1.0 / n);
        tried->meanY = ((n - 1) * tried->meanY + e.y) * (1.0 / n);
        tried->angle = dirAngle(MY_VECTOR2{tried->meanX, tried->meanY});
        tried->meanSqX = ((n - 1) * tried->meanSqX + e.x * e.x) / n;
        tried->meanSqY = ((n - 1) * tried->meanSqY + e.y * e.y) / n;
        return;
    }

    moves.push_back(DeltaMove::firstSeen(g, e));

    // Cut every over-full sector back to four, weakest movements first.
    SectorCounts counts = countSectors(moves);
    for (;;) {
        double best = 2147483647.0;
        auto weakest = moves.end();
        for (auto it = moves.begin(); it != moves.end(); ++it) {
            if (counts[angleSector(it->angle)] <= kPerSector)
                continue;
            const double norm = it->meanX * it->meanX + it->meanY * it->meanY;
            if (norm < best) {
                best = norm;
                weakest = it;
            }
        }
        if (weakest == moves.end())
            break;
        --counts[angleSector(weakest->angle)];
        moves.erase(weakest);
    }
}
