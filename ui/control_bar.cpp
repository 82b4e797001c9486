#include "ui/control_bar.h"

#include <algorithm>
#include <cmath>

#include "ecology/world_settings.h"
#include "ui/requests.h"

void keyCommand(World& w, int key)
{
    if (key == 'X' || key == 'x')
        w.driver.skipRender = w.driver.skipRender ? 0 : 1;
    // Keys 1 to 9 show the island of that number.
    if (w.view.islands && key >= '1' && key <= '9')
        requestIsland(*w.view.islands, key - '1');
}

void windowSizeCallback(World& w, int width, int height)
{
    w.view.windowWidth = width;
    w.view.windowHeight = height;
}

ControlBarPosition controlBarPosition(int windowWidth)
{
    return {windowWidth - (kControlBarWidth + kControlBarMargin), kControlBarMargin};
}

const char* const kFollowModeNames[kFollowModeCount] = {"none",  "Elite",    "Age",
                                                        "Foods", "Children", "Selected"};
const char* const kQualityLevelNames[kQualityLevelCount] = {"Lowest", "Low", "Normal", "High"};

const QualityPreset kQualityPresets[kQualityLevelCount] = {
    {0, 1, 3.0f, 0, 0},
    {1, 2, 2.5f, 0, 1},
    {1, 3, 2.0f, 1, 1},
    {2, 5, 1.5f, 1, 1},
};

void setFollowMode(World& w, int mode)
{
    w.view.followMode = mode;
    w.view.followPinned = nullptr;
    w.view.followedAgent = nullptr;
    w.view.cameraFollow.followChosenAt = -w.view.followInterval;
}

void followCreature(World& w, Agent* agent)
{
    w.view.followPinned = agent;
    w.view.followedAgent = agent;
    w.view.cameraFollow.challengerId = -1;
}

int getFollowMode(const World& w)
{
    return w.view.followMode;
}

void setGraphicQuality(World& w, int level)
{
    w.view.graphicQuality = level;
    if (level < 0 || level >= kQualityLevelCount)
        return;
    const QualityPreset& p = kQualityPresets[level];
    w.view.sphereQuality = p.sphereQuality;
    w.view.arrowQuality = p.arrowQuality;
    w.view.lodScale = p.lodScale;
    w.view.drawShadows = p.drawShadows;
    w.view.drawTexture = p.drawTexture;
}

int getGraphicQuality(const World& w)
{
    return w.view.graphicQuality;
}

namespace {

// Appends items to a table, each into the group last opened.
class ItemList {
public:
    explicit ItemList(std::vector<ControlItem>& items) : items_(items) {}

    void group(const char* name) { group_ = name; }

    void button(const std::string& label, void (*press)(World&, int), int number = 0)
    {
        ControlItem& it = add(ControlKind::Button, label);
        it.press = press;
        it.number = number;
    }
    void separator(const std::string& name) { add(ControlKind::Separator, name); }
    void flag(const char* label, std::uint8_t& setting)
    {
        add(ControlKind::Bool, label).flag = &setting;
    }
    // A number item for the world setting of that name: its label, range
    // and step come from the settings table.
    void setting(World& w, const char* name)
    {
        const WorldSetting& s = *findWorldSetting(name);
        std::string help = s.description;
        if (s.valueName)
            for (int i = 0; i < s.valueCount(); ++i)
                help += std::string("\n") +
                        (s.type == WorldSetting::Type::Choice ? "" : std::to_string(i) + " ") +
                        s.valueName(i) + ": " + s.valueDescription(i);
        if (s.type == WorldSetting::Type::Choice) {
            ControlItem& it = add(ControlKind::Enum, s.label);
            it.help = help;
            for (int i = 0; i < s.valueCount(); ++i)
                it.names.push_back(s.valueName(i));
            it.setting = &s;
            it.settings = &w.settings;
            return;
        }
        const bool whole =
            s.type == WorldSetting::Type::Int || s.type == WorldSetting::Type::Flag;
        ControlItem& it = add(whole ? ControlKind::Int : ControlKind::Double, s.label);
        it.help = help;
        it.setting = &s;
        it.settings = &w.settings;
        it.min = s.min;
        it.max = s.max;
        it.step = s.step;
    }
    void choice(const char* label, const char* const* names, int count, int (*get)(const World&),
                void (*set)(World&, int))
    {
        ControlItem& it = add(ControlKind::Enum, label);
        it.names.assign(names, names + count);
        it.get = get;
        it.set = set;
    }

private:
    ControlItem& add(ControlKind kind, const std::string& label)
    {
        ControlItem it;
        it.kind = kind;
        it.label = label;
        it.group = group_;
        items_.push_back(it);
        return items_.back();
    }

