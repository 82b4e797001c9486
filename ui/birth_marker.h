// A marker left where a child was conceived; it grows and fades over five
// seconds of simulated time, then is removed.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <functional>
#include <list>

#include "base/shared_types.h"

struct BirthMarker {
    int active = 1;
    double size = 1.0;
    MY_VECTOR3 centre;
    double age = 0.0;
};

// Called for every marker still shown after aging.
using BirthMarkerVisitor = std::function<void(const BirthMarker&)>;

// One frame of the markers, in list order: a marker found inactive is
// removed and not visited; an active one ages by dt * 0.2 (only for a
// positive dt, so a negative time delta after a reset never makes it younger)
// and turns inactive once its age passes 1; then it is visited, a last time
// in the frame it turned inactive. The rendering draws in the visitor;
// headless runs pass none.
void ageBirthMarkers(std::list<BirthMarker>& markers, double dt,
                     const BirthMarkerVisitor& visit = BirthMarkerVisitor());
