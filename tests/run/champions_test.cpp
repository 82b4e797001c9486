// The champions of every hour and the standard trial that sets them against
// each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "run/champions.h"
#include "app/options.h"
#include "run/trial.h"
#include "persist/creature_file.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

namespace fs = std::filesystem;

class Champions : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        // A folder of each test's own: CTest runs them side by side.
        dir = fs::path(testing::TempDir()) /
              ("champions-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    // A creature with n scored cycles of the given mean progress and score.
    void record(Agent& a, long long n, double meanProgress, double score)
    {
        a.scoredCycles = n;
        a.progressTotal = meanProgress * static_cast<double>(n);
        a.score = score;
    }
    // The genome of the creature a champion file holds.
    std::vector<double> geneIn(const std::string& file)
    {
        Scene other(5, 0);
        other.world().settings.minPopulation = 0;
        loadCreatureFile(other.world().sim, other.world().settings, file, PlacePoint{});
        return other.world().sim.population.back().gene.values;
    }
    fs::path dir;
};

TEST(ChampionRank, ProvenWalkersOutrankTheUnprovenThenMeanProgressDecides)
{
    struct Case {
        long long cycles;
        double progress, score;
        long long otherCycles;
        double otherProgress, otherScore;
        bool first; // the first outranks the second
    };
    const Case cases[] = {
        {30, 0.1, 0, 29, 9.0, 99, true},  // proven beats a great newcomer
        {40, 0.3, 0, 40, 0.2, 50, true},  // both proven: mean progress
        {40, 0.2, 50, 40, 0.3, 0, false},
        {5, 0, 7.5, 10, 0, 7.0, true},    // nobody proven: the score
        {0, 0, -1, 0, 0, -1, false},      // equal: no change of champion
    };
    for (const Case& c : cases) {
        Agent a, b;
        a.scoredCycles = c.cycles;
        a.progressTotal = c.progress * c.cycles;
        a.score = c.score;
        b.scoredCycles = c.otherCycles;
        b.progressTotal = c.otherProgress * c.otherCycles;
        b.score = c.otherScore;
        EXPECT_EQ(championRank(a) > championRank(b), c.first) << c.cycles << " " << c.progress;
    }
}

TEST_F(Champions, EachHourWritesItsBestAsItWasAtItsBestAndTheRunsEndWritesTheHourUnderWay)
{
    World& world = w();
    // The files record the rules of the world the champions lived in.
    world.settings.learningRule = LearningRuleId::Improved;
    ChampionKeeper keeper(dir.string());
    Agent& a = creature(0);
    Agent& b = creature(1);
    Agent& c = creature(2);
    for (Agent& x : world.sim.population)
        record(x, 0, 0, 0);
    record(a, 50, 0.2, 1);
    world.sim.time = 10.5;
    keeper.afterSteps(world);
    // B walks best later in hour 1, then falls back: kept as it was at its best.
    record(b, 60, 0.5, 1);
    const std::vector<double> bGene = b.gene.values;
    world.sim.time = 3000.2;
    keeper.afterSteps(world);
    record(b, 70, 0.01, 1);
    world.sim.time = 3000.7; // the same second: not looked at again
    record(c, 80, 0.9, 1);
    keeper.afterSteps(world);
    // Hour 2 begins: hour 1's champion is written, the new hour starts afresh.
    world.sim.time = 3600.1;
    keeper.afterSteps(world);
    EXPECT_EQ(keeper.written(), 1);
    ASSERT_TRUE(fs::exists(dir / "hour-1.creature"));
    EXPECT_EQ(geneIn((dir / "hour-1.creature").string()), bGene);
    const std::string hour1 = (dir / "hour-1.creature").string();
    const CreatureFileRules rules = creatureFileRules(hour1, readCreatureFile(hour1));
    EXPECT_TRUE(rules.recorded);
    EXPECT_EQ(rules.settings.learningRule, LearningRuleId::Improved);
    // In hour 2, C (now the best) wins; the run ends in it.
    world.sim.time = 5000.5;
    keeper.afterSteps(world);
    keeper.finish(world);
    EXPECT_EQ(keeper.written(), 2);
    EXPECT_EQ(geneIn((dir / "hour-2.creature").string()), c.gene.values);
    EXPECT_FALSE(keeper.writeFailed());

    // A folder that cannot be written is said once and counts as a failure.
    ChampionKeeper broken((dir / "missing" / "deeper").string());
    world.sim.time = 1.5;
    broken.afterSteps(world);
    broken.finish(world);
    EXPECT_TRUE(broken.writeFailed());
}

