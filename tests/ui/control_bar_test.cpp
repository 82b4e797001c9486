// Control bar: handlers, panel placement, keys and the table of items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/world.h"
#include "ui/control_bar.h"

namespace {

TEST(ControlBar, QualityLevelsWriteTheirPresetAndOtherLevelsOnlyTheLevel)
{
    struct Case {
        int level;
        int sphere, arrow;
        float lod;
        int shadows, texture;
    };
    // Start-up values stand for "nothing else changed".
    const Case cases[] = {{0, 0, 1, 3.0f, 0, 0}, {1, 1, 2, 2.5f, 0, 1}, {2, 1, 3, 2.0f, 1, 1},
                          {3, 2, 5, 1.5f, 1, 1}, {4, 2, 4, 1.0f, 1, 1}, {-1, 2, 4, 1.0f, 1, 1},
                          {99, 2, 4, 1.0f, 1, 1}};
    for (const Case& c : cases) {
        World w;
        setGraphicQuality(w, c.level);
        EXPECT_EQ(w.view.graphicQuality, c.level);
        EXPECT_EQ(getGraphicQuality(w), c.level);
        EXPECT_EQ(w.view.sphereQuality, c.sphere) << c.level;
        EXPECT_EQ(w.view.arrowQuality, c.arrow) << c.level;
        EXPECT_FLOAT_EQ(w.view.lodScale, c.lod) << c.level;
        EXPECT_EQ(w.view.drawShadows, c.shadows) << c.level;
        EXPECT_EQ(w.view.drawTexture, c.texture) << c.level;
    }
}

TEST(ControlBar, NormalAfterLowestRestoresShadowsAndTextures)
{
    World w;
    setGraphicQuality(w, 0);
    ASSERT_EQ(w.view.drawShadows, 0);
    setGraphicQuality(w, 2);
    EXPECT_EQ(w.view.drawShadows, 1);
    EXPECT_EQ(w.view.drawTexture, 1);
}

TEST(ControlBar, FollowModeEvenTheSameOneMakesTheNextCameraUpdateChoose)
{
    for (int interval : {3, 7}) {
        World w;
        w.view.followInterval = interval;
        w.view.cameraFollow.followChosenAt = 42;
        setFollowMode(w, w.view.followMode);
        EXPECT_EQ(w.view.cameraFollow.followChosenAt, -interval);
        setFollowMode(w, 4);
        EXPECT_EQ(w.view.followMode, 4);
        EXPECT_EQ(getFollowMode(w), 4);
    }
}

TEST(ControlBar, WindowSizeIsStoredAndThePanelKeepsFivePixelsFromTopAndRight)
{
    const int cases[][3] = {{800, 600, 595}, {640, 480, 435}, {1280, 1024, 1075}};
    for (const auto& c : cases) {
        World w;
        windowSizeCallback(w, c[0], c[1]);
        EXPECT_EQ(w.view.windowWidth, c[0]);
        EXPECT_EQ(w.view.windowHeight, c[1]);
        const ControlBarPosition at = controlBarPosition(w.view.windowWidth);
        EXPECT_EQ(at.x, c[2]);
        EXPECT_EQ(at.y, 5);
    }
}

TEST(ControlBar, XAndLowerXToggleSkipRenderOtherKeysDoNothing)
{
    World w;
    const int presses[][2] = {{'X', 1}, {'x', 0}, {'x', 1}, {'y', 1}, {'S', 1}, {0, 1}, {'X', 0}};
    for (const auto& p : presses) {
        keyCommand(w, p[0]);
        EXPECT_EQ(w.driver.skipRender, p[1]) << p[0];
    }
}

TEST(ControlBar, ItemsInOrderWithGroupsRangesStepsAndBindings)
{
    using K = ControlKind;
    World w;
    struct Expected {
        K kind;
        std::string label, group;
        double min, max, step;
        const void* binding; // the bound switch, or the name of the bound world setting
    };
    std::vector<Expected> expected = {
        {K::Button, "Init", "", 0, 0, 0, nullptr},
        {K::Separator, "Sep0", "", 0, 0, 0, nullptr},
        {K::Bool, "Mini Dysplay", "Camera", 0, 0, 0, &w.view.miniDisplay},
        {K::Enum, "Follow a Creature", "Camera", 0, 0, 0, nullptr},
        {K::Int, "Simulation Speed", "SimulationSpeed", 1, 5, 1, "stepsPerFrame"},
        {K::Bool, "Skip Render(x)", "SimulationSpeed", 0, 0, 0, &w.driver.skipRender},
        {K::Double, "Gravity", "Config", -20, 1, 0.2, "gravity"},
        {K::Double, "Size of Ground", "Config", 3, 150, 1, "groundSize"},
        {K::Int, "Foods Growing Rate", "Config", 1, 100, 1, "foodInterval"},
        {K::Double, "Height of Wall", "Config", 0, 10, 0.1, "wallHeight"},
        {K::Int, "Learning", "Config", 0, 1, 1, "learningRule"},
        {K::Enum, "Physics", "Config", 0, 0, 0, "physics"},
        {K::Double, "Body Mutation", "Config", 0, 4, 0.1, "bodyMutation"},
        {K::Int, "Inherit Movements", "Config", 0, 1, 1, "inheritMovements"},
        {K::Enum, "Graphic Quality", "Graphic", 0, 0, 0, nullptr},
        {K::Bool, "Draw Tracks", "Graphic", 0, 0, 0, &w.view.drawTracks},
        {K::Bool, "Draw Shadows", "Graphic", 0, 0, 0, &w.view.drawShadows},
        {K::Bool, "Draw Arrows", "Graphic", 0, 0, 0, &w.view.drawArrows},
        {K::Bool, "Draw Texture", "Graphic", 0, 0, 0, &w.view.drawTexture},
        {K::Bool, "Draw Skin", "Graphic", 0, 0, 0, &w.view.drawSkin},
        {K::Separator, "Sep1", "", 0, 0, 0, nullptr}};
    const auto buttons = [&](const std::string& label, const std::string& group,
                             const char* separator) {
        for (int k = 1; k <= 5; ++k) {
            if (k > 1 && separator)
                expected.push_back(
                    {K::Separator, separator + std::to_string(k - 1), group, 0, 0, 0, nullptr});
            expected.push_back({K::Button, label + std::to_string(k), group, 0, 0, 0, nullptr});
        }
    };
    buttons("Save Folder ", "Save All", "Seps");
    buttons("Load Folder ", "Load All", nullptr);
    expected.push_back({K::Separator, "Sep2", "", 0, 0, 0, nullptr});
    buttons("Save", "Save a Creature", "Sepso");
    buttons("Load", "Load a Creature", nullptr);

    const std::vector<ControlItem> items = controlBarItems(w);
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const ControlItem& it = items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.label);
        EXPECT_EQ(it.kind, e.kind);
        EXPECT_EQ(it.label, e.label);
        EXPECT_EQ(it.group, e.group);
        EXPECT_EQ(it.min, e.min);
        EXPECT_EQ(it.max, e.max);
        EXPECT_EQ(it.step, e.step);
        if (it.setting) {
            ASSERT_NE(e.binding, nullptr);
            EXPECT_STREQ(it.setting->name, static_cast<const char*>(e.binding));
            EXPECT_EQ(it.settings, &w.settings);
        } else {
            EXPECT_EQ(static_cast<const void*>(it.flag), e.binding);
        }
        EXPECT_EQ(it.press != nullptr, e.kind == K::Button);
    }

    // The choices go through their handlers and name every value.
    using Names = std::vector<std::string>;
    EXPECT_TRUE(items[3].set == setFollowMode && items[3].get == getFollowMode);
    EXPECT_TRUE(items[14].set == setGraphicQuality && items[14].get == getGraphicQuality);
    EXPECT_EQ(items[3].names, (Names{"none", "Elite", "Age", "Foods", "Children", "Selected"}));
    EXPECT_EQ(items[14].names, (Names{"Lowest", "Low", "Normal", "High"}));
    EXPECT_EQ(items[11].names, (Names{"classic", "fast"}));

    // Pressing every button queues its request, in order.
    std::vector<std::pair<int, int>> wanted = {{Request::Initialize, -1}};
    for (int kind :
         {Request::SaveAll, Request::LoadAll, Request::SaveCreature, Request::LoadCreature})
        for (int k = 1; k <= 5; ++k)
            wanted.push_back({kind, k});
    for (const ControlItem& it : items)
        if (it.kind == K::Button)
            it.press(w, it.number);
    std::vector<std::pair<int, int>> queued;
    for (const Request& r : w.driver.requestQueue)
        queued.push_back({r.kind, r.number});
    EXPECT_EQ(queued, wanted);
}

TEST(ControlBar, NumberItemsClampToTheirRangeAndStepByTheirStep)
{
    World w;
    const std::vector<ControlItem> items = controlBarItems(w);
    // In the order checked above.
    const ControlItem &speed = items[4], &gravity = items[6], &wall = items[9];
    struct Case {
        const ControlItem* item;
        double set;
        int steps;
        double after;
    };
    const Case cases[] = {
        {&gravity, 0.9, 1, 1.0}, {&gravity, -19.9, -1, -20.0}, {&gravity, 50, 0, 1.0},
        {&speed, 4, 3, 5},       {&speed, 2.6, 0, 3},          {&speed, -7, 0, 1},
        {&wall, 0.05, -1, 0.0},  {&wall, 9.95, 1, 10.0},       {&wall, 60.5, 0, 10.0}};
    for (const Case& c : cases) {
        setItemValue(*c.item, c.set);
        stepItem(*c.item, c.steps);
        EXPECT_DOUBLE_EQ(itemValue(*c.item), c.after) << c.item->label << " " << c.set;
    }
}

} // namespace
