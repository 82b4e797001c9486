#include "persist/world_rules.h"

#include <sstream>

#include "ecology/world.h"
#include "ecology/world_settings.h"

namespace {

// Every rule the file may hold, with where its value lives in WorldRules.
struct RuleField {
    const char* name;
    int WorldRules::*value;
};
constexpr RuleField kRuleFields[] = {
    {"learningRule", &WorldRules::learningRule},
    {"physics", &WorldRules::physics},
};

} // namespace

WorldRules rulesOf(const World& w)
{
    WorldRules r;
    r.learningRule = w.learningRule;
    r.physics = w.physics;
    return r;
}

void applyRules(World& w, const WorldRules& rules)
{
    w.learningRule = rules.learningRule;
    w.physics = rules.physics;
}

std::string encodeRules(const WorldRules& rules)
{
    const WorldRules defaults;
    std::string text;
    for (const RuleField& f : kRuleFields)
        if (rules.*f.value != defaults.*f.value)
            text += std::string(f.name) + "=" +
                    settingValueText(*findWorldSetting(f.name), rules.*f.value) + "\n";
    return text;
}

WorldRules readRules(const FileSource& source)
{
    WorldRules rules;
    if (!source.belongsToSave(kRulesFile))
        return rules;
    std::string text;
    switch (source.tryRead(kRulesFile, text, 4096)) {
    case ReadResult::Missing: return rules;
    case ReadResult::Done: break;
    case ReadResult::NotAFile: throwDamaged(source.path(kRulesFile), "not a regular file");
    case ReadResult::TooLarge: throwDamaged(source.path(kRulesFile), "larger than 4096 bytes");
    case ReadResult::CannotOpen:
    case ReadResult::Interrupted: throwDamaged(source.path(kRulesFile), "cannot be read");
    }
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty())
            continue;
        const std::string where = "line " + std::to_string(number);
        const std::string name = line.substr(0, line.find('='));
        const RuleField* field = nullptr;
        for (const RuleField& f : kRuleFields)
            if (name == f.name)
                field = &f;
        if (!field)
            throwDamaged(source.path(kRulesFile), where + " names no rule");
        // The value is checked against the setting's range; the error text
        // of the command line is not used, since it would quote the file.
        SettingOverride value;
        std::string error;
        if (!parseSettingOverride(line, value, error))
            throwDamaged(source.path(kRulesFile),
                         where + ": " + name + " needs a value it can take");
        rules.*field->value = static_cast<int>(value.value);
    }
    return rules;
}
