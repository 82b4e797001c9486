// World settings from the command line: their table against the control bar,
// parsing, and each value reaching a running, a fresh and a loaded world.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "run/setting_overrides.h"
#include "persist/save_all.h"
#include "support/ode_fixture.h"
#include "ui/control_bar.h"

namespace {

TEST(WorldSettings, RangesAreTheControlBarsWhereItHasTheSetting)
{
    // A setting is an item's twin when it reads back what the item writes.
    World w;
    std::set<std::string> twins;
    for (const ControlItem& item : controlBarItems(w)) {
        if (item.kind != ControlKind::Int && item.kind != ControlKind::Double)
            continue;
        for (const WorldSetting& s : worldSettings()) {
            setItemValue(item, item.min);
            const bool atMin = s.get(w.settings) == item.min;
            setItemValue(item, item.max);
            if (!atMin || s.get(w.settings) != item.max)
                continue;
            twins.insert(s.name);
            EXPECT_EQ(s.min, item.min) << s.name;
            EXPECT_EQ(s.max, item.max) << s.name;
        }
    }
    EXPECT_EQ(twins, (std::set<std::string>{"groundSize", "foodInterval", "wallHeight", "gravity",
                                            "stepsPerFrame", "learningRule", "bodyMutation",
                                            "inheritMovements"}));
}

TEST(WorldSettings, ParsingAcceptsValuesInRangeAndNamesWhatItRefuses)
{
    struct Case {
        const char* text;
        const char* refusal; // part of the message; nullptr: accepted
    };
    const Case cases[] = {
        {"groundSize=150", nullptr},
        {"gravity=-20", nullptr},
        {"wallHeight=2.5", nullptr},
        {"groundSize=2", "groundSize=2 is outside its range 3..150"},
        {"gravity=1.5", "gravity=1.5 is outside its range -20..1"},
        {"minPopulation=0", "minPopulation=0 is outside"},
        {"foodInterval=2.5", "foodInterval needs a whole number"},
        {"wallHeight=1x", "wallHeight needs a number, not '1x'"},
        {"gravity=inf", "gravity needs a number"},
        {"foodInterval=", "foodInterval needs a number"},
        {"groundsize=10", "unknown setting 'groundsize'"},
        {"groundSize", "needs NAME=VALUE"},
        {"learningRule=1", nullptr},
        {"learningRule=2", "learningRule=2 is outside its range 0..1"},
        {"learningRule=0.5", "learningRule needs a whole number"},
        {"physics=fast", nullptr},
        {"physics=1", nullptr},
        {"physics=classic", nullptr},
        {"learningRule=improved", nullptr},
        {"learningRule=original", nullptr},
        {"learningRule=best", "learningRule needs a number, not 'best'"},
        {"physics=slow", "physics needs one of classic fast, not 'slow'"},
    };
    for (const Case& c : cases) {
        SettingOverride o;
        std::string error;
        EXPECT_EQ(parseSettingOverride(c.text, o, error), c.refusal == nullptr) << c.text;
        if (c.refusal) {
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.text << ": " << error;
        }
    }
}

class WorldSettingsApplied : public WorldTest {
protected:
    void apply(std::vector<std::string> texts, bool fresh)
    {
        std::vector<SettingOverride> overrides(texts.size());
        std::string error;
        for (size_t i = 0; i < texts.size(); ++i)
            ASSERT_TRUE(parseSettingOverride(texts[i], overrides[i], error)) << error;
        applySettingOverrides(w(), overrides, fresh, 12345);
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(overrides[i].setting->get(w().settings), overrides[i].value) << texts[i];
    }
    // Largest |x| and |y| of the wall blocks.
    double wallReach()
    {
        double r = 0;
        for (const BodyPart& b : w().sim.walls.blocks) {
            const dReal* p = dBodyGetPosition(b.body);
            r = std::max({r, std::fabs(p[0]), std::fabs(p[1])});
        }
        return r;
    }
};

TEST_F(WorldSettingsApplied, EachSettingReachesTheFreshWorld)
{
    apply({"groundSize=20", "foodInterval=7", "wallHeight=2.5", "minPopulation=4",
           "learningMutation=0", "gravity=-3", "stepsPerFrame=4", "learningRule=1"},
          true);
    // The world is made again: four creatures, all inside the smaller arena.
    EXPECT_NEAR(wallReach(), 20.25, 0.01);
    ASSERT_EQ(w().sim.population.size(), 4u);
    for (const Agent& a : w().sim.population)
        EXPECT_LE(std::max(std::fabs(a.centre.x), std::fabs(a.centre.y)), 20.001);
    for (const auto& f : w().sim.foods.foods)
        EXPECT_LE(std::fabs(f.position.x), 20 * 0.64 + 0.001);
    dVector3 g;
    dWorldGetGravity(w().sim.world, g);
    EXPECT_EQ(g[2], -3);
    scene->step(1);
    const Walls& walls = w().sim.walls;
    EXPECT_NEAR(dBodyGetPosition(walls.blocks[0].body)[2] + walls.blockSize[2] / 2, 2.5, 1e-6);
}

TEST_F(WorldSettingsApplied, ALoadedWorldKeepsItsCreaturesAndGetsNewWalls)
{
    apply({"minPopulation=4", "groundSize=30"}, false);
    EXPECT_NEAR(wallReach(), 30.25, 0.01);
    EXPECT_EQ(w().sim.population.size(), 10u);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Where the running test's program output goes: one file per test, since CTest
// runs the tests of this file side by side in separate processes.
std::string outputPath()
{
    return ::testing::TempDir() + "/settings_out_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// The program's exit status; its output goes to outputPath().
int runCreatures(const std::string& args)
{
    const std::string cmd =
        std::string(CREATURES_BINARY) + " --headless " + args + " >" + outputPath() + " 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WorldSettingsProgram, RefusesBadSettingsBeforeAnythingRuns)
{
    const std::string stats = ::testing::TempDir() + "/refused.csv";
    for (const char* bad : {"--set size=10", "--set groundSize=ten", "--set foodInterval=0",
                            "--set wallHeight=1 --set x=1"}) {
        std::remove(stats.c_str());
        EXPECT_EQ(runCreatures(std::string(bad) + " --seconds 1 --stats " + stats), 2) << bad;
        EXPECT_FALSE(std::ifstream(stats).good()) << bad;
        const std::string out = readFile(outputPath());
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_EQ(out.rfind("creatures: --set", 0), 0u) << out;
    }
}

TEST_F(WorldSettingsApplied, SettingsReachTheSavedWorldAndOverrideALoadedOne)
{
    const std::string first = ::testing::TempDir() + "/settings_first";
    const std::string second = ::testing::TempDir() + "/settings_second";
    ASSERT_EQ(runCreatures("--seed 3 --seconds 2 --set groundSize=25 --set wallHeight=1.5 "
                           "--set minPopulation=4 --save-all " +
                           first),
              0);
    ASSERT_EQ(runCreatures("--seconds 1 --load-all " + first + " --set groundSize=30 --save-all " +
                           second),
              0);
    for (const auto& [folder, groundSize] : {std::pair{first, 25.0}, std::pair{second, 30.0}}) {
        ASSERT_TRUE(loadAll(w().sim, w().settings, folder));
        EXPECT_EQ(w().settings.groundSize, groundSize) << folder;
        EXPECT_EQ(w().settings.wallHeight, 1.5) << folder;
        EXPECT_EQ(w().settings.minPopulation, 4) << folder;
    }
}

TEST(WorldSettingsProgram, DefaultValuesGiveTheRunWithoutThem)
{
    // The fresh world made again at the defaults is the first reset's.
    const std::string dir = ::testing::TempDir();
    ASSERT_EQ(runCreatures("--seed 9 --seconds 20 --stats " + dir + "/plain.csv"), 0);
    ASSERT_EQ(runCreatures("--seed 9 --seconds 20 --set groundSize=60 --set minPopulation=10 "
                           "--set learningRule=0 --stats " +
                           dir + "/set.csv"),
              0);
    const std::string plain = readFile(dir + "/plain.csv");
    ASSERT_GT(plain.size(), 500u);
    EXPECT_EQ(plain, readFile(dir + "/set.csv"));
}

} // namespace
