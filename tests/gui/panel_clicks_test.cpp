// The panels under a mouse of the test's own: an ImGui context without a
// window, the real panels drawn each frame, and the cursor, the left button,
// Ctrl and the wheel set as the window's events set them. What a click does
// to a panel, including to the panel's own state within the frame.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <iterator>
#include <string>
#include <utility>

#include "app/scene.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/imgui/panels.h"

namespace {

// An ImGui context of its own, drawing every panel of a world.
class HeadlessPanels {
public:
    HeadlessPanels(World& w, int width, int height) : w_(w)
    {
        previous_ = ImGui::GetCurrentContext();
        context_ = ImGui::CreateContext();
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
        unsigned char* pixels = nullptr;
        int pw = 0, ph = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &pw, &ph);
        w.view.windowWidth = width;
        w.view.windowHeight = height;
    }
    ~HeadlessPanels()
    {
        ImGui::DestroyContext(context_);
        ImGui::SetCurrentContext(previous_);
    }
    HeadlessPanels(const HeadlessPanels&) = delete;
    HeadlessPanels& operator=(const HeadlessPanels&) = delete;

    // One frame with the cursor at (x, y).
    void frame(float x, float y, bool down = false, float wheel = 0.0f, bool ctrl = false)
    {
        ImGuiIO& io = ImGui::GetIO();
        io.DeltaTime = 1.0f / 60.0f;
        io.MousePos = ImVec2(x, y);
        io.MouseDown[0] = down;
        io.MouseWheel = wheel;
        io.KeyCtrl = ctrl;
        ImGui::NewFrame();
        drawPanels(w_);
        ImGui::Render();
    }
    // A press and a release at (x, y), a frame each, and a frame after.
    void click(float x, float y)
    {
        frame(x, y, true);
        frame(x, y, false);
        frame(x, y, false);
    }
    // Finds the widget `label` on the first line of window `name` by moving
    // the cursor along that line until ImGui says it hovers the widget.
    bool findOnFirstLine(const char* name, const char* label, ImVec2& at)
    {
        const ImGuiWindow* win = ImGui::FindWindowByName(name);
        if (!win)
            return false;
        const ImGuiID id = ImHashStr(label, 0, win->ID);
        const float y = win->DC.CursorStartPos.y + 4.0f;
        for (float x = win->Pos.x + 2.0f; x < win->Pos.x + win->Size.x; x += 3.0f) {
            frame(x, y);
            if (ImGui::GetCurrentContext()->HoveredId == id) {
                at = ImVec2(x + 3.0f, y);
                return true;
            }
        }
        return false;
    }

private:
    World& w_;
    ImGuiContext* previous_ = nullptr;
    ImGuiContext* context_ = nullptr;
};

// The family tree's "whole run" button is disabled while the whole run is
// shown; a click on it shows the whole run again, which its own frame sees
// in the middle of the button. However the view left the whole run.
TEST(PanelClicks, TheFamilyTreesWholeRunButtonShowsTheWholeRunAgain)
{
    struct Case {
        const char* how;
        float wheel;
        bool ctrl;
        float dragX; // a drag along the tree after a zoom
    };
    const Case cases[] = {
        {"wheel up twice", 1.0f, false, 0.0f},
        {"Ctrl+wheel up twice (fewer lanes)", 1.0f, true, 0.0f},
        {"wheel up twice, then a drag back in time", 1.0f, false, 60.0f},
    };
    Scene scene(5, 10);
    World& w = scene.world();
    scene.step(1500); // 45 simulated seconds: more than the shortest span
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        HeadlessPanels panels(w, 1280, 800);
        openFamilyTreeWindow(true);
        familyTreeViewport().showWholeRun();
        for (int i = 0; i < 3; ++i)
            panels.frame(5.0f, 5.0f);
        const DrawnFamilyTree* drawn = drawnFamilyTree();
        ASSERT_NE(drawn, nullptr);
        const TreeCanvas& canvas = drawn->canvas;
        ASSERT_GT(canvas.x1 - canvas.x0, 100.0f);
        const float mx = (canvas.x0 + canvas.x1) / 2, my = (canvas.y0 + canvas.y1) / 2;

        // Found while the button is still disabled: ImGui hovers it all the same.
        ImVec2 button;
        ASSERT_TRUE(panels.findOnFirstLine("###FamilyTree", "whole run", button));
        ASSERT_TRUE(familyTreeViewport().wholeRun);

        for (int i = 0; i < 2; ++i) {
            panels.frame(mx, my, false, c.wheel, c.ctrl);
            panels.frame(mx, my);
        }
        if (c.dragX != 0.0f) {
            panels.frame(mx, my, true);
            for (int k = 1; k <= 6; ++k)
                panels.frame(mx + c.dragX * k / 6, my, true);
            panels.frame(mx + c.dragX, my, false);
        }
        ASSERT_FALSE(familyTreeViewport().wholeRun);

        panels.click(button.x, button.y);
        EXPECT_TRUE(familyTreeViewport().wholeRun);
        EXPECT_EQ(ImGui::GetCurrentContext()->DisabledStackSize, 0);
        // Disabled now: another click changes nothing and breaks nothing.
        panels.click(button.x, button.y);
        EXPECT_TRUE(familyTreeViewport().wholeRun);
    }
}

// A dead creature's record in the inspector, its lifetime over an hour:
// every line fits the inspector's width (the long ones wrap), in a small
// window and a large one.
TEST(PanelClicks, ADeadCreaturesLinesFitTheInspector)
{
    for (const auto& [width, height] : {std::pair{640, 480}, {1280, 800}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        Scene scene(7, 10);
        World& w = scene.world();
        scene.step(10);
        w.sim.time = 4140.0; // it dies at 1 h 09 min
        Agent& dying = *std::next(w.sim.population.begin(), 2);
        const int id = dying.creatureId;
        dying.lifeState = Removable;
        dying.deathCause = Starved;
        scene.step(30);
        const FamilyMember* record = w.sim.family.find(id);
        ASSERT_TRUE(record && !record->alive());
        w.view.selectedAgent = nullptr;
        w.view.recordShown = id;

        HeadlessPanels panels(w, width, height);
        for (int i = 0; i < 4; ++i)
            panels.frame(2.0f, 2.0f);
        const ImGuiWindow* inspector = ImGui::FindWindowByName("Creature");
        ASSERT_TRUE(inspector && inspector->Active);
        // The details scroll in a child window of the inspector.
        const ImGuiWindow* details = nullptr;
        for (const ImGuiWindow* win : ImGui::GetCurrentContext()->Windows)
            if (win->ParentWindow == inspector && (win->Flags & ImGuiWindowFlags_ChildWindow) &&
                win->Active)
                details = win;
        ASSERT_NE(details, nullptr);
        EXPECT_LE(details->ContentSize.x, details->WorkRect.GetWidth() + 1.0f);
    }
}

} // namespace
