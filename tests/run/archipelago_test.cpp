// An archipelago of worlds on threads: repeatable whatever the threads,
// island 1 the plain run of the seed, migrants taken in at every epoch and
// noted in the family tree, outputs and saves by island.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/archipelago.h"
#include "app/scene.h"

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream o;
    o << in.rdbuf();
    return o.str();
}

// Every file of a folder and its sub-folders, by relative name.
std::string digest(const fs::path& folder)
{
    std::string all;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files)
        all += fs::relative(f, folder).string() + "\n" + contentsOf(f);
    return all;
}

int run(const fs::path& dir, const std::string& args)
{
    const std::string cmd = "cd '" + dir.string() + "' && " + CREATURES_BINARY +
                            " --headless --seed 7 " + args + " > out.txt 2>&1";
    return WEXITSTATUS(std::system(cmd.c_str()));
}

TEST(Archipelago, NamesAndSeedsOfIslands)
{
    struct Name {
        const char* name;
        int island;
        const char* is;
    };
    for (const Name& n : {Name{"run.csv", 2, "run-island2.csv"}, Name{"out", 1, "out-island1"},
                          Name{"a.b/tree.nwk", 3, "a.b/tree-island3.nwk"},
                          Name{"a.b/tree", 3, "a.b/tree-island3"}, Name{".hidden", 2, ".hidden-island2"}})
        EXPECT_EQ(islandFileName(n.name, n.island), n.is) << n.name;
    EXPECT_EQ(islandSeed(7, 1), 7u);
    EXPECT_EQ(islandSeed(7, 3), 7u + 2u * 1000003u);
    EXPECT_EQ(islandSeed(0xFFFFFFFFu, 2), 1000002u);

    // An island's outputs: files named with its number, folders of its own
    // inside the ones named; what is not asked for stays unasked.
    RunOptions o;
    o.statsFile = "s.csv";
    o.treeFile = "out/t.nwk";
    o.saveAllDir = "save";
    o.championsDir = "ch";
    o.loadAllDir = "in";
    o.autosaveFolder = "auto";
    const RunOptions two = islandOptions(o, 2);
    EXPECT_EQ(two.statsFile, "s-island2.csv");
    EXPECT_EQ(two.treeFile, "out/t-island2.nwk");
    EXPECT_TRUE(two.lineageFile.empty());
    for (const auto& [folder, named] : {std::pair{two.saveAllDir, "save"}, {two.championsDir, "ch"},
                                        {two.loadAllDir, "in"}, {two.autosaveFolder, "auto"}})
        EXPECT_EQ(fs::path(folder), fs::path(named) / "island-2");
}

// The migrant is the hall of fame's best, and arrives as a newcomer: a new
// id, no parents, at the middle of the ground, its old id and island in the
// family tree. Damaged contents are refused and leave the world as it was.
TEST(Archipelago, MigrantsAreTheBestOfTheirIslandAndArriveAsNewcomers)
{
    Scene home(7, 10), away(8, 10);
    home.step(400);
    const std::vector<FameEntry>& fame = home.world().sim.hallOfFame.entries();
    ASSERT_FALSE(fame.empty());
    const int bestId = fame.front().id;
    for (const FameEntry& e : fame)
        EXPECT_LE(e.score, fame.front().score);
    const std::string migrant = chooseMigrant(home.world());
    ASSERT_FALSE(migrant.empty());
    EXPECT_TRUE(chooseMigrant(Scene(9, 0).world()).empty()); // nobody to send

    Simulation& sim = away.world().sim;
    const std::size_t before = sim.population.size();
    for (const std::string& bad : {std::string("no creature"), migrant.substr(0, migrant.size() / 2)})
        EXPECT_FALSE(takeInMigrant(away.world(), bad, 2));
    EXPECT_EQ(sim.population.size(), before);
    const int nextId = sim.nextCreatureId;
    ASSERT_TRUE(takeInMigrant(away.world(), migrant, 2));
    ASSERT_EQ(sim.population.size(), before + 1);
    const Agent& newcomer = sim.population.back();
    EXPECT_EQ(newcomer.creatureId, nextId);
    EXPECT_EQ(newcomer.parentIds[0], -1);
    EXPECT_NEAR(newcomer.centre.x, 0.0, 1e-9);
    EXPECT_NEAR(newcomer.centre.y, 0.0, 1e-9);
    const FamilyMember* m = sim.family.find(nextId);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->origin, FamilyMember::Migrant);
    EXPECT_EQ(m->formerId, bestId);
    EXPECT_EQ(m->fromWorld, 2);
}

