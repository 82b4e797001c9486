#include "ecology/cycle_learning.h"

#include <algorithm>
#include <cmath>

#include "app/base/random.h"
#include "creature/agent.h"
#include "creature/movement_rating.h"

namespace {

constexpr double kScoreDecay = 0.9950000047683716;
constexpr int kTrackLength = 15;

double guardTrig(double v)
{
    return (v > -100.0 && v < 100.0) ? v : 0.0;
}

} // namespace

namespace {

// A displacement seen from a heading: (forwards, to its left).
MY_VECTOR2 inHeadingFrame(double dx, double dy, const MY_VECTOR2& heading)
{
    const double th = dirAngle(heading);
    return MY_VECTOR2{dx * std::cos(-th) - dy * std::sin(-th),
                      dx * std::sin(-th) + dy * std::cos(-th)};
}

} // namespace

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

namespace {

// The specified scoring without the store: the progress towards the target
// enters the score, the recent progress and the tally.
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

// The direction towards the target relative to the current heading, as
// (cos, sin) of the angle between them.
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

MovementRating ratingOf(const Agent& a, const LearningParams& p)
{
    return MovementRating{medianStrength(a.learning, p.emptyStorePrior), p.priorWeight};
}

} // namespace

void scoreCycle(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
    if (a.disturbed) {
        a.disturbed = false;
        return;
    }
    addProgress(a, d, tally);
    a.learning.recordMove(a.currentMove, a.workingGene, MY_VECTOR2{d.fx, d.fy});
}

void chooseMove(Agent& a)
{
    AlgLearanAction::DeltaMove* m = a.learning.selectMove(wantedDirection(a));
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

void scoreCycleImproved(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
    if (a.disturbed) {
        a.disturbed = false;
        a.credit.disturbed = true;
        return;
    }
    addProgress(a, d, tally);
}

void chooseMoveImproved(Agent& a, const LearningParams& p)
{
    const MY_VECTOR2 d = wantedDirection(a);
    a.learning.fillSector(d);
    AlgLearanAction::DeltaMove* m = bestRated(a.learning, d, ratingOf(a, p), false);
    a.currentMove = m;
    if (m)
        a.workingGene = m->gene;
}

void exploreMoveImproved(Agent& a, const LearningSetup& setup)
{
    if (!setup.mutation)
        return;
    const LearningParams& p = *setup.params;
    const int tried = triedMovements(a.learning);
    const double chance = std::max(p.exploreFloor, p.exploreScale / (p.exploreScale + tried));
    // An untried movement is tried as it is: mutating it would only swap one
    // unknown for another.
    const bool untried = a.currentMove && a.currentMove->count == 0;
    if (chance > rng().uniform() && !untried) {
        a.currentMove = nullptr;
        a.workingGene.mutate(a.workingGene[PROB_SETUDO_AMOUNT] + a.temperature);
    }
}

void restEndLearning(Agent& a, const LearningParams& p)
{
    Agent::PendingCredit& c = a.credit;
    if (c.active && !c.disturbed && !a.disturbed) {
        const MY_VECTOR2 f =
            inHeadingFrame(a.centre.x - c.centre.x, a.centre.y - c.centre.y, c.heading);
        if (f.x > -10000 && f.x < 10000 && f.y > -10000 && f.y < 10000)
            recordRated(a.learning, c.move, c.gene, f, ratingOf(a, p), a.currentMove);
    }
    c.active = true;
    c.move = a.currentMove;
    if (!c.move)
        c.gene = a.workingGene;
    c.centre = a.centre;
    c.heading = a.heading;
    c.disturbed = false;
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
        if (setup.rule == LearningRule::Improved) {
            scoreCycleImproved(a, d, tally);
            chooseMoveImproved(a, *setup.params);
            exploreMoveImproved(a, setup);
        } else {
            scoreCycle(a, d, tally);
            chooseMove(a);
            exploreMove(a, setup);
        }
    }
    // The specified rules credit no movement at rest ends, and their scoring
    // may have dropped the one awaiting credit from the store: should the
    // world switch back to the improved rules, nothing stale is credited.
    if (setup.rule != LearningRule::Improved)
        a.credit = Agent::PendingCredit{};

    a.cycleStartCentre = a.centre;
    a.cycleStartHeading = a.heading;
}
