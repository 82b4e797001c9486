#include "ecology/lineage.h"

#include <sstream>

#include "creature/agent.h"

LifeEvent lifeEventOf(LifeEvent::Kind kind, const Agent& a, double time)
{
    LifeEvent e;
    e.kind = kind;
    e.time = time;
    e.id = a.creatureId;
    e.parentIds[0] = a.parentIds[0];
    e.parentIds[1] = a.parentIds[1];
    e.generation = a.generation;
    e.cause = a.deathCause;
    e.age = a.age;
    e.foodsEaten = a.foodCount;
    e.children = a.children;
    return e;
}

std::string lineageLogHeader()
{
    return "time,event,id,parent_a,parent_b,generation,cause,age,foods_eaten,children\n";
}

std::string lineageLogLine(const LifeEvent& e)
{
    std::ostringstream o;
    o.precision(10);
    o << e.time << ',';
    auto parent = [&o](int id) {
        if (id >= 0)
            o << id;
        o << ',';
    };
    switch (e.kind) {
    case LifeEvent::Refill:
    case LifeEvent::Birth:
        o << (e.kind == LifeEvent::Birth ? "birth," : "refill,") << e.id << ',';
        parent(e.parentIds[0]);
        parent(e.parentIds[1]);
        o << e.generation << ",,,,\n";
        break;
    case LifeEvent::Death:
        o << "death," << e.id << ",,,," << (e.cause == Starved ? "starved" : "fallen") << ','
          << e.age << ',' << e.foodsEaten << ',' << e.children << '\n';
        break;
    }
    return o.str();
}
