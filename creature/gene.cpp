#include "creature/gene.h"

#include "app/base/random.h"

#include <cmath>

GeneParam geneParams[GENE_ROW_COUNT];

namespace {

enum class Rule { Pick, PerturbOrPick, CircularMean, Blend };

struct RowSpec {
    const char* name;
    double min;
    double max;
    bool isMutable;
    Rule rule;
};

constexpr double kJointLimit = 1.427996660722633; // pi / 2.2

const RowSpec kRows[GENE_ROW_COUNT] = {
    {"T", 0.4, 1.0, true, Rule::Pick},
    {"", 1.0, 1.0, false, Rule::Pick},
    {"PROB_SETUDO_PROB", 0.01, 0.08, false, Rule::PerturbOrPick},
    {"PROB_SETUDO_AMOUNT", 0.03, 0.15, false, Rule::PerturbOrPick},
    {"RATE_BUNSAN", 0.0, 0.65, false, Rule::PerturbOrPick},
    {"TH_KOUSA", 2.0, 4.3, false, Rule::PerturbOrPick},
    {"BODY_SCALE", 1.0, 1.4, false, Rule::PerturbOrPick},
    {"BODY_R_SCALE", 1.25, 2.25, false, Rule::PerturbOrPick},
    {"BODY_COLOR", 0.0, 360.0, false, Rule::CircularMean},
    {"YAKINAMASI", 0.9999, 0.99999, false, Rule::PerturbOrPick},
    {"", 0.0, 1.1, false, Rule::PerturbOrPick},
    {"", 0.0, 1.1, false, Rule::PerturbOrPick},
    {"", 0.0, 5.99, false, Rule::PerturbOrPick},
    {"", 0.0, 5.99, false, Rule::PerturbOrPick},
    {"", -kJointLimit, kJointLimit, true, Rule::Blend},
    {"", 0.5, 1.999, false, Rule::PerturbOrPick},
    {"", 0.0, 1.0, true, Rule::Blend},
    {"", 0.2, 1.0, false, Rule::PerturbOrPick},
    {"", 0.075, 0.1, false, Rule::PerturbOrPick},
    {"", 0.5, 1.99, false, Rule::PerturbOrPick},
};

// Number of values of a row for the given counts.
int rowCount(int row, int phases, int joints, int parts)
{
    if (row < PARENT_FACE_SWITCH)
        return 1;
    if (row < PART_LENGTH)
        return phases * joints;
    return parts;
}

} // namespace

int geneLength(int phases, int joints, int parts)
{
    return 10 + 7 * phases * joints + 3 * parts;
}

double perturbValue(double v, const GeneParam& row)
{
    v = v + rng().signedDraw() * (row.max - row.min) * 0.3;
    if (v > row.max)
        v = row.max;
    if (v < row.min)
        v = row.min;
    return v;
}

Gene::Gene()
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        GeneParam& p = geneParams[r];
        p.name = kRows[r].name;
        p.min = kRows[r].min;
        p.max = kRows[r].max;
        p.isMutable = kRows[r].isMutable;
        p.blend = kRows[r].rule == Rule::Blend;
        p.perturbProb = kRows[r].rule == Rule::PerturbOrPick ? 0.1 : 0.0;
    }
}

void Gene::randomize(int newPhases, int newJoints, int newParts)
{
    if (newPhases != -1)
        phases = newPhases;
    if (newJoints != -1)
        joints = newJoints;
    if (newParts != -1)
        parts = newParts;

    int start = 0;
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        geneParams[r].count = rowCount(r, phases, joints, parts);
        geneParams[r].start = start;
        start += geneParams[r].count;
    }
    values.clear();
    values.resize(static_cast<size_t>(start), 0.0);
    fillRandom();
}

void Gene::fillRandom()
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam& p = geneParams[r];
        for (int i = 0; i < p.count; ++i)
            values[p.start + i] = p.min + (p.max - p.min) * rng().uniform();
    }
}

void Gene::crossover(const Gene& a, const Gene& b)
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam& p = geneParams[r];
        for (int i = 0; i < p.count; ++i) {
            const int k = p.start + i;
            const double x = a.values[k];
            const double y = b.values[k];
            if (r == BODY_COLOR) {
                // Mean of two hues on the colour circle.
                const double t = std::trunc((x - y) / 180.0);
                double c = (x + y) / 2.0 + t * 180.0;
                if (c >= 360.0)
                    c -= 360.0;
                if (c < 0.0)
                    c += 360.0;
                values[k] = c;
            } else if (p.blend) {
                values[k] = 0.8 * x + 0.2 * y;
            } else if (p.perturbProb > rng().uniform()) {
                values[k] = perturbValue(values[k], p);
            } else {
                values[k] = rng().uniform() < 0.5 ? x : y;
            }
        }
    }
}

void Gene::mutate(double rate)
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam& p = geneParams[r];
        if (!p.isMutable)
            continue;
        for (int i = 0; i < p.count; ++i) {
            if (rate > rng().uniform())
                values[p.start + i] = perturbValue(values[p.start + i], p);
        }
    }
}
