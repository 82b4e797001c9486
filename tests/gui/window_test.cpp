// The real window under a (virtual) display: the picture of a default world,
// picking against what is on screen, the mini view, and repeatable
// screenshots of the program itself.
#include <gtest/gtest.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_internal.h>
#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/options.h"
#include "app/scene.h"
#include "window/windowed_run.h"
#include "drawlib/drawstuff.h"
#include "drawlib/view_math.h"
#include "drawlib/gl/window_backend.h"
#include "persist/save_all.h"
#include "ui/control_bar.h"
#include "ui/draw_world.h"
#include "ui/creature_pick.h"
#include "ui/imgui/creature_window.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/imgui/hall_of_fame_window.h"
#include "ui/imgui/statistics_window.h"
#include "ui/mouse.h"
#include "ui/panel_layout.h"

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const
    {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
};

Picture load(const std::string& path)
{
    Picture p;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &p.width, &p.height, &channels, 3);
    if (data) {
        p.rgb.assign(data, data + static_cast<size_t>(p.width) * p.height * 3);
        stbi_image_free(data);
    }
    return p;
}

// Pixels that differ clearly between two pictures of one size, in a box.
int differing(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char *p = a.at(x, y), *q = b.at(x, y);
            if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 30)
                ++n;
        }
    return n;
}

// Window pixel of a world point in the main view, or false when behind.
bool project(const OrbitCamera& camera, int width, int height, const double p[3], int& x, int& y)
{
    float hpr[3] = {camera.heading * 180.0f / 3.1415927f + 180.0f,
                    camera.pitch * -180.0f / 3.1415927f, 0.0f};
    const float aspect = static_cast<float>(width) / height;
    const Mat4 m = multiply(perspective(tanHalfFovY(aspect), aspect, kNearPlane, 1000.0f),
                            viewMatrix(camera.eye, hpr));
    float clip[4] = {0, 0, 0, 0};
    for (int r = 0; r < 4; ++r)
        clip[r] = m.m[r] * p[0] + m.m[4 + r] * p[1] + m.m[8 + r] * p[2] + m.m[12 + r];
    if (clip[3] <= 0)
        return false;
    x = static_cast<int>((clip[0] / clip[3] + 1) * 0.5f * width);
    y = static_cast<int>((1 - clip[1] / clip[3]) * 0.5f * height);
    return x >= 0 && y >= 0 && x < width && y < height;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(window.open(error)) << error;
        dir = fs::temp_directory_path() / ("creatures_window_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        scene.reset();
        window.close();
        // CREATURES_KEEP_PICTURES=DIR keeps the pictures for a look.
        if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES")) {
            const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            for (const auto& e : fs::directory_iterator(dir))
                fs::copy_file(e.path(), fs::path(keep) / (test + "_" + e.path().filename().string()),
                              fs::copy_options::overwrite_existing);
        }
        fs::remove_all(dir);
    }
    // Draws `frames` frames of the scene's world and returns the picture.
    Picture frames(int count, const std::string& name)
    {
        RunOptions o;
        o.frames = count;
        o.screenshotFile = (dir / name).string();
        EXPECT_EQ(window.run(scene->world(), o, 0, nullptr), 0);
        return load(o.screenshotFile);
    }

    ProgramWindow window;
    fs::path dir;
    std::unique_ptr<Scene> scene;
};

TEST_F(WindowTest, TheDefaultWorldShowsSkyGroundAndCreaturesAndPickingFindsWhatIsUnderTheCursor)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    const Picture shot = frames(40, "world.png");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);

    // Sky: the top row is bluish and light; ground: the bottom row is not.
    const unsigned char* sky = shot.at(320, 2);
    EXPECT_GT(sky[2], sky[0]);
    EXPECT_GT(sky[2], 180);
    const unsigned char* ground = shot.at(200, 420); // above the statistics strip
    EXPECT_LE(ground[2], ground[0]);

    // Picking: a part of the followed creature, projected onto the screen,
    // is found under its pixel; the sky has nothing.
    ASSERT_FALSE(w.sim.population.empty());
    Agent* target = w.view.followedAgent ? w.view.followedAgent : &w.sim.population.front();
    const BodyPart* part = nullptr;
    for (const BodyPart& p : target->parts)
        if (p.exists && !part)
            part = &p;
    ASSERT_NE(part, nullptr);
    int x = 0, y = 0;
    ASSERT_TRUE(project(w.view.mainCamera, 640, 480, dGeomGetPosition(part->geom), x, y));
    N_MousePickingPreFunc(x, y);
    drawWorld(w, w.view.mainCamera, 640, 480, true, nullptr, 0.0);
    const auto* picked = static_cast<const BodyPart*>(N_MousePickingAfterRenderFunc(x, y));
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->owner, target);
    // The picker of the mouse finds the same creature there.
    const BodyPart* under = partUnderCursor(w, x, y);
    ASSERT_NE(under, nullptr);
    EXPECT_EQ(under->owner, target);
    EXPECT_EQ(partUnderCursor(w, 320, 1), nullptr);
    N_MousePickingPreFunc(320, 1);
    drawWorld(w, w.view.mainCamera, 640, 480, true, nullptr, 0.0);
    EXPECT_EQ(N_MousePickingAfterRenderFunc(320, 1), nullptr);
}

// Mean colour of a box of a picture, by channel.
std::array<double, 3> meanColour(const Picture& p, int x0, int y0, int x1, int y1)
{
    std::array<double, 3> sum{0, 0, 0};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c)
                sum[c] += p.at(x, y)[c];
    const double n = static_cast<double>(x1 - x0) * (y1 - y0);
    return {sum[0] / n, sum[1] / n, sum[2] / n};
}

