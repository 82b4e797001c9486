// Drawing the world: level of detail, body colours, skin slots, the picking
// pass and the main pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "support/ode_fixture.h"
#include "support/recording_backend.h"
#include "ui/draw_world.h"

namespace {

TEST(LevelOfDetail, ThresholdsScaleWithLodScale)
{
    struct Case {
        float lodScale;
        float distance;
        int level;
    } cases[] = {{2.0f, 10, 5}, {2.0f, 20, 3}, {2.0f, 80, 1}, {1.0f, 10, 6},
                 {1.0f, 20, 5}, {1.0f, 80, 2}, {1.0f, 0, 6}};
    const MY_VECTOR3 centre{1, -2, 3};
    for (const Case& c : cases) {
        // Off the axes, so every coordinate difference counts.
        const float eye[3] = {1 + 0.6f * c.distance, -2, 3 + 0.8f * c.distance};
        EXPECT_EQ(levelOfDetail(0.6f, eye, centre, 640, 480, c.lodScale), c.level)
            << c.lodScale << " at " << c.distance;
        // The larger side of the view counts.
        EXPECT_EQ(levelOfDetail(0.6f, eye, centre, 480, 640, c.lodScale), c.level);
    }
}

TEST(BodyHue, WheelWithinTheBrightnessBand)
{
    const float hi = 0.78431374f, lo = 0.5843906f;
    struct Case {
        float hue, r, g, b, tolerance;
    } cases[] = {{0, hi, lo, lo, 1e-6f},       {60, hi, hi, lo, 1e-6f},
                 {90, 0.6844f, hi, lo, 1e-4f}, {200, lo, 0.7177f, hi, 1e-4f},
                 {359.9f, hi, lo, lo, 1e-3f},  {360, 0, 0, 0, 0},
                 {-0.1f, 0, 0, 0, 0},          {std::nanf(""), 0, 0, 0, 0}};
    for (const Case& c : cases) {
        float rgb[3];
        bodyHue(c.hue, rgb);
        EXPECT_NEAR(rgb[0], c.r, c.tolerance) << c.hue;
        EXPECT_NEAR(rgb[1], c.g, c.tolerance) << c.hue;
        EXPECT_NEAR(rgb[2], c.b, c.tolerance) << c.hue;
    }
}

class DrawWorldTest : public WorldTest {
protected:
    void SetUp() override { makeScene(4242, 3); }
    std::vector<Agent*> creatures()
    {
        std::vector<Agent*> out;
        for (auto& a : w().population)
            out.push_back(&a);
        return out;
    }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(DrawWorldTest, SkinSlotsAreCompactedWithParentsAndCapsAtTheirSlots)
{
    // Parts 1 and 3 are absent: part 2 hangs from part 0 on its +z face and
    // part 4 from part 2's -z face, by its own +z face.
    std::vector<BodyPart> parts(5);
    std::vector<BodyJoint> joints(4);
    const int parent[5] = {-1, 0, 0, 1, 2};
    for (int j = 0; j < 5; ++j) {
        parts[j].exists = j % 2 == 0;
        parts[j].parentIndex = parent[j];
        parts[j].hangJoint = j - 1;
        parts[j].radius = 0.1 * j;
        parts[j].length = j;
        parts[j].geom = dCreateSphere(nullptr, 1);
        dGeomSetPosition(parts[j].geom, 10 * j, 1, 2);
    }
    dMatrix3 R;
    dRFromAxisAndAngle(R, 0, 0, 1, 0.5);
    dGeomSetRotation(parts[4].geom, R);
    joints[1].parentFace = 4;
    joints[1].childFace = 5;
    joints[3].parentFace = 5;
    joints[3].childFace = 4;

    SkinSlots s;
    fillSkinSlots(s, parts, joints);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(std::vector<int>(s.parents, s.parents + 4), (std::vector<int>{-1, 0, 1, -1}));
    EXPECT_EQ(std::vector<int>(s.capFlags, s.capFlags + 8),
              (std::vector<int>{1, 0, 0, 1, 1, 0, 1, 1}));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(s.positions[k * 4], 20.0f * k);
        EXPECT_EQ(s.lengths[k], 2.0f * k);
        EXPECT_FLOAT_EQ(s.radii[k], 0.2f * k);
        EXPECT_EQ(s.ints[k], 0);
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(s.rotations[24 + i], static_cast<float>(R[i])) << i;
    for (auto& p : parts)
        dGeomDestroy(p.geom);
}

TEST_F(DrawWorldTest, PickingPassDrawsOnlyTaggedCreaturePartsAndAgesNothing)
{
    w().birthMarkers.resize(1);
    std::vector<const void*> parts;
    for (Agent* a : creatures())
        for (const BodyPart& p : a->parts)
            if (p.exists)
                parts.push_back(&p);
    for (std::uint8_t skin : {1, 0}) {
        w().drawSkin = skin;
        rec.calls.clear();
        drawWorld(w(), w().mainCamera, 640, 480, true, nullptr, 0.15);

        const std::set<std::string> allowed = {
            "setTextures", "setShadows",    "setTexture",  "setCapsuleQuality", "setColor",
            "setObjName",  "materialColor", "drawCapsule", "drawCapsuleArray"};
        std::vector<const void*> names;
        for (const DrawCall& c : rec.calls) {
            EXPECT_TRUE(allowed.count(c.op)) << c.op;
            if (c.op == "setObjName")
                names.push_back(c.name);
            if (c.op == "setCapsuleQuality") {
                EXPECT_GE(c.args[0], 2);
            }
        }
        EXPECT_EQ(names, parts);
        const size_t drawn = skin ? rec.count("drawCapsuleArray") : rec.count("drawCapsule");
        EXPECT_EQ(drawn, skin ? 3u : parts.size());
        EXPECT_EQ(w().birthMarkers.front().age, 0.0);
    }
}

TEST_F(DrawWorldTest, MainPassHighlightsFadesPointsAndDrawsMarkers)
{
    Agent& dying = *creatures()[0];
    Agent& still = *creatures()[1];
    for (Agent* a : creatures())
        a->intention = Intention{};
    dying.lifeState = Starved;
    dying.dyingProgress = 0.25f;
    still.intention.mode = Intention::Mate;
    still.intention.partner = &still; // the target is its own centre
    BirthMarker marker;
    marker.size = 2.0;
    marker.age = 0.5;
    w().birthMarkers.push_back(marker);
    w().selectedAgent = &dying;

    drawWorld(w(), w().mainCamera, 640, 480, false, &still.parts[0], 0.15);

    EXPECT_EQ(w().hoveredAgent, &still);
    const auto materials = rec.only("materialColor");
    EXPECT_EQ(std::count_if(materials.begin(), materials.end(),
                            [](const DrawCall& c) { return c.args[0] == 1.0; }),
              1);
    const auto alphas = rec.only("setColorAlpha");
    ASSERT_FALSE(alphas.empty());
    EXPECT_EQ(alphas.front().args, (std::vector<double>{0.8f, 0.8f, 0.8f, 0.75f}));

    const auto arrows = rec.only("drawArrow");
    ASSERT_EQ(arrows.size(), 1u);
    const std::vector<double>& a = arrows[0].args;
    EXPECT_EQ(a[0], static_cast<float>(still.centre.x));
    EXPECT_EQ(a[1], static_cast<float>(still.centre.y));
    EXPECT_EQ(a[2], static_cast<float>(still.centre.z) + 0.2f);
    // The z axis of the rotation (its third column) runs along +x.
    EXPECT_EQ((std::vector<double>{a[3 + 2], a[3 + 6], a[3 + 10]}), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ((std::vector<double>(a.begin() + 15, a.end())),
              (std::vector<double>{2.25, 0.1, double(w().arrowQuality)}));

    // The selection marker at the centre in single precision, then the
    // birth marker, last of the scene: aged by 0.15 * 0.2, faded and grown.
    const auto spheres = rec.only("drawSphere");
    ASSERT_GE(spheres.size(), 2u);
    const std::vector<double>& s = spheres[spheres.size() - 2].args;
    EXPECT_EQ(s[0], static_cast<float>(dying.centre.x));
    EXPECT_EQ(s[1], static_cast<float>(dying.centre.y));
    EXPECT_EQ(s[15], 2.0);
    EXPECT_NEAR(alphas.back().args[3], 1 - 0.53, 1e-6);
    EXPECT_NEAR(spheres.back().args[15], 2 * 0.53, 1e-6);
    EXPECT_EQ(rec.calls.back().op, "setShadows");
}

} // namespace
