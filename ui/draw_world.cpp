// Contents: level of detail and body colour; skin slots; the creatures;
// the rest of the scene (walls, tracks, foods, arrows, selection marker,
// birth markers); drawWorld.
#include "ui/draw_world.h"

#include <cstdio>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "drawlib/drawstuff.h"

namespace {

// Materials of a creature's skin and of the part under the cursor.
constexpr float kSkinMaterial[4] = {0.35f, 0.7f, 1.5f, 50.0f};
constexpr float kHoverMaterial[4] = {1.0f, 0.7f, 1.5f, 50.0f};

// The rotation of what is drawn unturned: foods and the markers.
constexpr double kIdentity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

// Rounds to single precision and widens back. The float goes through
// memory: GCC 12 at -O2 vectorizes such round trips on neighbouring values
// and drops the rounding.
double viaFloat(double v)
{
    volatile float f = static_cast<float>(v);
    return f;
}

void toFloats(const MY_VECTOR3& v, float out[3])
{
    out[0] = static_cast<float>(v.x);
    out[1] = static_cast<float>(v.y);
    out[2] = static_cast<float>(v.z);
}

// A joint on face 4 (+z) of a capsule hides its +z cap, on face 5 its -z cap.
void hideCapAtFace(SkinSlots& s, int slot, int face)
{
    if (face == 4)
        s.capFlags[slot * 2 + 1] = 0;
    else if (face == 5)
        s.capFlags[slot * 2] = 0;
}

// One part on its own. A part touching the ground glows with its touch; the
// part under the cursor is lit instead.
void drawPart(const BodyPart& p, bool hovered)
{
    if (hovered) {
        N_MaterialColor(kHoverMaterial[0], kHoverMaterial[1], kHoverMaterial[2],
                        kHoverMaterial[3]);
    } else {
        const float g = p.groundTouch > 0.5 ? static_cast<float>(p.groundTouch) : 0.5f;
        N_MaterialColor(g, g, g, 5.0f);
    }
    const dReal* pos = dGeomGetPosition(p.geom);
    const dReal* R = dGeomGetRotation(p.geom);
    switch (p.shape) {
    case 0: dsDrawSphereD(pos, R, static_cast<float>(p.radius)); break;
    case 1:
        dsDrawCapsuleD(pos, R, static_cast<float>(p.length), static_cast<float>(p.radius));
        break;
    case 2: dsDrawBoxD(pos, R, p.sides); break;
    default: break;
    }
}

// One creature: detail level, texture and shadow, colour by life state, then
// its parts one by one or as one skin.
void drawCreature(World& w, Agent& a, const OrbitCamera& camera, int viewWidth, int viewHeight,
                  bool pickingPass, const GrabbedPart* pickedObject, SkinSlots& skin)
{
    skin.reset();
    dsSetShadows(w.view.drawShadows);
    dsSetTexture(1);

    const int level = levelOfDetail(lodSize(a.gene[BODY_SCALE]), camera.eye, a.centre, viewWidth,
                                    viewHeight, w.view.lodScale);
    if (level == 2)
        dsSetShadows(0);
    if (level == 1) {
        dsSetTexture(0);
        dsSetShadows(0);
    }
    int capsuleLevel = level;
    if (pickingPass)
        capsuleLevel = std::max(level - 1, 2);
    if (!w.view.drawSkin)
        capsuleLevel = std::max(capsuleLevel, 2);
    dsSetCapsuleQuality(capsuleLevel);
    if (pickingPass)
        dsSetTexture(0);

    if (a.lifeState == Alive) {
        float rgb[3];
        bodyHue(static_cast<float>(a.gene[BODY_COLOR]), rgb);
        dsSetColor(rgb[0], rgb[1], rgb[2]);
    } else if (a.lifeState == Starved || a.lifeState == Fallen) {
        dsSetColorAlpha(0.8f, 0.8f, 0.8f, 1.0f - a.dyingProgress);
    }

    // The part under the cursor lights up alone: drawn on its own it takes
    // the lit material, in the skin its capsule is marked.
    int hoveredSlot = -1;
    int slot = 0;
    for (const BodyPart& p : a.parts) {
        if (!p.exists)
            continue;
        if (pickingPass)
            N_SetObjName(&p);
        const bool hovered = &p == pickedObject;
        if (hovered) {
            w.view.hoveredAgent = &a;
            hoveredSlot = slot;
        }
        if (!w.view.drawSkin)
            drawPart(p, hovered);
        ++slot;
    }
    if (w.view.drawSkin) {
        N_MaterialColor(kSkinMaterial[0], kSkinMaterial[1], kSkinMaterial[2], kSkinMaterial[3]);
        fillSkinSlots(skin, a.parts, a.joints);
        if (hoveredSlot >= 0 && hoveredSlot < skin.count)
            skin.ints[hoveredSlot] = kLitCapsule;
        // The skin is the creature's own from frame to frame.
        N_SetMeshKey(&a);
        dsDrawCapsuleArray(skin.count, skin.positions, skin.rotations, skin.radii, skin.lengths,
                           skin.parents, skin.capFlags, skin.ints);
    }
}

void drawWalls(const World& w)
{
    if (!w.sim.walls.exist)
        return;
    dsSetShadows(0);
    dsSetColor(0.71484375f, 0.71484375f, 0.78515625f);
    for (const BodyPart& block : w.sim.walls.blocks)
        dsDrawBoxD(dGeomGetPosition(block.geom), dGeomGetRotation(block.geom), w.sim.walls.blockSize);
    dsSetShadows(w.view.drawShadows);
    dsSetColor(0.8f, 0.8f, 0.8f);
}

// Each track point joined to the one before it.
void drawTracks(const World& w)
{
    for (const Agent& a : w.sim.population) {
        const MY_VECTOR3* previous = nullptr;
        for (const MY_VECTOR3& point : a.track) {
            if (previous) {
                float from[3], to[3];
                toFloats(point, from);
                toFloats(*previous, to);
                dsDrawLine(from, to);
            }
            previous = &point;
        }
    }
}

void drawFoods(const World& w)
{
    dsSetShadows(0);
    dsSetColorAlpha(0.5f, 0.8f, 0.5f, 0.5f);
    for (const AimPoint& food : w.sim.foods.foods) {
        const double pos[3] = {food.position.x, food.position.y, food.position.z};
        dsDrawSphereD(pos, kIdentity, 0.5f);
    }
    dsSetShadows(w.view.drawShadows);
}

// An arrow from each creature towards the food or mate it goes for. A
// creature whose intention has lost its target gets none.
void drawArrows(const World& w)
{
    dsSetColor(0.9f, 0.9f, 0.9f);
    dsSetShadows(0);
    for (const Agent& a : w.sim.population) {
        const Intention& in = a.intention;
        MY_VECTOR3 target;
        if (in.mode == Intention::Food && in.food)
            target = in.food->position;
        else if (in.mode == Intention::Mate && in.partner)
            target = in.partner->centre;
        else
            continue;
        const MY_VECTOR3& c = a.centre;
        double d[3] = {target.x - c.x, target.y - c.y, target.z - c.z};
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (length == 0.0) {
            d[0] = 1.0;
        } else {
            for (double& v : d)
                v /= length;
        }
        const double base[3] = {viaFloat(c.x), viaFloat(c.y),
                                viaFloat(static_cast<float>(c.z) + 0.2f)};
        dMatrix3 R;
        dRFromZAxis(R, (c.x + 3 * d[0]) - c.x, (c.y + 3 * d[1]) - c.y, (c.z + 3 * d[2]) - c.z);
        N_DrawArrow(base, R, 2.25, 0.1, w.view.arrowQuality);
    }
    dsSetShadows(w.view.drawShadows);
}

void drawSelectionMarker(const World& w)
{
    dsSetShadows(0);
    if (w.view.selectedAgent) {
        const MY_VECTOR3& c = w.view.selectedAgent->centre;
        const double pos[3] = {viaFloat(c.x), viaFloat(c.y), viaFloat(c.z)};
        dsSetColorAlpha(1.0f, 1.0f, 1.0f, 0.5f);
        dsDrawSphereD(pos, kIdentity, 2.0f);
    }
    dsSetShadows(w.view.drawShadows);
}

void drawBirthMarkers(World& w, double dt)
{
    dsSetShadows(0);
    ageBirthMarkers(w.view.birthMarkers, dt, [](const BirthMarker& m) {
        const double pos[3] = {m.centre.x, m.centre.y, m.centre.z};
        dsSetColorAlpha(1.0f, 1.0f, 1.0f, static_cast<float>(1.0 - m.age));
        dsDrawSphereD(pos, kIdentity, static_cast<float>(m.size * m.age));
    });
    dsSetShadows(w.view.drawShadows);
}

} // namespace

