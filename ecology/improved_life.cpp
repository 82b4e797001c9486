#include "ecology/improved_life.h"

#include <algorithm>

#include "creature/agent.h"

void inheritMovements(Agent& child, const Agent& parent, const LearningParams& p)
{
    child.learning = parent.learning;
    for (auto& m : child.learning.moves)
        m.count = std::min(m.count, p.inheritedSamples);
}

void inheritBody(Gene& child, const Gene& parent)
{
    static const int kBodyRows[] = {BODY_SCALE,   BODY_R_SCALE, PARENT_FACE_SWITCH,
                                    CHILD_FACE_SWITCH, PARENT_FACE, CHILD_FACE,
                                    JOINT_TARGET, HINGE_AXIS,   JOINT_GAIN,
                                    PART_LENGTH,  PART_RADIUS,  PART_PRESENCE};
    for (int row : kBodyRows) {
        const GeneParam& p = geneParams[row];
        for (int i = 0; i < p.count; ++i)
            child.values[p.start + i] = parent.values[p.start + i];
    }
}
