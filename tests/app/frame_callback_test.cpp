// The per-view frame callback: views, picking, status text and message.
#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/frame_callback.h"
#include "app/status_text.h"
#include "app/step_driver.h"
#include "support/ode_fixture.h"
#include "support/recording_backend.h"

namespace {

class FrameCallbackTest : public WorldTest {
protected:
    void SetUp() override
    {
        makeScene(555, 2);
        rec.calls.clear();
    }
    std::vector<DrawCall> texts(int size)
    {
        std::vector<DrawCall> out;
        for (const DrawCall& c : rec.only("drawStr"))
            if (c.args[0] == size)
                out.push_back(c);
        return out;
    }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(FrameCallbackTest, ViewsAndWhereTheStatusTextStarts)
{
    EXPECT_EQ(miniViewSize(w()).width, 224);
    EXPECT_EQ(miniViewSize(w()).height, 168);

    // The mini view draws the world only; other views nothing at all.
    frameCallback(w(), 1);
    EXPECT_EQ(rec.calls.front().op, "setSphereQuality");
    EXPECT_EQ(rec.count("pickingPre") + rec.count("drawStr"), 0u);
    EXPECT_GT(rec.count("drawCapsuleArray"), 0u);
    rec.calls.clear();
    frameCallback(w(), 2);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].op, "setSphereQuality");

    for (int views : {2, 1}) {
        w().viewCount = views;
        rec.calls.clear();
        frameCallback(w(), 0);
        ASSERT_EQ(texts(10).size(), 1u);
        EXPECT_EQ(texts(10)[0].args,
                  (std::vector<double>{10, 3, views == 2 ? 171.0 : 0.0, 640, 480}));
        EXPECT_EQ(texts(10)[0].text, statusText(w()));
    }
}

TEST_F(FrameCallbackTest, PickingFindsThePartUnlessADragHoldsOne)
{
    Agent& first = w().population.front();
    Agent& second = w().population.back();
    w().pickX = 100;
    w().pickY = 50;
    rec.pickResult = &second.parts[0];
    frameCallback(w(), 0);
    EXPECT_EQ(w().drag.grabbed, &second.parts[0]);
    EXPECT_EQ(w().hoveredAgent, &second);
    ASSERT_EQ(rec.count("pickingPre"), 1u);
    EXPECT_EQ(rec.only("pickingPre")[0].args, (std::vector<double>{100, 50}));
    EXPECT_EQ(rec.calls[1].op, "setCapsuleQuality");
    EXPECT_EQ(rec.calls[1].args[0], 1);

    // A drag holds its part: no picking pass.
    w().drag.active = true;
    rec.pickResult = &first.parts[0];
    rec.calls.clear();
    frameCallback(w(), 0);
    EXPECT_EQ(rec.count("pickingPre"), 0u);
    EXPECT_EQ(w().drag.grabbed, &second.parts[0]);

    // A name that is no part of a live creature picks nothing.
    w().drag.active = false;
    int stranger = 0;
    rec.pickResult = &stranger;
    frameCallback(w(), 0);
    EXPECT_EQ(w().drag.grabbed, nullptr);
}

TEST_F(FrameCallbackTest, MessageShownUntilItsTimeAndOnceMore)
{
    showMessage(w(), "Saved2...", 2.0);
    struct Case {
        double age; // ms since shown
        bool drawn, visibleAfter;
    } cases[] = {{0, true, true}, {1500, true, true}, {2500, true, false}, {2600, false, false}};
    for (const Case& c : cases) {
        w().message.start = nowMs() - c.age;
        rec.calls.clear();
        frameCallback(w(), 0);
        ASSERT_EQ(texts(18).size(), c.drawn ? 1u : 0u) << c.age;
        if (c.drawn) {
            EXPECT_EQ(texts(18)[0].args, (std::vector<double>{18, 320, 231, 640, 480}));
            EXPECT_EQ(texts(18)[0].text, "Saved2...");
        }
        EXPECT_EQ(w().message.visible, c.visibleAfter) << c.age;
    }
}

} // namespace
