// The numbers of the improved learning rules: how a creature rates the
// movements it knows, how often it tries new ones and what a child inherits.
// The world record holds one record of them; the original rules read none
// of them.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

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

    // Inheritance: a child starts with its initiating parent's body and
    // movements, each movement keeping at most this many of the parent's
    // samples, so the child soon re-measures them on its own.
    int inheritedSamples = 3;
};
