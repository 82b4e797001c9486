#include "ecology/improved_life.h"

#include <algorithm>

#include "creature/agent.h"

void inheritMovements(Agent& child, const Agent& parent, const LearningParams& p)
{
    child.learning = parent.learning;
    for (auto& m : child.learning.moves)
        m.count = std::min(m.count, p.inheritedSamples);
}

double recentMeanProgress(const Agent& a, double none)
{
    if (a.recentProgress.empty())
        return none;
    double sum = 0.0;
    for (double v : a.recentProgress)
        sum += v;
    return sum / static_cast<double>(a.recentProgress.size());
}

double energyDecayFactor(const Agent& a, const LearningParams& p)
{
    if (!p.vDecay)
        return 1.0;
    const double progress = recentMeanProgress(a, p.decayReference);
    const double f = 1.0 - p.decayGain * (progress - p.decayReference);
    return std::clamp(f, p.decayFactorMin, p.decayFactorMax);
}
