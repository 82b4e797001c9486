// Runs repeat exactly: the same seed and number of steps give bit-identical
// worlds, within one process and across processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "base/random.h"
#include "persist/save_all.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

std::vector<double> runScene(std::uint32_t seed, int steps)
{
    Scene scene(seed, 10);
    scene.step(steps);
    return worldFingerprint(scene.world());
}

TEST(Determinism, SameSeedSameStepsGiveIdenticalWorlds)
{
    const auto a = runScene(777, 1500);
    const auto b = runScene(777, 1500);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(double)), 0) << "value " << i;
    const auto c = runScene(778, 1500);
    EXPECT_NE(a, c);
}

// Worlds share no state: two worlds of different seeds and rules, stepped
// in turn a few steps each in one process, end as each ends run alone, down
// to every byte of their saves (generators, ids, the solver's own generator,
// the genomes' layout).
TEST(Determinism, TwoWorldsSteppedInTurnEndAsEachAlone)
{
    struct Setup {
        std::uint32_t seed;
        LearningRuleId rule;
        PhysicsSetupId physics;
        int chunk; // steps a turn
    };
    const Setup setups[2] = {{5, LearningRuleId::Original, PhysicsSetupId::Classic, 7},
                             {9, LearningRuleId::Improved, PhysicsSetupId::Fast, 11}};
    const int steps = 2400;
    auto make = [](const Setup& s) {
        auto scene = std::make_unique<Scene>(s.seed, 10);
        scene->world().settings.learningRule = s.rule;
        scene->world().settings.physics = s.physics;
        return scene;
    };
    auto files = [](Scene& scene) {
        return simulationFiles(scene.world().sim, scene.world().settings);
    };

    SavedFiles alone[2];
    for (int i = 0; i < 2; ++i) {
        auto scene = make(setups[i]);
        scene->step(steps);
        alone[i] = files(*scene);
    }

    std::unique_ptr<Scene> both[2] = {make(setups[0]), make(setups[1])};
    int done[2] = {0, 0};
    while (done[0] < steps || done[1] < steps)
        for (int i = 0; i < 2; ++i) {
            const int n = std::min(setups[i].chunk, steps - done[i]);
            both[i]->step(n);
            done[i] += n;
        }
    for (int i = 0; i < 2; ++i) {
        const SavedFiles together = files(*both[i]);
        ASSERT_EQ(together.size(), alone[i].size()) << "world " << i;
        for (std::size_t f = 0; f < together.size(); ++f) {
            EXPECT_EQ(together[f].first, alone[i][f].first);
            EXPECT_TRUE(together[f].second == alone[i][f].second)
                << "world " << i << ": " << together[f].first << " differs";
        }
    }
    // The two worlds did make different runs.
    EXPECT_FALSE(files(*both[0]) == files(*both[1]));
}

TEST(Determinism, TheOriginalLearningRuleReadsNoneOfTheImprovedRulesNumbers)
{
    // The same seeded run under rule 0 with the improved rules' numbers at
    // their defaults and at other values: identical worlds and generator
    // states, so rule 0 neither reads those numbers nor draws for them.
    auto run = [](int rule, bool otherNumbers) {
        Scene scene(4321, 10);
        World& w = scene.world();
        w.settings.learningRule = static_cast<LearningRuleId>(rule);
        if (otherNumbers) {
            LearningParams& p = w.settings.learningParams;
            p.priorWeight = 7.0;
            p.emptyStorePrior = 3.0;
            p.exploreScale = 0.5;
            p.exploreFloor = 0.9;
            p.inheritedSamples = 9;
        }
        scene.step(4000);
        std::vector<double> f = worldFingerprint(w);
        f.push_back(testRandom().state());
        return f;
    };
    const auto plain = run(0, false);
    EXPECT_EQ(plain, run(0, true));
    EXPECT_NE(plain, run(1, false));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int runProgram(const std::string& args, const std::string& outFile)
{
    const std::string cmd = std::string(CREATURES_BINARY) + " " + args + " >" + outFile + " 2>&1";
    return std::system(cmd.c_str());
}

TEST(HeadlessProgram, RepeatsAcrossProcessesAndReportsItsRun)
{
    const std::string dir = ::testing::TempDir();
    const std::string s1 = dir + "/stats1.csv", s2 = dir + "/stats2.csv";
    ASSERT_EQ(runProgram("--headless --seed 31 --seconds 60 --stats " + s1 + " 5", dir + "/out1"),
              0);
    ASSERT_EQ(runProgram("--headless --seed 31 --steps 2000 --stats " + s2 + " 5", dir + "/out2"),
              0);
    const std::string a = readFile(s1), b = readFile(s2);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b);
    // One header line and about one row per simulated second.
    const auto rows = std::count(a.begin(), a.end(), '\n');
    EXPECT_GE(rows, 60);
    EXPECT_LE(rows, 64);
    EXPECT_EQ(a.rfind("time,population,foods,births,refills,deaths_starved,deaths_fallen,"
                      "foods_eaten,mean_energy,best_score,cycles_evaluated,mean_progress,"
                      "max_generation,mean_generation,founder_families,mrca_generation,mrca_age,"
                      "mean_parts,body_from_founders,body_diversity\n",
                      0),
              0u);

    const std::string out = readFile(dir + "/out1");
    EXPECT_EQ(out.rfind("5", 0), 0u) << out; // the run number comes first
    EXPECT_NE(out.find("finished after 2000 steps"), std::string::npos) << out;
    EXPECT_NE(out.find("population"), std::string::npos);
}

TEST(HeadlessProgram, RejectsBadOptionsAndHelps)
{
    const std::string dir = ::testing::TempDir();
    EXPECT_NE(runProgram("--headless --steps many", dir + "/bad"), 0);
    EXPECT_NE(readFile(dir + "/bad").find("--steps needs a whole number"), std::string::npos);
    EXPECT_NE(runProgram("--frobnicate", dir + "/bad2"), 0);
    EXPECT_EQ(runProgram("--help", dir + "/help"), 0);
    EXPECT_NE(readFile(dir + "/help").find("--seed N"), std::string::npos);
}

} // namespace

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(HeadlessProgram, CtrlCEndsAnUnlimitedRunCleanlyAndStillSaves)
{
    const std::string out = ::testing::TempDir() + "/interrupted";
    const std::string save = ::testing::TempDir() + "/interruptedSave";
    const std::string stats = ::testing::TempDir() + "/interruptedStats.csv";
    std::remove((save + "/config.dat").c_str());
    std::remove(stats.c_str());
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        freopen(out.c_str(), "w", stderr);
        freopen("/dev/null", "w", stdout);
        execl(CREATURES_BINARY, CREATURES_BINARY, "--headless", "--seed", "3", "--save-all",
              save.c_str(), "--stats", stats.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Interrupt once the run has started stepping (its statistics file exists),
    // however long a busy machine takes to get there.
    for (int i = 0; i < 6000 && readFile(stats).empty(); ++i)
        usleep(50 * 1000);
    usleep(300 * 1000);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = readFile(out);
    EXPECT_NE(text.find("interrupted after"), std::string::npos) << text;
    EXPECT_FALSE(readFile(save + "/config.dat").empty());
    EXPECT_FALSE(readFile(save + "/posAgent.dat").empty());
}

} // namespace