void bodyHue(float bodyColor, float rgb[3])
{
    const float hi = 200.0f / 255.0f;
    const float lo = 0.5843906f;
    const float t = bodyColor / 60.0f;
    // Outside the wheel (negative, 360 and above, not a number) the colour
    // is black; checking t first keeps the integer conversion defined.
    if (!(t >= 0.0f && t < 6.0f)) {
        rgb[0] = rgb[1] = rgb[2] = 0.0f;
        return;
    }
    const int e = static_cast<int>(std::floor(t));
    float f = t - static_cast<float>(e);
    if (e % 2 == 0)
        f = 1.0f - f;
    const float v = (1.0f - f * 65.0f / 255.0f) * hi;
    const float table[6][3] = {{hi, v, lo}, {v, hi, lo}, {lo, hi, v},
                               {lo, v, hi}, {v, lo, hi}, {hi, lo, v}};
    std::copy(table[e], table[e] + 3, rgb);
}

float lodSize(double bodyScale)
{
    const GeneParam& row = geneParams[PART_LENGTH];
    return static_cast<float>((row.max + row.min) / 2 * bodyScale);
}

int levelOfDetail(float s, const float eye[3], const MY_VECTOR3& centre, int viewWidth,
                  int viewHeight, float lodScale)
{
    const float dx = static_cast<float>(eye[0] - centre.x);
    const float dy = static_cast<float>(eye[1] - centre.y);
    const float dz = static_cast<float>(eye[2] - centre.z);
    const float d2 = dx * dx + dy * dy + dz * dz;
    const float c = std::cos(0.8660253882408142f);
    const float L = std::sqrt(s * s / (std::fabs(d2) * c * 2.0f)) *
                    static_cast<float>(std::max(viewWidth, viewHeight));
    const float q = lodScale;
    if (L > 30 * q)
        return 6;
    if (L > 15 * q)
        return 5;
    if (L > 10 * q)
        return 4;
    if (L > 6 * q)
        return 3;
    if (L > 4 * q)
        return 2;
    return 1;
}

