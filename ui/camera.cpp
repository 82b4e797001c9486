#include "ui/camera.h"

#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "drawlib/view_math.h"
#include "ui/draw_world.h"

namespace {

constexpr float kPi = 3.1415927f;

bool isFinite(const MY_VECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Moves a smoothed point a tenth of the way towards `to`. A non-finite `to`
// (a creature caught in a blown-up body) is passed over so that the point
// does not stay non-finite for ever after.
void smoothTowards(MY_VECTOR3& p, const MY_VECTOR3& to)
{
    if (!isFinite(to))
        return;
    p.x = (p.x * 9 + to.x) * 0.1;
    p.y = (p.y * 9 + to.y) * 0.1;
    p.z = (p.z * 9 + to.z) * 0.1;
}

// Smoothed mean of all creature centres; the origin with fewer than two
// creatures.
const MY_VECTOR3& smoothPopulationCentre(MY_VECTOR3& c, const Population& population)
{
    if (population.size() <= 1) {
        c = MY_VECTOR3{};
        return c;
    }
    MY_VECTOR3 sum;
    for (const auto& a : population) {
        sum.x += a.centre.x;
        sum.y += a.centre.y;
        sum.z += a.centre.z;
    }
    const double inv = 1.0 / static_cast<double>(population.size());
    smoothTowards(c, MY_VECTOR3{sum.x * inv, sum.y * inv, sum.z * inv});
    return c;
}

void setTarget(OrbitCamera& camera, const MY_VECTOR3& p)
{
    camera.target[0] = static_cast<float>(p.x);
    camera.target[1] = static_cast<float>(p.y);
    camera.target[2] = static_cast<float>(p.z);
}

// First creature with the highest key; null for an empty population.
template <typename Key> Agent* firstWithHighest(Population& population, Key key)
{
    Agent* best = nullptr;
    for (auto& a : population)
        if (!best || key(a) > key(*best))
            best = &a;
    return best;
}

// The creature the main view follows under the given mode, or null.
Agent* chooseFollowed(World& w, int mode)
{
    Population& p = w.sim.population;
    switch (mode) {
    case 1: return firstWithHighest(p, [](const Agent& a) { return a.score; });
    case 2: return firstWithHighest(p, [](const Agent& a) { return a.age; });
    case 3: return firstWithHighest(p, [](const Agent& a) { return a.foodCount; });
    case 4: return firstWithHighest(p, [](const Agent& a) { return a.matingCount; });
    case 5: return w.view.selectedAgent;
    default: return nullptr;
    }
}

// What a follow mode of 1 to 4 ranks creatures by.
double followKey(const Agent& a, int mode)
{
    switch (mode) {
    case 1: return a.score;
    case 2: return a.age;
    case 3: return a.foodCount;
    case 4: return a.matingCount;
    default: return 0.0;
    }
}

// Whether the camera leaves the followed creature for the one that now
// leads under the mode: the followed one must have had the camera for
// kLeastStay seconds, and the leader must lead by a quarter of the followed
// one's value (and at least 2) or have led for kLeadSeconds, so that two
// creatures close to each other do not make the camera hop to and fro.
constexpr double kLeadShare = 0.25;
constexpr double kLeastLead = 2.0;
constexpr double kLeadSeconds = 20.0;
constexpr double kLeastStay = 30.0;

bool takesOver(CameraFollowState& f, const Agent& leader, const Agent& followed, int mode,
               double now)
{
    if (leader.creatureId != f.challengerId) {
        f.challengerId = leader.creatureId;
        f.challengerSince = now;
    }
    if (now - f.followedSince < kLeastStay)
        return false;
    const double lead = followKey(leader, mode) - followKey(followed, mode);
    const double margin = std::max(kLeastLead, kLeadShare * std::fabs(followKey(followed, mode)));
    return lead >= margin || now - f.challengerSince >= kLeadSeconds;
}

// Room the followed creature keeps under its centre above the panels: its
// ring, as a share of the view's height (the camera starts where the
// creature fills a tenth of it).
constexpr double kRingRoom = 0.15;

// Moves the eye and the target together along the view's up direction so
// that the target stands `lift` (a share of half the view's height) above
// the middle of the view; the view's angles stay as they are.
void liftView(OrbitCamera& c, double lift, float aspect)
{
    if (lift == 0.0)
        return;
    const double up = lift * c.distance * tanHalfFovY(aspect);
    const double u[3] = {-std::sin(c.pitch) * std::cos(c.heading),
                         -std::sin(c.pitch) * std::sin(c.heading), std::cos(c.pitch)};
    for (int i = 0; i < 3; ++i) {
        c.eye[i] -= static_cast<float>(up * u[i]);
        c.target[i] -= static_cast<float>(up * u[i]);
    }
}

// Zoom, distance limit and eye position from the current heading and pitch.
void placeEye(OrbitCamera& c, double dt)
{
    if (c.zoomMode != 0)
        updateZoom(c, dt);
    if (c.distance > c.maxDistance)
        c.distance = c.maxDistance;
    const float flat = c.distance * std::cos(c.pitch);
    c.eye[0] = c.target[0] + std::cos(c.heading) * flat;
    c.eye[1] = c.target[1] + std::sin(c.heading) * flat;
    c.eye[2] = c.target[2] + std::sin(c.pitch) * c.distance;
}

// Hands the eye and the view angles, in degrees, to the view.
void handViewpoint(OrbitCamera& c)
{
    float hpr[3] = {c.heading * 180.0f / kPi + 180.0f, c.pitch * -180.0f / kPi, 0.0f};
    if (c.setViewpoint)
        c.setViewpoint(c.eye, hpr);
}

void mainViewCamera(World& w)
{
    OrbitCamera& camera = w.view.mainCamera;
    CameraFollowState& f = w.view.cameraFollow;
    if (w.view.autoRotate)
        camera.heading += 0.00314f;
    if (w.view.followPinned) {
        w.view.followedAgent = w.view.followPinned;
    } else if (w.view.followMode == 0) {
        w.view.followedAgent = nullptr;
        applyOrbit(camera, w.driver.timeDelta);
        return;
    }

    if (!f.started) {
        f.started = true;
        f.startMs = w.driver.clock.processMs();
    }
    const double t = (w.driver.clock.processMs() - f.startMs) / 1000.0;
    Agent*& followed = w.view.followedAgent;
    if (!w.view.followPinned && (t - f.followChosenAt > w.view.followInterval || !followed)) {
        f.followChosenAt = static_cast<int>(t);
        Agent* leader = chooseFollowed(w, w.view.followMode);
        const bool ranked = w.view.followMode >= 1 && w.view.followMode <= 4;
        Agent* const before = followed;
        if (!followed || !leader || !ranked)
            followed = leader;
        else if (leader == followed)
            f.challengerId = -1;
        else if (takesOver(f, *leader, *followed, w.view.followMode, t))
            followed = leader;
        if (followed != before)
            f.followedSince = t;
        if (!followed) {
            applyOrbit(camera, w.driver.timeDelta);
            return;
        }
    }

    smoothTowards(f.followedPosition, w.view.followedAgent->centre);
    setTarget(camera, f.followedPosition);
    applyLookAt(camera, smoothPopulationCentre(f.populationCentre, w.sim.population), w.driver.timeDelta);
    // Framed in the part of the view the panels leave free.
    f.lift += (followedLift(w.view.windowHeight, w.view.panelsBottomTop) - f.lift) * 0.1;
    if (std::fabs(f.lift) > 1e-4 && w.view.windowHeight > 0) {
        liftView(camera, f.lift,
                 static_cast<float>(w.view.windowWidth) / static_cast<float>(w.view.windowHeight));
        handViewpoint(camera);
    }
}

void miniViewCamera(World& w)
{
    OrbitCamera& camera = w.view.miniCamera;
    CameraFollowState& f = w.view.cameraFollow;
    Agent* best = nullptr;
    double bestScore = -2147483647.0;
    if (w.view.miniViewFollow) {
        for (auto& a : w.sim.population) {
            if (a.score > bestScore) {
                bestScore = a.score;
                best = &a;
            }
        }
    }
    if (!best) {
        applyOrbit(camera, w.driver.timeDelta);
        return;
    }
    smoothTowards(f.bestPosition, best->centre);
    setTarget(camera, f.bestPosition);
    applyLookAt(camera, smoothPopulationCentre(f.miniPopulationCentre, w.sim.population), w.driver.timeDelta);
}

} // namespace

float closeFollowDistance(World& w, int viewWidth, int viewHeight, double share)
{
    // A creature just built has all its parts at one point; it unfolds to a
    // reach of about 3 m within seconds.
    constexpr double kUnfoldedReach = 3.0;
    constexpr double kBodyHeight = 1.0;
    const Agent* first = firstWithHighest(w.sim.population, [](const Agent& a) { return a.score; });
    const double reach = std::max(first ? creatureReach(*first) : 0.0, kUnfoldedReach);
    const float aspect = viewHeight > 0 ? static_cast<float>(viewWidth) / viewHeight : 1.0f;
    // Seen from the camera's pitch, its span (twice its reach) rises
    // span * sin(pitch) on the screen, and its body a little more; at
    // distance d the view spans 2 d tan(half the vertical angle).
    const double seen = 2 * reach * std::sin(w.view.mainCamera.pitch) + kBodyHeight;
    const double distance = seen / (share * 2 * tanHalfFovY(aspect));
    return static_cast<float>(std::clamp(distance, 3.0, static_cast<double>(w.view.mainCamera.maxDistance)));
}

void updateZoom(OrbitCamera& camera, double dt)
{
    camera.zoomTime += dt;
    if (camera.zoomMode == 1)
        camera.distance = static_cast<float>(
            std::pow(2.7182818284, -camera.zoomTime) * camera.zoomStart + camera.zoomEnd);
}

void applyOrbit(OrbitCamera& camera, double dt)
{
    placeEye(camera, dt);
    handViewpoint(camera);
}

void applyLookAt(OrbitCamera& camera, const MY_VECTOR3& point, double dt)
{
    placeEye(camera, dt);
    const float dx = static_cast<float>(point.x) - camera.target[0];
    const float dy = static_cast<float>(point.y) - camera.target[1];
    // atan(dy / dx), with 0 for a point straight above the target; dx == 0
    // is taken apart so nothing divides by zero.
    float heading = 0.0f;
    if (dx != 0.0f)
        heading = std::atan(dy / dx);
    else if (dy != 0.0f)
        heading = dy > 0.0f ? kPi / 2 : -kPi / 2;
    if (std::isnan(heading))
        heading = 0.0f;
    if (dx > 0.0f)
        heading += 3.14f;
    camera.heading = heading;
    handViewpoint(camera);
}

double followedLift(int viewHeight, float panelsTop)
{
    if (viewHeight <= 0 || panelsTop <= 0.0f)
        return 0.0;
    const double middle = viewHeight / 2.0;
    const double y = std::max(panelsTop / 2.0, std::min(middle, panelsTop - kRingRoom * viewHeight));
    return std::max(0.0, (middle - y) / middle);
}

void cameraCallback(World& w, int view)
{
    if (view == 0)
        mainViewCamera(w);
    else if (view == 1)
        miniViewCamera(w);
}
