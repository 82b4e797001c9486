// Loads of damaged saves are refused with a message naming the file, and
// leave both the running world and the save they came from untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/creature_helpers.h"
#include "persist/archive_io.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"
#include "persist_support.h"

namespace {

using persist_test::copyFolder;
using persist_test::fingerprint;
using persist_test::firstDifference;
using persist_test::folderContents;
using persist_test::putRaw;
using persist_test::readBytes;
using persist_test::writeBytes;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Rewrites the record held by an archive file.
template <class Record>
void edit(const std::string& path, const std::function<void(Record&)>& change)
{
    Record r;
    loadArchive(readBytes(path), r);
    change(r);
    writeBytes(path, saveArchive(r));
}

// Creatures are read into initialized records, as the loaders do.
void editCreature(const std::string& path, const std::function<void(Agent&)>& change)
{
    Agent a;
    a.initialize(testRandom());
    loadArchive(readBytes(path), a);
    change(a);
    writeBytes(path, saveArchive(a));
}

struct Damage {
    const char* what;
    std::function<void(const std::string& dir)> apply;
    std::string text; // expected text, with DIR standing for the folder
    bool prefixOnly;  // the text is the start of the message
};

std::string withFolder(std::string text, const std::string& dir)
{
    const auto at = text.find("DIR");
    if (at != std::string::npos)
        text.replace(at, 3, dir);
    return text;
}

class DamagedInput : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        makeScene(2024, 4);
        scene->step(150);
        persist_test::printedBy([&] {
            saveAll(w().sim, w().settings, "saveData1");
            w().view.selectedAgent = &w().sim.population.front();
            saveCreature(w().sim, w().view.selectedAgent, "saveDataOneCreature1");
        });
        // The damages below test the readers' own checks, as a save without
        // a manifest meets them (one of another program or an older
        // version); with the manifest every one of them is a checksum.
        std::filesystem::remove("saveData1/SHA256SUMS");
        std::filesystem::remove("saveDataOneCreature1/SHA256SUMS");
        population = static_cast<int>(w().sim.population.size());
        // The running world moves on, so a partial load would show.
        scene->step(40);
    }

    // Applies each damage to a fresh copy of the source folder and checks
    // that the load is refused with the expected text, changing nothing.
    template <class Load>
    void expectRefused(const std::string& source, const std::vector<Damage>& damages, Load load)
    {
        const auto original = folderContents(source);
        int n = 0;
        for (const auto& d : damages) {
            SCOPED_TRACE(d.what);
            const std::string dir = "case" + std::to_string(n++);
            copyFolder(source, dir);
            d.apply(dir);
            const auto before = fingerprint(w());
            const std::string text = failureOf([&] { load(dir); });
            const std::string want = withFolder(d.text, dir);
            if (d.prefixOnly)
                EXPECT_EQ(text.rfind(want, 0), 0u) << text;
            else
                EXPECT_EQ(text, want);
            EXPECT_EQ(firstDifference(before, fingerprint(w())), -1);
            std::filesystem::remove_all(dir);
        }
        EXPECT_EQ(folderContents(source), original);
    }

    int population = 0;
};

} // namespace

