// A marker left where a child was conceived; aged and drawn by the rendering.
#pragma once

#include "app/shared_types.h"

struct BirthMarker {
    int active = 1;
    double size = 1.0;
    MY_VECTOR3 centre;
    double age = 0.0;
};
