// The step driver: request queue, settings changes, stepping and messages.
#include <gtest/gtest.h>

#include <chrono>

#include "app/step_driver.h"
#include "ui/frame_pacing.h"
#include "ui/request_runner.h"
#include "ui/requests.h"
#include "drawlib/drawstuff.h"
#include "support/ode_fixture.h"

namespace {

// Records what the step driver hands to the drawing library.
class RecordingBackend : public DrawBackend {
public:
    void setGroundSize(double size) override
    {
        DrawBackend::setGroundSize(size);
        ++groundSizeCalls;
    }
    void setUserPIP(int on) override
    {
        DrawBackend::setUserPIP(on);
        pipCalls.push_back(on);
    }
    int groundSizeCalls = 0;
    std::vector<int> pipCalls;
};

class StepDriverTest : public WorldTest {
protected:
    void SetUp() override
    {
        setDrawBackend(&backend);
        WorldTest::SetUp();
        w().driver.targetFps = 0.0f; // no pacing in tests
        w().view.miniDisplay = 0;
    }
    void TearDown() override
    {
        WorldTest::TearDown();
        setDrawBackend(nullptr);
    }
    long long steps() const { return scene->world().sim.counters.steps; }

    RecordingBackend backend;
};

TEST_F(StepDriverTest, PausedFramesDoNothingAndRequestsRunInOrderUpToTheFirstInitialize)
{
    w().driver.requestQueue.push_back(Request{7, 3}); // unknown kind: passed over
    requestInitialize(w());
    requestInitialize(w());
    EXPECT_EQ(w().driver.message.text, "Initialized");
    EXPECT_EQ(w().driver.message.duration, 10000000.0);

    stepDriver(w(), 1);
    EXPECT_EQ(w().driver.requestQueue.size(), 3u);
    EXPECT_EQ(steps(), 0);

    w().sim.time = 50.0;
    stepDriver(w(), 0);
    // The unknown request and the first Initialize ran; the frame ended there.
    EXPECT_EQ(w().driver.requestQueue.size(), 1u);
    EXPECT_EQ(steps(), 0);
    EXPECT_EQ(w().sim.time, 0.0);
    EXPECT_EQ(w().driver.message.text, "Initialized...");
    EXPECT_EQ(w().driver.message.duration, 2000.0);
    EXPECT_EQ(static_cast<int>(w().sim.population.size()), w().settings.minPopulation);

    stepDriver(w(), 0);
    EXPECT_TRUE(w().driver.requestQueue.empty());
    EXPECT_EQ(steps(), 0);
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 2);
}

TEST_F(StepDriverTest, StepsPerFrameAndSkipRender)
{
    w().settings.stepsPerFrame = 5;
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 5);
    w().settings.stepsPerFrame = 1;
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 6);

    // Skip render steps until the budget is spent, at least stepsPerFrame.
    w().driver.skipRender = 1;
    w().driver.skipRenderBudget = 0.05f;
    const auto t0 = std::chrono::steady_clock::now();
    stepDriver(w(), 0);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(took, 0.05);
    EXPECT_GT(steps(), 7);
    w().driver.skipRenderBudget = 0.0f;
    w().settings.stepsPerFrame = 3;
    const long long before = steps();
    stepDriver(w(), 0);
    EXPECT_EQ(steps() - before, 3);
}

TEST_F(StepDriverTest, GroundSizeChangeRebuildsWallsOnce)
{
    stepDriver(w(), 0);
    const int calls = backend.groundSizeCalls;
    std::vector<MY_VECTOR3> foods;
    for (const auto& f : w().sim.foods.foods)
        foods.push_back(f.position);

    w().settings.groundSize = 80.0;
    stepDriver(w(), 0);
    EXPECT_EQ(backend.groundSizeCalls, calls + 1);
    EXPECT_EQ(backend.groundSize(), 80.0);
    EXPECT_EQ(w().view.mainCamera.maxDistance, 390.0f);
    ASSERT_EQ(w().sim.walls.blocks.size(), 4u);
    EXPECT_DOUBLE_EQ(w().sim.walls.blockSize[0], 159.999);
    const dReal* p = dBodyGetPosition(w().sim.walls.blocks[0].body);
    EXPECT_NEAR(p[1], 80.251, 1e-9);
    // Foods stay where they were (the step may have added one at the end).
    for (size_t i = 0; i < foods.size(); ++i)
        EXPECT_EQ(w().sim.foods.foods[i].position.x, foods[i].x);

    stepDriver(w(), 0);
    EXPECT_EQ(backend.groundSizeCalls, calls + 1);

    // A fractional size never equals its truncation: rebuilt every frame.
    w().settings.groundSize = 60.5;
    stepDriver(w(), 0);
    stepDriver(w(), 0);
    stepDriver(w(), 0);
    EXPECT_EQ(backend.groundSizeCalls, calls + 4);
}

