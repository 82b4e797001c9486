#include "ecology/learning_rule.h"

// The rules' entries, each defined in a file of its own.
extern const LearningRule kOriginalLearning;
extern const LearningRule kImprovedLearning;

const std::vector<LearningRule>& learningRules()
{
    static const std::vector<LearningRule> table = {
        kOriginalLearning,
        kImprovedLearning,
    };
    return table;
}

const LearningRule& learningRule(LearningRuleId id)
{
    const auto i = static_cast<std::size_t>(id);
    return i < learningRules().size() ? learningRules()[i] : learningRules().front();
}