// Pixels of a row darker by more than `by` than both neighbours `gap`
// pixels away: thin dark lines across the row.
int thinDarkPixels(const Picture& p, int y, int x0, int x1, int gap, int by)
{
    int n = 0;
    for (int x = x0 + gap; x < x1 - gap; ++x) {
        const int v = p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2];
        const int l = p.at(x - gap, y)[0] + p.at(x - gap, y)[1] + p.at(x - gap, y)[2];
        const int r = p.at(x + gap, y)[0] + p.at(x + gap, y)[1] + p.at(x + gap, y)[2];
        if (v + by < l && v + by < r)
            ++n;
    }
    return n;
}

// The lean sky and ground (colours per vertex, no texture per pixel) look
// like the earlier per-pixel ones: the sky band and the ground band have
// about the same mean colours, the sky stays bluish, and the grid's thin
// lines cross the ground in both.
TEST_F(WindowTest, TheLeanSkyAndGroundLookLikeTheEarlierOnes)
{
    scene = std::make_unique<Scene>(7, 0);
    WindowBackend* backend = window.backend();
    ASSERT_NE(backend, nullptr);
    backend->setLeanDrawing(false);
    const Picture earlier = frames(3, "earlier.png");
    backend->setLeanDrawing(true);
    const Picture lean = frames(3, "lean.png");
    ASSERT_EQ(lean.width, earlier.width);
    const std::array<double, 3> skyA = meanColour(earlier, 200, 0, 440, 12);
    const std::array<double, 3> skyB = meanColour(lean, 200, 0, 440, 12);
    const std::array<double, 3> groundA = meanColour(earlier, 60, 330, 580, 440);
    const std::array<double, 3> groundB = meanColour(lean, 60, 330, 580, 440);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(skyA[c], skyB[c], 12.0) << "sky channel " << c;
        EXPECT_NEAR(groundA[c], groundB[c], 12.0) << "ground channel " << c;
    }
    EXPECT_GT(skyB[2], skyB[0]);
    EXPECT_LE(groundB[2], groundB[0]);
    int linesA = 0, linesB = 0;
    for (int y = 340; y < 440; y += 10) {
        linesA += thinDarkPixels(earlier, y, 60, 580, 3, 6);
        linesB += thinDarkPixels(lean, y, 60, 580, 3, 6);
    }
    EXPECT_GT(linesA, 10);
    EXPECT_GT(linesB, 10);
    EXPECT_LT(std::abs(linesA - linesB), linesA) << linesA << " against " << linesB;
}

// Many small creatures drawn lean (the far shape, fewer shadows, the lit
// pixels' cheaper sums) cover about the pixels the earlier drawing covers,
// in about its colours: a far shape turned inside out, lost or lit wrongly
// would show here.
TEST_F(WindowTest, FarBodiesDrawnLeanCoverWhatTheEarlierDrawingCovers)
{
    scene = std::make_unique<Scene>(7, 40);
    World& w = scene->world();
    frames(5, "start.png");
    w.view.followMode = 0;
    WindowBackend* backend = window.backend();
    backend->setPaused(true);
    backend->setLeanDrawing(false);
    const Picture earlier = frames(2, "earlier.png");
    backend->setLeanDrawing(true);
    const Picture lean = frames(2, "lean.png");
    // The same view without the creatures: lifted far above it (the world
    // is paused, so they stay there).
    for (Agent& a : w.sim.population)
        for (BodyPart& p : a.parts)
            if (p.exists && p.body) {
                const dReal* at = dBodyGetPosition(p.body);
                dBodySetPosition(p.body, at[0], at[1], at[2] + 5000);
            }
    const Picture emptyLean = frames(1, "empty_lean.png");
    backend->setLeanDrawing(false);
    const Picture emptyEarlier = frames(1, "empty_earlier.png");
    backend->setLeanDrawing(true);
    backend->setPaused(false);
    // Pixels of bodies and shadows in each (the sky band and the panels
    // left out), those of one drawing only, and the colour of those of both.
    int earlierOnly = 0, leanOnly = 0, both = 0;
    double colourGap = 0.0;
    for (int y = 130; y < 425; ++y)
        for (int x = 0; x < 430; ++x) {
            auto gap = [&](const Picture& a, const Picture& b) {
                const unsigned char *p = a.at(x, y), *q = b.at(x, y);
                return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
            };
            const bool inEarlier = gap(earlier, emptyEarlier) > 30, inLean = gap(lean, emptyLean) > 30;
            earlierOnly += inEarlier && !inLean;
            leanOnly += inLean && !inEarlier;
            if (inEarlier && inLean) {
                ++both;
                colourGap += gap(earlier, lean) / 3.0;
            }
        }
    EXPECT_GT(both, 1500);
    // Edges of the coarser shapes and the shadows left out; nothing lost.
    EXPECT_LT(earlierOnly + leanOnly, both / 2) << earlierOnly << " + " << leanOnly << " against "
                                                << both;
    EXPECT_LT(colourGap / both, 12.0); // mean gap per channel, of 255
}

TEST_F(WindowTest, CreaturesAndTheMiniViewChangeThePicture)
{
    // One world drawn with and without its creatures from the same camera.
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    const Picture with = frames(20, "with.png");
    forgetAllCreatures(w.view);
    clearCreatures(w.sim);
    w.settings.minPopulation = 0;
    w.settings.stepsPerFrame = 1;
    const Picture without = frames(1, "without.png");
    EXPECT_GT(differing(with, without, 0, 60, 640, 480), 200);

    // The mini view: its corner shows another camera's picture, framed.
    w.view.miniDisplay = 1;
    const Picture mini = frames(2, "mini.png");
    // Inside the corner, clear of its frame and of where the text was.
    EXPECT_GT(differing(mini, without, 10, 85, 214, 160), 3000);
    EXPECT_LT(differing(mini, without, 300, 250, 640, 480), 2000);
}