TEST_F(StepDriverTest, MiniDisplaySwitchStartsTheZoomAndSetsTheViews)
{
    backend.pipCalls.clear(); // start-up switched the mini view off
    stepDriver(w(), 0);
    EXPECT_TRUE(backend.pipCalls.empty());
    w().view.miniCamera.distance = 12.0f;
    w().view.miniDisplay = 1;
    stepDriver(w(), 0);
    ASSERT_EQ(backend.pipCalls.size(), 1u);
    EXPECT_EQ(backend.pipCalls.back(), 1);
    EXPECT_EQ(w().view.viewCount, 2);
    EXPECT_EQ(w().view.miniCamera.zoomMode, 1);
    EXPECT_EQ(w().view.miniCamera.zoomEnd, 7.0);
    EXPECT_EQ(w().view.miniCamera.zoomStart, 12.0);
    w().view.miniDisplay = 0;
    stepDriver(w(), 0);
    EXPECT_EQ(backend.pipCalls.back(), 0);
    EXPECT_EQ(w().view.viewCount, 1);
}

TEST_F(StepDriverTest, GravityIsHandedToTheWorldEveryFrame)
{
    w().settings.gravity[2] = -2.0;
    stepDriver(w(), 0);
    dVector3 g;
    dWorldGetGravity(w().sim.world, g);
    EXPECT_EQ(g[2], -2.0);
}

TEST_F(StepDriverTest, FirstFrameShowsZeroFps)
{
    w().driver.fps = 42;
    countFrame(w().driver);
    EXPECT_EQ(w().driver.fps, 0);
}

TEST_F(StepDriverTest, FolderNames)
{
    EXPECT_EQ(requestFolder(Request{Request::SaveAll, 3}), "saveData3");
    EXPECT_EQ(requestFolder(Request{Request::LoadAll, 5}), "saveData5");
    EXPECT_EQ(requestFolder(Request{Request::SaveCreature, 2}), "saveDataOneCreature2");
    EXPECT_EQ(requestFolder(Request{Request::LoadCreature, 1}), "saveDataOneCreature1");
    requestSaveAll(w(), 2);
    EXPECT_EQ(w().driver.message.text, "Saved2");
    requestLoadAll(w(), 4);
    EXPECT_EQ(w().driver.message.text, "Loaded4");
    requestSaveCreature(w(), 1);
    EXPECT_EQ(w().driver.message.text, "Loaded4");
    ASSERT_EQ(w().driver.requestQueue.size(), 3u);
    EXPECT_EQ(w().driver.requestQueue.back().kind, Request::SaveCreature);
}

TEST(PaceFrame, NoPacingForZeroNegativeOrNonFiniteTargets)
{
    // Such targets leave the pacing state alone: no slot is counted, so
    // nothing is waited for.
    FramePacing pacing;
    const FrameClock clock;
    for (float fps : {0.0f, -5.0f, std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()}) {
        paceFrame(pacing, fps, clock);
        EXPECT_EQ(pacing.pacingTick, 0) << fps;
        EXPECT_EQ(pacing.lastPacingTarget, -1.0f) << fps;
    }
    paceFrame(pacing, 30.0f, clock);
    EXPECT_EQ(pacing.lastPacingTarget, 30.0f);
}

TEST(PaceFrame, FramesStartAtMostOncePerSlot)
{
    FramePacing pacing;
    const FrameClock clock;
    // 30 per second: slots of 33 ms; four frames span at least two whole slots.
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        paceFrame(pacing, 30.0f, clock);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(took, 0.066);
}

} // namespace
