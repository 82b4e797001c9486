#include "creature/body_mutation.h"

#include <algorithm>

#include "base/random.h"
#include "creature/body_part.h"
#include "creature/body_shape.h"

namespace {

double& value(Gene& g, int row, int i)
{
    return g.values[static_cast<std::size_t>(g.start(row) + i)];
}

double chance(double p)
{
    return std::min(1.0, std::max(0.0, p));
}

// One of 0 .. n - 1.
int pick(int n, Random& random)
{
    return std::min(n - 1, static_cast<int>(random.uniform() * n));
}

// A uniform step of up to a tenth of the row's range, kept within bounds.
void nudge(Gene& g, int row, int i, Random& random)
{
    const GeneParam& p = geneParams[row];
    double& v = value(g, row, i);
    v = std::clamp(v + random.signedDraw() * 0.1 * (p.max - p.min), p.min, p.max);
}

// A value of the row drawn uniformly from [lo, hi), within its bounds.
double drawIn(int row, double lo, double hi, Random& random)
{
    const GeneParam& p = geneParams[row];
    return std::clamp(lo + (hi - lo) * random.uniform() * 0.999, p.min, p.max);
}

} // namespace

int mutateBody(Gene& g, double strength, Random& random)
{
    if (!(strength > 0.0))
        return 0;
    int changes = 0;
    const double each = chance(0.05 * strength);
    struct Row {
        int row;
        int count;
    };
    const Row continuous[] = {{BODY_SCALE, 1},        {BODY_R_SCALE, 1},
                              {PART_LENGTH, g.parts}, {PART_RADIUS, g.parts},
                              {JOINT_TARGET, g.joints}, {JOINT_GAIN, g.joints}};
    for (const Row& r : continuous)
        for (int i = 0; i < r.count; ++i)
            if (random.uniform() < each) {
                nudge(g, r.row, i, random);
                ++changes;
            }

    // A part appears or disappears: its presence value crosses 1.
    if (random.uniform() < chance(0.04 * strength)) {
        int k = 1 + pick(g.parts - 2, random); // 1 .. parts - 2
        if (k >= kHeadingPart)
            ++k; // never the heading part
        double& v = value(g, PART_PRESENCE, k);
        v = v >= 1.0 ? drawIn(PART_PRESENCE, 0.5, 1.0, random)
                     : drawIn(PART_PRESENCE, 1.0, 1.99, random);
        ++changes;
    }
    // A joint moves to another face of its parent or of its child part: the
    // face switch turns on and the face value names the new face.
    if (random.uniform() < chance(0.04 * strength)) {
        const int j = pick(g.joints, random);
        const bool parentSide = random.uniform() < 0.5;
        const BodyShape shape = bodyShape(g);
        const int old = parentSide ? shape.joints[j].parentFace : shape.joints[j].childFace;
        const int face = (old + 1 + pick(5, random)) % 6;
        value(g, parentSide ? PARENT_FACE_SWITCH : CHILD_FACE_SWITCH, j) =
            drawIn(PARENT_FACE_SWITCH, 1.01, 1.1, random);
        value(g, parentSide ? PARENT_FACE : CHILD_FACE, j) = face + 0.5;
        ++changes;
    }
    // A hinge axis turns: the axis value crosses 1.
    if (random.uniform() < chance(0.02 * strength)) {
        double& v = value(g, HINGE_AXIS, pick(g.joints, random));
        v = v >= 1.0 ? drawIn(HINGE_AXIS, 0.5, 1.0, random) : drawIn(HINGE_AXIS, 1.0, 1.999, random);
        ++changes;
    }
    return changes;
}

void fitStore(AlgLearanAction& store, const Gene& body, const BodyShape& before,
              const BodyShape& after)
{
    const int n = static_cast<int>(after.joints.size());
    for (int i = 0; i < n; ++i) {
        const bool had = i < static_cast<int>(before.joints.size()) && before.joints[i].exists;
        if (!after.joints[i].exists || had)
            continue;
        const double target = body.at(JOINT_TARGET, i);
        const double gain = body.at(JOINT_GAIN, i);
        for (auto& m : store.moves) {
            Gene& g = m.gene;
            for (int phase = 0; phase < g.phases; ++phase) {
                g.values[static_cast<std::size_t>(g.start(JOINT_TARGET) + phase * g.joints + i)] =
                    target;
                g.values[static_cast<std::size_t>(g.start(JOINT_GAIN) + phase * g.joints + i)] =
                    gain;
            }
        }
    }
}