TEST_F(WindowTest, ALeftDragOnAPartSelectsItsCreatureAndPullsIt)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    frames(10, "before.png");
    // A still camera and a paused world while the cursor is aimed.
    w.view.followMode = 0;
    window.backend()->setPaused(true);
    frames(1, "still.png");
    Agent* target = w.view.followedAgent ? w.view.followedAgent : &w.sim.population.front();
    BodyPart* part = nullptr;
    for (BodyPart& p : target->parts)
        if (p.exists && !part)
            part = &p;
    ASSERT_NE(part, nullptr);
    int x = 0, y = 0;
    ASSERT_TRUE(project(w.view.mainCamera, 640, 480, dGeomGetPosition(part->geom), x, y));

    // The cursor comes to rest on the part: the next frame's picking pass
    // finds it.
    EXPECT_FALSE(mouseCallback(w, MouseMove, 0, x, y, x, y));
    frames(1, "hover.png");
    ASSERT_NE(w.view.drag.grabbed, nullptr);
    EXPECT_EQ(w.view.drag.grabbed->owner, target);
    EXPECT_EQ(w.view.hoveredAgent, target);

    // Press and pull 40 pixels to the side: the creature is selected and its
    // part follows the target.
    window.backend()->setPaused(false);
    ASSERT_TRUE(mouseCallback(w, LeftDown, 1, x, y, x, y));
    const double start[3] = {w.view.drag.target[0], w.view.drag.target[1], w.view.drag.target[2]};
    ASSERT_TRUE(mouseCallback(w, MouseMove, 1, x + 40, y, x + 40, y));
    const double moved = std::hypot(w.view.drag.target[0] - start[0], w.view.drag.target[1] - start[1]);
    EXPECT_NEAR(moved, 120 * 0.03, 1e-6);
    const BodyPart* grabbed = w.view.drag.grabbed;
    frames(15, "drag.png");
    EXPECT_EQ(w.view.selectedAgent, target);
    EXPECT_EQ(w.view.drag.grabbed, grabbed); // no picking while dragging
    const dReal* now = dGeomGetPosition(grabbed->geom);
    EXPECT_LT(std::hypot(now[0] - w.view.drag.target[0], now[1] - w.view.drag.target[1]), moved);
    EXPECT_FALSE(mouseCallback(w, LeftUp, 0, x + 40, y, x + 40, y));
    EXPECT_FALSE(w.view.drag.active);
}

// A click a few pixels beside a creature's part selects the creature, with
// the world paused or running, and the drag then pulls the part; a click on
// the empty sky selects nothing.
TEST_F(WindowTest, AClickOnOrBesideACreatureSelectsItPausedOrRunning)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    frames(10, "before.png");
    w.view.followMode = 0; // a still camera
    for (bool paused : {true, false}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        window.backend()->setPaused(true);
        frames(1, "still.png");
        w.view.selectedAgent = nullptr;
        Agent& target = *std::next(w.sim.population.begin(), paused ? 0 : 3);
        const BodyPart* part = nullptr;
        for (const BodyPart& p : target.parts)
            if (p.exists && !part)
                part = &p;
        ASSERT_NE(part, nullptr);
        int x = 0, y = 0;
        ASSERT_TRUE(project(w.view.mainCamera, 640, 480, dGeomGetPosition(part->geom), x, y));
        // Rightwards from the part to the first pixel on no creature at all,
        // then two more: beside the last creature crossed, not on it.
        CreaturePicker exact;
        auto exactly = [&](int px) {
            return exact.pick(w.sim.population, nullptr, viewRay(w.view.mainCamera, px, y, 640, 480),
                              0.0);
        };
        const Agent* beside = nullptr;
        int off = x;
        for (; off < 640 && exactly(off); ++off)
            beside = exactly(off)->owner;
        ASSERT_NE(beside, nullptr);
        off += 2;
        ASSERT_EQ(exactly(off), nullptr);

        window.backend()->setPaused(paused);
        EXPECT_FALSE(mouseCallback(w, MouseMove, 0, off, y, off, y));
        ASSERT_TRUE(mouseCallback(w, LeftDown, 1, off, y, off, y));
        EXPECT_EQ(w.view.selectedAgent, beside);
        ASSERT_NE(w.view.drag.grabbed, nullptr);
        EXPECT_EQ(w.view.drag.grabbed->owner, beside);
        frames(5, "pressed.png");
        EXPECT_EQ(w.view.selectedAgent, beside);
        EXPECT_FALSE(mouseCallback(w, LeftUp, 0, off, y, off, y));
    }
    // The sky: nothing taken, the selection stays.
    const Agent* selected = w.view.selectedAgent;
    EXPECT_FALSE(mouseCallback(w, MouseMove, 0, 320, 1, 320, 1));
    EXPECT_FALSE(mouseCallback(w, LeftDown, 1, 320, 1, 320, 1));
    EXPECT_EQ(w.view.selectedAgent, selected);
    EXPECT_FALSE(mouseCallback(w, LeftUp, 0, 320, 1, 320, 1));
    window.backend()->setPaused(false);
}

// Mean difference (sum of the channels) between two pictures in a box.
double meanDifference(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    double sum = 0;
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, a.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, a.width); ++x, ++n)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
    return n ? sum / n : 0.0;
}

