#include "ui/birth_marker.h"

void ageBirthMarkers(std::list<BirthMarker>& markers, double dt, const BirthMarkerVisitor& visit)
{
    for (auto it = markers.begin(); it != markers.end();) {
        BirthMarker& m = *it;
        if (!m.active) {
            it = markers.erase(it);
            continue;
        }
        if (dt > 0.0)
            m.age += dt * 0.2;
        if (m.age > 1.0)
            m.active = 0;
        if (visit)
            visit(m);
        ++it;
    }
}
