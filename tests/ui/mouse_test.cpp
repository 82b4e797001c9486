// Mouse routing between the object drag and the camera drag, the drag
// arithmetic, and the plot pipe's behaviour when the plotting program is
// missing or gone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "support/ode_fixture.h"
#include "ui/mouse.h"
#include "ui/plot_pipe.h"

namespace {

class MouseTest : public WorldTest {
protected:
    bool send(int message, int buttons, int x, int y)
    {
        return mouseCallback(w(), message, buttons, x, y, x + 1, y + 2);
    }
    BodyPart& firstPart()
    {
        for (BodyPart& p : creature(0).parts)
            if (p.exists)
                return p;
        return creature(0).parts[0];
    }
};

TEST_F(MouseTest, NothingIsTakenBeforeAPressAndAPressOnEmptyGroundStartsNoDrag)
{
    const OrbitCamera before = w().view.mainCamera;
    EXPECT_FALSE(send(MouseMove, 0, 10, 20));
    EXPECT_EQ(w().view.mouseMode, -1);
    EXPECT_EQ(w().view.pickX, 11);
    EXPECT_EQ(w().view.pickY, 22);
    EXPECT_FALSE(send(LeftDown, 1, 10, 20)); // nothing under the cursor
    EXPECT_FALSE(w().view.drag.active);
    EXPECT_FALSE(send(MouseMove, 1, 30, 40));
    EXPECT_FALSE(send(LeftUp, 0, 30, 40));
    EXPECT_EQ(w().view.mainCamera.distance, before.distance);
    EXPECT_EQ(w().view.mainCamera.heading, before.heading);
}

TEST_F(MouseTest, ALeftDragPullsThePartsTargetRelativeToTheCameraHeading)
{
    // The last frame found the part under the pixel the press comes at.
    BodyPart& part = firstPart();
    w().view.drag.grabbed = &part;
    w().view.drag.grabbedX = 101;
    w().view.drag.grabbedY = 102;
    w().view.mainCamera.heading = 0.5f;
    ASSERT_TRUE(send(LeftDown, 1, 100, 100));
    const dReal* p = dGeomGetPosition(part.geom);
    const double start[3] = {p[0], p[1], p[2]};
    EXPECT_EQ(w().view.drag.target[0], start[0]);

    // 1 and 2 pixels become 3 and 6 drag units.
    ASSERT_TRUE(send(MouseMove, 1, 101, 102));
    const double h = 0.5f;
    EXPECT_NEAR(w().view.drag.target[0], start[0] + (std::cos(h) * 6 - std::sin(h) * 3) * 0.03, 1e-9);
    EXPECT_NEAR(w().view.drag.target[1], start[1] + (std::cos(h) * 3 + std::sin(h) * 6) * 0.03, 1e-9);
    // The right button joins: the object drag keeps the mouse and moves up.
    ASSERT_TRUE(send(RightDown, 5, 101, 102));
    ASSERT_TRUE(send(MouseMove, 5, 101, 92));
    EXPECT_NEAR(w().view.drag.target[2], start[2] + 30 * 0.03, 1e-9);
    EXPECT_FALSE(w().view.cameraDrag.active);
    EXPECT_TRUE(send(RightUp, 1, 101, 92));
    EXPECT_FALSE(send(LeftUp, 0, 101, 92));
    EXPECT_FALSE(w().view.drag.active);
}

// A press picks the creature under the cursor now, which may not be the
// one the last drawn frame lit (the cursor moved and pressed between two
// frames): the steps that follow, which keep the dragged creature selected,
// select the one the press picked, and it is the lit one.
TEST_F(MouseTest, APressSelectsAndLightsTheSameCreatureForTheStepsAfterIt)
{
    struct Case {
        const char* what;
        int pressed; // the creature whose part is under the cursor at the press
        int lit;     // the one the last frame lit, -1: none
    };
    const Case cases[] = {
        {"another creature lit", 0, 1},
        {"the other way round", 1, 0},
        {"none lit", 1, -1},
        {"the same one lit", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Agent& pressed = creature(c.pressed);
        BodyPart* part = nullptr;
        for (BodyPart& p : pressed.parts)
            if (p.exists && !part)
                part = &p;
        ASSERT_NE(part, nullptr);
        ASSERT_EQ(part->owner, &pressed);
        w().view.selectedAgent = nullptr;
        w().view.hoveredAgent = c.lit >= 0 ? &creature(c.lit) : nullptr;
        w().view.drag.grabbed = part;
        // The look of the last frame, at the view's corner, far from
        // every creature (so the press finds nothing nearer).
        w().view.drag.grabbedX = 1;
        w().view.drag.grabbedY = 2;
        ASSERT_TRUE(send(LeftDown, 1, 0, 0));
        ASSERT_EQ(w().view.drag.grabbed, part);
        EXPECT_EQ(w().view.selectedAgent, &pressed);
        for (int step = 0; step < 2; ++step) {
            applyDragForce(w());
            EXPECT_EQ(w().view.selectedAgent, &pressed) << "step " << step;
            EXPECT_EQ(w().view.hoveredAgent, &pressed) << "step " << step;
        }
        EXPECT_FALSE(send(LeftUp, 0, 0, 0));
    }
}

TEST_F(MouseTest, RightMiddleAndCombinedDragsMoveTheMainCamera)
{
    OrbitCamera& c = w().view.mainCamera;
    c.distance = 5.0f;
    EXPECT_TRUE(send(RightDown, 4, 50, 50));
    EXPECT_TRUE(send(MouseMove, 4, 50, 40)); // dy = -10
    EXPECT_FLOAT_EQ(c.distance, 4.0f);
    EXPECT_TRUE(send(MouseMove, 4, 50, -500));
    EXPECT_FLOAT_EQ(c.distance, 0.1f);
    // Left joins a camera drag: it tilts, never below the ground or past
    // straight down; the object drag does not start.
    EXPECT_TRUE(send(LeftDown, 5, 50, -500));
    EXPECT_TRUE(send(MouseMove, 5, 50, 10000));
    EXPECT_FLOAT_EQ(c.pitch, 3.1415927f / 2);
    EXPECT_TRUE(send(MouseMove, 5, 50, -10000));
    EXPECT_FLOAT_EQ(c.pitch, 0.0f);
    EXPECT_FALSE(w().view.drag.active);
    EXPECT_TRUE(send(LeftUp, 4, 50, -10000));
    EXPECT_FALSE(send(RightUp, 0, 50, -10000));
    EXPECT_FALSE(w().view.cameraDrag.active);

    // Middle pans along the heading; middle and right raise the target.
    c.heading = 0.0f;
    const float x0 = c.target[0], y0 = c.target[1], z0 = c.target[2];
    EXPECT_TRUE(send(MiddleDown, 2, 0, 0));
    EXPECT_TRUE(send(MouseMove, 2, 4, 10));
    EXPECT_FLOAT_EQ(c.target[0], x0 + 10 * 0.05f);
    EXPECT_FLOAT_EQ(c.target[1], y0 + 4 * 0.05f);
    EXPECT_TRUE(send(RightDown, 6, 4, 10));
    EXPECT_TRUE(send(MouseMove, 6, 4, 30));
    EXPECT_FLOAT_EQ(c.target[2], z0 - 20 * 0.05f);
}

TEST(MouseMotion, HeadingWrapsOnce)
{
    OrbitCamera c;
    c.heading = 3.1f;
    mouseMotion(c, 4, 10, 0);
    EXPECT_NEAR(c.heading, 3.2f - 2 * 3.1415927f, 1e-5);
    c.heading = -3.1f;
    mouseMotion(c, 4, -10, 0);
    EXPECT_NEAR(c.heading, -3.2f + 2 * 3.1415927f, 1e-5);
    const OrbitCamera before = c;
    mouseMotion(c, 1, 10, 10); // the left button alone does not move the camera
    EXPECT_EQ(c.heading, before.heading);
    EXPECT_EQ(c.distance, before.distance);
}

TEST(PlotPipe, AMissingOrVanishedPlottingProgramNeverEndsTheProgram)
{
    testing::internal::CaptureStderr();
    PlotPipe missing("no-such-plotting-program-here");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error: fail to open pipe to no-such-plotting-program-here\n");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.send("plot x"));

    // A program that reads nothing and exits: writing on would raise
    // SIGPIPE; instead the pipe reports the loss and closes.
    PlotPipe gone("true");
    usleep(200000);
    bool open = true;
    for (int i = 0; i < 1000 && open; ++i)
        open = gone.send("replot");
    EXPECT_FALSE(open);
    EXPECT_FALSE(gone.isOpen());
    EXPECT_FALSE(findOnPath("sh").empty());
}

} // namespace