// The champions of the hours a run writes, and of later hours, go at its
// start; earlier hours stay for a run that goes on from a save.
TEST_F(Champions, ARunRemovesTheChampionsOfTheHoursItWritesAndLaterOnes)
{
    const struct {
        double start;
        std::vector<std::string> left;
    } cases[] = {
        {0.0, {"hour-01.creature", "hour-4.creature", "notes.txt"}},
        {3599.0, {"hour-01.creature", "hour-4.creature", "notes.txt"}},
        {7300.0, {"hour-01.creature", "hour-1.creature", "hour-2.creature", "hour-4.creature",
                  "notes.txt"}},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir / "hour-4.creature"); // a folder, no champion
        for (const char* name : {"hour-1.creature", "hour-2.creature", "hour-3.creature",
                                 "hour-10.creature", "hour-01.creature", "notes.txt"})
            std::ofstream(dir / name) << "x";
        std::string error;
        EXPECT_TRUE(removeChampionsFrom(dir.string(), c.start, error)) << error;
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir))
            left.push_back(e.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, c.left) << c.start;
    }
}

// Each row of the trial comes out as soon as its file is done: before the
// next file starts.
TEST_F(Champions, TheTrialSaysEachRowBeforeTheNextFileRuns)
{
    scene->step(300);
    const std::string file = (dir / "a.creature").string();
    writeCreatureFile(file, encodeCreatureFile(creature(0), w().settings));
    RunOptions options;
    options.trialFiles = {file, (dir / "none.creature").string(), file};
    std::ostringstream out;
    EXPECT_EQ(runTrials(options, out, out, true, 20.0), 1);
    const std::string text = out.str();
    const std::size_t header = text.find("file  "), row = text.find(file + "   ");
    const std::size_t unread = text.find("none.creature  ");
    const std::size_t third = text.find("trial: file 3 of 3");
    ASSERT_NE(third, std::string::npos) << text;
    EXPECT_LT(header, text.find("trial: file 1 of 3")) << text;
    EXPECT_LT(row, unread) << text;
    EXPECT_LT(unread, third) << text;
    EXPECT_EQ(text.find("trial: file 2 of 3"), std::string::npos) << text;
}

