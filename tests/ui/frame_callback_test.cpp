// The per-view frame callback: views, picking, status text and message.
#include <gtest/gtest.h>

#include <cmath>

#include "base/clock.h"
#include "ui/frame_callback.h"
#include "ui/draw_world.h"
#include "ui/status_text.h"
#include "app/step_driver.h"
#include "support/ode_fixture.h"
#include "support/recording_backend.h"

namespace {

class FrameCallbackTest : public WorldTest {
protected:
    void SetUp() override { makeScene(555, 2); }
    // Draws one view; returns its texts.
    std::vector<DrawCall> frame(int view)
    {
        rec.calls.clear();
        frameCallback(w(), view);
        return rec.only("drawStr");
    }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(FrameCallbackTest, ViewsPickingAndWhereTheStatusTextStarts)
{
    EXPECT_EQ(miniViewSize(w()).width, 224);
    EXPECT_EQ(miniViewSize(w()).height, 168);
    EXPECT_TRUE(frame(1).empty()); // the mini view: the world only
    EXPECT_EQ(rec.count("drawCapsuleArray"), 2u);
    EXPECT_EQ(rec.count("pickingPre"), 0u);
    EXPECT_TRUE(frame(2).empty()); // nothing but the sphere quality
    EXPECT_EQ(rec.calls.size(), 1u);

    // The camera 5 units from the second creature's root, which lies under
    // the middle of the view, the cursor resting there.
    Agent& second = w().sim.population.back();
    const dReal* root = dGeomGetPosition(second.parts[0].geom);
    OrbitCamera& c = w().view.mainCamera;
    c.heading = 0.3f;
    c.pitch = 0.5f;
    const float toEye[3] = {std::cos(c.pitch) * std::cos(c.heading),
                            std::cos(c.pitch) * std::sin(c.heading), std::sin(c.pitch)};
    for (int i = 0; i < 3; ++i)
        c.eye[i] = static_cast<float>(root[i] + 5.0 * toEye[i]);
    w().view.pickX = 320;
    w().view.pickY = 240;
    for (int views : {2, 1}) {
        w().view.viewCount = views;
        const auto texts = frame(0);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].args, (std::vector<double>{10, 3, views == 2 ? 171.0 : 0, 640, 480}));
        EXPECT_EQ(texts[0].text, statusText(w()));
        // The creature under the cursor, named beside it.
        EXPECT_EQ(texts[1].text, creatureLabel(second));
        EXPECT_EQ(texts[1].args[1], w().view.pickX + 16);
    }
    EXPECT_EQ(rec.calls[1].op, "pickingPre"); // the picking, timed as the backend's pass
    ASSERT_NE(w().view.drag.grabbed, nullptr);
    EXPECT_EQ(w().view.drag.grabbed->owner, &second);
    const BodyPart* grabbed = w().view.drag.grabbed;
    EXPECT_EQ(w().view.hoveredAgent, &second); // highlighted in the main pass
    // The followed creature has its label already: not a second one.
    w().view.followedAgent = &second;
    EXPECT_EQ(frame(0).size(), 1u);
    w().view.followedAgent = nullptr;

    // A drag keeps its part; the cursor on the sky picks nothing.
    w().view.pickY = 0;
    for (bool drag : {true, false}) {
        w().view.drag.active = drag;
        frame(0);
        EXPECT_EQ(rec.count("pickingPre"), drag ? 0u : 1u);
        EXPECT_EQ(w().view.drag.grabbed, drag ? grabbed : nullptr);
    }
}

TEST_F(FrameCallbackTest, MessageShownUntilItsTimeAndOnceMore)
{
    showMessage(w().driver.message, "Saved2...", 2.0);
    // Milliseconds since shown, drawn in the frame, visible after it.
    const int cases[][3] = {{0, 1, 1}, {1500, 1, 1}, {2500, 1, 0}, {2600, 0, 0}};
    for (const auto& c : cases) {
        w().driver.message.start = w().driver.clock.ms() - c[0];
        const auto texts = frame(0);
        ASSERT_EQ(texts.size(), 1u + c[1]) << c[0];
        if (c[1]) {
            EXPECT_EQ(texts[1].args, (std::vector<double>{18, 320, 231, 640, 480}));
            EXPECT_EQ(texts[1].text, "Saved2...");
        }
        EXPECT_EQ(w().driver.message.visible, c[2] == 1) << c[0];
    }
}

// The speed is measured by the frames of the main view, on the frame clock:
// 6 simulated seconds a wall second. With skip-drawing on, the mark says so
// at the top middle of the view.
TEST_F(FrameCallbackTest, TheFastForwardMarkWhileSkippingTheDrawing)
{
    w().driver.clock.fix(100.0);
    w().view.pickY = 0;
    for (int frames = 0; frames < 40; ++frames) {
        w().driver.clock.advance();
        w().sim.time += 0.6;
        frame(0);
    }
    EXPECT_NEAR(w().driver.speed.speed, 6.0, 1e-9);
    EXPECT_EQ(frame(0).size(), 1u); // the status text alone
    w().driver.skipRender = 1;
    const auto texts = frame(0);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "Fast: \xC3\x97" "6.0");
    EXPECT_EQ(texts[1].args, (std::vector<double>{18, 320, kFastMarkTop, 640, 480}));
}

} // namespace
