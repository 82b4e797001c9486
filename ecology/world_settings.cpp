#include "ecology/world_settings.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <memory>
#include <sstream>

#include "app/base/decimal.h"
#include "ecology/world.h"

namespace {

using Type = WorldSetting::Type;

// The ground size is taken in whole metres only from the command line: the
// step driver compares the size with its truncated copy and would rebuild
// the walls at every frame for a fraction (the control bar, as specified,
// steps it by whole metres but lets a fraction be typed). The minimum
// population stays within what a saved world may hold.
const char* const kPhysicsNames[] = {"specified", "fast"};

const std::vector<WorldSetting> kSettings = {
    {"groundSize", "Size of Ground", "half-width of the square ground, whole metres", Type::Double,
     3, 150, 1, true, true, nullptr, [](World& w) -> double& { return w.simData.groundSize; }, nullptr},
    {"foodInterval", "Foods Growing Rate", "simulated seconds between two new foods", Type::Int, 1,
     100, 1, true, false, [](World& w) -> int& { return w.simData.foodInterval; }, nullptr, nullptr},
    {"wallHeight", "Height of Wall", "height of the wall tops above the ground", Type::Double, 0,
     10, 0.1, false, false, nullptr, [](World& w) -> double& { return w.simData.wallHeight; }, nullptr},
    {"minPopulation", "", "creatures made by a reset, and kept by refilling", Type::Int, 1,
     kMaxMinPopulation, 1, true, true, [](World& w) -> int& { return w.simData.minPopulation; }, nullptr,
     nullptr},
    {"learningMutation", "", "1: learning mutates the movements at cycle starts, 0: not",
     Type::Flag, 0, 1, 1, true, false, nullptr, nullptr,
     [](World& w) -> std::uint8_t& { return w.simData.learningMutation; }},
    {"learningRule", "Learning",
     "0: the original learning rules, 1: the improved ones (rated movements, fading "
     "exploration, children inherit body and movements)",
     Type::Int, 0, 1, 1, true, false, [](World& w) -> int& { return w.learningRule; }, nullptr,
     nullptr},
    {"gravity", "Gravity", "vertical gravity, m/s^2 (negative pulls down)", Type::Double, -20, 1,
     0.2, false, false, nullptr, [](World& w) -> double& { return w.gravity[2]; }, nullptr},
    {"stepsPerFrame", "Simulation Speed",
     "steps per drawn frame in the window (headless runs step singly)", Type::Int, 1, 5, 1, true, false,
     [](World& w) -> int& { return w.stepsPerFrame; }, nullptr, nullptr},
    {"physics", "Physics",
     "specified: one hash space for every part; fast: sweep and prune over a space a "
     "creature (the same contacts, a faster and different run)",
     Type::Int, 0, 1, 1, true, false, [](World& w) -> int& { return w.physics; }, nullptr, nullptr,
     kPhysicsNames, 2},
};

std::string number(double v)
{
    std::ostringstream o;
    o << std::setprecision(6) << v;
    return o.str();
}

} // namespace

double WorldSetting::get(const World& w) const
{
    // The accessors only hand out a place; reading through them changes
    // nothing.
    World& place = const_cast<World&>(w);
    switch (type) {
    case Type::Int: return integer(place);
    case Type::Double: return real(place);
    case Type::Flag: return flag(place);
    }
    return 0.0;
}

void WorldSetting::set(World& w, double value) const
{
    switch (type) {
    case Type::Int: integer(w) = static_cast<int>(std::lround(value)); break;
    case Type::Double: real(w) = value; break;
    case Type::Flag: flag(w) = static_cast<std::uint8_t>(std::lround(value)); break;
    }
}

const std::vector<WorldSetting>& worldSettings()
{
    return kSettings;
}

const WorldSetting* findWorldSetting(const std::string& name)
{
    for (const auto& s : kSettings)
        if (name == s.name)
            return &s;
    return nullptr;
}

bool parseSettingOverride(const std::string& text, SettingOverride& out, std::string& error)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "--set needs NAME=VALUE, not '" + text + "'";
        return false;
    }
    const std::string name = text.substr(0, eq);
    const std::string value = text.substr(eq + 1);
    const WorldSetting* s = findWorldSetting(name);
    if (!s) {
        error = "--set: unknown setting '" + name + "' (see --help for the settings)";
        return false;
    }
    double v = 0;
    for (int i = 0; i < s->choiceCount; ++i)
        if (value == s->choices[i]) {
            out.setting = s;
            out.value = i;
            return true;
        }
    if (!readDecimal(value, v) && s->choices) {
        error = "--set " + name + " needs one of";
        for (int i = 0; i < s->choiceCount; ++i)
            error += std::string(" ") + s->choices[i];
        error += ", not '" + value + "'";
        return false;
    }
    if (!readDecimal(value, v)) {
        error = "--set " + name + " needs a number, not '" + value + "'";
        return false;
    }
    if (s->whole && v != std::floor(v)) {
        error = "--set " + name + " needs a whole number, not '" + value + "'";
        return false;
    }
    if (v < s->min || v > s->max) {
        error = "--set " + name + "=" + value + " is outside its range " + number(s->min) + ".." +
                number(s->max);
        return false;
    }
    out.setting = s;
    out.value = v;
    return true;
}

std::string settingValueText(const WorldSetting& s, double value)
{
    const int i = static_cast<int>(std::lround(value));
    if (s.choices && i >= 0 && i < s.choiceCount)
        return s.choices[i];
    return number(value);
}

std::string worldSettingsUsage()
{
    // A fresh record holds the defaults; it is large, so it is not put on the
    // stack.
    const auto fresh = std::make_unique<World>();
    std::ostringstream o;
    for (const auto& s : kSettings) {
        o << "  " << std::left << std::setw(18) << s.name << s.description << "\n"
          << std::string(20, ' ') << "default " << settingValueText(s, s.get(*fresh));
        if (s.choices) {
            o << ", one of";
            for (int i = 0; i < s.choiceCount; ++i)
                o << " " << s.choices[i];
            o << "\n";
        } else {
            o << ", range " << number(s.min) << ".." << number(s.max) << "\n";
        }
    }
    return o.str();
}
