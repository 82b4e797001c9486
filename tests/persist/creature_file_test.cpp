// Creatures to keep and share: the hall of fame, a creature in a file of its
// own (living or kept after its death), and the program taking such a file
// in, or showing it alone.
#include <gtest/gtest.h>

#include <sstream>

#include "ecology/creature_life.h"
#include "ecology/hall_of_fame.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "ecology/arena.h"
#include "persist/manifest.h"
#include "persist/positions.h"
#include "persist/save_all.h"
#include "persist/world_rules.h"
#include "persist_support.h"

namespace {

using persist_test::printedBy;
using persist_test::readBytes;
using persist_test::writeBytes;

class CreatureFile : public PersistTest {};

TEST_F(CreatureFile, TheHallOfFameKeepsTheTenBestAndWhatItNeedsOfTheDead)
{
    makeScene(5, 14);
    scene->step(1200); // 36 s: scores spread
    const HallOfFame& hall = w().sim.hallOfFame;
    ASSERT_EQ(hall.entries().size(), HallOfFame::kSize);
    for (std::size_t i = 1; i < hall.entries().size(); ++i)
        EXPECT_GE(hall.entries()[i - 1].score, hall.entries()[i].score);
    // Every member reached its score; no creature outside scores above the last.
    double best = -1e9;
    for (const Agent& a : w().sim.population)
        best = std::max(best, a.score);
    EXPECT_GE(hall.entries().front().score, best);

    // The best one dies: it stays, with a record that saves and loads alive.
    const Agent* top = hall.entries().front().agent;
    ASSERT_NE(top, nullptr);
    const std::vector<double> genome = top->gene.values;
    const int id = top->creatureId;
    const_cast<Agent*>(top)->lifeState = Removable;
    scene->step(1);
    const FameEntry& kept = hall.entries().front();
    EXPECT_EQ(kept.agent, nullptr);
    EXPECT_EQ(kept.id, id);
    ASSERT_NE(kept.kept.record, nullptr);
    writeCreatureFile("kept.creature", encodeCreatureFile(*kept.kept.record, kept.kept.pose, w().settings));
    const std::size_t before = w().sim.population.size();
    printedBy([&] { EXPECT_TRUE(loadCreatureFile(w().sim, w().settings, "kept.creature", underCamera(w()))); });
    ASSERT_EQ(w().sim.population.size(), before + 1);
    const Agent& back = w().sim.population.back();
    EXPECT_EQ(back.gene.values, genome);
    EXPECT_EQ(back.lifeState, Alive);
    EXPECT_GT(back.energy, 0.0);
    scene->step(30);
    EXPECT_EQ(w().sim.population.back().lifeState, Alive);
}

TEST_F(CreatureFile, AFileHoldsACreatureWholeAndWhatIsNotOneIsRefusedUntouched)
{
    scene->step(100);
    const Agent& a = *std::next(w().sim.population.begin(), 2);
    writeCreatureFile("one.creature", encodeCreatureFile(a, w().settings));
    const std::string bytes = readBytes("one.creature");
    struct Case {
        const char* what;
        std::string contents;
        std::string refusal; // empty: it loads
    };
    std::string flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x10;
    // The file without its checksum section (the last section), and with a
    // section's name changed.
    const std::string unchecked = bytes.substr(0, bytes.rfind("SHA256SUMS "));
    std::string renamed = bytes;
    renamed.replace(renamed.find("agent.dat"), 9, "agent.daT");
    const std::vector<Case> cases = {
        {"the file", bytes, ""},
        {"another file", "hello\n", "damaged file:f.creature (not a creature file)"},
        {"cut short", bytes.substr(0, bytes.size() - 100),
         "damaged file:f.creature (a section's length does not fit the file)"},
        {"a flipped bit", flipped, "damaged file:f.creature/"},
        {"empty", "", "damaged file:f.creature (not a creature file)"},
        {"no checksum section", unchecked, "damaged file:f.creature (no checksum section)"},
        {"a section renamed", renamed, "damaged file:f.creature (an unknown section)"},
        {"a file of 17 MB", bytes + std::string(16500000, 'x'),
         "damaged file:f.creature (too large for a creature file)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes("f.creature", c.contents);
        const auto before = persist_test::fingerprint(w());
        const std::size_t size = w().sim.population.size();
        std::string text;
        printedBy([&] {
            try {
                loadCreatureFile(w().sim, w().settings, "f.creature", underCamera(w()));
            } catch (const std::string& t) {
                text = t;
            }
        });
        if (c.refusal.empty()) {
            EXPECT_EQ(text, "");
            EXPECT_EQ(w().sim.population.size(), size + 1);
            EXPECT_EQ(w().sim.population.back().gene.values, a.gene.values);
        } else {
            EXPECT_EQ(text.rfind(c.refusal, 0), 0u) << text;
            EXPECT_EQ(persist_test::firstDifference(before, persist_test::fingerprint(w())), -1);
        }
    }
    // A folder where the file goes is refused, a missing file cannot be opened.
    std::filesystem::create_directory("dir.creature");
    EXPECT_EQ(failureOf([&] { writeCreatureFile("dir.creature", bytes); }), "cannot open:dir.creature");
    EXPECT_EQ(failureOf([&] { loadCreatureFile(w().sim, w().settings, "missing.creature", underCamera(w())); }),
              "cannot open:missing.creature");
}

TEST_F(CreatureFile, TheProgramTakesACreatureInOrShowsItAloneForAsLongAsItRuns)
{
    scene->step(100);
    writeCreatureFile("one.creature", encodeCreatureFile(w().sim.population.front(), w().settings));
    auto run = [](const std::string& args) {
        const std::string cmd = std::string(CREATURES_BINARY) + " --headless --seed 4 " + args +
                                " > out.txt 2>&1";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(run("--steps 1 --load-creature one.creature --save-all with"), 0);
    EXPECT_TRUE(persist_test::exists("with/10.dat")); // ten and the one
    // Alone: the only creature, brought back whenever it dies (it falls
    // off a tiny ground here, time and again).
    ASSERT_EQ(run("--seconds 60 --show-creature one.creature --set groundSize=3 --stats s.csv"), 0);
    const std::string stats = readBytes("s.csv");
    std::istringstream rows(stats);
    std::string row, last;
    std::getline(rows, row);
    int alone = 0, none = 0, rowsSeen = 0;
    bool noneBefore = false;
    while (std::getline(rows, row)) {
        // The population column: the creature, or none in the second it died.
        const std::string population = row.substr(row.find(',') + 1, 2);
        EXPECT_TRUE(population == "1," || (population == "0," && !noneBefore)) << row;
        noneBefore = population == "0,";
        alone += population == "1,";
        none += noneBefore;
        ++rowsSeen;
        last = row;
    }
    EXPECT_GT(rowsSeen, 50);
    EXPECT_GE(alone, rowsSeen - none);
    // It did die, and came back.
    std::vector<std::string> cells;
    std::istringstream lastRow(last);
    for (std::string cell; std::getline(lastRow, cell, ',');)
        cells.push_back(cell);
    ASSERT_GT(cells.size(), 6u);
    EXPECT_GT(std::stoi(cells[5]) + std::stoi(cells[6]), 0) << last; // deaths
    EXPECT_NE(run("--steps 1 --load-creature missing.creature"), 0);
}

// A creature file made of the given sections, as the program writes them:
// the files written before creature files kept their rules, or ones whose
// rules section was tampered with. The checksum section covers the first
// `summed` sections (all of them by default).
std::string creatureFileOf(const SavedFiles& files, std::size_t summed = 99)
{
    std::string out = "creatures creature file 1\n";
    SavedFiles all = files;
    all.emplace_back(kManifestFile,
                     encodeManifest(SavedFiles(files.begin(),
                                               files.begin() + std::min(summed, files.size()))));
    for (const auto& [name, bytes] : all)
        out += name + " " + std::to_string(bytes.size()) + "\n" + bytes;
    return out;
}

TEST_F(CreatureFile, AFileKeepsTheRulesOfItsWorldAndAnOlderFileHasNone)
{
    scene->step(60);
    const Agent& a = w().sim.population.front();
    SavedFiles withRules = creatureFiles(a);
    withRules.emplace_back(kRulesFile, "learningRule=7\n");
    const struct Case {
        const char* what;
        LearningRuleId rule;
        PhysicsSetupId physics;
        std::string contents; // empty: written by the program under the rules
        bool recorded;
        std::string refusal;  // empty: the file loads
    } cases[] = {
        {"default rules", LearningRuleId::Original, PhysicsSetupId::Classic, "", true, ""},
        {"rule 1", LearningRuleId::Improved, PhysicsSetupId::Classic, "", true, ""},
        {"rule 1, fast physics", LearningRuleId::Improved, PhysicsSetupId::Fast, "", true, ""},
        {"an older file", LearningRuleId::Original, PhysicsSetupId::Classic,
         creatureFileOf(creatureFiles(a)), false, ""},
        {"a rule out of range", LearningRuleId::Original, PhysicsSetupId::Classic,
         creatureFileOf(withRules), true,
         "damaged file:f.creature/rules.txt (line 1: learningRule needs a value it can take)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WorldSettings world;
        world.learningRule = c.rule;
        world.physics = c.physics;
        const std::string contents =
            c.contents.empty() ? encodeCreatureFile(a, world) : c.contents;
        writeBytes("f.creature", contents);
        const std::size_t size = w().sim.population.size();
        std::string rulesRefusal, loadRefusal;
        CreatureFileRules rules;
        auto refusalOf = [](auto op) {
            try {
                op();
            } catch (const std::string& text) {
                return text;
            }
            return std::string();
        };
        printedBy([&] {
            rulesRefusal = refusalOf([&] { rules = creatureFileRules("f.creature", contents); });
            loadRefusal = refusalOf([&] {
                loadCreatureFile(w().sim, w().settings, "f.creature", underCamera(w()));
            });
        });
        EXPECT_EQ(rulesRefusal, c.refusal);
        EXPECT_EQ(loadRefusal, c.refusal);
        EXPECT_EQ(w().sim.population.size(), size + (c.refusal.empty() ? 1 : 0));
        if (!c.refusal.empty())
            continue;
        EXPECT_EQ(rules.recorded, c.recorded);
        EXPECT_EQ(rules.settings.learningRule, c.rule);
        EXPECT_EQ(rules.settings.physics, c.physics);
        // Only the rules come from the file.
        EXPECT_EQ(rules.settings.groundSize, WorldSettings().groundSize);
        // The world that takes the creature in keeps its own rules.
        EXPECT_EQ(w().settings.learningRule, LearningRuleId::Original);
    }
    // A rules section the checksums do not name is refused.
    SavedFiles unnamed = creatureFiles(a);
    unnamed.emplace_back(kRulesFile, "learningRule=1\n");
    EXPECT_EQ(failureOf([&] { creatureFileRules("u.creature", creatureFileOf(unnamed, 2)); }),
              "damaged file:u.creature/SHA256SUMS (it does not name rules.txt)");
    EXPECT_EQ(rulesText(WorldSettings()), "the default rules");
}

TEST_F(CreatureFile, ACreatureShownAloneKeepsItsIdAndGenerationANewcomerTakesThisWorlds)
{
    scene->step(60);
    Agent& a = w().sim.population.front();
    a.generation = 4;
    const int id = a.creatureId;
    writeCreatureFile("gen4.creature", encodeCreatureFile(a, w().settings));
    // The same creature in a file written before files kept their lineage.
    writeBytes("older.creature", creatureFileOf(creatureFiles(a)));
    const struct Case {
        const char* file;
        Arrival arrival;
        bool keepsId;
        int generation;
    } cases[] = {
        {"gen4.creature", Arrival::Shown, true, 4},
        {"gen4.creature", Arrival::Newcomer, false, 0},
        {"older.creature", Arrival::Shown, true, 0},
        {"older.creature", Arrival::Newcomer, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.keepsId ? " shown" : " newcomer"));
        Scene alone(7, 0);
        Simulation& sim = alone.world().sim;
        const int next = sim.nextCreatureId;
        printedBy([&] {
            loadCreatureFile(sim, alone.world().settings, c.file, PlacePoint{}, c.arrival);
        });
        ASSERT_EQ(sim.population.size(), 1u);
        const Agent& back = sim.population.back();
        EXPECT_EQ(back.creatureId, c.keepsId ? id : next);
        EXPECT_EQ(back.generation, c.generation);
        EXPECT_EQ(back.parentIds[0], -1);
        // The next creature of that world takes an id after it.
        EXPECT_GT(sim.nextCreatureId, back.creatureId);
    }
    // The program shows it so.
    const std::string cmd = std::string(CREATURES_BINARY) +
                            " --headless --steps 1 --show-creature gen4.creature --save-all shown"
                            " > out.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << readBytes("out.txt");
    EXPECT_NE(readBytes("shown/lineage.csv").find("\n0," + std::to_string(id) + ",4,"),
              std::string::npos)
        << readBytes("shown/lineage.csv");
}

TEST_F(CreatureFile, LoadCreatureSaysWhatItAddedPlacesItClearAndTakesTheRulesOfAFreshWorld)
{
    scene->step(60);
    WorldSettings improved = w().settings;
    improved.learningRule = LearningRuleId::Improved;
    writeCreatureFile("one.creature", encodeCreatureFile(w().sim.population.front(), improved));
    auto run = [](const std::string& args) {
        const std::string cmd = std::string(CREATURES_BINARY) + " --headless --seed 4 --steps 1 " +
                                args + " > out.txt 2>err.txt";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(run("--save-all plain"), 0);
    // A world with a creature where the camera looks at start, the middle.
    {
        Scene crowded(4, 10);
        Agent& a = crowded.world().sim.population.front();
        applyCreaturePositions(a, creaturePose(a), 0.0, 0.0);
        a.centre = MY_VECTOR3{0.0, 0.0, a.centre.z};
        printedBy([&] { saveAll(crowded.world().sim, crowded.world().settings, "crowded"); });
    }
    // A line of its own on standard output.
    const std::string differ =
        "\nAdded creature 10 from one.creature (its file's rules, learningRule=1, are not this "
        "world's, the default rules: it lives by this world's)\n";
    const struct {
        const char* args;
        std::string said;  // on standard output
        std::string rules; // rules.txt of the world saved after
    } cases[] = {
        // A fresh world runs by the file's rules.
        {"--load-creature one.creature --save-all s", "\nAdded creature 10 from one.creature\n",
         "learningRule=1\n"},
        // The command line wins.
        {"--load-creature one.creature --set learningRule=0 --save-all s", differ, ""},
        // A loaded world keeps its own.
        {"--load-all plain --load-creature one.creature --save-all s", differ, ""},
        {"--load-all crowded --load-creature one.creature --save-all s", differ, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        std::filesystem::remove_all("s");
        ASSERT_EQ(run(c.args), 0) << readBytes("err.txt");
        EXPECT_NE(readBytes("out.txt").find(c.said), std::string::npos) << readBytes("out.txt");
        EXPECT_EQ(persist_test::exists("s/rules.txt") ? readBytes("s/rules.txt") : "", c.rules);
        // The loaded creature (the last) stands clear of every other.
        Scene back(1, 0);
        printedBy([&] { ASSERT_TRUE(loadAll(back.world().sim, back.world().settings, "s")); });
        const Population& all = back.world().sim.population;
        ASSERT_EQ(all.size(), 11u);
        const Agent& added = all.back();
        for (auto it = all.begin(); &*it != &added; ++it)
            EXPECT_GE(std::hypot(it->centre.x - added.centre.x, it->centre.y - added.centre.y),
                      kClearance - 1.0);
    }
}

} // namespace
