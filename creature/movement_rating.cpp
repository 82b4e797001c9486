#include "creature/movement_rating.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

double movementStrength(const AlgLearanAction::DeltaMove& m)
{
    return std::sqrt(m.meanX * m.meanX + m.meanY * m.meanY) / m.gene[T];
}

double medianStrength(const AlgLearanAction& store, double fallback)
{
    std::vector<double> s;
    for (const auto& m : store.moves)
        if (m.count > 0)
            s.push_back(movementStrength(m));
    if (s.empty())
        return fallback;
    const auto mid = s.begin() + static_cast<long>(s.size() / 2);
    std::nth_element(s.begin(), mid, s.end());
    if (s.size() % 2 == 1)
        return *mid;
    // The lower middle value is the largest of the lower half.
    return (*mid + *std::max_element(s.begin(), mid)) / 2;
}

double ratedStrength(const AlgLearanAction::DeltaMove& m, const MovementRating& r)
{
    if (m.count <= 0)
        return r.prior;
    const double n = m.count;
    return (n * movementStrength(m) + r.priorWeight * r.prior) / (n + r.priorWeight);
}

double ratedProjection(const AlgLearanAction::DeltaMove& m, const MY_VECTOR2& d,
                       const MovementRating& r)
{
    const double ld = std::sqrt(d.x * d.x + d.y * d.y);
    const double c = ld > 0 ? (std::cos(m.angle) * d.x + std::sin(m.angle) * d.y) / ld : 0.0;
    return ratedStrength(m, r) * c;
}

AlgLearanAction::DeltaMove* bestRated(AlgLearanAction& store, const MY_VECTOR2& d,
                                      const MovementRating& r, bool triedOnly)
{
    AlgLearanAction::DeltaMove* best = nullptr;
    double bestValue = 0.0;
    for (auto& m : store.moves) {
        if (triedOnly && m.count <= 0)
            continue;
        const double v = ratedProjection(m, d, r);
        if (!best || v > bestValue) {
            best = &m;
            bestValue = v;
        }
    }
    return best;
}

int triedMovements(const AlgLearanAction& store)
{
    int n = 0;
    for (const auto& m : store.moves)
        if (m.count > 0)
            ++n;
    return n;
}

void recordRated(AlgLearanAction& store, AlgLearanAction::DeltaMove* tried, const Gene& g,
                 const MY_VECTOR2& e, const MovementRating& r,
                 const AlgLearanAction::DeltaMove* keep)
{
    if (tried) {
        store.recordMove(tried, g, e);
        return;
    }
    store.moves.push_back(AlgLearanAction::DeltaMove::firstSeen(g, e));

    std::array<int, 8> counts{};
    for (const auto& x : store.moves)
        ++counts[angleSector(x.angle)];
    for (;;) {
        auto weakest = store.moves.end();
        double lowest = 0.0;
        for (auto it = store.moves.begin(); it != store.moves.end(); ++it) {
            if (&*it == keep || counts[angleSector(it->angle)] <= AlgLearanAction::kPerSector)
                continue;
            const double v = ratedStrength(*it, r);
            if (weakest == store.moves.end() || v < lowest) {
                weakest = it;
                lowest = v;
            }
        }
        if (weakest == store.moves.end())
            break;
        --counts[angleSector(weakest->angle)];
        store.moves.erase(weakest);
    }
}