TEST_F(WindowTest, APartUnderTheRestingCursorLightsUpWithAndWithoutSkinsAndTextures)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    frames(10, "before.png");
    // A still camera, and no follow marker over the parts.
    w.view.followMode = 0;
    Agent* target = w.view.followedAgent ? w.view.followedAgent : &w.sim.population.front();
    w.view.followedAgent = nullptr;
    window.backend()->setPaused(true);
    // Skins, textures, and a pale creature (the grey of a dying one).
    struct Look { std::uint8_t skin, textures; bool pale; };
    for (const Look& look : {Look{1, 1, false}, Look{0, 1, false}, Look{1, 0, false},
                             Look{0, 0, false}, Look{1, 0, true}, Look{0, 0, true}}) {
        const auto [skin, textures, pale] = look;
        SCOPED_TRACE(std::string(skin ? "skins on" : "skins off") +
                     (textures ? ", textures on" : ", textures off") + (pale ? ", pale" : ""));
        w.view.drawSkin = skin;
        w.view.drawTexture = textures;
        target->lifeState = pale ? Starved : Alive;
        target->dyingProgress = 0.0f;
        // The cursor away from every creature, then resting on a part.
        EXPECT_FALSE(mouseCallback(w, MouseMove, 0, 320, 1, 320, 1));
        frames(2, "away.png");
        int x = 0, y = 0;
        BodyPart* part = nullptr;
        for (BodyPart& p : target->parts)
            if (p.exists && !part)
                part = &p;
        ASSERT_NE(part, nullptr);
        ASSERT_TRUE(project(w.view.mainCamera, 640, 480, dGeomGetPosition(part->geom), x, y));
        const Picture away = frames(1, "away.png");
        EXPECT_FALSE(mouseCallback(w, MouseMove, 0, x, y, x, y));
        frames(1, "resting.png");
        ASSERT_EQ(w.view.drag.grabbed, part);
        const Picture lit = frames(1, "lit.png");
        // The part changes clearly where it is (lit); far from it nothing
        // changes.
        const double change = meanDifference(lit, away, x - 3, y - 3, x + 4, y + 4);
        std::printf("%s, %s%s: the part under the cursor changes by %.0f (of 765)\n",
                    skin ? "skins on" : "skins off", textures ? "textures on" : "textures off",
                    pale ? ", pale" : "", change);
        EXPECT_GT(change, 120.0);
        EXPECT_LT(differing(lit, away, 0, 0, 640, 480), 2500);
    }
    target->lifeState = Alive;
    // Over the scene the cursor is the pointing hand the mouse asked for.
    EXPECT_EQ(window.backend()->cursorShape(), GLFW_HAND_CURSOR);
}

TEST_F(WindowTest, MessagesAndThePauseMarkShowAbovePanels)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    // The inspector and the statistics open, over the middle of the window.
    w.view.selectedAgent = &*std::next(w.sim.population.begin(), 2);
    ImGui::SetWindowCollapsed("###Statistics", false);
    frames(30, "panels.png");
    window.backend()->setPaused(true);
    const Picture plain = frames(1, "plain.png");
    showMessage(w.driver.message, "Saved2...", 1000.0);
    const Picture shown = frames(1, "message.png");
    // White letters at the middle of the window, and at its top the pause mark.
    auto whitePixels = [](const Picture& p, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += p.at(x, y)[0] > 235 && p.at(x, y)[1] > 235 && p.at(x, y)[2] > 235;
        return n;
    };
    EXPECT_GT(whitePixels(shown, 240, 215, 400, 255), whitePixels(plain, 240, 215, 400, 255) + 150);
    EXPECT_GT(differing(shown, plain, 240, 205, 400, 265), 300);
    EXPECT_GT(whitePixels(plain, 270, 5, 370, 45), 80);
    window.backend()->setPaused(false);
}

// Pixels of the panels' background colour in a box.
int panelPixels(const Picture& p, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char* c = p.at(x, y);
            n += std::abs(c[0] - 110) + std::abs(c[1] - 110) + std::abs(c[2] - 150) < 24;
        }
    return n;
}

TEST_F(WindowTest, TheStatisticsWindowAndTheInspectorShowTheirCreatureAndCharts)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    const Picture closed = frames(60, "closed.png");
    // Statistics collapsed along the bottom, no inspector without a
    // selection (under the control bar, in the right column).
    EXPECT_LT(panelPixels(closed, 5, 420, 425, 455), 2000);
    EXPECT_LT(panelPixels(closed, 440, 210, 630, 400), 2000);

    Agent& chosen = *std::next(w.sim.population.begin(), 2);
    w.view.selectedAgent = &chosen;
    ImGui::SetWindowCollapsed("###Statistics", false);
    const Picture open = frames(60, "open.png");
    EXPECT_GT(panelPixels(open, 5, 420, 425, 455), 4000);
    EXPECT_GT(panelPixels(open, 440, 210, 630, 400), 20000);
    if (const char* keep = std::getenv("CREATURES_KEEP_SCREENSHOT"))
        fs::copy_file(dir / "open.png", keep, fs::copy_options::overwrite_existing);
}

// The panels at three window sizes with every window open: the scene keeps
// most of the window, and no panel covers another, the status text, the
// message or the followed creature.
TEST(WindowLayout, PanelsLeaveTheSceneFreeAtThreeSizes)
{
    const fs::path dir = fs::temp_directory_path() / ("creatures_layout_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const auto& [width, height] : {std::pair{640, 480}, {1280, 800}, {1920, 1080}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::string error;
        ProgramWindow window;
        ASSERT_TRUE(window.open(width, height, error)) << error;
        {
            Scene scene(7, 10);
            World& w = scene.world();
            RunOptions o;
            o.frames = 40;
            o.screenshotFile = (dir / "warm.png").string();
            ASSERT_EQ(window.run(w, o, 0, nullptr), 0);
            // Every window open: the inspector with a creature, the hall of
            // fame and the statistics expanded, and a message up.
            w.view.selectedAgent = &*std::next(w.sim.population.begin(), 2);
            ImGui::SetWindowCollapsed("###Statistics", false);
            ImGui::SetWindowCollapsed("Hall of fame", false);
            showMessage(w.driver.message, "Saved2...", 1000.0);
            const std::string file =
                (dir / ("layout-" + std::to_string(width) + ".png")).string();
            o.frames = 20;
            o.screenshotFile = file;
            ASSERT_EQ(window.run(w, o, 0, nullptr), 0);

            std::vector<PanelRect> panels;
            for (const char* name : {"ControlBar", "Creature", "Hall of fame", "###Statistics"}) {
                ImGuiWindow* win = ImGui::FindWindowByName(name);
                ASSERT_NE(win, nullptr) << name;
                ASSERT_TRUE(win->Active) << name;
                panels.push_back(PanelRect{win->Pos.x, win->Pos.y, win->Size.x, win->Size.y});
            }
            for (std::size_t i = 0; i < panels.size(); ++i)
                for (std::size_t j = i + 1; j < panels.size(); ++j)
                    EXPECT_FALSE(panels[i].overlaps(panels[j])) << i << " and " << j;
            const float free =
                uncoveredShare(width, height, panels.data(), static_cast<int>(panels.size()));
            std::printf("%dx%d: %.1f%% of the scene free\n", width, height, 100.0f * free);
            EXPECT_GE(free, 0.60f);
            // The status text, the message and the label above the followed
            // creature, and the middle of the view where it stands.
            int texts = 0;
            for (const auto& t : window.backend()->lastTextRects()) {
                const PanelRect r{t.x, t.y, t.width, t.height};
                for (const PanelRect& p : panels)
                    EXPECT_FALSE(r.overlaps(p)) << "text of size " << t.size;
                ++texts;
            }
            EXPECT_GE(texts, 3); // status, message, label
            const PanelRect middle{width / 2.0f - 20, height / 2.0f - 20, 40, 40};
            for (const PanelRect& p : panels)
                EXPECT_FALSE(middle.overlaps(p));
            if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES"))
                fs::copy_file(file, fs::path(keep) / fs::path(file).filename(),
                              fs::copy_options::overwrite_existing);
        }
        window.close();
    }
    fs::remove_all(dir);
}

