#include "drawlib/body_detail.h"

#include <algorithm>

BodyDetail bodyDetail(float pixels, int quality, DetailChoice choice, bool shadows)
{
    // The radius from which each level on is used.
    const float scale = choice == DetailChoice::Earlier ? 1.0f
                        : choice == DetailChoice::Lean  ? 2.0f
                                                        : 4.0f;
    const int level = pixels < 8.0f * scale    ? 1
                      : pixels < 16.0f * scale ? 2
                      : pixels < 32.0f * scale ? 3
                      : pixels < 64.0f * scale ? 4
                                               : 6;
    const bool shadow =
        shadows && (choice == DetailChoice::Earlier || pixels >= kShadowlessPixels * scale * 0.5f);
    return BodyDetail{std::max(1, std::min(quality, level)), shadow};
}