TEST_F(DamagedInput, WholeSimulationLoadsRefuseEveryKindOfDamage)
{
    const std::string last = std::to_string(population - 1) + ".dat";
    const std::string missing = std::to_string(population) + ".dat";
    auto config = [](const std::string& dir, std::function<void(SimData&)> f) {
        edit<SimData>(dir + "/config.dat", f);
    };
    auto creature0 = [](const std::string& dir, std::function<void(Agent&)> f) {
        editCreature(dir + "/0.dat", f);
    };
    auto poses = [](const std::string& dir, std::size_t at, double v) {
        std::string bytes = readBytes(dir + "/posAgent.dat");
        putRaw(bytes, at, v);
        writeBytes(dir + "/posAgent.dat", bytes);
    };
    auto cut = [](const std::string& path, std::size_t keep) {
        writeBytes(path, readBytes(path).substr(0, keep));
    };
    const int lengthStart = geneParams[PART_LENGTH].start;

    const std::vector<Damage> damages = {
        // Files that cannot be opened.
        {"config.dat missing", [](auto d) { std::remove((d + "/config.dat").c_str()); },
         "cannot open:DIR/config.dat", false},
        {"last creature file missing", [&](auto d) { std::remove((d + "/" + last).c_str()); },
         "cannot open:DIR/" + last, false},
        {"a creature file that is a folder",
         [](auto d) {
             std::remove((d + "/0.dat").c_str());
             ::mkdir((d + "/0.dat").c_str(), 0777);
         },
         "cannot open:DIR/0.dat", false},
        {"posAgent.dat missing", [](auto d) { std::remove((d + "/posAgent.dat").c_str()); },
         "cannot open:DIR/posAgent.dat", false},
        {"AimPosData.dat missing", [](auto d) { std::remove((d + "/AimPosData.dat").c_str()); },
         "cannot open:DIR/AimPosData.dat", false},
        {"more creatures counted than present",
         [&](auto d) { config(d, [&](SimData& s) { s.populationCount = population + 1; }); },
         "cannot open:DIR/" + missing, false},
        // Archives that cannot be decoded.
        {"config.dat empty", [&](auto d) { cut(d + "/config.dat", 0); },
         "damaged file:DIR/config.dat (ends too early)", false},
        {"config.dat cut short", [&](auto d) { cut(d + "/config.dat", 70); },
         "damaged file:DIR/config.dat (ends too early)", false},
        {"config.dat with trailing bytes",
         [](auto d) { writeBytes(d + "/config.dat", readBytes(d + "/config.dat") + "junk"); },
         "damaged file:DIR/config.dat (4 unexpected bytes after the saved record)", false},
        {"a huge signature length",
         [](auto d) {
             std::string b = readBytes(d + "/1.dat");
             putRaw<std::uint64_t>(b, 0, std::uint64_t(1) << 40);
             writeBytes(d + "/1.dat", b);
         },
         "damaged file:DIR/1.dat (not a saved archive)", false},
        {"a newer library",
         [](auto d) {
             std::string b = readBytes(d + "/AimPosData.dat");
             b[30] = 100;
             writeBytes(d + "/AimPosData.dat", b);
         },
         "damaged file:DIR/AimPosData.dat (written by a newer archive library (version 100))",
         false},
        {"a newer class version",
         [](auto d) {
             std::string b = readBytes(d + "/0.dat");
             putRaw<std::uint32_t>(b, 41, 1);
             writeBytes(d + "/0.dat", b);
         },
         "damaged file:DIR/0.dat (class version 1 is newer than this program reads)", false},
        {"a movement count beyond the file",
         [](auto d) {
             std::string b = readBytes(d + "/0.dat");
             putRaw<std::uint64_t>(b, 4283, std::uint64_t(1) << 50);
             writeBytes(d + "/0.dat", b);
         },
         "damaged file:DIR/0.dat (element count 1125899906842624 is larger than the file)", false},
        {"scrambled creature data",
         [](auto d) {
             std::string b = readBytes(d + "/1.dat");
             for (std::size_t i = 40; i < b.size(); i += 7)
                 b[i] = static_cast<char>(b[i] ^ 0x5A);
             writeBytes(d + "/1.dat", b);
         },
         "damaged file:DIR/1.dat (", true},
        // Records that decode but cannot join the world.
        {"negative population count",
         [&](auto d) { config(d, [](SimData& s) { s.populationCount = -1; }); },
         "damaged file:DIR/config.dat (population count -1 is negative)", false},
        {"ground size not a number",
         [&](auto d) { config(d, [](SimData& s) { s.groundSize = kNaN; }); },
         "damaged file:DIR/config.dat (ground size is out of range)", false},
        {"ground size 0", [&](auto d) { config(d, [](SimData& s) { s.groundSize = 0; }); },
         "damaged file:DIR/config.dat (ground size is out of range)", false},
        {"ground size 1e9", [&](auto d) { config(d, [](SimData& s) { s.groundSize = 1e9; }); },
         "damaged file:DIR/config.dat (ground size is out of range)", false},
        {"negative minimum population",
         [&](auto d) { config(d, [](SimData& s) { s.minPopulation = -3; }); },
         "damaged file:DIR/config.dat (minimum population -3 is out of range)", false},
        {"absurd minimum population",
         [&](auto d) { config(d, [](SimData& s) { s.minPopulation = 2000000000; }); },
         "damaged file:DIR/config.dat (minimum population 2000000000 is out of range)", false},
        {"food interval 0", [&](auto d) { config(d, [](SimData& s) { s.foodInterval = 0; }); },
         "damaged file:DIR/config.dat (food interval 0 is below 1)", false},
        {"infinite wall height",
         [&](auto d) { config(d, [](SimData& s) { s.wallHeight = kInf; }); },
         "damaged file:DIR/config.dat (wall height is out of range)", false},
        {"infinite clock", [&](auto d) { config(d, [](SimData& s) { s.simulationTime = kInf; }); },
         "damaged file:DIR/config.dat (simulation time is not a finite time)", false},
        {"a genome one value short",
         [&](auto d) { creature0(d, [](Agent& a) { a.gene.values.pop_back(); }); },
         "damaged file:DIR/0.dat (genome holds 505 values instead of 506)", false},
        {"a genome of three phases",
         [&](auto d) { creature0(d, [](Agent& a) { a.gene.phases = 3; }); },
         "damaged file:DIR/0.dat (genome counts 3, 29, 30 differ from 2, 29, 30)", false},
        {"a movement genome of other counts",
         [&](auto d) { creature0(d, [](Agent& a) { a.learning.moves.back().gene.joints = 28; }); },
         "damaged file:DIR/0.dat (movement ", true},
        {"a movement genome of 600 values",
         [&](auto d) {
             creature0(d, [](Agent& a) { a.learning.moves.front().gene.values.resize(600, 0.5); });
         },
         "damaged file:DIR/0.dat (movement 0: genome holds 600 values instead of 506)", false},
        {"a genome value not a number",
         [&](auto d) { creature0(d, [](Agent& a) { a.gene.values[100] = kNaN; }); },
         "damaged file:DIR/0.dat (genome value ", true},
        {"a negative part length",
         [&](auto d) { creature0(d, [&](Agent& a) { a.gene.values[lengthStart + 4] = -1.0; }); },
         "damaged file:DIR/0.dat (genome value 4 of row 17 is out of range)", false},
        {"a movement with infinite statistics",
         [&](auto d) { creature0(d, [](Agent& a) { a.learning.moves.front().meanX = kInf; }); },
         "damaged file:DIR/0.dat (movement 0: a value is not finite)", false},
        {"a movement count about to overflow",
         [&](auto d) {
             creature0(d, [](Agent& a) { a.learning.moves.back().count = 2147483647; });
         },
         "damaged file:DIR/0.dat (movement ", true},
        {"a negative food count", [&](auto d) { creature0(d, [](Agent& a) { a.foodCount = -1; }); },
         "damaged file:DIR/0.dat (a mating or food count is out of range)", false},
        {"another joint count", [&](auto d) { creature0(d, [](Agent& a) { a.jointCount = 30; }); },
         "damaged file:DIR/0.dat (joint count 30 differs from 29)", false},
        {"an unknown life state", [&](auto d) { creature0(d, [](Agent& a) { a.lifeState = 7; }); },
         "damaged file:DIR/0.dat (unknown life state 7)", false},
        {"a motor phase out of range", [&](auto d) { creature0(d, [](Agent& a) { a.phase = 5; }); },
         "damaged file:DIR/0.dat (motor phase 5 is out of range)", false},
        {"an energy that is not a number",
         [&](auto d) { creature0(d, [](Agent& a) { a.energy = kNaN; }); },
         "damaged file:DIR/0.dat (a creature value is not finite)", false},
        {"an infinite centre", [&](auto d) { creature0(d, [](Agent& a) { a.centre.y = -kInf; }); },
         "damaged file:DIR/0.dat (the centre is not finite or far off)", false},
        // Position and food files.
        {"a position that is not a number", [&](auto d) { poses(d, 96 * 7 + 16, kNaN); },
         "damaged file:DIR/posAgent.dat (entry 7 has a non-finite or far-off position)", false},
        {"a rotation that is not a rotation", [&](auto d) { poses(d, 96 * 2 + 24 + 32, 0.0); },
         "damaged file:DIR/posAgent.dat (entry 2 has no valid rotation)", false},
        {"a position file one entry short",
         [&](auto d) {
             const std::string b = readBytes(d + "/posAgent.dat");
             writeBytes(d + "/posAgent.dat", b.substr(0, b.size() - 96));
         },
         "damaged file:DIR/posAgent.dat (holds ", true},
        {"a position file one entry long",
         [&](auto d) {
             const std::string b = readBytes(d + "/posAgent.dat");
             writeBytes(d + "/posAgent.dat", b + b.substr(0, 96));
         },
         "damaged file:DIR/posAgent.dat (holds ", true},
        {"a food that is not a number",
         [](auto d) {
             edit<AimPointHander>(d + "/AimPosData.dat",
                                  [](AimPointHander& f) { f.foods.at(0).position.x = kNaN; });
         },
         "damaged file:DIR/AimPosData.dat (food 0 is not finite or far off)", false},
        {"an infinite food timer",
         [](auto d) {
             edit<AimPointHander>(d + "/AimPosData.dat", [](AimPointHander& f) { f.timer = kInf; });
         },
         "damaged file:DIR/AimPosData.dat (food timer is negative or not finite)", false},
    };
    const auto refused = persist_test::printedBy([&] {
        expectRefused("saveData1", damages, [&](const std::string& dir) { loadAll(w().sim, w().settings, dir); });
    });
    EXPECT_EQ(refused.out, "") << "a refused load printed read";

    // The undamaged save still loads.
    EXPECT_EQ(persist_test::printedBy([&] { loadAll(w().sim, w().settings, "saveData1"); }).out, "read\n");
    EXPECT_EQ(static_cast<int>(w().sim.population.size()), population);
}