TEST_F(Champions, TheTrialRepeatsItselfAndMeasuresLearnedSkillOrAFreshStore)
{
    scene->step(300);
    Agent& a = creature(0);
    const std::string file = (dir / "a.creature").string();
    writeCreatureFile(file, encodeCreatureFile(a, w().settings));
    const WorldSettings settings;
    const TrialResult one = runTrial(file, settings, false, 20.0);
    const TrialResult two = runTrial(file, settings, false, 20.0);
    ASSERT_TRUE(one.loaded);
    EXPECT_EQ(trialCsv({one}, false), trialCsv({two}, false));
    EXPECT_GT(one.cycles, 4 * 5); // a motor cycle takes 1.2 to 3 s; four courses of 20 s
    EXPECT_EQ(one.falls, 0);
    // Its body's measures, as the world it lived in measured them.
    const FamilyMember* m = w().sim.family.find(a.creatureId);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(one.body.parts, m->parts);
    EXPECT_EQ(one.body.span, m->span);
    EXPECT_GE(one.body.parts, 2);
    EXPECT_NE(trialTable({one}, false).find(" parts "), std::string::npos);
    const TrialResult fresh = runTrial(file, settings, true, 20.0);
    EXPECT_NE(trialCsv({fresh}, true), trialCsv({one}, true));

    const TrialResult missing = runTrial((dir / "none.creature").string(), settings, false, 20.0);
    EXPECT_FALSE(missing.loaded);
    const std::string table = trialTable({one, missing}, false);
    EXPECT_NE(table.find("not read"), std::string::npos);
    // The CSV leaves unread files out and quotes names that need it.
    TrialResult odd = one;
    odd.file = "a,b\"c.creature";
    const std::string csv = trialCsv({odd, missing}, false);
    EXPECT_NE(csv.find("\"a,b\"\"c.creature\",learned,4,"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
}

TEST_F(Champions, TheTrialRunsAFileByItsRulesUnlessTheCommandLineSetsThem)
{
    scene->step(300);
    WorldSettings improved = w().settings;
    improved.learningRule = LearningRuleId::Improved;
    const std::string one = (dir / "one.creature").string();
    const std::string plain = (dir / "plain.creature").string();
    writeCreatureFile(one, encodeCreatureFile(creature(0), improved));
    writeCreatureFile(plain, encodeCreatureFile(creature(0), w().settings));
    auto set = [](const std::string& text) {
        SettingOverride o;
        std::string error;
        EXPECT_TRUE(parseSettingOverride(text, o, error)) << error;
        return std::vector<SettingOverride>{o};
    };
    auto csvOf = [](const std::vector<TrialResult>& r) {
        const std::string csv = trialCsv(r, false);
        return csv.substr(csv.find('\n') + 1);
    };
    // The rows of the rule-1 file alone, given the rule or not, and under
    // the rule given otherwise.
    const auto byFile = runTrialsOf({one}, {}, false, 20.0);
    const auto given = runTrialsOf({one}, set("learningRule=1"), false, 20.0);
    const auto overruled = runTrialsOf({one}, set("learningRule=0"), false, 20.0);
    const auto other = runTrialsOf({plain}, set("learningRule=1"), false, 20.0);
    ASSERT_TRUE(byFile.front().loaded);
    EXPECT_EQ(csvOf(byFile), csvOf(given));
    EXPECT_EQ(csvOf(other), csvOf(given).replace(0, one.size(), plain));
    EXPECT_NE(csvOf(overruled), csvOf(byFile));

    const struct {
        std::vector<TrialResult> results;
        std::vector<std::string> lines; // in the table's header
        std::string absent;
    } cases[] = {
        {byFile, {"\nrules: learningRule=1\n"}, "by file"},
        {overruled, {"\nrules: the default rules\n"}, "by file"},
        {{byFile.front(), other.front()}, {"\nrules: learningRule=1\n"}, "by file"},
        {{byFile.front(), overruled.front()},
         {"\nrules, by file:\n", "  " + one + ": learningRule=1\n", "  " + one + ": the default rules\n"},
         "\nrules: "},
    };
    for (const auto& c : cases) {
        const std::string table = trialTable(c.results, false);
        for (const std::string& line : c.lines)
            EXPECT_NE(table.find(line), std::string::npos) << table;
        EXPECT_EQ(table.find(c.absent), std::string::npos) << table;
    }
}

// A champion of a rule-1 run, set on the course by the real program: the
// rows are those of a trial given the rule.
TEST_F(Champions, AChampionOfARuleOneRunIsTriedUnderRuleOneWithoutBeingToldSo)
{
    auto run = [&](const std::string& args, const std::string& out) {
        const std::string cmd = "cd " + dir.string() + " && " + CREATURES_BINARY + " " + args +
                                " >" + out + " 2>&1";
        return std::system(cmd.c_str());
    };
    auto read = [&](const std::string& name) {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    ASSERT_EQ(run("--headless --seed 3 --seconds 40 --set learningRule=1 --champions C", "run.txt"), 0)
        << read("run.txt");
    ASSERT_EQ(run("--trial C/hour-1.creature", "plain.txt"), 0) << read("plain.txt");
    ASSERT_EQ(run("--trial C/hour-1.creature --set learningRule=1", "given.txt"), 0);
    ASSERT_EQ(run("--trial C/hour-1.creature --set learningRule=0", "default.txt"), 0);
    EXPECT_EQ(read("plain.txt"), read("given.txt"));
    EXPECT_NE(read("plain.txt").find("rules: learningRule=1\n"), std::string::npos) << read("plain.txt");
    EXPECT_NE(read("default.txt"), read("given.txt"));
}

} // namespace
