// Creature files named in the window (dropped on it or typed in the control
// bar): added near the middle of the view at the next frame, paused or not,
// each told in the message; a missing or damaged file adds nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/step_driver.h"
#include "persist/creature_file.h"
#include "support/ode_fixture.h"
#include "ui/creature_file_loads.h"

namespace {

namespace fs = std::filesystem;

using CreatureFileLoads = WorldTest;

TEST_F(CreatureFileLoads, GoodFilesAreAddedSideBySideOthersAreToldAndAddNothing)
{
    const fs::path dir = fs::temp_directory_path() / ("creature_loads_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string good = (dir / "good.creature").string();
    const std::string damaged = (dir / "damaged.creature").string();
    writeCreatureFile(good, encodeCreatureFile(creature(3), w().settings));
    std::ofstream(damaged) << "not a creature";

    const std::size_t before = w().sim.population.size();
    w().view.mainCamera.target[0] = 4.0f;
    w().view.mainCamera.target[1] = -2.0f;
    for (const std::string& f : {good, (dir / "missing.creature").string(), damaged, good})
        requestCreatureFile(w(), f);
    // The next frame takes them though the world is paused.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    stepDriver(w(), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(w().driver.creatureFiles.empty());
    ASSERT_EQ(w().sim.population.size(), before + 2);

    // The two added creatures stand apart, near the middle of the view.
    const Agent& second = w().sim.population.back();
    const Agent& first = *std::prev(w().sim.population.end(), 2);
    EXPECT_NE(first.creatureId, second.creatureId);
    EXPECT_NEAR(first.centre.x, 4.0, 2.0);
    EXPECT_NEAR(second.centre.x - first.centre.x, 3.0, 1.0);
    EXPECT_EQ(first.gene.values, creature(3).gene.values);

    const std::string& text = w().driver.message.text;
    EXPECT_NE(text.find("Added creature " + std::to_string(first.creatureId) + " from good.creature"),
              std::string::npos) << text;
    EXPECT_NE(text.find("No creature from missing.creature: cannot open:"), std::string::npos) << text;
    EXPECT_NE(text.find("No creature from damaged.creature: damaged file:"), std::string::npos) << text;
    EXPECT_NE(out.find("added creature " + std::to_string(second.creatureId)), std::string::npos);
    EXPECT_NE(err.find("no creature was loaded from " + damaged), std::string::npos);

    // Nothing queued: nothing happens, the message stays.
    EXPECT_EQ(loadRequestedCreatureFiles(w()), 0);

    // A world of other rules keeps them, and the message says the file's.
    w().settings.learningRule = LearningRuleId::Improved;
    requestCreatureFile(w(), good);
    testing::internal::CaptureStdout();
    EXPECT_EQ(loadRequestedCreatureFiles(w()), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(w().driver.message.text.find(
                  " from good.creature (its file's rules, the default rules, are not this "
                  "world's, learningRule=1: it lives by this world's)"),
              std::string::npos)
        << w().driver.message.text;
    EXPECT_EQ(w().settings.learningRule, LearningRuleId::Improved);
    EXPECT_EQ(w().driver.message.text, text);
    fs::remove_all(dir);
}

} // namespace
