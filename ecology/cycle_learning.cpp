#include "ecology/cycle_learning.h"

#include <cmath>

#include "base/random.h"
#include "creature/agent.h"

namespace {

constexpr double kScoreDecay = 0.9950000047683716;
constexpr int kTrackLength = 15;

double guardTrig(double v)
{
    return (v > -100.0 && v < 100.0) ? v : 0.0;
}

} // namespace

MY_VECTOR2 inHeadingFrame(double dx, double dy, const MY_VECTOR2& heading)
{
    const double th = dirAngle(heading);
    return MY_VECTOR2{dx * std::cos(-th) - dy * std::sin(-th),
                      dx * std::sin(-th) + dy * std::cos(-th)};
}

CycleDisplacement cycleDisplacement(const Agent& a)
{
    CycleDisplacement d;
    d.dx = a.centre.x - a.cycleStartCentre.x;
    d.dy = a.centre.y - a.cycleStartCentre.y;
    const MY_VECTOR2 f = inHeadingFrame(d.dx, d.dy, a.cycleStartHeading);
    d.fx = f.x;
    d.fy = f.y;
    return d;
}

void addProgress(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
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
}

MY_VECTOR2 wantedDirection(const Agent& a)
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
    return MY_VECTOR2{guardTrig(std::cos(angle)), guardTrig(std::sin(angle))};
}

void takeMove(Agent& a, AlgLearanAction::DeltaMove* m)
{
    a.currentMove = m;
    if (m)
        a.workingGene = m->gene;
}

void tryNewMove(Agent& a, Random& random)
{
    a.currentMove = nullptr;
    a.workingGene.mutate(a.workingGene[PROB_SETUDO_AMOUNT] + a.temperature, random);
}

void cycleStartLearning(Agent& a, const LearningSetup& setup, CycleTally* tally)
{
    const LearningRule& rule = learningRule(setup.rule);
    a.cycleStart = a.age;
    a.track.push_back(a.centre);
    if (static_cast<int>(a.track.size()) > kTrackLength)
        a.track.pop_front();

    const CycleDisplacement d = cycleDisplacement(a);
    // A displacement out of range (or not a number) changes nothing but the
    // start of the next cycle.
    if (d.fx > -10000 && d.fx < 10000) {
        rule.score(a, d, tally);
        rule.choose(a, setup);
        rule.explore(a, setup);
    }
    // A rule that credits nothing at rest ends leaves no movement awaiting
    // credit: its scoring may have dropped that movement from the store, and
    // should the world switch to a rule that does, nothing stale is credited.
    if (!rule.restEnd)
        a.credit = Agent::PendingCredit{};

    a.cycleStartCentre = a.centre;
    a.cycleStartHeading = a.heading;
}

void restEndLearning(Agent& a, const LearningSetup& setup)
{
    const LearningRule& rule = learningRule(setup.rule);
    if (rule.restEnd)
        rule.restEnd(a, setup);
}
