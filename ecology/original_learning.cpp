// The original learning rules. Scoring folds the cycle's displacement into
// the movement tried (or stores a new movement); choosing takes the movement
// of the store heading best towards the target, relative to the current
// heading; exploring mutates it with the genome's probability. A newborn
// starts with a fresh random store.
#include "ecology/learning_rule.h"

#include "base/random.h"
#include "creature/agent.h"
#include "ecology/cycle_learning.h"

namespace {

// Unless another creature disturbed the cycle (then only the mark is
// cleared), the progress is added and the displacement recorded for the
// movement tried.
void score(Agent& a, const CycleDisplacement& d, CycleTally* tally)
{
    if (a.disturbed) {
        a.disturbed = false;
        return;
    }
    addProgress(a, d, tally);
    a.learning.recordMove(a.currentMove, a.workingGene, MY_VECTOR2{d.fx, d.fy});
}

void choose(Agent& a, const LearningSetup& setup)
{
    takeMove(a, a.learning.selectMove(wantedDirection(a), *setup.random));
}

void explore(Agent& a, const LearningSetup& setup)
{
    if (!setup.mutation)
        return;
    const int r = setup.random->next();
    if (a.workingGene[PROB_SETUDO_PROB] > r / 32767.0)
        tryNewMove(a, *setup.random);
}

void freshStore(Agent& child, const Agent& parent, const LearningSetup& setup)
{
    child.learning.reset(parent.gene, *setup.random);
}

} // namespace

extern const LearningRule kOriginalLearning = {
    "original",
    "movements rated by their mean displacement, mutated with the genome's probability "
    "(slow: the first births often come after half an hour)",
    score,
    choose,
    explore,
    nullptr,
    freshStore,
    nullptr,
};
