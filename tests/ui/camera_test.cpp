// Cameras: orbit placement, looking across the target, and following.
#include <gtest/gtest.h>

#include <cmath>

#include "support/ode_fixture.h"
#include "support/recording_backend.h"
#include "ui/camera.h"

namespace {

TEST(OrbitCamera, EyeOnTheOrbitWithTheDistanceHeldAndTheZoomApplied)
{
    struct Case {
        float distance, maxDistance, heading, pitch;
        int zoomMode;
        float expectedDistance;
    } cases[] = {{10, 100, 0, 0, 0, 10},
                 {150, 100, 1.5707964f, 0.7853982f, 0, 100},
                 {10, 100, -2.0f, 1.2f, 1, float(std::pow(2.7182818284, -1.0) * 10 + 7)},
                 {10, 8, 0.3f, 0.3f, 1, 8}};
    RecordingBackend rec;
    ScopedDrawBackend use(rec);
    for (const Case& c : cases) {
        OrbitCamera cam;
        cam.distance = c.distance;
        cam.maxDistance = c.maxDistance;
        cam.heading = c.heading;
        cam.pitch = c.pitch;
        cam.target[0] = 1;
        cam.target[1] = 2;
        cam.target[2] = 3;
        cam.zoomMode = c.zoomMode;
        cam.zoomStart = 10;
        cam.zoomEnd = 7;
        cam.setViewpoint = dsSetViewpoint;
        rec.calls.clear();
        applyOrbit(cam, 1.0);

        const float d = c.expectedDistance;
        EXPECT_FLOAT_EQ(cam.distance, d);
        const float expected[6] = {1 + std::cos(c.heading) * d * std::cos(c.pitch),
                                   2 + std::sin(c.heading) * d * std::cos(c.pitch),
                                   3 + std::sin(c.pitch) * d,
                                   c.heading * 180 / 3.1415927f + 180,
                                   c.pitch * -180 / 3.1415927f,
                                   0};
        ASSERT_EQ(rec.count("setViewpoint"), 1u);
        const std::vector<double> got = rec.only("setViewpoint")[0].args;
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(got[i], expected[i], 1e-4) << c.distance << " " << i;
    }
}

TEST(OrbitCamera, LookAtTurnsTheHeadingAcrossTheTarget)
{
    struct Case {
        double x, y;
        float heading;
    } cases[] = {{5, 0, 3.14f},        {-5, 5, -0.7853982f},
                 {-5, -5, 0.7853982f}, {5, 5, 0.7853982f + 3.14f},
                 {0, 5, 1.5707964f},   {0, 0, 0}};
    for (const Case& c : cases) {
        OrbitCamera cam;
        cam.distance = 10;
        cam.maxDistance = 100;
        applyLookAt(cam, MY_VECTOR3{c.x, c.y, 99}, 0.0);
        EXPECT_FLOAT_EQ(cam.heading, c.heading) << c.x << "," << c.y;
        // The eye was placed with the heading from before the turn (0).
        EXPECT_FLOAT_EQ(cam.eye[0], 10);
    }
}

class CameraFollowTest : public WorldTest {
protected:
    void SetUp() override { makeScene(999, 6); }
    Agent& at(int i) { return *std::next(w().population.begin(), i); }
    RecordingBackend rec;
    ScopedDrawBackend use{rec};
};

TEST_F(CameraFollowTest, ModesChooseTheFirstHighestAndReChooseOnlyAfterTheInterval)
{
    struct Case {
        int mode;
        void (*set)(Agent&, int);
    } cases[] = {{1, [](Agent& a, int v) { a.score = v; }},
                 {2, [](Agent& a, int v) { a.age = v; }},
                 {3, [](Agent& a, int v) { a.foodCount = v; }},
                 {4, [](Agent& a, int v) { a.matingCount = v; }}};
    for (const Case& c : cases) {
        for (int i = 0; i < 6; ++i)
            c.set(at(i), i == 2 || i == 4 ? 5 : 1);
        w().followMode = c.mode;
        w().followedAgent = nullptr;
        cameraCallback(w(), 0);
        EXPECT_EQ(w().followedAgent, &at(2)) << c.mode;

        c.set(at(5), 9);
        cameraCallback(w(), 0);
        EXPECT_EQ(w().followedAgent, &at(2)) << c.mode;
        w().cameraFollow.followChosenAt = -w().followInterval; // as a mode change does
        cameraCallback(w(), 0);
        EXPECT_EQ(w().followedAgent, &at(5)) << c.mode;
    }

    w().followMode = 5;
    w().selectedAgent = &at(3);
    w().followedAgent = nullptr;
    cameraCallback(w(), 0);
    EXPECT_EQ(w().followedAgent, &at(3));

    // The mini view moves a tenth of the way to the best score from where it was.
    const float before = w().miniCamera.target[0];
    cameraCallback(w(), 1);
    EXPECT_FLOAT_EQ(w().miniCamera.target[0], float(before * 0.9 + at(5).centre.x * 0.1));
}

TEST_F(CameraFollowTest, WithNothingToFollowTheCamerasOrbit)
{
    // No creature selected to follow, then no creature at all.
    struct Case {
        int population, mode, views;
    } cases[] = {{6, 5, 1}, {0, 5, 2}, {0, 1, 2}};
    for (const Case& c : cases) {
        makeScene(999, c.population);
        w().followMode = c.mode;
        for (int view = 0; view < c.views; ++view) {
            OrbitCamera& cam = view == 0 ? w().mainCamera : w().miniCamera;
            const std::vector<float> target(cam.target, cam.target + 3);
            const float heading = cam.heading;
            rec.calls.clear();
            cameraCallback(w(), view);
            EXPECT_EQ(w().followedAgent, nullptr);
            EXPECT_EQ(cam.heading, heading);
            EXPECT_EQ(std::vector<float>(cam.target, cam.target + 3), target);
            EXPECT_FLOAT_EQ(cam.eye[2], target[2] + std::sin(cam.pitch) * cam.distance);
            EXPECT_EQ(rec.count("setViewpoint"), 1u);
        }
    }
}

} // namespace
