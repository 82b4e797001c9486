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

// pixels: the radius on the screen of the body's bounding sphere; quality:
// the finest level the graphic quality allows. The lean choice halves the
// slices of a body twice as large on the screen as before, and leaves out the
// shadows of bodies under kShadowlessPixels, where a shadow covers a few
// pixels of ground; the earlier choice gives every body a shadow.
BodyDetail bodyDetail(float pixels, int quality, bool lean, bool shadows);

constexpr float kShadowlessPixels = 12.0f;