// Every window shown: content that does not fit has a scrollbar (a window
// without one holds all it has). The names of those that clip.
std::vector<std::string> clippedWithoutScrollbar()
{
    std::vector<std::string> clipped;
    for (ImGuiWindow* win : ImGui::GetCurrentContext()->Windows) {
        if (!win->Active || win->Hidden || win->Collapsed ||
            (win->Flags & (ImGuiWindowFlags_Tooltip | ImGuiWindowFlags_Popup)))
            continue;
        if (win->ScrollMax.y > 1.5f && !win->ScrollbarY)
            clipped.push_back(win->Name);
    }
    return clipped;
}

// At 800x600 and up, with the control bar's groups closed, a creature
// selected and every window open: the inspector shows at least its first 8
// rows, the hall of fame its header, 3 rows and its buttons, the statistics
// strip whole charts only, and nothing is clipped without a scrollbar.
TEST(WindowLayout, PanelsFitWithACreatureSelected)
{
    const fs::path dir = fs::temp_directory_path() / ("creatures_fit_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const auto& [width, height] : {std::pair{800, 600}, {1280, 800}, {1920, 1080}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::string error;
        ProgramWindow window;
        ASSERT_TRUE(window.open(width, height, error)) << error;
        {
            Scene scene(7, 10);
            World& w = scene.world();
            // A minute of the run: the hall of fame has its rows.
            scene.step(2000);
            RunOptions o;
            o.frames = 20;
            o.screenshotFile = (dir / "warm.png").string();
            ASSERT_EQ(window.run(w, o, 0, nullptr), 0);
            w.view.selectedAgent = &*std::next(w.sim.population.begin(), 2);
            ImGui::SetWindowCollapsed("###Statistics", false);
            ImGui::SetWindowCollapsed("Hall of fame", false);
            const std::string file =
                (dir / ("fit-" + std::to_string(width) + "x" + std::to_string(height) + ".png"))
                    .string();
            o.frames = 20;
            o.screenshotFile = file;
            ASSERT_EQ(window.run(w, o, 0, nullptr), 0);

            const int rows = inspectorRowsShown();
            const FameShown fame = hallOfFameShown();
            const StripShown& strip = statisticsStripShown();
            std::printf("%dx%d: inspector %d rows, hall of fame %d rows%s, %zu of %d charts "
                        "in the strip\n",
                        width, height, rows, fame.rows, fame.buttons ? " and its buttons" : "",
                        strip.cells.size(), strip.charts);
            EXPECT_GE(rows, 8);
            ASSERT_GE(w.sim.hallOfFame.entries().size(), 3u);
            EXPECT_GE(fame.rows, 3);
            EXPECT_TRUE(fame.buttons);
            // Whole charts, inside the strip.
            EXPECT_FALSE(strip.cells.empty());
            for (const PanelRect& c : strip.cells) {
                EXPECT_GE(c.x, strip.inside.x - 0.5f);
                EXPECT_GE(c.y, strip.inside.y - 0.5f);
                EXPECT_LE(c.right(), strip.inside.right() + 0.5f);
                EXPECT_LE(c.y + c.height, strip.inside.y + strip.inside.height + 0.5f);
            }
            for (const std::string& name : clippedWithoutScrollbar())
                ADD_FAILURE() << name << " clips its content without a scrollbar";
            // The column's windows one under another.
            std::vector<PanelRect> panels;
            for (const char* name : {"ControlBar", "Creature", "Hall of fame", "###Statistics"}) {
                ImGuiWindow* win = ImGui::FindWindowByName(name);
                ASSERT_NE(win, nullptr) << name;
                panels.push_back(PanelRect{win->Pos.x, win->Pos.y, win->Size.x, win->Size.y});
            }
            for (std::size_t i = 0; i < panels.size(); ++i)
                for (std::size_t j = i + 1; j < panels.size(); ++j)
                    EXPECT_FALSE(panels[i].overlaps(panels[j])) << i << " and " << j;
            if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES"))
                fs::copy_file(file, fs::path(keep) / fs::path(file).filename(),
                              fs::copy_options::overwrite_existing);
        }
        window.close();
    }
    fs::remove_all(dir);
}

