// Which creature part is under the cursor of the main view. The cursor's
// ray is tried against each creature's bounding sphere first, and only the
// parts of the creatures it meets are looked at: the nearest part the ray
// hits wins; failing that, the followed creature when the ray meets the
// ground on its ring; failing that, the nearest part the ray passes within a
// few pixels of, so that a click beside a thin moving limb still finds it.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <unordered_map>
#include <vector>

#include "creature/body_part.h"
#include "drawlib/view_math.h"
#include "ecology/population.h"

struct OrbitCamera;

// Pixels around a part (or the ring) within which a click still finds it.
constexpr int kPickSlackPixels = 4;

// The ray through the pixel (x, y) of a view of width x height pixels seen
// by the camera, y counted from the top.
Ray viewRay(const OrbitCamera& camera, int x, int y, int width, int height);

// The width a pixel covers at unit distance in a view `height` pixels tall
// and `width` wide, times `pixels`: the slack a part is given, per unit of
// its distance from the eye.
double pixelSlack(int width, int height, int pixels);

class CreaturePicker {
public:
    // The part under the ray as above, or null; `ringed` is the creature
    // whose ring is drawn (null: none). Parts that no longer exist are never
    // found.
    BodyPart* pick(Population& population, const Agent* ringed, const Ray& ray, double slack);

    // Creatures whose parts the last pick looked at.
    int creaturesWalked() const { return walked_; }

private:
    // The distance from a creature's centre within which all of its parts
    // lie: the sum of its parts' whole lengths, kept per creature (its parts'
    // sizes do not change during its life).
    double reachOf(const Agent& a);

    struct Bound {
        int id = -1;
        double reach = 0.0;
    };
    std::unordered_map<const Agent*, Bound> bounds_;
    std::vector<Agent*> candidates_; // those the ray may meet, kept to spare allocations
    int walked_ = 0;
};
