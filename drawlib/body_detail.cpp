#include "drawlib/body_detail.h"

#include <algorithm>

BodyDetail bodyDetail(float pixels, int quality, bool lean, bool shadows)
{
    // The radius from which each level on is used.
    const float scale = lean ? 2.0f : 1.0f;
    const int level = pixels < 8.0f * scale    ? 1
                      : pixels < 16.0f * scale ? 2
                      : pixels < 32.0f * scale ? 3
                      : pixels < 64.0f * scale ? 4
                                               : 6;
    const bool shadow = shadows && (!lean || pixels >= kShadowlessPixels);
    return BodyDetail{std::max(1, std::min(quality, level)), shadow};
}
