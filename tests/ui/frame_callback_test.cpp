// The per-view frame callback: views, picking, status text and message.
#include <gtest/gtest.h>

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

    Agent& second = w().sim.population.back();
    rec.pickResult = &second.parts[0];
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
    EXPECT_EQ(rec.calls[1].op, "setCapsuleQuality"); // the picking pass starts
    EXPECT_EQ(rec.calls[1].args, std::vector<double>{1});
    EXPECT_EQ(w().view.drag.grabbed, &second.parts[0]);
    EXPECT_EQ(w().view.hoveredAgent, &second); // highlighted in the main pass

    // A drag keeps its part; a name of no live part picks nothing.
    static const int stranger = 0;
    rec.pickResult = &stranger;
    for (bool drag : {true, false}) {
        w().view.drag.active = drag;
        frame(0);
        EXPECT_EQ(rec.count("pickingPre"), drag ? 0u : 1u);
        EXPECT_EQ(w().view.drag.grabbed, drag ? &second.parts[0] : nullptr);
    }
}

TEST_F(FrameCallbackTest, MessageShownUntilItsTimeAndOnceMore)
{
    showMessage(w().driver.message, "Saved2...", 2.0);
    // Milliseconds since shown, drawn in the frame, visible after it.
    const int cases[][3] = {{0, 1, 1}, {1500, 1, 1}, {2500, 1, 0}, {2600, 0, 0}};
    for (const auto& c : cases) {
        w().driver.message.start = nowMs() - c[0];
        const auto texts = frame(0);
        ASSERT_EQ(texts.size(), 1u + c[1]) << c[0];
        if (c[1]) {
            EXPECT_EQ(texts[1].args, (std::vector<double>{18, 320, 231, 640, 480}));
            EXPECT_EQ(texts[1].text, "Saved2...");
        }
        EXPECT_EQ(w().driver.message.visible, c[2] == 1) << c[0];
    }
}

} // namespace
