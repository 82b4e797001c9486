#include "persist/record_checks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

bool isFinite(double v)
{
    return std::isfinite(v);
}

bool finiteVector(const MY_VECTOR3& v, double limit)
{
    return isFinite(v.x) && isFinite(v.y) && isFinite(v.z) && std::fabs(v.x) <= limit &&
           std::fabs(v.y) <= limit && std::fabs(v.z) <= limit;
}

bool finiteVector(const MY_VECTOR2& v)
{
    return isFinite(v.x) && isFinite(v.y);
}

// Values made by blending two parents may pass a bound by rounding.
double slack(const GeneParam& row)
{
    return 1e-9 * std::max(1.0, std::fabs(row.max - row.min));
}

std::string rowName(int row)
{
    const char* name = geneParams[row].name;
    return (name && *name) ? std::string(name) : "row " + std::to_string(row);
}

} // namespace

std::string checkSimData(const SimData& d)
{
    if (d.populationCount < 0)
        return "population count " + std::to_string(d.populationCount) + " is negative";
    if (d.populationCount > kMaxSavedPopulation)
        return "population count " + std::to_string(d.populationCount) + " is too large";
    if (d.minPopulation < 0 || d.minPopulation > kMaxMinPopulation)
        return "minimum population " + std::to_string(d.minPopulation) + " is out of range";
    if (d.foodInterval < 1)
        return "food interval " + std::to_string(d.foodInterval) + " is below 1";
    if (!isFinite(d.groundSize) || d.groundSize < kMinGroundSize || d.groundSize > kMaxGroundSize)
        return "ground size is out of range";
    if (!isFinite(d.wallHeight) || std::fabs(d.wallHeight) > kMaxWallHeight)
        return "wall height is out of range";
    if (!isFinite(d.simulationTime) || d.simulationTime < 0)
        return "simulation time is not a finite time";
    return std::string();
}

std::string checkGene(const Gene& g)
{
    if (g.phases != Agent::kPhases || g.joints != Agent::kJoints || g.parts != Agent::kParts) {
        std::ostringstream s;
        s << "genome counts " << g.phases << ", " << g.joints << ", " << g.parts << " differ from "
          << Agent::kPhases << ", " << Agent::kJoints << ", " << Agent::kParts;
        return s.str();
    }
    const GeneParam& lastRow = geneParams[GENE_ROW_COUNT - 1];
    const std::size_t length =
        static_cast<std::size_t>(geneLength(Agent::kPhases, Agent::kJoints, Agent::kParts));
    if (g.values.size() != length ||
        static_cast<std::size_t>(lastRow.start + lastRow.count) != length)
        return "genome holds " + std::to_string(g.values.size()) + " values instead of " +
               std::to_string(length);
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam& row = geneParams[r];
        for (int i = 0; i < row.count; ++i) {
            const double v = g.values[static_cast<std::size_t>(row.start + i)];
            if (!isFinite(v) || v < row.min - slack(row) || v > row.max + slack(row))
                return "genome value " + std::to_string(i) + " of " + rowName(r) +
                       " is out of range";
        }
    }
    return std::string();
}

std::string checkCreature(const Agent& a)
{
    if (a.jointCount != Agent::kJoints)
        return "joint count " + std::to_string(a.jointCount) + " differs from " +
               std::to_string(Agent::kJoints);
    std::string reason = checkGene(a.gene);
    if (!reason.empty())
        return reason;
    if (a.lifeState < Alive || a.lifeState > Removable)
        return "unknown life state " + std::to_string(a.lifeState);
    if (a.intention.mode < Intention::None || a.intention.mode > Intention::NoTarget)
        return "unknown intention " + std::to_string(a.intention.mode);
    if (a.matingCount < 0 || a.matingCount > kMaxCounter || a.foodCount < 0 ||
        a.foodCount > kMaxCounter)
        return "a mating or food count is out of range";
    if (a.phase < 0 || a.phase > 2)
        return "motor phase " + std::to_string(a.phase) + " is out of range";
    if (!isFinite(a.energy) || !isFinite(a.dyingProgress) || !isFinite(a.age) ||
        !isFinite(a.cycleStart) || !isFinite(a.score) || !isFinite(a.temperature))
        return "a creature value is not finite";
    if (!finiteVector(a.centre, kMaxRecordCoordinate) ||
        !finiteVector(a.cycleStartCentre, kMaxRecordCoordinate) ||
        !finiteVector(a.cycleStartHeading))
        return "the centre is not finite or far off";
    int index = 0;
    for (const auto& m : a.learning.moves) {
        reason = checkGene(m.gene);
        if (reason.empty() && (m.count < 0 || m.count > kMaxCounter))
            reason = "count " + std::to_string(m.count) + " is out of range";
        if (reason.empty() && !(isFinite(m.meanX) && isFinite(m.meanY) && isFinite(m.meanSqX) &&
                                isFinite(m.meanSqY) && isFinite(m.angle)))
            reason = "a value is not finite";
        if (!reason.empty())
            return "movement " + std::to_string(index) + ": " + reason;
        ++index;
    }
    return std::string();
}

std::string checkFoods(const AimPointHander& foods)
{
    if (!isFinite(foods.timer) || foods.timer < 0)
        return "food timer is negative or not finite";
    for (std::size_t i = 0; i < foods.foods.size(); ++i)
        if (!finiteVector(foods.foods[i].position, kMaxRecordCoordinate))
            return "food " + std::to_string(i) + " is not finite or far off";
    return std::string();
}
