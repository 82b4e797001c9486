// Watching a run: the statistics recorder and what reads it, family lines
// over matings and across saves, and the inspector's view of a creature.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ecology/creature_life.h"
#include "persist/lineage_file.h"
#include "persist/save_all.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"
#include "ui/creature_details.h"
#include "ui/statistics_charts.h"

namespace {

std::vector<std::string> splitCsv(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string f;
    while (std::getline(in, f, ','))
        fields.push_back(f);
    return fields;
}

class Watching : public WorldTest {};

TEST_F(Watching, TheRecorderSamplesEachSecondAndEveryReaderSeesTheSameSamples)
{
    Simulation& s = w().sim;
    std::vector<StatsSample> delivered;
    s.statistics.addSink([&](const StatsSample& x) { delivered.push_back(x); });

    // A crafted second: three scored cycles of progress 1, 2 and 6 and two
    // generations, between the samples at 0.03 s and 1.0 s.
    scene->step();
    ASSERT_EQ(delivered.size(), 1u);
    s.counters.cycles.cycles += 3;
    s.counters.cycles.progress += 9.0;
    creature(0).generation = 4;
    creature(1).generation = 2;
    while (delivered.size() < 2)
        scene->step();
    const StatsSample& x = delivered.back();
    EXPECT_GE(x.time, 1.0);
    EXPECT_LT(x.time, 1.0 + s.stepSize);
    EXPECT_GE(x.cyclesEvaluated, 3);
    const long long natural = x.cyclesEvaluated - 3;
    if (natural == 0) {
        EXPECT_DOUBLE_EQ(x.meanProgress, 3.0);
    }
    EXPECT_EQ(x.maxGeneration, 4);
    EXPECT_DOUBLE_EQ(x.meanGeneration, 6.0 / s.population.size());
    EXPECT_EQ(x.population, static_cast<long long>(s.population.size()));

    // The file's columns: the first ten as they always were, then the new.
    const std::vector<std::string> header = splitCsv(statsCsvHeader().substr(0, statsCsvHeader().size() - 1));
    const std::vector<std::string> want = {
        "time", "population", "foods", "births", "refills", "deaths_starved", "deaths_fallen",
        "foods_eaten", "mean_energy", "best_score", "cycles_evaluated", "mean_progress",
        "max_generation", "mean_generation", "founder_families", "mrca_generation", "mrca_age",
        "mean_parts", "body_from_founders", "body_diversity"};
    EXPECT_EQ(header, want);
    const std::vector<std::string> row = splitCsv(statsCsvLine(x));
    ASSERT_EQ(row.size(), want.size());
    EXPECT_EQ(row[10], std::to_string(x.cyclesEvaluated));
    EXPECT_EQ(row[12], "4");

    // A long run: the kept samples stay bounded, cover the whole run, and
    // are the very samples the file received; the charts have one point per
    // kept sample.
    scene->step(3000); // 90 s
    const auto& h = s.statistics.history();
    EXPECT_EQ(h.size(), delivered.size());
    for (std::size_t i = 0; i < h.size(); ++i)
        ASSERT_EQ(statsCsvLine(h[i]), statsCsvLine(delivered[i])) << i;
    const std::vector<Chart> charts = statisticsCharts(s.statistics);
    ASSERT_EQ(charts.size(), 13u);
    for (const Chart& c : charts)
        EXPECT_EQ(c.values.size(), h.size()) << c.title;
    const auto population = std::find_if(charts.begin(), charts.end(),
                                         [](const Chart& c) { return c.title == "Population"; });
    ASSERT_NE(population, charts.end());
    EXPECT_EQ(population->values.back(), static_cast<float>(h.back().population));
    // The most telling first: the mean progress, with its trend.
    EXPECT_EQ(charts[0].title, "Mean progress");
    EXPECT_EQ(charts[0].smoothed.size(), h.size());

    StatisticsRecorder big;
    for (int t = 0; t < 20000; ++t) {
        s.time = t + 0.5;
        big.afterStep(s);
    }
    EXPECT_LE(big.history().size(), StatisticsRecorder::kHistoryLimit);
    EXPECT_GE(big.history().size(), StatisticsRecorder::kHistoryLimit / 2);
    EXPECT_DOUBLE_EQ(big.history().front().time, 0.5);
    EXPECT_GT(big.history().back().time, 19000.0);
}

TEST_F(Watching, GenerationsAndParentsFollowMatingsAndSurviveASave)
{
    makeScene(4242, 0);
    std::vector<LifeEvent> events;
    w().sim.lifeEvents = [&](const LifeEvent& e) { events.push_back(e); };
    Agent& a = addCreatureAt(w(), 0, 0, 3);
    Agent& b = addCreatureAt(w(), 1, 0, 3);
    auto mateNow = [&](Agent& x, Agent& y) {
        for (auto& c : w().sim.population)
            c.intention.mode = Intention::None;
        x.intention.mode = Intention::Mate;
        x.intention.partner = &y;
        feedingAndMatingPass(w().sim, w().settings);
        return &w().sim.population.back();
    };
    Agent* child = mateNow(a, b);
    EXPECT_EQ(child->generation, 1);
    Agent* grandchild = mateNow(*child, a);
    EXPECT_EQ(grandchild->generation, 2);
    EXPECT_EQ(grandchild->parentIds[0], child->creatureId);
    EXPECT_EQ(grandchild->parentIds[1], a.creatureId);
    EXPECT_EQ(a.children, 2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(lineageLogLine(events[1]).substr(lineageLogLine(events[1]).find(',') + 1),
              "birth," + std::to_string(grandchild->creatureId) + "," +
                  std::to_string(child->creatureId) + "," + std::to_string(a.creatureId) +
                  ",2,,,,\n");

    const std::string dir = ::testing::TempDir() + "lineage-save";
    std::filesystem::remove_all(dir);
    testing::internal::CaptureStdout();
    saveAll(w().sim, w().settings, dir);
    testing::internal::GetCapturedStdout();
    const int grandchildId = grandchild->creatureId;
    const int aId = a.creatureId;

    // Loaded with the file; without it while the checksum list names it
    // (refused: part of the save is gone); without it and without the list
    // (another program's save); and with a damaged one and no list (a
    // warning; the world still loads).
    for (const char* variant : {"kept", "lost", "missing", "damaged"}) {
        SCOPED_TRACE(variant);
        if (std::string(variant) == "lost")
            std::filesystem::rename(dir + "/" + kLineageFile, dir + "/kept.csv");
        if (std::string(variant) == "missing") {
            std::filesystem::remove(dir + "/SHA256SUMS");
            std::filesystem::remove(dir + "/kept.csv");
        }
        if (std::string(variant) == "damaged") {
            // As another program's save would hold it: no manifest.
            std::ofstream(dir + "/" + kLineageFile) << "index,id,generation,parent_a,parent_b,children\n0,x\n";
        }
        makeScene(9, 0);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        bool loaded = false;
        try {
            loaded = loadAll(w().sim, w().settings, dir);
        } catch (const std::string&) {
        }
        testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (std::string(variant) == "lost") {
            EXPECT_FALSE(loaded);
            EXPECT_NE(err.find("damaged file:" + dir + "/" + kLineageFile + " (missing"),
                      std::string::npos)
                << err;
            continue;
        }
        ASSERT_TRUE(loaded) << err;
        const Agent& back = w().sim.population.back();
        EXPECT_EQ(back.creatureId, grandchildId);
        const bool kept = std::string(variant) == "kept";
        EXPECT_EQ(back.generation, kept ? 2 : 0);
        EXPECT_EQ(back.parentIds[1], kept ? aId : -1);
        EXPECT_EQ(err.find("warning:") != std::string::npos, std::string(variant) == "damaged")
            << err;
    }
    std::filesystem::remove_all(dir);
}

TEST_F(Watching, TheInspectorFollowsTheSelectionUntilItsCreatureIsGone)
{
    CreatureInspector inspector;
    inspector.update(w());
    EXPECT_FALSE(inspector.isOpen());

    scene->step(200);
    Agent& a = creature(3);
    w().view.selectedAgent = &a;
    inspector.update(w());
    ASSERT_TRUE(inspector.isOpen());
    const std::vector<InspectorRow> rows = inspector.rows();
    ASSERT_GE(rows.size(), 14u);
    EXPECT_EQ(rows[0].value, std::to_string(a.creatureId));
    EXPECT_EQ(rows[2].value, "none");
    EXPECT_EQ(inspector.recentProgress().size(), a.recentProgress.size());
    EXPECT_LE(a.recentProgress.size(), 15u);
    bool plotted = false, valued = false;
    for (const GeneView& g : inspector.genes()) {
        plotted = plotted || (!g.scalar && !g.values.empty());
        valued = valued || (g.scalar && !g.value.empty());
    }
    EXPECT_TRUE(plotted && valued);

    // Closed by the user: stays closed for that selection.
    inspector.close(w());
    inspector.update(w());
    EXPECT_FALSE(inspector.isOpen());
    w().view.selectedAgent = nullptr;
    inspector.update(w());
    w().view.selectedAgent = &a;
    inspector.update(w());
    EXPECT_TRUE(inspector.isOpen());

    // Dying: the cause shows; removed: the inspector closes.
    a.lifeState = Fallen;
    inspector.update(w());
    EXPECT_EQ(inspector.deathCause(), "fallen");
    a.lifeState = Removable;
    a.deathCause = Fallen;
    scene->step();
    inspector.update(w());
    EXPECT_FALSE(inspector.isOpen());
}

} // namespace
