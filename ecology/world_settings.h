// The world settings: the numbers a user or an experiment sets, each with its
// name for the command line (--set NAME=VALUE), its label in the control
// bar, its range and step, and its place in the world record. The control
// bar's number items and --set both read this one table, so a world set up
// from the command line is one the user could have made in the window. A
// setting's default is the value a fresh world record holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct World;

struct WorldSetting {
    enum class Type { Int, Double, Flag };

    const char* name;        // --set name
    const char* label;       // control bar label; empty: not on the bar
    const char* description; // one line for --help
    Type type;
    double min;
    double max;
    double step; // of the control bar's - and + buttons
    bool whole;  // only whole numbers are taken from the command line
    // The setting shapes the world a reset makes (arena, first population):
    // a fresh world is made again after it is set from the command line.
    bool shapesFreshWorld;
    // Where the value lives in a world record (the accessor of its type).
    int& (*integer)(World& w);
    double& (*real)(World& w);
    std::uint8_t& (*flag)(World& w);
    // Int settings that name their values: the name of each value from 0 up.
    // The command line takes a name or its number.
    const char* const* choices = nullptr;
    int choiceCount = 0;

    double get(const World& w) const;
    // Stores the value (rounded for whole-number settings, not clamped).
    void set(World& w, double value) const;
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

// The text of a setting's value: its name for a setting with choices,
// otherwise the number.
std::string settingValueText(const WorldSetting& s, double value);

// Parses "NAME=VALUE". Returns false with a one-line error naming the setting
// (or the text) for an unknown name, a value that does not parse, a fraction
// for a whole-number setting or a value outside the range.
bool parseSettingOverride(const std::string& text, SettingOverride& out, std::string& error);

// The --help lines: every setting with its default (from a fresh world
// record) and its range.
std::string worldSettingsUsage();
