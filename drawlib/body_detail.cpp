#include "drawlib/body_detail.h"

#include <algorithm>

BodyDetail bodyDetail(float pixels, int quality, DetailChoice choice, bool shadows)
{
    // The radius from which each step of detail on is used, and the levels
    // of the steps: the lean choices start from the far shape (level 0).
    const float scale = choice == DetailChoice::Earlier ? 1.0f
                        : choice == DetailChoice::Lean  ? 4.0f
                                                        : 8.0f;
    static const int kEarlierLevels[5] = {1, 2, 3, 4, 6};
    static const int kLeanLevels[5] = {0, 1, 2, 4, 6};
    const int* levels = choice == DetailChoice::Earlier ? kEarlierLevels : kLeanLevels;
    const int step = pixels < 8.0f * scale    ? 0
                     : pixels < 16.0f * scale ? 1
                     : pixels < 32.0f * scale ? 2
                     : pixels < 64.0f * scale ? 3
                                              : 4;
    const bool shadow =
        shadows && (choice == DetailChoice::Earlier ||
                    pixels >= kShadowlessPixels * (choice == DetailChoice::Glimpse ? 2.0f : 1.0f));
    return BodyDetail{std::max(levels[0], std::min(quality, levels[step])), shadow};
}
