#include "ecology/world_settings.h"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "base/decimal.h"
#include "ecology/population.h"

namespace {

using Type = WorldSetting::Type;
using Saved = WorldSetting::Saved;

// Reading and writing one field of the record, whatever its type.
template <auto Field> double getField(const WorldSettings& s)
{
    return static_cast<double>(s.*Field);
}
template <auto Field> void putField(WorldSettings& s, double v)
{
    using T = std::remove_reference_t<decltype(s.*Field)>;
    if constexpr (std::is_enum_v<T>)
        s.*Field = static_cast<T>(static_cast<int>(v));
    else
        s.*Field = static_cast<T>(v);
}

const char* learningRuleName(int i)
{
    return learningRules()[static_cast<std::size_t>(i)].name;
}
const char* learningRuleDescription(int i)
{
    return learningRules()[static_cast<std::size_t>(i)].description;
}
int learningRuleCount()
{
    return static_cast<int>(learningRules().size());
}
const char* physicsName(int i)
{
    return physicsSetups()[static_cast<std::size_t>(i)].name;
}
const char* physicsDescription(int i)
{
    return physicsSetups()[static_cast<std::size_t>(i)].description;
}
int physicsCount()
{
    return static_cast<int>(physicsSetups().size());
}

// The ground size is taken in whole metres only from the command line: the
// frame driver compares the size with its truncated copy and would rebuild
// the walls at every frame for a fraction (the control bar steps it by whole
// metres but lets a fraction be typed). The minimum population stays within
// what a saved world may hold. The learning rule is kept by its number in
// rules.txt, the physics set-up by its name.
const std::vector<WorldSetting> kSettings = {
    {"groundSize", "Size of Ground", "half-width of the square ground, whole metres", Type::Double,
     3, 150, 1, true, true, Saved::Config, getField<&WorldSettings::groundSize>,
     putField<&WorldSettings::groundSize>},
    {"foodInterval", "Foods Growing Rate", "simulated seconds between two new foods", Type::Int, 1,
     100, 1, true, false, Saved::Config, getField<&WorldSettings::foodInterval>,
     putField<&WorldSettings::foodInterval>},
    {"wallHeight", "Height of Wall", "height of the wall tops above the ground", Type::Double, 0,
     10, 0.1, false, false, Saved::Config, getField<&WorldSettings::wallHeight>,
     putField<&WorldSettings::wallHeight>},
    {"minPopulation", "", "creatures made by a reset, and kept by refilling", Type::Int, 1,
     kMaxMinPopulation, 1, true, true, Saved::Config, getField<&WorldSettings::minPopulation>,
     putField<&WorldSettings::minPopulation>},
    {"learningMutation", "", "1: learning mutates the movements at cycle starts, 0: not",
     Type::Flag, 0, 1, 1, true, false, Saved::No, getField<&WorldSettings::learningMutation>,
     putField<&WorldSettings::learningMutation>},
    {"learningRule", "Learning", "the learning rules every creature follows", Type::Int, 0,
     static_cast<double>(learningRuleCount() - 1), 1, true, false, Saved::RulesFile,
     getField<&WorldSettings::learningRule>, putField<&WorldSettings::learningRule>,
     learningRuleName, learningRuleCount, learningRuleDescription},
    {"bodyMutation", "Body Mutation",
     "improved rules: how much a child's body differs from its initiating parent's "
     "(0: an exact copy; 1: some six small changes and now and then a part gained or lost "
     "or a joint moved)",
     Type::Double, 0, 4, 0.1, false, false, Saved::RulesFile,
     getField<&WorldSettings::bodyMutation>, putField<&WorldSettings::bodyMutation>},
    {"inheritMovements", "Inherit Movements",
     "improved rules: 1: a child starts with its initiating parent's movements "
     "(Lamarckian), 0: with a fresh store (Darwinian)",
     Type::Flag, 0, 1, 1, true, false, Saved::RulesFile,
     getField<&WorldSettings::inheritMovements>, putField<&WorldSettings::inheritMovements>},
    {"gravity", "Gravity", "vertical gravity, m/s^2 (negative pulls down)", Type::Double, -20, 1,
     0.2, false, false, Saved::No, [](const WorldSettings& s) { return s.gravity[2]; },
     [](WorldSettings& s, double v) { s.gravity[2] = v; }},
    {"stepsPerFrame", "Simulation Speed",
     "steps per drawn frame in the window (headless runs step singly)", Type::Int, 1, 5, 1, true,
     false, Saved::No, getField<&WorldSettings::stepsPerFrame>,
     putField<&WorldSettings::stepsPerFrame>},
    {"physics", "Physics", "how the world's geoms are sorted for collisions", Type::Choice, 0,
     static_cast<double>(physicsCount() - 1), 1, true, false, Saved::RulesFile,
     getField<&WorldSettings::physics>, putField<&WorldSettings::physics>, physicsName,
     physicsCount, physicsDescription},
};

// Text from column 20, broken between words before column 80.
std::string wrapped(const std::string& text, std::size_t first)
{
    std::string out;
    std::size_t column = first;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (column > first && column + 1 + word.size() > 79) {
            out += "\n" + std::string(20, ' ');
            column = 20;
        } else if (column > first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        at = end + 1;
    }
    return out;
}

std::string number(double v)
{
    std::ostringstream o;
    o << std::setprecision(6) << v;
    return o.str();
}

// The value a name stands for: an entry's name.
bool namedValue(const WorldSetting& s, const std::string& text, double& value)
{
    if (!s.valueName)
        return false;
    for (int i = 0; i < s.valueCount(); ++i)
        if (text == s.valueName(i)) {
            value = i;
            return true;
        }
    return false;
}

} // namespace

void WorldSetting::set(WorldSettings& s, double value) const
{
    put(s, type == Type::Double ? value : static_cast<double>(std::lround(value)));
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
    if (namedValue(*s, value, v)) {
        out.setting = s;
        out.value = v;
        return true;
    }
    if (!readDecimal(value, v) && s->type == Type::Choice) {
        error = "--set " + name + " needs one of";
        for (int i = 0; i < s->valueCount(); ++i)
            error += std::string(" ") + s->valueName(i);
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
    if (s.type == Type::Choice && i >= 0 && i < s.valueCount())
        return s.valueName(i);
    return number(value);
}

std::string worldSettingsUsage()
{
    const WorldSettings fresh;
    std::ostringstream o;
    for (const auto& s : kSettings) {
        o << "  " << std::left << std::setw(18) << s.name << wrapped(s.description, 20) << "\n";
        const std::string indent(20, ' ');
        if (s.valueName)
            for (int i = 0; i < s.valueCount(); ++i)
                o << indent
                  << wrapped((s.type == Type::Choice ? "" : std::to_string(i) + " ") +
                                 s.valueName(i) + ": " + s.valueDescription(i),
                             20)
                  << "\n";
        o << indent << "default " << settingValueText(s, s.get(fresh));
        if (s.type == Type::Choice) {
            o << ", one of";
            for (int i = 0; i < s.valueCount(); ++i)
                o << " " << s.valueName(i);
            o << "\n";
        } else {
            o << ", range " << number(s.min) << ".." << number(s.max) << "\n";
        }
    }
    return o.str();
}
