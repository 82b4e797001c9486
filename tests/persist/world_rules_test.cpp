// The rules a save keeps beside its archives: written only when they differ
// from the defaults, read back with the world, refused when damaged.
#include <gtest/gtest.h>

#include "persist/manifest.h"
#include "persist/save_all.h"
#include "persist/world_rules.h"
#include "persist_support.h"

namespace {

using persist_test::exists;
using persist_test::fingerprint;
using persist_test::firstDifference;
using persist_test::printedBy;
using persist_test::readBytes;
using persist_test::writeBytes;

class WorldRulesFile : public PersistTest {};

TEST_F(WorldRulesFile, TheLearningRuleTravelsWithTheSaveAndOnlyWhenItIsNotTheDefault)
{
    makeScene(31, 4);
    scene->step(30);
    w().settings.learningRule = LearningRuleId::Improved;
    w().settings.physics = PhysicsSetupId::Fast;
    printedBy([&] { saveAll(w().sim, w().settings, "improved"); });
    EXPECT_EQ(readBytes("improved/rules.txt"), "learningRule=1\nphysics=fast\n");
    EXPECT_NE(readBytes("improved/SHA256SUMS").find("  rules.txt\n"), std::string::npos);

    // Back under the default rules: the same folder saved again loses the
    // file, a load of it gives rule 0.
    w().settings.learningRule = LearningRuleId::Original;
    w().settings.physics = PhysicsSetupId::Classic;
    printedBy([&] { ASSERT_TRUE(loadAll(w().sim, w().settings, "improved")); });
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Improved);
    EXPECT_EQ(w().settings.physics, PhysicsSetupId::Fast);
    w().settings.learningRule = LearningRuleId::Original;
    w().settings.physics = PhysicsSetupId::Classic;
    printedBy([&] { saveAll(w().sim, w().settings, "improved"); });
    EXPECT_FALSE(exists("improved/rules.txt"));
    w().settings.learningRule = LearningRuleId::Improved;
    printedBy([&] { ASSERT_TRUE(loadAll(w().sim, w().settings, "improved")); });
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Original);
    // A rules file beside a checksum list that does not name it: the list
    // is not the save's whole list, so the save is refused and nothing
    // changes.
    writeBytes("improved/rules.txt", "learningRule=1\n");
    w().settings.learningRule = LearningRuleId::Improved;
    std::string text;
    printedBy([&] { text = failureOf([&] { loadAll(w().sim, w().settings, "improved"); }); });
    EXPECT_EQ(text, "damaged file:improved/SHA256SUMS (it does not name rules.txt)");
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Improved);
}

TEST_F(WorldRulesFile, ARulesFileThatIsNotOneIsRefusedAndChangesNothing)
{
    makeScene(32, 4);
    scene->step(30);
    printedBy([&] { saveAll(w().sim, w().settings, "plain"); });
    std::remove("plain/SHA256SUMS"); // as a save made without a manifest
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"learningRule=2\n", "line 1: learningRule needs a value it can take"},
        {"learningRule=one\n", "line 1: learningRule needs a value it can take"},
        {"\nlearningRule=0.5\n", "line 2: learningRule needs a value it can take"},
        {"physique=1\n", "line 1 names no rule"},
        {"\x7f\x45\x4c\x46\n", "line 1 names no rule"},
        {nullptr, "larger than 4096 bytes"},
    };
    w().settings.learningRule = LearningRuleId::Improved;
    for (const auto& c : cases) {
        writeBytes("plain/rules.txt", c.text ? c.text : std::string(5000, '\n'));
        const auto before = fingerprint(w());
        std::string text;
        printedBy([&] { text = failureOf([&] { loadAll(w().sim, w().settings, "plain"); }); });
        EXPECT_EQ(text, std::string("damaged file:plain/rules.txt (") + c.reason + ")");
        EXPECT_EQ(firstDifference(before, fingerprint(w())), -1);
        EXPECT_EQ(w().settings.learningRule, LearningRuleId::Improved);
    }
    // A set-up named by its name.
    w().settings.physics = PhysicsSetupId::Fast;
    writeBytes("plain/rules.txt", "learningRule=1\nphysics=classic\n");
    printedBy([&] { ASSERT_TRUE(loadAll(w().sim, w().settings, "plain")); });
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Improved);
    EXPECT_EQ(w().settings.physics, PhysicsSetupId::Classic);
    writeBytes("plain/rules.txt", "learningRule=0\n");
    printedBy([&] { ASSERT_TRUE(loadAll(w().sim, w().settings, "plain")); });
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Original);
}

} // namespace
