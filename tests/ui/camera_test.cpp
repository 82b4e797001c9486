// Cameras: orbit placement and following creatures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "support/ode_fixture.h"
#include "support/recording_backend.h"
#include "base/clock.h"
#include "ui/camera.h"
#include "ui/control_bar.h"
#include "ui/view_state.h"
#include "drawlib/view_math.h"

namespace {

TEST(OrbitCamera, EyeOnTheOrbitWithTheDistanceHeldAndTheZoomApplied)
{
    RecordingBackend rec;
    ScopedDrawBackend use(rec);
    // Distance, maxDistance, heading, pitch, zoom mode, distance after.
    const float zoomed = float(std::pow(2.7182818284, -1.0) * 10 + 7);
    const float cases[][6] = {{150, 100, 1.5707964f, 0.7853982f, 0, 100},
                              {10, 100, -2.0f, 1.2f, 1, zoomed},
                              {10, 8, 0.3f, 0.3f, 1, 8}};
    for (const auto& c : cases) {
        OrbitCamera cam{c[0], c[1], c[2], c[3], {1, 2, 3}, {}, dsSetViewpoint, int(c[4]), 7, 0, 10};
        rec.calls.clear();
        applyOrbit(cam, 1.0);
        const float d = c[5], h = c[2], p = c[3];
        const float expected[6] = {1 + std::cos(h) * d * std::cos(p),
                                   2 + std::sin(h) * d * std::cos(p),
                                   3 + std::sin(p) * d,
                                   h * 180 / 3.1415927f + 180,
                                   p * -180 / 3.1415927f,
                                   0};
        EXPECT_FLOAT_EQ(cam.distance, d);
        ASSERT_EQ(rec.calls.size(), 1u);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(rec.calls[0].args[i], expected[i], 1e-4) << c[0] << " " << i;
    }
}

class CameraFollowTest : public WorldTest {
protected:
    void SetUp() override { makeScene(999, 6); }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(CameraFollowTest, ModesChooseTheFirstHighestAndChooseAgainWhenTheModeIsChosen)
{
    void (*const setters[])(Agent&, int) = {
        [](Agent& a, int v) { a.score = v; }, [](Agent& a, int v) { a.age = v; },
        [](Agent& a, int v) { a.foodCount = v; }, [](Agent& a, int v) { a.matingCount = v; }};
    for (int mode = 1; mode <= 4; ++mode) {
        for (int i = 0; i < 6; ++i)
            setters[mode - 1](creature(i), i == 2 || i == 4 ? 5 : 1);
        w().view.followMode = mode;
        w().view.followedAgent = nullptr;
        cameraCallback(w(), 0);
        EXPECT_EQ(w().view.followedAgent, &creature(2)) << mode;
        setters[mode - 1](creature(5), 9);
        cameraCallback(w(), 0);
        EXPECT_EQ(w().view.followedAgent, &creature(2)) << mode;
        setFollowMode(w(), mode); // chosen again: the new highest at once
        cameraCallback(w(), 0);
        EXPECT_EQ(w().view.followedAgent, &creature(5)) << mode;
    }
    w().view.followMode = 5;
    w().view.cameraFollow.followChosenAt = -w().view.followInterval;
    w().view.selectedAgent = &creature(3);
    cameraCallback(w(), 0);
    EXPECT_EQ(w().view.followedAgent, &creature(3));
    // The mini view moves a tenth of the way to the best score's centre.
    cameraCallback(w(), 1);
    EXPECT_FLOAT_EQ(w().view.miniCamera.target[0], float(creature(5).centre.x * 0.1));
}

TEST_F(CameraFollowTest, WithNothingToFollowTheCamerasOrbit)
{
    // Population, follow mode, views: no creature selected, then none at all.
    const std::array<int, 3> cases[] = {{6, 5, 1}, {0, 5, 2}, {0, 1, 2}};
    for (const auto& [population, mode, views] : cases) {
        makeScene(999, population);
        w().view.followMode = mode;
        for (int view = 0; view < views; ++view) {
            OrbitCamera& cam = view == 0 ? w().view.mainCamera : w().view.miniCamera;
            const std::vector<float> target(cam.target, cam.target + 3);
            rec.calls.clear();
            cameraCallback(w(), view);
            EXPECT_EQ(w().view.followedAgent, nullptr);
            EXPECT_EQ(std::vector<float>(cam.target, cam.target + 3), target);
            EXPECT_FLOAT_EQ(cam.eye[2], target[2] + std::sin(cam.pitch) * cam.distance);
            EXPECT_EQ(rec.count("setViewpoint"), 1u);
        }
    }
}

// The followed leader under a ranking mode changes only after half a minute
// with the camera, and then for a clear lead or a lasting one; a follow mode of "none" follows nothing (no ring, no
// label).
TEST_F(CameraFollowTest, TheLeaderTakesTheCameraOnlyByAClearOrALastingLead)
{
    w().driver.clock.fix(1000.0); // a second a frame
    w().view.followMode = 1;
    w().view.followInterval = 3;
    for (int i = 0; i < 6; ++i)
        creature(i).score = i == 2 ? 10 : 1;
    cameraCallback(w(), 0);
    ASSERT_EQ(w().view.followedAgent, &creature(2));
    // A lead of 1 over 10: the camera stays for a while, then goes over.
    creature(4).score = 11;
    int hopAt = -1;
    for (int second = 1; second <= 60 && hopAt < 0; ++second) {
        w().driver.clock.advance();
        cameraCallback(w(), 0);
        if (w().view.followedAgent != &creature(2))
            hopAt = second;
    }
    EXPECT_EQ(w().view.followedAgent, &creature(4));
    EXPECT_GE(hopAt, 30);
    EXPECT_LE(hopAt, 35);
    // A lead of a third: not before the new one has had the camera for half
    // a minute, then at the next look.
    creature(1).score = 15;
    for (int second = 1; second <= 36; ++second) {
        w().driver.clock.advance();
        cameraCallback(w(), 0);
        if (second < 29) {
            EXPECT_EQ(w().view.followedAgent, &creature(4)) << second;
        }
    }
    EXPECT_EQ(w().view.followedAgent, &creature(1));
    // Two close ones taking turns in the lead: no hop at all.
    for (int second = 0; second < 60; ++second) {
        creature(1).score = second % 8 < 4 ? 15 : 14;
        creature(3).score = second % 8 < 4 ? 14 : 15.5;
        w().driver.clock.advance();
        cameraCallback(w(), 0);
        EXPECT_EQ(w().view.followedAgent, &creature(1)) << second;
    }
    // "None": nothing followed, so no ring and no label.
    w().view.followMode = 0;
    cameraCallback(w(), 0);
    EXPECT_EQ(w().view.followedAgent, nullptr);
}

// The followed creature as the main view shows it: where the panels along
// the bottom reach up to (none, far down, near and at the middle), after
// enough frames for the camera to settle, the creature stands at the middle
// while the panels leave room for its ring, else above them with that room
// (but not above the middle of the free part), straight above the middle.
TEST_F(CameraFollowTest, TheFollowedCreatureIsFramedAboveThePanelsAlongTheBottom)
{
    const int width = 640, height = 480;
    w().view.windowWidth = width;
    w().view.windowHeight = height;
    w().view.followMode = 1;
    for (float panelsTop : {-1.0f, 430.0f, 300.0f, 240.0f, 180.0f}) {
        SCOPED_TRACE(panelsTop);
        w().view.cameraFollow.lift = 0.0;
        for (int frame = 0; frame < 200; ++frame) {
            w().view.panelsBottomTop = panelsTop;
            cameraCallback(w(), 0);
        }
        ASSERT_NE(w().view.followedAgent, nullptr);
        // The followed creature's centre on the screen.
        const OrbitCamera& c = w().view.mainCamera;
        const float hpr[3] = {c.heading * 180.0f / 3.1415927f + 180.0f, c.pitch * -180.0f / 3.1415927f,
                              0.0f};
        const float aspect = static_cast<float>(width) / height;
        const Mat4 m = multiply(perspective(tanHalfFovY(aspect), aspect, kNearPlane, 1000.0f),
                                viewMatrix(c.eye, hpr));
        const MY_VECTOR3& p = w().view.cameraFollow.followedPosition;
        float clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = static_cast<float>(m.m[r] * p.x + m.m[4 + r] * p.y + m.m[8 + r] * p.z +
                                         m.m[12 + r]);
        ASSERT_GT(clip[3], 0.0f);
        const float x = (clip[0] / clip[3] + 1) * 0.5f * width;
        const float y = (1 - clip[1] / clip[3]) * 0.5f * height;
        EXPECT_NEAR(x, width / 2.0f, 1.0f);
        if (panelsTop < 0 || panelsTop - height / 2.0f >= 0.15f * height) {
            EXPECT_NEAR(y, height / 2.0f, 1.0f);
        } else {
            EXPECT_LE(y, std::max(panelsTop / 2.0f, panelsTop - 0.15f * height) + 1.0f);
            EXPECT_GE(y, panelsTop / 2.0f - 1.0f);
        }
    }
}

// The first simulated minute of seed 7 seen as the window sees it (30
// frames a second, 2 steps a frame, the default follow mode): the camera
// goes from one creature to another at most once.
TEST(CameraFollowSeed7, AtMostOneHopInTheFirstMinute)
{
    Scene scene(7);
    World& w = scene.world();
    w.driver.clock.fix(1000.0 / 30.0);
    int hops = 0;
    int followedId = -1;
    while (w.sim.time < 60.0) {
        w.driver.clock.advance();
        scene.step(w.settings.stepsPerFrame);
        cameraCallback(w, 0);
        const Agent* now = w.view.followedAgent;
        hops += now && followedId >= 0 && now->creatureId != followedId;
        if (now)
            followedId = now->creatureId;
    }
    std::printf("follow mode %d: %d hop(s) in the first simulated minute\n", w.view.followMode,
                hops);
    EXPECT_LE(hops, 1);
}

} // namespace
