#include "ui/islands_view.h"

bool requestIsland(IslandsView& view, int island)
{
    if (island < 0 || island >= view.count)
        return false;
    view.requested = island;
    return true;
}
