#include "persist/world_rules.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "ecology/world_settings.h"

namespace {

bool inRulesFile(const WorldSetting& s)
{
    return s.saved == WorldSetting::Saved::RulesFile;
}

} // namespace

std::string encodeRules(const WorldSettings& settings)
{
    const WorldSettings defaults;
    std::string text;
    for (const WorldSetting& s : worldSettings())
        if (inRulesFile(s) && s.get(settings) != s.get(defaults))
            text += std::string(s.name) + "=" + settingValueText(s, s.get(settings)) + "\n";
    return text;
}

void takeRules(WorldSettings& to, const WorldSettings& from)
{
    for (const WorldSetting& s : worldSettings())
        if (inRulesFile(s))
            s.set(to, s.get(from));
}

bool sameRules(const WorldSettings& a, const WorldSettings& b)
{
    return encodeRules(a) == encodeRules(b);
}

std::string rulesText(const WorldSettings& settings)
{
    std::string text = encodeRules(settings);
    if (text.empty())
        return "the default rules";
    text.pop_back();
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.replace(at, 1, ", ");
    return text;
}

void readRules(const FileSource& source, WorldSettings& into)
{
    takeRules(into, WorldSettings());
    if (!source.belongsToSave(kRulesFile))
        return;
    std::string text;
    switch (source.tryRead(kRulesFile, text, 4096)) {
    case ReadResult::Missing: return;
    case ReadResult::Done: break;
    case ReadResult::NotAFile: throwDamaged(source.path(kRulesFile), "not a regular file");
    case ReadResult::TooLarge: throwDamaged(source.path(kRulesFile), "larger than 4096 bytes");
    case ReadResult::CannotOpen:
    case ReadResult::Interrupted: throwDamaged(source.path(kRulesFile), "cannot be read");
    }
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    std::vector<const WorldSetting*> seen;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty())
            continue;
        const std::string where = "line " + std::to_string(number);
        const std::string name = line.substr(0, line.find('='));
        const WorldSetting* setting = findWorldSetting(name);
        if (!setting || !inRulesFile(*setting))
            throwDamaged(source.path(kRulesFile), where + " names no rule");
        if (std::find(seen.begin(), seen.end(), setting) != seen.end())
            throwDamaged(source.path(kRulesFile), where + " gives " + name + " a second time");
        seen.push_back(setting);
        // The value is checked against the setting's range; the error text
        // of the command line is not used, since it would quote the file.
        SettingOverride value;
        std::string error;
        if (!parseSettingOverride(line, value, error))
            throwDamaged(source.path(kRulesFile),
                         where + ": " + name + " needs a value it can take");
        setting->set(into, value.value);
    }
}