// A saved archipelago is one save: a load takes all of its islands or none,
// and a save replaces whatever the folder held before as a whole.
TEST(Archipelago, ASavedArchipelagoLoadsWholeOrNotAtAll)
{
    const fs::path dir = fs::path(testing::TempDir()) / "saved_islands";
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(run(dir, "--islands 3 --steps 30 --save-all I3"), 0) << contentsOf(dir / "out.txt");
    ASSERT_EQ(run(dir, "--islands 3 --steps 40 --save-all other"), 0);
    const struct {
        const char* name;
        const char* change; // shell commands in the copy "a" of I3
        const char* said;
    } damaged[] = {
        {"an island removed", "rm -r a/island-2", "damaged file:a/island-2 (missing: the save has 3"},
        {"the last island removed", "rm -r a/island-3", "damaged file:a/island-3 (missing"},
        {"island-1 removed", "rm -r a/island-1", "damaged file:a/island-1 (missing"},
        {"an island renamed", "mv a/island-3 a/island-4", "damaged file:a/island-3 (missing"},
        {"a file for an island", "rm -r a/island-2 && echo x > a/island-2",
         "damaged file:a/island-2 (not a folder)"},
        {"two islands swapped", "mv a/island-1 a/t && mv a/island-2 a/island-1 && mv a/t a/island-2",
         "damaged file:a/island-1 (not island 1 of this save)"},
        {"an island of another run", "rm -r a/island-2 && cp -a other/island-2 a/",
         "damaged file:a/island-2 (not island 2 of this save)"},
        {"a linked island", "rm -r a/island-2 && ln -s ../I3/island-2 a/island-2",
         "damaged file:a/island-2 (a link, not an island's folder)"},
        {"an island too many", "cp -a a/island-3 a/island-4",
         "damaged file:a/island-4 (an island beyond the save's 3)"},
        {"an earlier version's islands with a gap",
         "rm a/archipelago.txt a/SHA256SUMS && rm -r a/island-2",
         "damaged file:a/island-2 (missing, though island-3 is there)"},
        {"an earlier version's islands without island-1",
         "rm a/archipelago.txt a/SHA256SUMS && rm -r a/island-1",
         "damaged file:a/island-1 (missing, though island-2 is there)"},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "a");
        const std::string change = "cd '" + dir.string() + "' && cp -a I3 a && " + c.change;
        ASSERT_EQ(std::system(change.c_str()), 0);
        EXPECT_EQ(run(dir, "--steps 3 --load-all a"), 1);
        EXPECT_NE(contentsOf(dir / "out.txt").find(c.said), std::string::npos)
            << contentsOf(dir / "out.txt");
    }

    // A save of fewer islands leaves nothing of the larger one.
    fs::remove_all(dir / "a");
    fs::copy(dir / "I3", dir / "a", fs::copy_options::recursive);
    ASSERT_EQ(run(dir, "--islands 2 --steps 3 --save-all a"), 0);
    EXPECT_FALSE(fs::exists(dir / "a" / "island-3"));
    ASSERT_EQ(run(dir, "--steps 3 --load-all a"), 0);
    EXPECT_NE(contentsOf(dir / "out.txt").find("archipelago: 2 islands"), std::string::npos);
    // A world's save over it leaves no island, and loads as a world.
    ASSERT_EQ(run(dir, "--steps 3 --save-all a"), 0);
    EXPECT_FALSE(fs::exists(dir / "a" / "island-1"));
    EXPECT_FALSE(fs::exists(dir / "a" / "archipelago.txt"));
    ASSERT_EQ(run(dir, "--steps 3 --load-all a"), 0);
    EXPECT_EQ(contentsOf(dir / "out.txt").find("archipelago"), std::string::npos);
    // An islands save over a world's removes the world's files.
    ASSERT_EQ(run(dir, "--islands 2 --steps 3 --save-all a"), 0);
    EXPECT_FALSE(fs::exists(dir / "a" / "config.dat"));
    // A world's save with a folder of its own named island-1 is a world.
    ASSERT_EQ(run(dir, "--steps 3 --save-all w"), 0);
    fs::copy(dir / "I3" / "island-1", dir / "w" / "island-1", fs::copy_options::recursive);
    ASSERT_EQ(run(dir, "--steps 3 --load-all w"), 0);
    EXPECT_EQ(contentsOf(dir / "out.txt").find("archipelago"), std::string::npos);
    fs::remove_all(dir);
}