double creatureReach(const Agent& a)
{
    double reach = 0.0;
    for (const BodyPart& p : a.parts) {
        if (!p.exists || !p.geom)
            continue;
        const dReal* pos = dGeomGetPosition(p.geom);
        const double dx = pos[0] - a.centre.x, dy = pos[1] - a.centre.y;
        reach = std::max(reach, std::sqrt(dx * dx + dy * dy) + 0.5 * p.length + p.radius);
    }
    return reach;
}

std::string creatureLabel(const Agent& a)
{
    char text[96];
    std::snprintf(text, sizeof text, "#%d  gen %d  score %.1f", a.creatureId, a.generation,
                  a.score);
    return text;
}

void drawFollowMarker(const World& w)
{
    const Agent* a = w.view.followedAgent;
    if (!a || !std::isfinite(a->centre.x) || !std::isfinite(a->centre.y))
        return;
    // A ring of short flat bars just above the ground.
    constexpr int kSegments = 36;
    const double radius = creatureReach(*a) + 0.4;
    const double pi = 3.141592653589793;
    const double sides[3] = {2 * pi * radius / kSegments * 1.08, 0.09, 0.02};
    dsSetShadows(0);
    dsSetTexture(0);
    N_MaterialColor(0.9f, 0.6f, 0.3f, 10.0f);
    dsSetColorAlpha(1.0f, 0.78f, 0.25f, 0.85f);
    for (int i = 0; i < kSegments; ++i) {
        const double t = 2 * pi * (i + 0.5) / kSegments;
        const double pos[3] = {a->centre.x + radius * std::cos(t),
                               a->centre.y + radius * std::sin(t), 0.03};
        dMatrix3 R;
        dRFromAxisAndAngle(R, 0, 0, 1, t + pi / 2);
        dsDrawBoxD(pos, R, sides);
    }
    dsSetShadows(w.view.drawShadows);
    dsSetColor(0.8f, 0.8f, 0.8f);
    const double top[3] = {a->centre.x, a->centre.y, a->centre.z + 1.2};
    N_DrawLabel(top, creatureLabel(*a).c_str());
}

