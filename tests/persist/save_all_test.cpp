// Saving and loading whole simulations: the files, the round trip, and
// saves that fail without harming the save they were to replace.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include "persist/save_all.h"
#include "persist_support.h"

namespace {

using persist_test::entriesStartingWith;
using persist_test::exists;
using persist_test::folderContents;
using persist_test::readBytes;
using persist_test::writeBytes;

struct PartPose {
    double pos[3];
    double R[12];
};

// What a creature should look like after a load.
struct Expected {
    int id;
    double energy, age, score, temperatureAfterLoad, dyingProgress;
    int lifeState, matingCount, foodCount, phase;
    MY_VECTOR3 centre;
    std::vector<double> gene;
    std::vector<std::vector<double>> moveGenes;
    std::vector<double> moveStats;
    std::vector<PartPose> poses;
};

Expected expect(const Agent& a)
{
    Expected e{};
    e.id = a.creatureId;
    e.energy = a.energy;
    e.age = a.age;
    e.score = a.score;
    e.temperatureAfterLoad = a.temperature * a.gene[YAKINAMASI];
    e.dyingProgress = a.dyingProgress;
    e.lifeState = a.lifeState;
    e.matingCount = a.matingCount;
    e.foodCount = a.foodCount;
    e.phase = a.phase;
    e.centre = a.centre;
    e.gene = a.gene.values;
    for (const auto& m : a.learning.moves) {
        e.moveGenes.push_back(m.gene.values);
        for (double v : {m.meanX, m.meanY, m.meanSqX, m.meanSqY, m.angle, double(m.count)})
            e.moveStats.push_back(v);
    }
    for (const auto& p : a.parts) {
        if (!p.exists)
            continue;
        PartPose pose{};
        std::copy_n(dBodyGetPosition(p.body), 3, pose.pos);
        std::copy_n(dBodyGetRotation(p.body), 12, pose.R);
        e.poses.push_back(pose);
    }
    return e;
}

void compare(const Expected& e, const Agent& a)
{
    EXPECT_EQ(a.creatureId, e.id);
    EXPECT_EQ(a.energy, e.energy);
    EXPECT_EQ(a.age, e.age);
    EXPECT_EQ(a.score, e.score);
    EXPECT_EQ(a.temperature, e.temperatureAfterLoad);
    EXPECT_EQ(a.dyingProgress, e.dyingProgress);
    EXPECT_EQ(a.lifeState, e.lifeState);
    EXPECT_EQ(a.matingCount, e.matingCount);
    EXPECT_EQ(a.foodCount, e.foodCount);
    EXPECT_EQ(a.phase, e.phase);
    // The centre is recomputed from the body built at the saved centre.
    EXPECT_NEAR(a.centre.x, e.centre.x, 1e-9);
    EXPECT_NEAR(a.centre.y, e.centre.y, 1e-9);
    EXPECT_NEAR(a.centre.z, e.centre.z, 1e-9);
    EXPECT_EQ(a.gene.values, e.gene);
    std::vector<double> stats;
    std::size_t k = 0;
    for (const auto& m : a.learning.moves) {
        ASSERT_LT(k, e.moveGenes.size());
        EXPECT_EQ(m.gene.values, e.moveGenes[k++]);
        for (double v : {m.meanX, m.meanY, m.meanSqX, m.meanSqY, m.angle, double(m.count)})
            stats.push_back(v);
    }
    EXPECT_EQ(k, e.moveGenes.size());
    EXPECT_EQ(stats, e.moveStats);
    std::size_t i = 0;
    for (const auto& p : a.parts) {
        if (!p.exists)
            continue;
        ASSERT_LT(i, e.poses.size());
        ASSERT_NE(p.body, nullptr);
        const PartPose& want = e.poses[i++];
        const dReal* pos = dBodyGetPosition(p.body);
        const dReal* R = dBodyGetRotation(p.body);
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(pos[j], want.pos[j]);
            EXPECT_EQ(dBodyGetLinearVel(p.body)[j], 0.0);
            EXPECT_EQ(dBodyGetAngularVel(p.body)[j], 0.0);
        }
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(R[r * 4 + c], want.R[r * 4 + c], 1e-12);
    }
    EXPECT_EQ(i, e.poses.size());
}

class SaveAll : public PersistTest {
protected:
    std::string save(const std::string& folder)
    {
        return persist_test::printedBy([&] { saveAll(w().sim, w().settings, folder); }).out;
    }
};

} // namespace