// The family tree and the statistics samples are files of the save like
// the others: checked against it, and refused, not passed over, when they do
// not fit it. With the manifest, a named pipe in place of any file it names
// is refused as well.
TEST_F(DamagedInput, FamilyAndSamplesFilesAreCheckedLikeTheOthers)
{
    auto append = [](const std::string& path, const std::string& text) {
        writeBytes(path, readBytes(path) + text);
    };
    auto pipe = [](const std::string& path) {
        std::remove(path.c_str());
        ::mkfifo(path.c_str(), 0644);
    };
    const std::string member = ",-1,-1,0,1,2147483646,-1,-1,0,-1,0,10,0,0,0,0,0,0,0,0,0,0,0,-1,-1\n";
    const std::vector<Damage> damages = {
        {"a member whose id the next creature would overflow",
         [&](auto d) { append(d + "/family.csv", "2147483646" + member); },
         "damaged file:DIR/family.csv (row ", true},
        {"a creature whose id the next creature would overflow",
         [](auto d) { editCreature(d + "/0.dat", [](Agent& a) { a.creatureId = 2147483646; }); },
         "damaged file:DIR/0.dat (creature id 2147483646 is out of range)", false},
        {"a sample after the save's clock",
         [&](auto d) { append(d + "/statistics.csv", "1e6,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-1,-1\n"); },
         "damaged file:DIR/statistics.csv (row ", true},
        {"a samples file that is a named pipe", [&](auto d) { pipe(d + "/statistics.csv"); },
         "damaged file:DIR/statistics.csv (not a regular file)", false},
    };
    const auto printed = persist_test::printedBy([&] {
        expectRefused("saveData1", damages, [&](const std::string& dir) { loadAll(w().sim, w().settings, dir); });
    });
    EXPECT_EQ(printed.out, "");

    persist_test::printedBy([&] { saveAll(w().sim, w().settings, "withManifest"); });
    const std::vector<Damage> pipes = {
        {"lineage.csv", [&](auto d) { pipe(d + "/lineage.csv"); },
         "damaged file:DIR/lineage.csv (not a regular file)", false},
        {"family.csv", [&](auto d) { pipe(d + "/family.csv"); },
         "damaged file:DIR/family.csv (not a regular file)", false},
    };
    persist_test::printedBy([&] {
        expectRefused("withManifest", pipes, [&](const std::string& dir) { loadAll(w().sim, w().settings, dir); });
    });
}

