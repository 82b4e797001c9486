#include "creature/gene.h"

#include <cmath>

#include "base/random.h"

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

GeneParam geneRow(int row, int phases, int joints, int parts)
{
    GeneParam p;
    p.name = kRows[row].name;
    p.min = kRows[row].min;
    p.max = kRows[row].max;
    p.isMutable = kRows[row].isMutable;
    p.blend = kRows[row].rule == Rule::Blend;
    p.perturbProb = kRows[row].rule == Rule::PerturbOrPick ? 0.1 : 0.0;
    p.count = rowCount(row, phases, joints, parts);
    p.start = 0;
    for (int r = 0; r < row; ++r)
        p.start += rowCount(r, phases, joints, parts);
    return p;
}

const GeneParam geneParams[GENE_ROW_COUNT] = {
    geneRow(0, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(1, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(2, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(3, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(4, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(5, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(6, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(7, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(8, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(9, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(10, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(11, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(12, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(13, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(14, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(15, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(16, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(17, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(18, kGenePhases, kGeneJoints, kGeneParts),
    geneRow(19, kGenePhases, kGeneJoints, kGeneParts),
};

double perturbValue(double v, const GeneParam& row, Random& random)
{
    v = v + random.signedDraw() * (row.max - row.min) * 0.3;
    if (v > row.max)
        v = row.max;
    if (v < row.min)
        v = row.min;
    return v;
}

int Gene::start(int row) const
{
    if (row < PARENT_FACE_SWITCH)
        return row;
    const int pj = phases * joints;
    if (row < PART_LENGTH)
        return PARENT_FACE_SWITCH + (row - PARENT_FACE_SWITCH) * pj;
    return PARENT_FACE_SWITCH + 7 * pj + (row - PART_LENGTH) * parts;
}

int Gene::count(int row) const
{
    return rowCount(row, phases, joints, parts);
}

void Gene::randomize(int newPhases, int newJoints, int newParts, Random& random)
{
    if (newPhases != -1)
        phases = newPhases;
    if (newJoints != -1)
        joints = newJoints;
    if (newParts != -1)
        parts = newParts;
    values.clear();
    values.resize(static_cast<size_t>(geneLength(phases, joints, parts)), 0.0);
    fillRandom(random);
}

void Gene::fillRandom(Random& random)
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam p = geneRow(r, phases, joints, parts);
        for (int i = 0; i < p.count; ++i)
            values[p.start + i] = p.min + (p.max - p.min) * random.uniform();
    }
}

void Gene::crossover(const Gene& a, const Gene& b, Random& random)
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam p = geneRow(r, phases, joints, parts);
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
            } else if (p.perturbProb > random.uniform()) {
                values[k] = perturbValue(values[k], p, random);
            } else {
                values[k] = random.uniform() < 0.5 ? x : y;
            }
        }
    }
}

void Gene::mutate(double rate, Random& random)
{
    for (int r = 0; r < GENE_ROW_COUNT; ++r) {
        const GeneParam p = geneRow(r, phases, joints, parts);
        if (!p.isMutable)
            continue;
        for (int i = 0; i < p.count; ++i) {
            if (rate > random.uniform())
                values[p.start + i] = perturbValue(values[p.start + i], p, random);
        }
    }
}
