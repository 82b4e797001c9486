// The control bar: the side panel through which the user changes the running
// simulation (camera, speed, arena, graphics, save, load and reset).
//
// This half has no window code: the bar's two entries in the drawing
// library's callback table (key command, window size), the follow-mode and
// graphic-quality handlers, the names of their choices, the panel's geometry,
// and the panel's items as a table in display order. The drawing half
// (ui/control_panel.cpp) walks that table every frame.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "ecology/world_settings.h"
#include "ui/world.h"

// X and x toggle "Skip Render(x)"; every other key is ignored.
void keyCommand(World& w, int key);

// Keeps the window size of the world record current. The panel follows the
// new size at its next frame (controlBarPosition).
void windowSizeCallback(World& w, int width, int height);

// Panel geometry and colour, in window pixels.
constexpr const char* kControlBarTitle = "ControlBar";
constexpr int kControlBarWidth = 200;
constexpr int kControlBarHeight = 470;
constexpr int kControlBarValuesWidth = 60;
constexpr int kControlBarMargin = 5;
constexpr std::uint8_t kControlBarColor[3] = {110, 110, 150};

struct ControlBarPosition {
    int x = 0;
    int y = 0;
};
// Top-left corner of the panel in a window of the given width: 5 pixels from
// the top and right edges.
ControlBarPosition controlBarPosition(int windowWidth);

// Choices of "Follow a Creature" (0..5) and "Graphic Quality" (0..3).
constexpr int kFollowModeCount = 6;
extern const char* const kFollowModeNames[kFollowModeCount];
constexpr int kQualityLevelCount = 4;
extern const char* const kQualityLevelNames[kQualityLevelCount];

// The settings one graphic-quality level writes.
struct QualityPreset {
    int sphereQuality;
    int arrowQuality;
    float lodScale;
    std::uint8_t drawShadows;
    std::uint8_t drawTexture;
};
extern const QualityPreset kQualityPresets[kQualityLevelCount];

// "Follow a Creature": stores the mode and makes the main camera choose its
// creature at its next update instead of after the re-choice interval.
void setFollowMode(World& w, int mode);
int getFollowMode(const World& w);

// The main camera follows this creature from its next update on, whatever
// the follow mode would choose, until a follow mode is chosen or the
// creature is gone. The selection is left as it is.
void followCreature(World& w, Agent* agent);

// "Graphic Quality": stores the level and applies its preset; a level outside
// 0..3 is stored and changes nothing else.
void setGraphicQuality(World& w, int level);
int getGraphicQuality(const World& w);

enum class ControlKind { Button, Bool, Int, Double, Enum, Separator };

// One row of the panel. Bindings point into the world the table was made for.
struct ControlItem {
    ControlKind kind = ControlKind::Separator;
    std::string label; // shown text; the name of a separator
    std::string group; // empty at the top level
    // Bool: the bound switch.
    std::uint8_t* flag = nullptr;
    // Int, Double and Enum of a world setting: the setting and the record
    // it is read from and written to.
    const WorldSetting* setting = nullptr;
    WorldSettings* settings = nullptr;
    // Int and Double: range and the step of the plus and minus buttons.
    double min = 0.0;
    double max = 0.0;
    double step = 0.0;
    // What the item's tooltip says beside its value (a setting's
    // description and its named values).
    std::string help;
    // Enum: choice names, and the get/set handlers unless it is a setting.
    std::vector<std::string> names;
    int (*get)(const World&) = nullptr;
    void (*set)(World&, int) = nullptr;
    // Button: what a press does, with the folder or slot number.
    void (*press)(World&, int) = nullptr;
    int number = 0;
};

// The panel's items in display order, bound to w. Items of a group are
// contiguous; a group is shown closed until the user opens it.
std::vector<ControlItem> controlBarItems(World& w);

// Value of an Int or Double item, as a double.
double itemValue(const ControlItem& item);
// The chosen entry of an Enum item, and choosing one.
int itemChoice(const World& w, const ControlItem& item);
void chooseItem(World& w, const ControlItem& item, int choice);
// Sets an Int (rounded to the nearest integer) or Double item, clamped to its
// range.
void setItemValue(const ControlItem& item, double value);
// Moves an Int or Double item by the given number of steps, clamped.
void stepItem(const ControlItem& item, int steps);