TEST_F(DamagedInput, CreatureLoadsRefuseEveryKindOfDamage)
{
    auto agent = [](const std::string& dir, std::function<void(Agent&)> f) {
        editCreature(dir + "/agent.dat", f);
    };
    const std::vector<Damage> damages = {
        {"agent.dat missing", [](auto d) { std::remove((d + "/agent.dat").c_str()); },
         "cannot open:DIR/agent.dat", false},
        {"posAgent.dat missing", [](auto d) { std::remove((d + "/posAgent.dat").c_str()); },
         "cannot open:DIR/posAgent.dat", false},
        {"agent.dat cut short",
         [](auto d) { writeBytes(d + "/agent.dat", readBytes(d + "/agent.dat").substr(0, 4180)); },
         "damaged file:DIR/agent.dat (ends too early)", false},
        {"agent.dat with trailing bytes",
         [](auto d) { writeBytes(d + "/agent.dat", readBytes(d + "/agent.dat") + "x"); },
         "damaged file:DIR/agent.dat (1 unexpected bytes after the saved record)", false},
        {"a genome of other counts", [&](auto d) { agent(d, [](Agent& a) { a.gene.parts = 31; }); },
         "damaged file:DIR/agent.dat (genome counts 2, 29, 31 differ from 2, 29, 30)", false},
        {"a movement genome of other counts",
         [&](auto d) { agent(d, [](Agent& a) { a.learning.moves.front().gene.phases = 1; }); },
         "damaged file:DIR/agent.dat (movement 0: genome counts 1, 29, 30 differ from 2, 29, 30)",
         false},
        {"an infinite age", [&](auto d) { agent(d, [](Agent& a) { a.age = kInf; }); },
         "damaged file:DIR/agent.dat (a creature value is not finite)", false},
        {"a position file of another size",
         [](auto d) { writeBytes(d + "/posAgent.dat", readBytes(d + "/posAgent.dat") + "1234"); },
         "damaged file:DIR/posAgent.dat (holds ", true},
        {"a height that is not a number",
         [](auto d) {
             std::string b = readBytes(d + "/posAgent.dat");
             putRaw(b, 104 * 2, kNaN);
             writeBytes(d + "/posAgent.dat", b);
         },
         "damaged file:DIR/posAgent.dat (entry 2 has a non-finite or far-off position)", false},
    };
    const std::size_t size = w().sim.population.size();
    expectRefused("saveDataOneCreature1", damages,
                  [&](const std::string& dir) { loadCreature(w().sim, w().settings, dir, underCamera(w())); });
    EXPECT_EQ(w().sim.population.size(), size);
    loadCreature(w().sim, w().settings, "saveDataOneCreature1", underCamera(w()));
    EXPECT_EQ(w().sim.population.size(), size + 1);
}

TEST_F(DamagedInput, FailuresOtherThanFilesBecomeTextsToo)
{
    // A source whose reads fail the way memory exhaustion or a library
    // error would.
    struct Failing : FileSource {
        using FileSource::FileSource;
        bool outOfMemory = false;
        ReadResult fetch(const std::string&, std::string&, std::size_t) const override
        {
            if (outOfMemory)
                throw std::bad_alloc();
            throw std::runtime_error("disk on fire");
        }
    };
    Failing source("broken");
    const auto before = fingerprint(w());
    EXPECT_EQ(failureOf([&] { loadAllFrom(w().sim, w().settings, source); }), "failed:broken (disk on fire)");
    source.outOfMemory = true;
    EXPECT_EQ(failureOf([&] { loadCreatureFrom(w().sim, w().settings, source, underCamera(w())); }), "failed:broken (out of memory)");
    EXPECT_EQ(firstDifference(before, fingerprint(w())), -1);
}