TEST(Archipelago, IslandsRepeatWhateverTheThreadsAndMigrantsArriveAtEveryEpoch)
{
    const fs::path dir = fs::path(testing::TempDir()) / "archipelago";
    fs::remove_all(dir);
    fs::create_directories(dir);
    // Three islands on the threads of the machine, and on one thread.
    const std::string islands = "--seconds 100 --islands 3 --migrate-every 25 ";
    ASSERT_EQ(run(dir, islands + "--save-all a --stats s.csv"), 0) << contentsOf(dir / "out.txt");
    // The progress lines sum the islands and name the slowest.
    EXPECT_NE(contentsOf(dir / "out.txt").find("islands 3"), std::string::npos);
    EXPECT_NE(contentsOf(dir / "out.txt").find("slowest island "), std::string::npos);
    ASSERT_EQ(run(dir, islands + "--threads 1 --save-all c"), 0);
    EXPECT_EQ(digest(dir / "a"), digest(dir / "c"));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(fs::exists(dir / "a" / ("island-" + std::to_string(i)) / "config.dat"));
        EXPECT_TRUE(fs::exists(dir / ("s-island" + std::to_string(i) + ".csv")));
        // Epochs at 25, 50, 75 and 100 s: a migrant from the island before
        // arrives at each but the first.
        std::istringstream family(contentsOf(dir / "a" / ("island-" + std::to_string(i)) /
                                             "family.csv"));
        std::string line;
        int migrants = 0;
        while (std::getline(family, line)) {
            std::vector<std::string> cells;
            std::istringstream row(line);
            for (std::string c; std::getline(row, c, ',');)
                cells.push_back(c);
            if (cells.size() > 7 && cells[4] == "4") {
                ++migrants;
                EXPECT_EQ(cells[7], std::to_string(i == 1 ? 3 : i - 1)) << line;
            }
        }
        EXPECT_EQ(migrants, 3) << "island " << i;
    }

    // Without migration, island 1 is the plain run of the seed.
    ASSERT_EQ(run(dir, "--seconds 100 --save-all plain"), 0);
    ASSERT_EQ(run(dir, "--seconds 100 --islands 2 --migrate-every 0 --save-all apart"), 0);
    EXPECT_EQ(digest(dir / "plain"), digest(dir / "apart" / "island-1"));

    // A saved archipelago loads as one, and goes on.
    ASSERT_EQ(run(dir, "--load-all a --steps 100 --save-all again"), 0) << contentsOf(dir / "out.txt");
    EXPECT_NE(contentsOf(dir / "out.txt").find("archipelago: 3 islands"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "again" / "island-3" / "config.dat"));
    EXPECT_EQ(run(dir, "--load-all a --islands 2 --steps 1"), 1);
    fs::remove_all(dir);
}

} // namespace
