// A fresh world founded on creature files (--founders DIR), with the real
// program: the files' creatures join the first population with what they
// learned, clear of the others, the world runs by their rules, and a folder
// that cannot found a world is refused with one line.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "app/scene.h"
#include "ecology/arena.h"
#include "persist/creature_file.h"
#include "persist/save_all.h"
#include "support/ode_fixture.h"

namespace {

namespace fs = std::filesystem;

class FoundersProgram : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        dir = fs::path(testing::TempDir()) / ("founders-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        WorldTest::TearDown();
    }
    int run(const std::string& args)
    {
        const std::string cmd = "cd " + dir.string() + " && " + CREATURES_BINARY +
                                " --headless --seed 8 --steps 1 " + args + " >out.txt 2>err.txt";
        return std::system(cmd.c_str());
    }
    std::string read(const std::string& name)
    {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& name, const std::string& contents)
    {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << contents;
    }
    // The population of a save, in order, from a load into a fresh world.
    std::unique_ptr<Scene> loaded(const std::string& save)
    {
        auto scene = std::make_unique<Scene>(1, 0);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(loadAll(scene->world().sim, scene->world().settings, (dir / save).string()));
        testing::internal::GetCapturedStdout();
        return scene;
    }
    fs::path dir;
};

std::vector<int> moveCounts(const Agent& a)
{
    std::vector<int> counts;
    for (const auto& m : a.learning.moves)
        counts.push_back(m.count);
    return counts;
}

TEST_F(FoundersProgram, TheFilesCreaturesFoundTheWorldByTheirRulesClearOfTheOthers)
{
    scene->step(300); // some learning to keep
    WorldSettings improved = w().settings;
    improved.learningRule = LearningRuleId::Improved;
    const Agent& a = creature(2);
    const Agent& b = creature(5);
    // Named the other way round: the name order decides.
    write("F/b.creature", encodeCreatureFile(a, improved));
    write("F/a.creature", encodeCreatureFile(b, improved));
    write("F/notes.txt", "not a creature file, and not looked at");
    ASSERT_EQ(run("--set minPopulation=8 --save-all plain8"), 0) << read("err.txt");

    const struct {
        const char* args;
        std::size_t population;
        std::string rules; // the saved world's rules.txt
    } cases[] = {
        {"--founders F --save-all S", 10, "learningRule=1\n"},
        {"--founders F --set learningRule=0 --save-all S", 10, ""},
        {"--founders F --set minPopulation=1 --save-all S", 2, "learningRule=1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        fs::remove_all(dir / "S");
        ASSERT_EQ(run(c.args), 0) << read("err.txt");
        EXPECT_EQ(fs::exists(dir / "S/rules.txt") ? read("S/rules.txt") : "", c.rules);
        const auto back = loaded("S");
        const Population& all = back->world().sim.population;
        ASSERT_EQ(all.size(), c.population);
        // The founders come last, in the files' name order, as saved.
        const Agent& first = *std::prev(all.end(), 2);
        const Agent& second = all.back();
        EXPECT_EQ(first.gene.values, b.gene.values);
        EXPECT_EQ(second.gene.values, a.gene.values);
        EXPECT_EQ(moveCounts(first), moveCounts(b));
        EXPECT_EQ(moveCounts(second), moveCounts(a));
        EXPECT_NE(read("out.txt").find("\nAdded creature " + std::to_string(first.creatureId) +
                                       " from F/a.creature"),
                  std::string::npos)
            << read("out.txt");
        for (const Agent* f : {&first, &second}) {
            for (const Agent& other : all) {
                if (&other == f)
                    continue;
                EXPECT_GE(std::hypot(other.centre.x - f->centre.x, other.centre.y - f->centre.y),
                          kClearance - 1.0);
            }
        }
    }
    // The rest of the first population is the one the seed makes.
    const auto plain = loaded("plain8");
    ASSERT_EQ(run("--founders F --save-all S"), 0);
    const auto again = loaded("S");
    auto p = plain->world().sim.population.begin();
    auto q = again->world().sim.population.begin();
    for (int i = 0; i < 8; ++i, ++p, ++q)
        EXPECT_EQ(p->gene.values, q->gene.values) << i;
}

TEST_F(FoundersProgram, AFolderThatCannotFoundAWorldIsRefusedWithOneLine)
{
    WorldSettings improved = w().settings;
    improved.learningRule = LearningRuleId::Improved;
    write("agree/a.creature", encodeCreatureFile(creature(0), improved));
    write("agree/b.creature", encodeCreatureFile(creature(1), improved));
    write("disagree/a.creature", encodeCreatureFile(creature(0), improved));
    write("disagree/b.creature", encodeCreatureFile(creature(1), w().settings));
    write("damaged/a.creature", "not a creature");
    write("none/a.txt", "");
    fs::create_directories(dir / "empty");
    const struct {
        const char* args;
        const char* said; // on standard error
    } cases[] = {
        {"--founders missing", "creatures: --founders missing: there is no such folder"},
        {"--founders empty", "creatures: --founders empty: the folder holds no .creature file"},
        {"--founders none", "creatures: --founders none: the folder holds no .creature file"},
        {"--founders disagree",
         "creatures: --founders disagree: the files' rules disagree (a.creature: learningRule=1; "
         "b.creature: the default rules)"},
        {"--founders damaged", "creatures: no creature was loaded from damaged/a.creature"},
        {"--founders agree --load-all x", "--founders starts a fresh world of its own"},
        {"--founders", "needs a value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_NE(run(std::string(c.args) + " --save-all S"), 0);
        EXPECT_NE(read("err.txt").find(c.said), std::string::npos) << read("err.txt");
        EXPECT_FALSE(fs::exists(dir / "S"));
    }
    EXPECT_EQ(run("--founders agree"), 0) << read("err.txt");
}

} // namespace
