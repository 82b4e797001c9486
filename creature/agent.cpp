#include "creature/agent.h"

#include <iterator>

#include "base/random.h"

MY_VECTOR3 Intention::target() const
{
    if (mode == Food && food)
        return food->position;
    if (mode == Mate && partner)
        return partner->centre;
    return MY_VECTOR3{};
}

Agent::Agent(const Agent& other)
    : world(other.world), space(other.space), environment(other.environment), parts(other.parts),
      joints(other.joints), jointCount(other.jointCount), energy(other.energy),
      lifeState(other.lifeState), dyingProgress(other.dyingProgress),
      matingCount(other.matingCount), foodCount(other.foodCount), intention(other.intention),
      centre(other.centre), heading(other.heading), score(other.score), disturbed(other.disturbed),
      headingStride(other.headingStride), age(other.age), cycleStart(other.cycleStart),
      temperature(other.temperature), creatureId(other.creatureId), workingGene(other.workingGene),
      gene(other.gene), track(other.track), phase(other.phase), spare(other.spare),
      cycleStartCentre(other.cycleStartCentre), cycleStartHeading(other.cycleStartHeading),
      learning(other.learning), deathCause(other.deathCause), generation(other.generation),
      parentIds{other.parentIds[0], other.parentIds[1]}, children(other.children),
      recentProgress(other.recentProgress), scoredCycles(other.scoredCycles),
      progressTotal(other.progressTotal), credit(other.credit)
{
    // The current and the pending movement must name records of this
    // creature's own store.
    currentMove = sameRecordIn(other, other.currentMove);
    credit.move = sameRecordIn(other, other.credit.move);
    // Parts point back at their creature.
    for (auto& p : parts)
        if (p.owner == &other)
            p.owner = this;
}

AlgLearanAction::DeltaMove* Agent::sameRecordIn(const Agent& other,
                                                const AlgLearanAction::DeltaMove* move)
{
    if (!move)
        return nullptr;
    auto src = other.learning.moves.begin();
    auto dst = learning.moves.begin();
    for (; src != other.learning.moves.end(); ++src, ++dst)
        if (&*src == move)
            return &*dst;
    return nullptr;
}

Agent::~Agent()
{
    destroyBody();
}

void Agent::destroyBody()
{
    for (auto& j : joints) {
        if (!j.exists)
            continue;
        if (j.motor)
            dJointDestroy(j.motor);
        if (j.hinge)
            dJointDestroy(j.hinge);
        j.motor = nullptr;
        j.hinge = nullptr;
    }
    // Missing parts were never built and hold no handles.
    destroyParts(parts);
}

void Agent::initialize(Random& random)
{
    // A record is initialized before its body exists; a body left over from
    // earlier use is released rather than leaked.
    destroyBody();
    world = nullptr;
    space = nullptr;
    environment = nullptr;
    parts.clear();
    joints.clear();

    energy = 1.25 + 0.5 * random.uniform();
    lifeState = Alive;
    deathCause = Alive;
    dyingProgress = 0.0f;
    matingCount = 0;
    foodCount = 0;

    intention = Intention{};
    centre = MY_VECTOR3{};
    heading = MY_VECTOR2{};
    score = 0.0;
    disturbed = false;
    age = 0.0;
    phase = 0;
    spare = 0;
    currentMove = nullptr;
    credit = PendingCredit{};
    cycleStartCentre = MY_VECTOR3{};
    cycleStartHeading = MY_VECTOR2{};
    headingStride = 9;

    track.clear();
    cycleStart = 0.0;

    jointCount = kJoints;
    temperature = 0.3 * random.uniform();

    parts.resize(kParts);
    for (auto& p : parts) {
        p.groundTouch = 0.0;
        p.parentIndex = -1;
    }
    joints.resize(static_cast<size_t>(jointCount));

    gene.randomize(kPhases, jointCount, kParts, random);
    workingGene.randomize(kPhases, jointCount, kParts, random);
    learning.reset(gene, random);
}
