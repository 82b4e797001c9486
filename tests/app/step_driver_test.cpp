// The step driver: request queue, settings changes, stepping and messages.
#include <gtest/gtest.h>

#include <chrono>

#include "app/step_driver.h"
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
        w().targetFps = 0.0f; // no pacing in tests
        w().miniDisplay = 0;
    }
    void TearDown() override
    {
        WorldTest::TearDown();
        setDrawBackend(nullptr);
    }
    long long steps() const { return scene->world().counters.steps; }

    RecordingBackend backend;
};

TEST_F(StepDriverTest, PausedFramesDoNothingAndRequestsRunInOrderUpToTheFirstInitialize)
{
    w().requestQueue.push_back(Request{7, 3}); // unknown kind: passed over
    requestInitialize(w());
    requestInitialize(w());
    EXPECT_EQ(w().message.text, "Initialized");
    EXPECT_EQ(w().message.duration, 10000000.0);

    stepDriver(w(), 1);
    EXPECT_EQ(w().requestQueue.size(), 3u);
    EXPECT_EQ(steps(), 0);

    w().simData.simulationTime = 50.0;
    stepDriver(w(), 0);
    // The unknown request and the first Initialize ran; the frame ended there.
    EXPECT_EQ(w().requestQueue.size(), 1u);
    EXPECT_EQ(steps(), 0);
    EXPECT_EQ(w().simData.simulationTime, 0.0);
    EXPECT_EQ(w().message.text, "Initialized...");
    EXPECT_EQ(w().message.duration, 2000.0);
    EXPECT_EQ(static_cast<int>(w().population.size()), w().simData.minPopulation);

    stepDriver(w(), 0);
    EXPECT_TRUE(w().requestQueue.empty());
    EXPECT_EQ(steps(), 0);
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 2);
}

TEST_F(StepDriverTest, StepsPerFrameAndSkipRender)
{
    w().stepsPerFrame = 5;
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 5);
    w().stepsPerFrame = 1;
    stepDriver(w(), 0);
    EXPECT_EQ(steps(), 6);

    // Skip render steps until the budget is spent, at least stepsPerFrame.
    w().skipRender = 1;
    w().skipRenderBudget = 0.05f;
    const auto t0 = std::chrono::steady_clock::now();
    stepDriver(w(), 0);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(took, 0.05);
    EXPECT_GT(steps(), 7);
    w().skipRenderBudget = 0.0f;
    w().stepsPerFrame = 3;
    const long long before = steps();
    stepDriver(w(), 0);
    EXPECT_EQ(steps() - before, 3);
}

TEST_F(StepDriverTest, GroundSizeChangeRebuildsWallsOnce)
{
    stepDriver(w(), 0);
    const int calls = backend.groundSizeCalls;
    std::vector<MY_VECTOR3> foods;
    for (const auto& f : w().foods.foods)
        foods.push_back(f.position);

    w().simData.groundSize = 80.0;
    stepDriver(w(), 0);
    EXPECT_EQ(backend.groundSizeCalls, calls + 1);
    EXPECT_EQ(backend.groundSize(), 80.0);
    EXPECT_EQ(w().mainCamera.maxDistance, 390.0f);
    ASSERT_EQ(w().walls.blocks.size(), 4u);
    EXPECT_DOUBLE_EQ(w().walls.blockSize[0], 159.999);
    const dReal* p = dBodyGetPosition(w().walls.blocks[0].body);
    EXPECT_NEAR(p[1], 80.251, 1e-9);
    // Foods stay where they were (the step may have added one at the end).
    for (size_t i = 0; i < foods.size(); ++i)
        EXPECT_EQ(w().foods.foods[i].position.x, foods[i].x);

    stepDriver(w(), 0);
    EXPECT_EQ(backend.groundSizeCalls, calls + 1);

    // A fractional size never equals its truncation: rebuilt every frame.
    w().simData.groundSize = 60.5;
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
    w().miniCamera.distance = 12.0f;
    w().miniDisplay = 1;
    stepDriver(w(), 0);
    ASSERT_EQ(backend.pipCalls.size(), 1u);
    EXPECT_EQ(backend.pipCalls.back(), 1);
    EXPECT_EQ(w().viewCount, 2);
    EXPECT_EQ(w().miniCamera.zoomMode, 1);
    EXPECT_EQ(w().miniCamera.zoomEnd, 7.0);
    EXPECT_EQ(w().miniCamera.zoomStart, 12.0);
    w().miniDisplay = 0;
    stepDriver(w(), 0);
    EXPECT_EQ(backend.pipCalls.back(), 0);
    EXPECT_EQ(w().viewCount, 1);
}

TEST_F(StepDriverTest, GravityIsHandedToTheWorldEveryFrame)
{
    w().gravity[2] = -2.0;
    stepDriver(w(), 0);
    dVector3 g;
    dWorldGetGravity(w().world, g);
    EXPECT_EQ(g[2], -2.0);
}

TEST_F(StepDriverTest, FirstFrameShowsZeroFps)
{
    w().fps = 42;
    stepDriver(w(), 0);
    EXPECT_EQ(w().fps, 0);
}

TEST_F(StepDriverTest, FolderNames)
{
    EXPECT_EQ(requestFolder(Request{Request::SaveAll, 3}), "saveData3");
    EXPECT_EQ(requestFolder(Request{Request::LoadAll, 5}), "saveData5");
    EXPECT_EQ(requestFolder(Request{Request::SaveCreature, 2}), "saveDataOneCreature2");
    EXPECT_EQ(requestFolder(Request{Request::LoadCreature, 1}), "saveDataOneCreature1");
    requestSaveAll(w(), 2);
    EXPECT_EQ(w().message.text, "Saved2");
    requestLoadAll(w(), 4);
    EXPECT_EQ(w().message.text, "Loaded4");
    requestSaveCreature(w(), 1);
    EXPECT_EQ(w().message.text, "Loaded4");
    ASSERT_EQ(w().requestQueue.size(), 3u);
    EXPECT_EQ(w().requestQueue.back().kind, Request::SaveCreature);
}

TEST(PaceFrame, NoPacingForZeroNegativeOrNonFiniteTargets)
{
    // Such targets leave the pacing state alone: no slot is counted, so
    // nothing is waited for.
    World w;
    for (float fps : {0.0f, -5.0f, std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()}) {
        paceFrame(w, fps);
        EXPECT_EQ(w.driver.pacingTick, 0) << fps;
        EXPECT_EQ(w.driver.lastPacingTarget, -1.0f) << fps;
    }
    paceFrame(w, 30.0f);
    EXPECT_EQ(w.driver.lastPacingTarget, 30.0f);
}

TEST(PaceFrame, FramesStartAtMostOncePerSlot)
{
    World w;
    // 30 per second: slots of 33 ms; four frames span at least two whole slots.
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        paceFrame(w, 30.0f);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(took, 0.066);
}

} // namespace
