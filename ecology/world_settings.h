// The world settings: the numbers a user or an experiment sets, in one record,
// and the table of them, each with its name for the command line (--set
// NAME=VALUE), its label in the control bar, its range and step, where a save
// keeps it, and how it is read from and written to the record. The control
// bar's number items, --set, --help and the rules file all read this one
// table, so a world set up from the command line is one the user could have
// made in the window. A setting's default is the value a fresh record holds.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "ecology/ecology_params.h"
#include "ecology/learning_params.h"
#include "ecology/learning_rule.h"
#include "ecology/physics_setup.h"

struct WorldSettings {
    double groundSize = 60.0;          // "Size of Ground": half-extent of the arena
    int foodInterval = 15;             // "Foods Growing Rate": seconds between foods
    double wallHeight = 0.0;           // "Height of Wall": wall tops above the ground
    int minPopulation = 10;            // creatures made by a reset; refill target
    std::uint8_t learningMutation = 1; // exploring may mutate the chosen movement
    LearningRuleId learningRule = LearningRuleId::Original;
    PhysicsSetupId physics = PhysicsSetupId::Classic;
    // Under the improved rules: how strongly a child's body is changed from
    // its initiating parent's (0: an exact copy), and whether the child takes
    // that parent's movements (1) or starts with a fresh store (0).
    double bodyMutation = 0.0;
    std::uint8_t inheritMovements = 1;
    double gravity[3] = {0.0, 0.0, -9.800000190734863};
    int stepsPerFrame = 2; // "Simulation Speed": steps per drawn frame

    // The numbers of the creatures' life and of the learning rules; not on
    // the command line.
    EcologyParams ecology;
    LearningParams learningParams;
};

struct WorldSetting {
    enum class Type {
        Int,    // a whole number
        Double, // any number in range
        Flag,   // 0 or 1
        Choice, // one of named values (a variant table's entries), shown and saved by name
    };
    // Where a save keeps the setting.
    enum class Saved {
        No,        // given again with each run
        Config,    // in config.dat (its archive layout holds it)
        RulesFile, // in rules.txt, only when not the default
    };

    const char* name;        // --set name
    const char* label;       // control bar label; empty: not on the bar
    const char* description; // one line for --help (choices: the table's names follow)
    Type type;
    double min;
    double max;
    double step; // of the control bar's - and + buttons
    bool whole;  // only whole numbers are taken from the command line
    // The setting shapes the world a reset makes (arena, first population):
    // a fresh world is made again after it is set from the command line.
    bool shapesFreshWorld;
    Saved saved;
    double (*get)(const WorldSettings& s);
    void (*put)(WorldSettings& s, double value); // value already whole where needed
    // Settings that name their values: the name of value i, and how many
    // there are. The command line takes a name or its number.
    const char* (*valueName)(int i) = nullptr;
    int (*valueCount)() = nullptr;
    const char* (*valueDescription)(int i) = nullptr; // for --help

    // Stores the value (rounded for whole-number settings, not clamped).
    void set(WorldSettings& s, double value) const;
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

// The text of a setting's value: its name for a Choice setting, otherwise
// the number.
std::string settingValueText(const WorldSetting& s, double value);

// Parses "NAME=VALUE". Returns false with a one-line error naming the setting
// (or the text) for an unknown name, a value that does not parse, a fraction
// for a whole-number setting or a value outside the range.
bool parseSettingOverride(const std::string& text, SettingOverride& out, std::string& error);

// The --help lines: every setting with its default (from a fresh record) and
// its range or its named values.
std::string worldSettingsUsage();