    std::vector<ControlItem>& items_;
    std::string group_;
};

// Five numbered buttons of one group, with separators named prefix1 ..
// prefix4 between them when a prefix is given.
void numberedButtons(ItemList& list, const char* label, void (*press)(World&, int),
                     const char* separatorPrefix)
{
    for (int k = 1; k <= 5; ++k) {
        if (k > 1 && separatorPrefix)
            list.separator(separatorPrefix + std::to_string(k - 1));
        list.button(label + std::to_string(k), press, k);
    }
}

} // namespace

std::vector<ControlItem> controlBarItems(World& w)
{
    std::vector<ControlItem> items;
    ItemList list(items);

    list.button("Init", [](World& world, int) { requestInitialize(world); });
    list.separator("Sep0");

    list.group("Camera");
    list.flag("Mini Dysplay", w.view.miniDisplay);
    list.choice("Follow a Creature", kFollowModeNames, kFollowModeCount, getFollowMode,
                setFollowMode);

    list.group("SimulationSpeed");
    list.setting(w, "stepsPerFrame");
    list.flag("Skip Render(x)", w.driver.skipRender);

    list.group("Config");
    list.setting(w, "gravity");
    list.setting(w, "groundSize");
    list.setting(w, "foodInterval");
    list.setting(w, "wallHeight");
    list.setting(w, "learningRule");
    list.setting(w, "physics");
    list.setting(w, "bodyMutation");
    list.setting(w, "inheritMovements");

    list.group("Graphic");
    list.choice("Graphic Quality", kQualityLevelNames, kQualityLevelCount, getGraphicQuality,
                setGraphicQuality);
    list.flag("Draw Tracks", w.view.drawTracks);
    list.flag("Draw Shadows", w.view.drawShadows);
    list.flag("Draw Arrows", w.view.drawArrows);
    list.flag("Draw Texture", w.view.drawTexture);
    list.flag("Draw Skin", w.view.drawSkin);

    list.group("");
    list.separator("Sep1");
    list.group("Save All");
    numberedButtons(list, "Save Folder ", requestSaveAll, "Seps");
    list.group("Load All");
    numberedButtons(list, "Load Folder ", requestLoadAll, nullptr);

    list.group("");
    list.separator("Sep2");
    list.group("Save a Creature");
    numberedButtons(list, "Save", requestSaveCreature, "Sepso");
    list.group("Load a Creature");
    numberedButtons(list, "Load", requestLoadCreature, nullptr);
    return items;
}

double itemValue(const ControlItem& item)
{
    if ((item.kind == ControlKind::Int || item.kind == ControlKind::Double) && item.setting)
        return item.setting->get(*item.settings);
    return 0.0;
}

void setItemValue(const ControlItem& item, double value)
{
    if (std::isnan(value))
        return;
    value = std::clamp(value, item.min, item.max);
    if ((item.kind == ControlKind::Int || item.kind == ControlKind::Double) && item.setting)
        item.setting->set(*item.settings, value);
}

int itemChoice(const World& w, const ControlItem& item)
{
    if (item.get)
        return item.get(w);
    if (item.setting)
        return static_cast<int>(std::lround(item.setting->get(*item.settings)));
    return 0;
}

void chooseItem(World& w, const ControlItem& item, int choice)
{
    if (item.set)
        item.set(w, choice);
    else if (item.setting)
        item.setting->set(*item.settings, choice);
}

void stepItem(const ControlItem& item, int steps)
{
    setItemValue(item, itemValue(item) + steps * item.step);
}
