// Drawing the world: level of detail, body colours, skin slots, the picking
// pass and the main pass.
#include <gtest/gtest.h>

#include <cmath>

#include "support/ode_fixture.h"
#include "support/recording_backend.h"
#include "ui/draw_world.h"

namespace {

TEST(DrawHelpers, LevelOfDetailAndBodyHue)
{
    const MY_VECTOR3 centre{1, -2, 3};
    // lodScale, distance from the eye (on an off-axis line), level.
    const float lods[][3] = {{2, 10, 5}, {2, 20, 3}, {2, 80, 1}, {1, 10, 6}, {1, 0, 6}};
    for (const auto& c : lods) {
        const float eye[3] = {1 + 0.6f * c[1], -2, 3 + 0.8f * c[1]};
        EXPECT_EQ(levelOfDetail(0.6f, eye, centre, 640, 480, c[0]), c[2]) << c[0] << " " << c[1];
    }
    const float hi = 0.78431374f, lo = 0.5843906f;
    // Hue, r, g, b, tolerance.
    const float hues[][5] = {{0, hi, lo, lo, 1e-6f},       {60, hi, hi, lo, 1e-6f},
                             {90, 0.6844f, hi, lo, 1e-4f}, {200, lo, 0.7177f, hi, 1e-4f},
                             {359.9f, hi, lo, lo, 1e-3f},  {360, 0, 0, 0, 0},
                             {-0.1f, 0, 0, 0, 0}};
    for (const auto& c : hues) {
        float rgb[3];
        bodyHue(c[0], rgb);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(rgb[i], c[i + 1], c[4]) << c[0];
    }
}

class DrawWorldTest : public WorldTest {
protected:
    void SetUp() override { makeScene(4242, 3); }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(DrawWorldTest, SkinSlotsAreCompactedWithParentsAndCapsAtTheirSlots)
{
    // Parts 1 and 3 are absent: part 2 hangs from part 0's +z face by its -z
    // face, part 4 from part 2's -z face by its +z face.
    std::vector<BodyPart> parts(5);
    std::vector<BodyJoint> joints(4);
    joints[1].parentFace = joints[3].childFace = 4;
    joints[1].childFace = joints[3].parentFace = 5;
    const int parent[5] = {-1, 0, 0, 1, 2};
    for (int j = 0; j < 5; ++j) {
        parts[j] = BodyPart{j % 2 == 0, nullptr, dCreateSphere(nullptr, 1), 1.0 * j, 0.1 * j};
        parts[j].parentIndex = parent[j];
        parts[j].hangJoint = j - 1;
        dGeomSetPosition(parts[j].geom, 10 * j, 1, 2);
    }
    SkinSlots s;
    fillSkinSlots(s, parts, joints);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(std::vector<int>(s.parents, s.parents + 4), (std::vector<int>{-1, 0, 1, -1}));
    EXPECT_EQ(std::vector<int>(s.capFlags, s.capFlags + 8),
              (std::vector<int>{1, 0, 0, 1, 1, 0, 1, 1}));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(s.positions[k * 4] + s.lengths[k], 22.0f * k);
        EXPECT_FLOAT_EQ(s.radii[k], 0.2f * k);
    }
    for (auto& p : parts)
        dGeomDestroy(p.geom);
}

TEST_F(DrawWorldTest, PickingTagsOnlyPartsAndTheMainPassHighlightsFadesAndPoints)
{
    w().view.birthMarkers.push_back(BirthMarker{1, 2.0, {}, 0.5});
    std::vector<const void*> parts;
    for (const Agent& a : w().sim.population)
        for (const BodyPart& p : a.parts)
            if (p.exists)
                parts.push_back(&p);
    for (std::uint8_t skin : {0, 1}) {
        w().view.drawSkin = skin;
        rec.calls.clear();
        drawWorld(w(), w().view.mainCamera, 640, 480, true, nullptr, 0.15);
        std::vector<const void*> names;
        for (const DrawCall& c : rec.calls) {
            EXPECT_EQ(c.op.find("draw"), c.op.find("drawCapsule")) << c.op; // nothing else drawn
            if (c.name)
                names.push_back(c.name);
        }
        EXPECT_EQ(names, parts);
        EXPECT_EQ(rec.count(skin ? "drawCapsuleArray" : "drawCapsule"), skin ? 3u : parts.size());
    }
    EXPECT_EQ(w().view.birthMarkers.front().age, 0.5); // not aged by picking

    for (Agent& a : w().sim.population)
        a.intention = Intention{};
    creature(0).lifeState = Starved;
    creature(0).dyingProgress = 0.25f;
    creature(1).intention =
        Intention{Intention::Mate, &creature(1), nullptr}; // target at its centre
    rec.calls.clear();
    drawWorld(w(), w().view.mainCamera, 640, 480, false, &creature(1).parts[0], 0.15);
    EXPECT_EQ(w().view.hoveredAgent, &creature(1));
    const auto alphas = rec.only("setColorAlpha");
    EXPECT_EQ(alphas.front().args, (std::vector<double>{0.8f, 0.8f, 0.8f, 0.75f}));
    // One arrow, at the centre in single precision, its z axis along +x.
    const auto arrows = rec.only("drawArrow");
    ASSERT_EQ(arrows.size(), 1u);
    const std::vector<double>& a = arrows[0].args;
    EXPECT_EQ(a[0], static_cast<float>(creature(1).centre.x));
    EXPECT_EQ(a[1], static_cast<float>(creature(1).centre.y));
    EXPECT_EQ(a[2], static_cast<float>(creature(1).centre.z) + 0.2f);
    EXPECT_EQ((std::vector<double>{a[5], a[9], a[13], a[15], a[16], a[17]}),
              (std::vector<double>{1, 0, 0, 2.25, 0.1, double(w().view.arrowQuality)}));
    // The birth marker comes last: aged, faded and grown.
    EXPECT_NEAR(alphas.back().args[3], 1 - 0.53, 1e-6);
    EXPECT_NEAR(rec.only("drawSphere").back().args[15], 2 * 0.53, 1e-6);
}

} // namespace
