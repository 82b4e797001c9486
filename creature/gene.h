// Gene: a creature's genome, a flat vector of doubles laid out by one
// process-wide table of 20 parameter rows.
#pragma once

#include <vector>

// Row identifiers of the parameter table.
enum GeneRow : int {
    T = 0,                  // duration of one moving phase, seconds
    CONSTANT_ONE = 1,       // always 1.0; not read
    PROB_SETUDO_PROB = 2,   // probability of a mutation at a cycle start
    PROB_SETUDO_AMOUNT = 3, // base mutation amount
    RATE_BUNSAN = 4,        // not read
    TH_KOUSA = 5,           // energy above which a mate is sought
    BODY_SCALE = 6,
    BODY_R_SCALE = 7,
    BODY_COLOR = 8, // hue in degrees
    YAKINAMASI = 9, // per-step factor on the temperature
    PARENT_FACE_SWITCH = 10,
    CHILD_FACE_SWITCH = 11,
    PARENT_FACE = 12,
    CHILD_FACE = 13,
    JOINT_TARGET = 14,
    HINGE_AXIS = 15,
    JOINT_GAIN = 16,
    PART_LENGTH = 17,
    PART_RADIUS = 18,
    PART_PRESENCE = 19,
    GENE_ROW_COUNT = 20
};

// One row of the parameter table.
struct GeneParam {
    const char* name = "";
    int count = 0;
    int start = 0;
    double max = 0.0;
    double min = 0.0;
    bool isMutable = false; // Gene::mutate changes these values
    bool blend = false;     // crossover blends the parents
    double perturbProb = 0.0;
};

// The process-wide parameter table. Bounds and flags are written by every
// Gene constructor, counts and starts by every Gene::randomize.
extern GeneParam geneParams[GENE_ROW_COUNT];

// Layout length for the given counts: 10 + 7 * phases * joints + 3 * parts.
int geneLength(int phases, int joints, int parts);

struct Gene {
    std::vector<double> values;
    int phases = 0;
    int joints = 0;
    int parts = 0;

    Gene();

    // -1 keeps a count; other values replace it. Rewrites the table layout,
    // resizes the values and draws them all anew.
    void randomize(int newPhases, int newJoints, int newParts);
    // Draws every value uniformly within its row's bounds.
    void fillRandom();
    // Changes this (already full) gene in place from the parents a and b.
    void crossover(const Gene& a, const Gene& b);
    // Perturbs values of the mutable rows, each with probability rate.
    void mutate(double rate);

    // First value of a row.
    double operator[](int row) const { return values[geneParams[row].start]; }
    // Value number i of a row.
    double at(int row, int i) const { return values[geneParams[row].start + i]; }
};

// Perturbs one value of a row by a signed draw times 0.3 of the row's range,
// then clamps it to the row's bounds.
double perturbValue(double v, const GeneParam& row);
