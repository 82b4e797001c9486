#include "ui/view_state.h"

#include <algorithm>
#include <functional>

#include "ecology/simulation.h"

void forgetCreature(ViewState& view, const Agent* agent)
{
    if (view.hoveredAgent == agent)
        view.hoveredAgent = nullptr;
    if (view.selectedAgent == agent)
        view.selectedAgent = nullptr;
    if (view.followedAgent == agent)
        view.followedAgent = nullptr;
    if (view.followPinned == agent)
        view.followPinned = nullptr;
    endDragOn(view, agent);
}

void endDragOn(ViewState& view, const Agent* agent)
{
    if (view.drag.grabbed && view.drag.grabbed->owner == agent) {
        view.drag.grabbed = nullptr;
        view.drag.active = false;
    }
}

void forgetAllCreatures(ViewState& view)
{
    view.hoveredAgent = nullptr;
    view.selectedAgent = nullptr;
    view.followedAgent = nullptr;
    view.followPinned = nullptr;
    view.recordShown = -1;
    view.drag.grabbed = nullptr;
    view.drag.active = false;
}

void forgetGoneCreatures(ViewState& view, const Simulation& sim)
{
    for (const Agent* a : sim.quarantined)
        endDragOn(view, a);
    const std::less<const BodyPart*> before;
    for (const Departure& d : sim.removed) {
        if (view.hoveredAgent == d.agent)
            view.hoveredAgent = nullptr;
        if (view.selectedAgent == d.agent)
            view.selectedAgent = nullptr;
        if (view.followedAgent == d.agent)
            view.followedAgent = nullptr;
        if (view.followPinned == d.agent)
            view.followPinned = nullptr;
        const BodyPart* grabbed = view.drag.grabbed;
        if (grabbed && !before(grabbed, d.parts) && before(grabbed, d.parts + d.partCount)) {
            view.drag.grabbed = nullptr;
            view.drag.active = false;
        }
    }
}

void takeConceptions(ViewState& view, const Simulation& sim)
{
    for (const Conception& c : sim.conceptions) {
        if (c.birth <= view.lastConception)
            continue;
        BirthMarker marker;
        marker.centre = c.centre;
        view.birthMarkers.push_back(marker);
        view.lastConception = c.birth;
    }
}
