// How finely a body made of capsules is drawn for its size on the screen:
// the detail level of its skin and whether it casts a shadow.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

struct BodyDetail {
    int level;   // capsule detail level, 1 (coarse) to 6 (fine)
    bool shadow; // whether its shadow is drawn
};

// Earlier: the levels step at 8, 16, 32 and 64 pixels, every body has its
// shadow. Lean: the same levels at twice the sizes, and no shadow under
// kShadowlessPixels, where a shadow covers a few pixels of ground. Glimpse,
// for the frames drawn now and then while the drawing is skipped: four times
// the sizes for both.
enum class DetailChoice { Earlier, Lean, Glimpse };

// pixels: the radius on the screen of the body's bounding sphere; quality:
// the finest level the graphic quality allows; shadows: whether shadows are
// drawn at all.
BodyDetail bodyDetail(float pixels, int quality, DetailChoice choice, bool shadows);

constexpr float kShadowlessPixels = 12.0f;