TEST_F(SaveAll, WritesOneArchivePerCreatureAndReplacesAnEarlierSaveWhole)
{
    makeScene(4321, 12);
    scene->step(20);
    ASSERT_EQ(w().sim.population.size(), 12u);
    EXPECT_EQ(save("saveData1"), "write\n");
    auto files = folderContents("saveData1");
    std::vector<std::string> names;
    for (const auto& f : files)
        names.push_back(f.first);
    std::vector<std::string> want = {"AimPosData.dat", "SHA256SUMS",   "config.dat",
                                     "family.csv",     "founders.csv", "lineage.csv",
                                     "posAgent.dat",   "statistics.csv"};
    for (int i = 0; i < 12; ++i)
        want.push_back(std::to_string(i) + ".dat");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(names, want);
    EXPECT_EQ(w().sim.extras.populationCount, 12);
    // The manifest is one the standard tool checks.
    EXPECT_EQ(std::system("cd saveData1 && sha256sum --quiet -c SHA256SUMS"), 0);

    // A smaller population saved into the same folder leaves no stale files.
    while (w().sim.population.size() > 3)
        removeLastCreature(w().sim.population);
    save("saveData1");
    EXPECT_EQ(folderContents("saveData1").size(), 3u + 8u);
    EXPECT_FALSE(exists("saveData1/3.dat"));
    EXPECT_EQ(entriesStartingWith("saveData1").size(), 1u) << "staging folders left behind";
}

TEST_F(SaveAll, LoadGivesBackTheSavedSimulation)
{
    scene->step(400);
    World& s = w();
    s.settings.wallHeight = 2.5;
    s.settings.foodInterval = 7;
    s.settings.minPopulation = 8;
    s.sim.extras.spareSeries1 = {1.0, 2.0};
    std::vector<Expected> creatures;
    for (const auto& a : s.sim.population)
        creatures.push_back(expect(a));
    const std::vector<AimPoint> foods = s.sim.foods.foods;
    const double timer = s.sim.foods.timer;
    const double time = s.sim.time;
    ASSERT_GT(foods.size(), 0u);
    save("saveData2");

    // Another world, with a selection, loads it.
    makeScene(777, 6);
    scene->step(50);
    w().view.selectedAgent = &w().sim.population.front();
    w().view.followedAgent = &w().sim.population.back();
    w().settings.learningMutation = 0;
    EXPECT_EQ(persist_test::printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "saveData2")); }).out,
              "read\n");

    ASSERT_EQ(w().sim.population.size(), creatures.size());
    std::size_t i = 0;
    for (const auto& a : w().sim.population) {
        SCOPED_TRACE("creature " + std::to_string(i));
        compare(creatures[i++], a);
        EXPECT_EQ(a.environment, &w().sim.environment);
    }
    ASSERT_EQ(w().sim.foods.foods.size(), foods.size());
    for (std::size_t k = 0; k < foods.size(); ++k) {
        EXPECT_EQ(w().sim.foods.foods[k].position.x, foods[k].position.x);
        EXPECT_EQ(w().sim.foods.foods[k].position.y, foods[k].position.y);
    }
    EXPECT_EQ(w().sim.foods.timer, timer);
    EXPECT_EQ(w().sim.foods.eaten, nullptr);
    EXPECT_EQ(w().sim.time, time);
    EXPECT_EQ(w().settings.wallHeight, 2.5);
    EXPECT_EQ(w().settings.foodInterval, 7);
    EXPECT_EQ(w().settings.minPopulation, 8);
    EXPECT_EQ(w().sim.extras.spareSeries1, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(w().settings.learningMutation, 0); // not part of a save
    // New ids go on after every id the loaded world has known.
    for (const Agent& a : w().sim.population)
        EXPECT_LT(a.creatureId, w().sim.nextCreatureId);
    EXPECT_GT(w().sim.nextCreatureId, w().sim.family.largestId());

    // The loaded world runs on.
    scene->step(200);
    EXPECT_GE(w().sim.population.size(), 8u);
}

TEST_F(SaveAll, EmptyPopulationLoadsEmptyAndIsRefilledByTheNextStep)
{
    forgetAllCreatures(w().view);
    clearCreatures(w().sim);
    save("saveData3");
    EXPECT_EQ(readBytes("saveData3/posAgent.dat"), "");
    makeScene(31, 10);
    persist_test::printedBy([&] { loadAll(w().sim, w().settings, "saveData3"); });
    EXPECT_TRUE(w().sim.population.empty());
    scene->step(1);
    EXPECT_EQ(w().sim.population.size(), 10u);
}

