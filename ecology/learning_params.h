// The numbers of the improved learning rules: how a creature rates the
// movements it knows, how often it tries new ones, what a child inherits and
// how walking pays off in the ecology. The world record holds one record of
// them; the specified rules read none of them.
#pragma once

struct LearningParams {
    // Rating a movement: its mean displacement per phase second, with its
    // length shrunk towards the store's prior as if the prior had been seen
    // this many times. Untried movements are rated at the prior.
    double priorWeight = 2.0;
    // Prior when the store holds no tried movement yet (metres per phase
    // second); otherwise it is the median strength of the tried movements.
    double emptyStorePrior = 0.05;

    // Exploring: at a cycle start the chosen movement is mutated with
    // probability max(exploreFloor, exploreScale / (exploreScale + L)), L the
    // number of tried movements, so exploration fades as the store fills.
    double exploreScale = 8.0;
    double exploreFloor = 0.1;

    // Inheritance: a child starts with its initiating parent's movements,
    // each keeping at most this many of the parent's samples, so it soon
    // re-measures them on its own body.
    int inheritedSamples = 1;

    // Selection on walking: the energy a creature loses per step is scaled by
    // 1 - decayGain * (p - decayReference), p its mean progress over its
    // recent cycles, kept within [decayFactorMin, decayFactorMax].
    double decayGain = 5.0;
    double decayReference = 0.05;
    double decayFactorMin = 0.5;
    double decayFactorMax = 1.5;

    // TEMPORARY variant switches for screening.
    bool vRestCredit = true;
    bool vRating = true;
    bool vSchedule = true;
    bool vInherit = true;
    bool vDecay = true;
    double vBodyFromInitiator = 0.0; // probability
    bool vStoreOnlyIfBody = false;
    double vMateGain = 0.0;
    double vMateRef = 0.05;
    double vMateFloor = 1.5;
};