// A chart opened large (as a double click does): a window of its own over
// the scene, above the strip, with the chart filling it; closed again.
TEST_F(WindowTest, AChartOpensLarge)
{
    scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    scene->step(600);
    frames(2, "start.png");
    ImGui::SetWindowCollapsed("###Statistics", false);
    frames(5, "strip.png");
    showLargeChart("Population");
    frames(5, "large.png");
    EXPECT_EQ(largeChartShown(), "Population");
    ImGuiWindow* large = ImGui::FindWindowByName("###LargeChart");
    ASSERT_NE(large, nullptr);
    EXPECT_TRUE(large->Active);
    EXPECT_GE(large->Size.x, 320.0f);
    EXPECT_GE(large->Size.y, 190.0f);
    ImGuiWindow* strip = ImGui::FindWindowByName("###Statistics");
    ASSERT_NE(strip, nullptr);
    EXPECT_LE(large->Pos.y + large->Size.y, strip->Pos.y);
    showLargeChart("");
    frames(2, "closed.png");
    EXPECT_FALSE(ImGui::FindWindowByName("###LargeChart")->Active);
    (void)w;
}

// Panels cover the scene's labels: the followed creature's label, standing
// where the enlarged chart is, leaves no mark on the chart. The chart's
// pixels are the same with the label behind it and with none (no creature
// followed), the world paused in between.
TEST(SceneLabels, AnEnlargedChartCoversTheFollowedCreaturesLabel)
{
    const fs::path dir = fs::temp_directory_path() / ("creatures_label_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ProgramWindow window;
    auto run = [&](World& w, int frames, const std::string& name) {
        RunOptions o;
        o.frames = frames;
        o.screenshotFile = (dir / name).string();
        EXPECT_EQ(window.run(w, o, 0, nullptr), 0);
        return load(o.screenshotFile);
    };
    std::string error;
    ASSERT_TRUE(window.open(1280, 800, error)) << error;
    {
        Scene scene(7, 10);
        World& w = scene.world();
        scene.step(300);
        run(w, 3, "warm.png");
        ImGui::SetWindowCollapsed("###Statistics", false);
        showLargeChart("Population");
        run(w, 3, "chart.png");
        window.backend()->setPaused(true);
        const Picture labelled = run(w, 3, "labelled.png");
        const ImGuiWindow* chart = ImGui::FindWindowByName("###LargeChart");
        ASSERT_TRUE(chart && chart->Active);
        // The label's box inside the chart's.
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        for (const auto& t : window.backend()->lastTextRects())
            if (t.label) {
                x0 = static_cast<int>(std::max(t.x, chart->Pos.x + 2));
                y0 = static_cast<int>(std::max(t.y, chart->Pos.y + 2));
                x1 = static_cast<int>(std::min(t.x + t.width, chart->Pos.x + chart->Size.x - 2));
                y1 = static_cast<int>(std::min(t.y + t.height, chart->Pos.y + chart->Size.y - 2));
            }
        ASSERT_GT(x1 - x0, 10) << "the label is not where the chart is";
        ASSERT_GT(y1 - y0, 5) << "the label is not where the chart is";

        w.view.followMode = 0;
        const Picture unlabelled = run(w, 3, "unlabelled.png");
        for (const auto& t : window.backend()->lastTextRects())
            EXPECT_FALSE(t.label);
        EXPECT_EQ(differing(labelled, unlabelled, x0, y0, x1, y1), 0);
        window.backend()->setPaused(false);
        showLargeChart("");
    }
    window.close();
    if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES"))
        for (const auto& e : fs::directory_iterator(dir))
            fs::copy_file(e.path(), fs::path(keep) / ("label_" + e.path().filename().string()),
                          fs::copy_options::overwrite_existing);
    fs::remove_all(dir);
}

// The Family tree window on seeded runs. At three sizes, with every panel
// open, it covers no other panel, no text and not the middle of the view,
// and leaves most of the scene; Tab hides it with the rest. Then a click on
// a living creature's bar selects it (the inspector opens, the tree marks
// it), a double click follows it, a click on a dead one shows its record;
// and after a save and a load the window draws the same tree.
TEST(FamilyTreeWindow, DockedClickedAndTheSameAfterALoad)
{
    const fs::path dir = fs::temp_directory_path() / ("creatures_tree_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ProgramWindow window;
    auto run = [&](World& w, int frames, const std::string& name) {
        RunOptions o;
        o.frames = frames;
        o.screenshotFile = (dir / name).string();
        EXPECT_EQ(window.run(w, o, 0, nullptr), 0);
        return load(o.screenshotFile);
    };
    auto rectOf = [](const char* name) {
        const ImGuiWindow* win = ImGui::FindWindowByName(name);
        return win && win->Active ? PanelRect{win->Pos.x, win->Pos.y, win->Size.x, win->Size.y}
                                  : PanelRect{};
    };
    for (const auto& [width, height] : {std::pair{640, 480}, {1280, 800}, {1920, 1080}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::string error;
        ASSERT_TRUE(window.open(width, height, error)) << error;
        {
            Scene scene(7, 10);
            World& w = scene.world();
            run(w, 20, "warm.png");
            // Collapsed at start: its title bar alone, on the statistics'.
            const PanelRect closed = rectOf("###FamilyTree");
            EXPECT_NEAR(closed.height, kPanelTitleHeight, 2.0f);
            EXPECT_NEAR(closed.bottom() + kControlBarMargin, rectOf("###Statistics").y, 1.0f);
            w.view.selectedAgent = &*std::next(w.sim.population.begin(), 2);
            for (const char* name : {"###Statistics", "Hall of fame", "###FamilyTree"})
                ImGui::SetWindowCollapsed(name, false);
            showMessage(w.driver.message, "Saved2...", 1000.0);
            run(w, 10, "open.png");
            std::vector<PanelRect> panels;
            for (const char* name :
                 {"###FamilyTree", "ControlBar", "Creature", "Hall of fame", "###Statistics"}) {
                panels.push_back(rectOf(name));
                ASSERT_GT(panels.back().area(), 0.0f) << name;
            }
            EXPECT_GT(panels[0].height, 0.25f * height);
            for (std::size_t j = 1; j < panels.size(); ++j)
                EXPECT_FALSE(panels[0].overlaps(panels[j])) << j;
            for (const auto& t : window.backend()->lastTextRects())
                EXPECT_FALSE(panels[0].overlaps(PanelRect{t.x, t.y, t.width, t.height}))
                    << "text of size " << t.size;
            EXPECT_FALSE(panels[0].overlaps(
                PanelRect{width / 2.0f - 20, height / 2.0f - 20, 40, 40}));
            const float free =
                uncoveredShare(width, height, panels.data(), static_cast<int>(panels.size()));
            std::printf("%dx%d, every panel and the family tree open: %.1f%% of the scene free\n",
                        width, height, 100.0f * free);
            EXPECT_GE(free, 0.40f);
            // Tab: no panel drawn, the tree neither.
            window.backend()->setPanelsShown(false);
            run(w, 2, "hidden.png");
            EXPECT_EQ(rectOf("###FamilyTree").area(), 0.0f);
            window.backend()->setPanelsShown(true);
        }
        window.close();
    }

    // A run with deaths: two creatures die, the refill brings others.
    std::string error;
    ASSERT_TRUE(window.open(1280, 800, error)) << error;
    auto scene = std::make_unique<Scene>(7, 10);
    World& w = scene->world();
    scene->step(600);
    for (int i : {1, 4}) {
        Agent& a = *std::next(w.sim.population.begin(), i);
        a.lifeState = Removable;
        a.deathCause = Fallen;
    }
    scene->step(30);
    run(w, 1, "first.png"); // the window's panels exist from their first frame
    ImGui::SetWindowCollapsed("###FamilyTree", false);
    showEveryFamilyLine(true);
    window.backend()->setPaused(true);
    run(w, 3, "tree.png");
    const DrawnFamilyTree* drawn = drawnFamilyTree();
    ASSERT_NE(drawn, nullptr);
    ASSERT_EQ(drawn->layout->nodes.size(), w.sim.family.members().size());
    // The middle of a living and of a dead creature's bar, on the canvas.
    auto barMiddle = [&](bool alive, float& x, float& y) {
        for (const TreeNode& n : drawn->layout->nodes)
            if (n.alive() == alive) {
                x = drawn->canvas.x((n.born + n.end(drawn->now)) / 2);
                y = drawn->canvas.y(n.lane + 0.5);
                return n.id;
            }
        return -1;
    };
    float x = 0, y = 0;
    const int living = barMiddle(true, x, y);
    ASSERT_GE(living, 0);
    const Picture before = run(w, 1, "before.png");
    EXPECT_EQ(clickFamilyTree(w, x, y, false), living);
    ASSERT_NE(w.view.selectedAgent, nullptr);
    EXPECT_EQ(w.view.selectedAgent->creatureId, living);
    const Picture selected = run(w, 2, "selected.png");
    EXPECT_GT(rectOf("Creature").area(), 0.0f);
    // The white frame of the selection around the bar.
    int white = 0;
    for (int dx = -40; dx <= 40; ++dx)
        for (int dy = -8; dy <= 8; ++dy) {
            const unsigned char* p = selected.at(static_cast<int>(x) + dx, static_cast<int>(y) + dy);
            const unsigned char* q = before.at(static_cast<int>(x) + dx, static_cast<int>(y) + dy);
            white += p[0] > 240 && p[1] > 240 && p[2] > 240 && !(q[0] > 240 && q[1] > 240);
        }
    EXPECT_GT(white, 20);
    EXPECT_EQ(clickFamilyTree(w, x, y, true), living);
    window.backend()->setPaused(false);
    run(w, 5, "followed.png");
    ASSERT_NE(w.view.followedAgent, nullptr);
    EXPECT_EQ(w.view.followedAgent->creatureId, living);
    window.backend()->setPaused(true);
    const int dead = barMiddle(false, x, y);
    ASSERT_GE(dead, 0);
    EXPECT_EQ(clickFamilyTree(w, x, y, false), dead);
    EXPECT_EQ(w.view.recordShown, dead);
    run(w, 2, "dead.png");
    EXPECT_GT(rectOf("Creature").area(), 0.0f);
    EXPECT_EQ(clickFamilyTree(w, drawn->canvas.x0 - 5, y, false), -1); // off the canvas

    // Saved and loaded into a new world: the same tree in the window.
    const std::size_t nodes = drawn->layout->nodes.size();
    const std::size_t lanes = drawn->layout->lanes.size();
    const std::string tree = encodeFamily(w.sim.family);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(saveAll(w.sim, w.settings, (dir / "save").string()));
    scene = std::make_unique<Scene>(8, 3);
    ASSERT_TRUE(loadAll(scene->world().sim, scene->world().settings, (dir / "save").string()));
    testing::internal::GetCapturedStdout();
    forgetAllCreatures(scene->world().view);
    run(scene->world(), 2, "loaded.png");
    drawn = drawnFamilyTree();
    EXPECT_EQ(encodeFamily(scene->world().sim.family), tree);
    EXPECT_EQ(drawn->layout->nodes.size(), nodes);
    EXPECT_EQ(drawn->layout->lanes.size(), lanes);
    window.backend()->setPaused(false);
    showEveryFamilyLine(false);
    scene.reset();
    window.close();
    if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES"))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ".png")
                fs::copy_file(e.path(), fs::path(keep) / ("tree_" + e.path().filename().string()),
                              fs::copy_options::overwrite_existing);
    fs::remove_all(dir);
}

// A run in the window stops at its step limit, also when a frame would take
// more: with the drawing skipped a frame steps for a fifth of a second.
TEST_F(WindowTest, ARunStopsAtItsStepLimitWhileTheDrawingIsSkipped)
{
    for (const bool serial : {false, true}) {
        scene = std::make_unique<Scene>(7, 10);
        World& w = scene->world();
        w.driver.skipRender = 1;
        RunOptions o;
        o.steps = 31;
        o.frames = 100000;
        o.framesGiven = true;
        o.serialSteps = serial;
        const long long before = w.sim.counters.steps;
        ASSERT_EQ(window.run(w, o, 0, nullptr), 0);
        EXPECT_EQ(w.sim.counters.steps - before, 31) << (serial ? "serial" : "beside");
    }
}

// Two runs of a seed draw the same picture, and so does a run whose steps
// go between the frames rather than beside the drawing: the same steps,
// the same world saved at the end, the same frames counted. So too for a
// run that ends itself (--steps) before its frames are drawn.
TEST(ProgramScreenshot, TheSameSeedGivesTheSamePictureWithTheStepsBesideTheDrawingOrNot)
{
    const fs::path dir =
        fs::temp_directory_path() / ("creatures_shot_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto read = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    // The closing lines without the wall time.
    auto closing = [&](const fs::path& file) {
        std::istringstream in(read(file));
        std::string line, kept;
        while (std::getline(in, line))
            if (line.rfind("finished after", 0) == 0 || line.find("frames drawn") != std::string::npos)
                kept += line.substr(0, line.find(" in ")) + "\n";
        return kept;
    };
    struct Run {
        int group; // runs of a group must agree
        std::string options;
        bool screenshot;
    };
    const Run runs[] = {
        {0, "--frames 30", true},
        {0, "--frames 30", true},
        {0, "--frames 30 --serial-steps", true},
        {1, "--frames 30 --steps 41", false},
        {1, "--frames 30 --steps 41 --serial-steps", false},
    };
    const std::string expected[] = {"frames drawn 30", "finished after 41 steps"};
    std::string shots[2], saves[2], lines[2];
    for (std::size_t i = 0; i < std::size(runs); ++i) {
        const Run& r = runs[i];
        const fs::path shot = dir / ("shot" + std::to_string(i) + ".png");
        const fs::path save = dir / ("save" + std::to_string(i));
        const fs::path out = dir / ("out" + std::to_string(i));
        const std::string cmd = std::string(CREATURES_BINARY) + " --seed 5 " + r.options +
                                (r.screenshot ? " --screenshot " + shot.string() : "") +
                                " --save-all " + save.string() + " > " + out.string() + " 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << read(out);
        std::string saved;
        for (const auto& e : fs::directory_iterator(save))
            saved += e.path().filename().string() + ":" + read(e.path());
        const int g = r.group;
        if (i == 0 || runs[i - 1].group != g) {
            shots[g] = r.screenshot ? read(shot) : "";
            saves[g] = saved;
            lines[g] = closing(out);
            EXPECT_FALSE(saved.empty());
            EXPECT_NE(lines[g].find(expected[g]), std::string::npos) << lines[g];
            if (r.screenshot) {
                EXPECT_GT(shots[g].size(), 10000u);
            }
            continue;
        }
        if (r.screenshot) {
            EXPECT_TRUE(read(shot) == shots[g]) << "the picture of run " << i + 1 << " differs";
        }
        EXPECT_TRUE(saved == saves[g]) << "the saved world of run " << i + 1 << " differs";
        EXPECT_EQ(closing(out), lines[g]) << "run " << i + 1;
    }
    fs::remove_all(dir);
}

// Reads the output of a command.
std::string commandOutput(const std::string& cmd)
{
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        ::pclose(p);
    }
    return out;
}

// A video of the program's window holds every frame or, as a timelapse,
// every Nth; without ffmpeg the run goes on and one line says why.
TEST(ProgramVideo, RecordsEveryNthFrameAndRunsOnWithoutFfmpeg)
{
    const fs::path dir =
        fs::temp_directory_path() / ("creatures_video_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // An ffmpeg that fails: the video is not whole, so the run fails.
    fs::create_directories(dir / "bin");
    std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\nexit 1\n";
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    const std::string failing = "PATH=" + (dir / "bin").string() + ":$PATH ";
    struct Case { int every; std::string path; int frames; };
    for (const Case& c : {Case{1, "", 24}, Case{3, "", 8}, Case{1, "PATH=/nonexistent ", 0},
                          Case{2, failing, -1}}) {
        SCOPED_TRACE("every " + std::to_string(c.every) + " " + c.path);
        const fs::path video = dir / ("run" + std::to_string(c.every) + ".mp4");
        fs::remove(video);
        const std::string cmd = c.path + CREATURES_BINARY +
                                " --seed 5 --frames 24 --window 320x240 --record " +
                                video.string() + " --record-every " + std::to_string(c.every) +
                                " > " + (dir / "out").string() + " 2>&1";
        const int status = std::system(cmd.c_str());
        std::ifstream outFile(dir / "out");
        const std::string out((std::istreambuf_iterator<char>(outFile)), {});
        if (c.frames < 0) {
            EXPECT_EQ(WEXITSTATUS(status), 1) << out;
            EXPECT_NE(out.find("creatures: cannot write: " + video.string()), std::string::npos)
                << out;
            EXPECT_FALSE(fs::exists(video));
            continue;
        }
        ASSERT_EQ(status, 0) << out;
        if (c.frames == 0) {
            EXPECT_NE(out.find("creatures: no video: ffmpeg is not on the PATH"), std::string::npos)
                << out;
            EXPECT_FALSE(fs::exists(video));
            continue;
        }
        EXPECT_NE(out.find("video written to " + video.string() + " (" +
                           std::to_string(c.frames) + " frames)"),
                  std::string::npos)
            << out;
        const std::string probe = commandOutput(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=width,height,nb_read_frames -of csv=p=0 " + video.string());
        EXPECT_EQ(probe, "320,240," + std::to_string(c.frames) + "\n");
    }
    fs::remove_all(dir);
}

} // namespace