TEST_F(SaveAll, FailedSavesLeaveTheEarlierSaveAsItWas)
{
    scene->step(30);
    save("saveData1");
    const auto earlier = folderContents("saveData1");
    scene->step(30);

    // A folder whose parent is a file, and a target that is a file.
    writeBytes("plain", "x");
    EXPECT_EQ(failureOf([&] { saveAll(w().sim, w().settings, "plain/saveData1"); }), "cannot open:plain/saveData1");
    writeBytes("saveData4", "keep me");
    EXPECT_EQ(failureOf([&] { saveAll(w().sim, w().settings, "saveData4"); }), "cannot open:saveData4");
    EXPECT_EQ(readBytes("saveData4"), "keep me");

    // Writing stops part-way (files above 20000 bytes cannot be written):
    // config.dat is written, the first creature is not.
    std::string text;
    {
        const persist_test::FileSizeLimit limit(20000);
        text = failureOf([&] { saveAll(w().sim, w().settings, "saveData1"); });
    }
    EXPECT_EQ(text, "cannot write:saveData1/0.dat");

    EXPECT_EQ(folderContents("saveData1"), earlier);
    EXPECT_EQ(entriesStartingWith("saveData1").size(), 1u) << "staging folders left behind";
    EXPECT_EQ(entriesStartingWith("plain").size(), 1u);
}

// A run saved and loaded goes on with its statistics: the charts' samples,
// their thinning and the totals come back, and new samples follow on.
TEST_F(SaveAll, TheRunsStatisticsComeBackWithTheWorld)
{
    makeScene(515, 6);
    scene->step(4000); // two simulated minutes
    const std::string history = w().sim.statistics.encodeHistory();
    const LifeCounters counters = w().sim.counters;
    ASSERT_GT(w().sim.statistics.history().size(), 100u);
    save("withStats");

    makeScene(3, 2);
    scene->step(50);
    persist_test::printedBy([&] { ASSERT_TRUE(loadAll(w().sim, w().settings, "withStats")); });
    EXPECT_EQ(w().sim.statistics.encodeHistory(), history);
    EXPECT_EQ(w().sim.counters.births, counters.births);
    EXPECT_EQ(w().sim.counters.refills, counters.refills);
    EXPECT_EQ(w().sim.counters.cycles.cycles, w().sim.statistics.latest().totalCycles);
    const std::size_t before = w().sim.statistics.history().size();
    scene->step(100);
    EXPECT_GT(w().sim.statistics.history().size(), before);
    EXPECT_GE(w().sim.statistics.latest().births, counters.births);

    // A damaged samples file is refused like any damaged file of the save.
    writeBytes("withStats/statistics.csv", "creatures statistics 1 stride=1 taken=1\n5,x\n");
    std::remove("withStats/SHA256SUMS");
    makeScene(3, 2);
    persist_test::printedBy([&] {
        EXPECT_EQ(failureOf([&] { loadAll(w().sim, w().settings, "withStats"); }),
                  "damaged file:withStats/statistics.csv (row 2 is not a sample)");
    });
}

// A save that no longer writes a file of an earlier save in the folder (no
// samples or no creatures yet) removes it: the manifest would not name it,
// and the folder would hold no save that loads.
TEST_F(SaveAll, ASaveRemovesTheFilesOfAnEarlierSaveItNoLongerWrites)
{
    const struct Case {
        const char* what;
        int creatures;
        std::vector<std::string> gone;
    } cases[] = {
        {"no samples yet", 10, {"statistics.csv"}},
        {"no creatures and no samples", 0, {"statistics.csv", "family.csv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeScene(1, 10);
        scene->step(50);
        save("z");
        makeScene(1, c.creatures);
        save("z");
        for (const std::string& name : c.gone)
            EXPECT_FALSE(persist_test::exists("z/" + name)) << name;
        makeScene(3, 2);
        const auto printed = persist_test::printedBy(
            [&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "z")); });
        EXPECT_EQ(printed.err, "");
        EXPECT_EQ(static_cast<int>(w().sim.population.size()), c.creatures);
        std::filesystem::remove_all("z");
    }
}
