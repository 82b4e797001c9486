#include "ui/creature_pick.h"

#include <cmath>

#include "drawlib/ray_pick.h"
#include "ui/draw_world.h"
#include "ui/view_state.h"

namespace {

constexpr double kPi = 3.141592653589793;
// Height of the ring's bars above the ground, and half their width.
constexpr double kRingHeight = 0.03;
constexpr double kRingHalfWidth = 0.045;
// Distance of the ring from the creature's farthest part.
constexpr double kRingGap = 0.4;

double distance(const double a[3], const double b[3])
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

// Distance along the ray to the part grown by `grow`, or negative for a miss.
double hitPart(const Ray& ray, const BodyPart& p, double grow)
{
    const dReal* pos = dGeomGetPosition(p.geom);
    const dReal* R = dGeomGetRotation(p.geom);
    switch (p.shape) {
    case 0: return raySphere(ray, pos, p.radius + grow);
    case 1: return rayCapsule(ray, pos, R, p.length, p.radius + grow);
    case 2: {
        const double sides[3] = {p.sides[0] + 2 * grow, p.sides[1] + 2 * grow,
                                 p.sides[2] + 2 * grow};
        return rayBox(ray, pos, R, sides);
    }
    default: return -1.0;
    }
}

BodyPart* firstPart(Agent& a)
{
    for (BodyPart& p : a.parts)
        if (p.exists && p.geom)
            return &p;
    return nullptr;
}

// Whether the ray meets the ground within the band of the creature's ring,
// widened by the slack.
bool onRing(const Ray& ray, const Agent& a, double slack)
{
    if (!(std::fabs(ray.dir[2]) > 1e-9))
        return false;
    const double t = (kRingHeight - ray.origin[2]) / ray.dir[2];
    if (t <= 0.0)
        return false;
    const double at[3] = {ray.origin[0] + t * ray.dir[0], ray.origin[1] + t * ray.dir[1],
                          kRingHeight};
    const double radius = creatureReach(a) + kRingGap;
    const double fromCentre = std::hypot(at[0] - a.centre.x, at[1] - a.centre.y);
    return std::fabs(fromCentre - radius) <= kRingHalfWidth + slack * t;
}

} // namespace

Ray viewRay(const OrbitCamera& camera, int x, int y, int width, int height)
{
    const float hpr[3] = {static_cast<float>(camera.heading * 180.0 / kPi + 180.0),
                          static_cast<float>(camera.pitch * -180.0 / kPi), 0.0f};
    return cursorRay(camera.eye, hpr, x, y, width, height);
}

double pixelSlack(int width, int height, int pixels)
{
    if (width <= 0 || height <= 0)
        return 0.0;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    return 2.0 * tanHalfFovY(aspect) / height * pixels;
}

double CreaturePicker::reachOf(const Agent& a)
{
    Bound& b = bounds_[&a];
    if (b.id != a.creatureId) {
        b.id = a.creatureId;
        b.reach = 0.0;
        for (const BodyPart& p : a.parts)
            b.reach += p.shape == 2 ? std::sqrt(p.sides[0] * p.sides[0] + p.sides[1] * p.sides[1] +
                                                p.sides[2] * p.sides[2])
                                    : p.length + 2 * p.radius;
    }
    return b.reach;
}

BodyPart* CreaturePicker::pick(Population& population, const Agent* ringed, const Ray& ray,
                               double slack)
{
    walked_ = 0;
    // Records of creatures gone are dropped now and then.
    if (bounds_.size() > 2 * population.size() + 64)
        bounds_.clear();
    // The creatures whose grown bounding sphere the ray meets.
    candidates_.clear();
    for (Agent& a : population) {
        const double centre[3] = {a.centre.x, a.centre.y, a.centre.z};
        if (!std::isfinite(centre[0]) || !std::isfinite(centre[1]) || !std::isfinite(centre[2]))
            continue;
        const double reach = reachOf(a) + slack * distance(ray.origin, centre);
        if (raySphere(ray, centre, reach) >= 0.0)
            candidates_.push_back(&a);
    }
    walked_ = static_cast<int>(candidates_.size());

    // The nearest part the ray hits, then the same with every part grown
    // by the slack at its distance.
    for (int pass = 0; pass < 2; ++pass) {
        BodyPart* best = nullptr;
        double bestT = -1.0;
        for (Agent* a : candidates_)
            for (BodyPart& p : a->parts) {
                if (!p.exists || !p.geom)
                    continue;
                const double grow =
                    pass == 0 ? 0.0 : slack * distance(ray.origin, dGeomGetPosition(p.geom));
                const double t = hitPart(ray, p, grow);
                if (t >= 0.0 && (!best || t < bestT)) {
                    best = &p;
                    bestT = t;
                }
            }
        if (best)
            return best;
        // Between the two: the ring of the followed creature.
        if (pass == 0 && ringed) {
            for (Agent& a : population)
                if (&a == ringed && onRing(ray, a, slack))
                    return firstPart(a);
        }
    }
    return nullptr;
}
