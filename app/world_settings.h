// World settings that can be given on the command line (--set NAME=VALUE):
// the knobs an experiment varies between runs. Each has a name, a range, a
// one-line description and the way a new value reaches a running world.
//
// The ranges of the settings that the control bar also edits are the control
// bar's ranges, so a world set up from the command line is one the user could
// have made in the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct World;

struct WorldSetting {
    const char* name;
    const char* description;
    double min;
    double max;
    bool whole; // only whole numbers are accepted
    // The setting shapes the world a reset makes (arena, first population):
    // a fresh world is made again after it is set.
    bool shapesFreshWorld;
    double (*get)(const World& w);
    // Stores the value and brings the running world in line with it.
    void (*apply)(World& w, double value);
};

// Every setting, in the order --help lists them.
const std::vector<WorldSetting>& worldSettings();

// The setting of that exact name, or nullptr.
const WorldSetting* findWorldSetting(const std::string& name);

// One NAME=VALUE of the command line, checked against the table.
struct SettingOverride {
    const WorldSetting* setting = nullptr;
    double value = 0.0;
};

// Parses "NAME=VALUE". Returns false with a one-line error naming the setting
// (or the text) for an unknown name, a value that does not parse, a fraction
// for a whole-number setting or a value outside the range.
bool parseSettingOverride(const std::string& text, SettingOverride& out, std::string& error);

// Applies the overrides in order (a later one of the same name wins).
//
// On a loaded world they override the loaded values in place. On a fresh
// world, when one of them shapes it (ground size, minimum population), the
// world is made again from the same generator seed, as the first reset made
// it but with the new settings in place: the creatures and foods then start
// inside the new arena, and the run is the one a program started with those
// settings would make.
void applySettingOverrides(World& w, const std::vector<SettingOverride>& overrides, bool freshWorld,
                           std::uint32_t seed);

// The --help lines: every setting with its default (from a fresh world
// record) and its range.
std::string worldSettingsUsage();
