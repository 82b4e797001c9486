#include "ecology/cycle_learning.h"

#include <cmath>

#include "app/base/random.h"
#include "creature/agent.h"

namespace {

constexpr double kScoreDecay = 0.9950000047683716;
constexpr int kTrackLength = 15;

double guardTrig(double v)
{
    return (v > -100.0 && v < 100.0) ? v : 0.0;
}

} // namespace

CycleDisplacement cycleDisplacement(const Agent& a)
{
    CycleDisplacement d;
    d.dx = a.centre.x - a.cycleStartCentre.x;
    d.dy = a.centre.y - a.cycleStartCentre.y;
    const double th = dirAngle(a.cycleStartHeading);
    d.fx = d.dx * std::cos(-th) - d.dy * std::sin(-th);
    d.fy = d.dx * std::sin(-th) + d.dy * std::cos(-th);
    return d;
}

void scoreCycle(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
    if (a.disturbed) {
        a.disturbed = false;
        return;
    }
    const MY_VECTOR3 t = a.intention.target();
    const double tx = t.x - a.cycleStartCentre.x;
    const double ty = t.y - a.cycleStartCentre.y;
    const double L = std::sqrt(tx * tx + ty * ty);
    const MY_VECTOR2 u = L == 0 ? MY_VECTOR2{1.0, 0.0} : MY_VECTOR2{tx / L, ty / L};
    a.score = a.score * kScoreDecay + 3 * (u.x * d.dx + u.y * d.dy) / a.workingGene[T];
    const double progress = (u.x * d.dx + u.y * d.dy) / a.workingGene[T];
    a.recentProgress.push_back(progress);
    ++a.scoredCycles;
    a.progressTotal += progress;
    if (static_cast<int>(a.recentProgress.size()) > kTrackLength)
        a.recentProgress.pop_front();
    if (tally) {
        ++tally->cycles;
        tally->progress += progress;
    }
    a.learning.recordMove(a.currentMove, a.workingGene, MY_VECTOR2{d.fx, d.fy});
}

void chooseMove(Agent& a)
{
    const MY_VECTOR3 t = a.intention.target();
    const double tx = t.x - a.centre.x;
    const double ty = t.y - a.centre.y;
    const double tz = t.z - a.centre.z;
    const double L = std::sqrt(tx * tx + ty * ty + tz * tz);
    const MY_VECTOR2 wanted = L == 0 ? MY_VECTOR2{1.0, 0.0} : MY_VECTOR2{tx / L, ty / L};
    double angle = signedAngle(a.heading, wanted);
    if (!(angle > -6.3 && angle < 6.3))
        angle = 0;
    const double c = guardTrig(std::cos(angle));
    const double s = guardTrig(std::sin(angle));
    AlgLearanAction::DeltaMove* m = a.learning.selectMove(MY_VECTOR2{c, s});
    a.currentMove = m;
    if (m)
        a.workingGene = m->gene;
}

void exploreMove(Agent& a, const LearningSetup& setup)
{
    if (!setup.mutation)
        return;
    const int r = rng().next();
    if (a.workingGene[PROB_SETUDO_PROB] > r / 32767.0) {
        a.currentMove = nullptr;
        a.workingGene.mutate(a.workingGene[PROB_SETUDO_AMOUNT] + a.temperature);
    }
}

void cycleStartLearning(Agent& a, const LearningSetup& setup, CycleTally* tally)
{
    a.cycleStart = a.age;
    a.track.push_back(a.centre);
    if (static_cast<int>(a.track.size()) > kTrackLength)
        a.track.pop_front();

    const CycleDisplacement d = cycleDisplacement(a);
    // A displacement out of range (or not a number) changes nothing but the
    // start of the next cycle.
    if (d.fx > -10000 && d.fx < 10000) {
        scoreCycle(a, d, tally);
        chooseMove(a);
        exploreMove(a, setup);
    }

    a.cycleStartCentre = a.centre;
    a.cycleStartHeading = a.heading;
}