void SkinSlots::reset()
{
    count = 0;
    std::fill(std::begin(parents), std::end(parents), -1);
    std::fill(std::begin(capFlags), std::end(capFlags), std::uint8_t{1});
    std::fill(std::begin(ints), std::end(ints), 0);
}

void fillSkinSlots(SkinSlots& s, const std::vector<BodyPart>& parts,
                   const std::vector<BodyJoint>& joints)
{
    s.reset();
    // Slot of each part; parents come before their children, so a parent's
    // slot is known when its child is placed.
    int slotOf[SkinSlots::kSlots];
    const int n = std::min(static_cast<int>(parts.size()), SkinSlots::kSlots);
    for (int j = 0; j < n; ++j) {
        const BodyPart& p = parts[j];
        slotOf[j] = -1;
        if (!p.exists)
            continue;
        const int k = s.count++;
        slotOf[j] = k;
        const dReal* pos = dGeomGetPosition(p.geom);
        const dReal* R = dGeomGetRotation(p.geom);
        for (int i = 0; i < 3; ++i)
            s.positions[k * 4 + i] = static_cast<float>(pos[i]);
        for (int i = 0; i < 12; ++i)
            s.rotations[k * 12 + i] = static_cast<float>(R[i]);
        s.radii[k] = static_cast<float>(p.radius);
        s.lengths[k] = static_cast<float>(p.length);

        if (p.parentIndex == -1)
            continue;
        const int parentSlot = p.parentIndex >= 0 && p.parentIndex < j ? slotOf[p.parentIndex] : -1;
        s.parents[k] = parentSlot;
        if (p.hangJoint < 0 || p.hangJoint >= static_cast<int>(joints.size()))
            continue;
        const BodyJoint& joint = joints[p.hangJoint];
        if (parentSlot >= 0)
            hideCapAtFace(s, parentSlot, joint.parentFace);
        hideCapAtFace(s, k, joint.childFace);
    }
}

void drawWorld(World& w, const OrbitCamera& camera, int viewWidth, int viewHeight, bool pickingPass,
               const GrabbedPart* pickedObject, double dt)
{
    N_SetTextures(w.view.drawTexture);
    SkinSlots skin;
    for (Agent& a : w.sim.population)
        drawCreature(w, a, camera, viewWidth, viewHeight, pickingPass, pickedObject, skin);
    dsSetTexture(0);
    N_MaterialColor(0.5f, 0.5f, 0.5f, 5.0f);
    dsSetColor(0.8f, 0.8f, 0.8f);
    if (pickingPass)
        return;

    drawWalls(w);
    if (w.view.drawTracks)
        drawTracks(w);
    drawFoods(w);
    if (w.view.drawArrows)
        drawArrows(w);
    if (w.view.drawSelectionMarker)
        drawSelectionMarker(w);
    drawBirthMarkers(w, dt);
}
