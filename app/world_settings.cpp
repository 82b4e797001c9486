#include "app/world_settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <memory>
#include <sstream>

#include "app/arena.h"
#include "app/base/random.h"
#include "ecology/world.h"
#include "drawlib/drawstuff.h"
#include "persist/record_checks.h"

namespace {

void applyGroundSize(World& w, double size)
{
    w.simData.groundSize = size;
    if (w.world)
        resizeArena(w, size);
}

void applyGravity(World& w, double z)
{
    w.gravity[2] = z;
    if (w.world)
        dWorldSetGravity(w.world, w.gravity[0], w.gravity[1], w.gravity[2]);
}

// Ranges: those of the control bar's items where it has them. The ground size
// is taken in whole metres only: the step driver compares the size with its
// truncated copy and would rebuild the walls at every frame for a fraction.
// The minimum population stays within what a saved world may hold.
const std::vector<WorldSetting> kSettings = {
    {"groundSize", "half-width of the square ground, whole metres", 3, 150, true, true,
     [](const World& w) { return w.simData.groundSize; }, applyGroundSize},
    {"foodInterval", "simulated seconds between two new foods", 1, 100, true, false,
     [](const World& w) { return static_cast<double>(w.simData.foodInterval); },
     [](World& w, double v) { w.simData.foodInterval = static_cast<int>(v); }},
    {"wallHeight", "height of the wall tops above the ground", 0, 10, false, false,
     [](const World& w) { return w.simData.wallHeight; },
     // The step places the walls at this height after every step.
     [](World& w, double v) { w.simData.wallHeight = v; }},
    {"minPopulation", "creatures made by a reset, and kept by refilling", 1, kMaxMinPopulation,
     true, true, [](const World& w) { return static_cast<double>(w.simData.minPopulation); },
     [](World& w, double v) { w.simData.minPopulation = static_cast<int>(v); }},
    {"learningMutation", "1: learning mutates the movements at cycle starts, 0: not", 0, 1, true,
     false, [](const World& w) { return static_cast<double>(w.simData.learningMutation); },
     [](World& w, double v) { w.simData.learningMutation = static_cast<std::uint8_t>(v); }},
    {"gravity", "vertical gravity, m/s^2 (negative pulls down)", -20, 1, false, false,
     [](const World& w) { return w.gravity[2]; }, applyGravity},
    {"stepsPerFrame", "steps per drawn frame in the window (headless runs step singly)", 1, 5, true,
     false, [](const World& w) { return static_cast<double>(w.stepsPerFrame); },
     [](World& w, double v) { w.stepsPerFrame = static_cast<int>(v); }},
};

std::string number(double v)
{
    std::ostringstream o;
    o << std::setprecision(6) << v;
    return o.str();
}

} // namespace

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
    char* end = nullptr;
    const double v = value.empty() ? NAN : std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(v)) {
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

void applySettingOverrides(World& w, const std::vector<SettingOverride>& overrides, bool freshWorld,
                           std::uint32_t seed)
{
    bool remake = false;
    for (const auto& o : overrides) {
        o.setting->apply(w, o.value);
        remake = remake || o.setting->shapesFreshWorld;
    }
    if (!freshWorld || !remake)
        return;
    // As the Init button does, but from the run's seed: the first reset's
    // draws are made again with the new settings in place.
    forgetAllCreatures(w);
    clearPopulation(w.population);
    rng().seed(seed);
    resetWorld(w);
}

std::string worldSettingsUsage()
{
    // A fresh record holds the defaults; it is large, so it is not put on the
    // stack.
    const auto fresh = std::make_unique<World>();
    std::ostringstream o;
    for (const auto& s : kSettings) {
        o << "  " << std::left << std::setw(18) << s.name << s.description << "\n"
          << std::string(20, ' ') << "default " << number(s.get(*fresh)) << ", range "
          << number(s.min) << ".." << number(s.max) << "\n";
    }
    return o.str();
}
