// How finely a body made of capsules is drawn for its size on the screen:
// the detail level of its skin and whether it casts a shadow.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

struct BodyDetail {
    int level;   // capsule detail level, 0 (the far shape) to 6 (fine)
    bool shadow; // whether its shadow is drawn
};

// Earlier: the levels 1, 2, 3, 4 and 6 step at 8, 16, 32 and 64 pixels,
// every body has its shadow. Lean: levels 0, 1, 2, 4 and 6 at four times
// those sizes (level 0 is the far shape: four sides, pointed ends), and no
// shadow under kShadowlessPixels: a body small enough for the far shape
// casts none (its shadow is a smudge of a few pixels, and costs a pass over
// all its triangles). Glimpse, for the frames drawn now and then while the drawing is
// skipped: the lean levels at twice their sizes, and shadows from twice the
// size.
enum class DetailChoice { Earlier, Lean, Glimpse };

// pixels: the radius on the screen of the body's bounding sphere; quality:
// the finest level the graphic quality allows; shadows: whether shadows are
// drawn at all.
BodyDetail bodyDetail(float pixels, int quality, DetailChoice choice, bool shadows);

// Where the lean level 1 starts.
constexpr float kShadowlessPixels = 32.0f;
