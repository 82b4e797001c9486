// What the window shows of an archipelago: how many islands there are, which
// one the scene shows and which the user asked for, every island's trend of
// mean progress for one chart, and whether the shown island waits for the
// others at a migration. The run fills it; the panels and keys read it and
// ask for another island.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>
#include <vector>

struct IslandTrendPoint {
    double time = 0.0;     // simulated seconds
    double progress = 0.0; // mean progress per scored cycle over the last five minutes
};

struct IslandsView {
    int count = 0;      // islands in the archipelago
    int shown = 0;      // the island the scene shows (from 0)
    int requested = -1; // the island asked for, -1: none
    int coming = -1;    // asked for and shown once its worker lets it go, -1: none
    // Every island's trend, oldest first.
    std::vector<std::vector<IslandTrendPoint>> trends;
    double migrateEvery = 0.0; // simulated seconds, 0: never
    double nextMigration = -1.0; // simulated seconds of the shown island, -1: none
    // Set while the shown island waits for the others at a migration: who.
    std::string waitingFor;
};

// Asks for island `island` (from 0); false when there is no such island.
bool requestIsland(IslandsView& view, int island);
