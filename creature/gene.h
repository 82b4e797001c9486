// Gene: a creature's genome, a flat vector of doubles laid out in 20
// parameter rows. Where a row's values sit follows from the genome's own
// counts of phases, joints and parts; every creature has the same counts, so
// geneParams gives the rows of a creature's genome once for all.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <vector>

class Random;

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

// Counts of a creature's genome.
constexpr int kGenePhases = 2;
constexpr int kGeneJoints = 29;
constexpr int kGeneParts = 30;

// The rows of a creature's genome (the counts above). Constant: nothing
// writes it, so any number of worlds may use it at once.
extern const GeneParam geneParams[GENE_ROW_COUNT];

// The rows of a genome of any counts.
GeneParam geneRow(int row, int phases, int joints, int parts);

// Layout length for the given counts: 10 + 7 * phases * joints + 3 * parts.
int geneLength(int phases, int joints, int parts);

struct Gene {
    std::vector<double> values;
    int phases = 0;
    int joints = 0;
    int parts = 0;

    // -1 keeps a count; other values replace it. Resizes the values and
    // draws them all anew.
    void randomize(int newPhases, int newJoints, int newParts, Random& random);
    // Draws every value uniformly within its row's bounds.
    void fillRandom(Random& random);
    // Changes this (already full) gene in place from the parents a and b.
    void crossover(const Gene& a, const Gene& b, Random& random);
    // Perturbs values of the mutable rows, each with probability rate.
    void mutate(double rate, Random& random);

    // Where row `row` starts in this genome, and its number of values.
    int start(int row) const;
    int count(int row) const;

    // First value of a row.
    double operator[](int row) const { return values[start(row)]; }
    // Value number i of a row.
    double at(int row, int i) const { return values[start(row) + i]; }
};

// Perturbs one value of a row by a signed draw times 0.3 of the row's range,
// then clamps it to the row's bounds.
double perturbValue(double v, const GeneParam& row, Random& random);
