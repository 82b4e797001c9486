// Family lines: the life events of creatures (random arrival, birth by
// mating, death) as they happen, for a lineage log.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <functional>
#include <string>

struct Agent;

struct LifeEvent {
    enum Kind { Refill, Birth, Death };
    Kind kind = Refill;
    double time = 0.0; // simulated seconds
    int id = 0;
    int parentIds[2] = {-1, -1};
    int generation = 0;
    int cause = 0; // Starved or Fallen, for deaths
    double age = 0.0;
    int foodsEaten = 0;
    int children = 0;
};

// Receives every life event while set; empty by default, so a run without a
// lineage log does no work for it.
using LifeEventSink = std::function<void(const LifeEvent&)>;

// The event of a creature at a simulated time.
LifeEvent lifeEventOf(LifeEvent::Kind kind, const Agent& a, double time);

// The lineage log: a header line and one line per event. Columns: time,
// event (refill, birth or death), id, parent_a, parent_b, generation (empty
// for deaths), cause (starved or fallen), age, foods_eaten, children (empty
// for arrivals).
std::string lineageLogHeader();
std::string lineageLogLine(const LifeEvent& e);
