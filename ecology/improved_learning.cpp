// The improved learning rules. Movements are rated by their mean
// displacement per phase second shrunk towards the store's median
// (movement_rating.h); exploration mutates the chosen movement with a
// probability that fades as the store fills; a movement is credited from the
// end of the rest before it to the end of the rest after it instead of from
// cycle start to cycle start. A newborn takes its initiating parent's body,
// changed as the world's body mutation says, and what that parent learnt
// with it (unless the world says children start afresh).
#include "ecology/learning_rule.h"

#include <algorithm>

#include "base/random.h"
#include "creature/agent.h"
#include "creature/body_mutation.h"
#include "creature/body_shape.h"
#include "creature/movement_rating.h"
#include "ecology/cycle_learning.h"

namespace {

MovementRating ratingOf(const Agent& a, const LearningParams& p)
{
    return MovementRating{medianStrength(a.learning, p.emptyStorePrior), p.priorWeight};
}

// Scoring adds the progress but leaves the store to the rest end; a
// disturbed cycle marks the movement awaiting its credit.
void score(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
    if (a.disturbed) {
        a.disturbed = false;
        a.credit.disturbed = true;
        return;
    }
    addProgress(a, d, tally);
}

// The best rated movement towards the target.
void choose(Agent& a, const LearningSetup& setup)
{
    const MY_VECTOR2 d = wantedDirection(a);
    a.learning.fillSector(d, *setup.random);
    takeMove(a, bestRated(a.learning, d, ratingOf(a, *setup.params), false));
}

// A chosen tried movement is mutated with the fading probability
// max(floor, scale / (scale + L)), L the movements tried so far.
void explore(Agent& a, const LearningSetup& setup)
{
    if (!setup.mutation)
        return;
    const LearningParams& p = *setup.params;
    const int tried = triedMovements(a.learning);
    const double chance = std::max(p.exploreFloor, p.exploreScale / (p.exploreScale + tried));
    // An untried movement is tried as it is: mutating it would only swap one
    // unknown for another.
    const bool untried = a.currentMove && a.currentMove->count == 0;
    if (chance > setup.random->uniform() && !untried)
        tryNewMove(a, *setup.random);
}

// The movement awaiting its credit gets the displacement since the end of
// the previous rest, measured in the frame of the heading it had then,
// unless another creature touched it meanwhile; the movement now starting
// becomes the one awaiting.
void restEnd(Agent& a, const LearningSetup& setup)
{
    Agent::PendingCredit& c = a.credit;
    if (c.active && !c.disturbed && !a.disturbed) {
        const MY_VECTOR2 f =
            inHeadingFrame(a.centre.x - c.centre.x, a.centre.y - c.centre.y, c.heading);
        if (f.x > -10000 && f.x < 10000 && f.y > -10000 && f.y < 10000)
            recordRated(a.learning, c.move, c.gene, f, ratingOf(a, *setup.params), a.currentMove);
    }
    c.active = true;
    c.move = a.currentMove;
    if (!c.move)
        c.gene = a.workingGene;
    c.centre = a.centre;
    c.heading = a.heading;
    c.disturbed = false;
}

// The child's body (its shape, joints and rest pose) becomes the parent's:
// the rows of the genome that build the body and hold its rest pose are
// copied, the others stay as the crossover made them; then the body is
// changed as the world's body mutation says (body_mutation.h). Unless the
// world says children start afresh, its movement store becomes a copy of the
// parent's, each movement keeping at most inheritedSamples samples, so the
// child walks from birth and soon re-measures its movements on its own; a
// joint the changed body gains starts still in every movement.
void inherit(Agent& child, const Agent& parent, const LearningSetup& setup)
{
    static const int kBodyRows[] = {BODY_SCALE,   BODY_R_SCALE, PARENT_FACE_SWITCH,
                                    CHILD_FACE_SWITCH, PARENT_FACE, CHILD_FACE,
                                    JOINT_TARGET, HINGE_AXIS,   JOINT_GAIN,
                                    PART_LENGTH,  PART_RADIUS,  PART_PRESENCE};
    for (int row : kBodyRows) {
        const int start = child.gene.start(row);
        for (int i = 0; i < child.gene.count(row); ++i)
            child.gene.values[start + i] = parent.gene.values[start + i];
    }
    const bool changed = mutateBody(child.gene, setup.bodyMutation, *setup.random) > 0;
    if (!setup.inheritMovements)
        return;
    child.learning = parent.learning;
    for (auto& m : child.learning.moves)
        m.count = std::min(m.count, setup.params->inheritedSamples);
    if (changed)
        fitStore(child.learning, child.gene, bodyShape(parent.gene), bodyShape(child.gene));
}

} // namespace

extern const LearningRule kImprovedLearning = {
    "improved",
    "rated movements, fading exploration, rest-to-rest credit; children inherit body and "
    "movements (the best walk to their food after 15 to 30 minutes, some 27 births an hour)",
    score,
    choose,
    explore,
    restEnd,
    nullptr,
    inherit,
};
