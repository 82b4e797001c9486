// Every file of a real save, cut at every record boundary and at random
// places, is refused cleanly and leaves the world as it was.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <streambuf>

#include "persist/world_archive.h"
#include "persist/creature_save.h"
#include "persist/lineage_file.h"
#include "persist/positions.h"
#include "persist/save_all.h"
#include "persist_support.h"

namespace {

using persist_test::fingerprint;
using persist_test::firstDifference;

// A stream buffer that keeps what the archive writes and where each write
// ended: the boundaries between the archive's records.
class RecordingBuffer : public std::streambuf {
public:
    std::string bytes;
    std::set<std::size_t> ends;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        bytes.append(s, static_cast<std::size_t>(n));
        ends.insert(bytes.size());
        return n;
    }
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) {
            bytes.push_back(static_cast<char>(c));
            ends.insert(bytes.size());
        }
        return c;
    }
};

template <class Record>
std::set<std::size_t> recordEnds(const Record& r, const std::string& expected)
{
    RecordingBuffer buffer;
    {
        boost::archive::binary_oarchive ar(buffer);
        ar << r;
    }
    EXPECT_TRUE(buffer.bytes == expected) << "the recorded archive differs from the saved one";
    return buffer.ends;
}

// Cut points of a file: the given boundaries and random offsets, all short
// of the whole file.
std::set<std::size_t> cutsOf(std::set<std::size_t> cuts, std::size_t size, std::mt19937& random)
{
    cuts.insert(0);
    std::uniform_int_distribution<std::size_t> any(0, size == 0 ? 0 : size - 1);
    for (int i = 0; i < 100 && size > 0; ++i)
        cuts.insert(any(random));
    cuts.erase(cuts.lower_bound(size), cuts.end());
    return cuts;
}

std::set<std::size_t> everyEntry(std::size_t size, std::size_t entry)
{
    std::set<std::size_t> cuts;
    for (std::size_t at = 0; at < size; at += entry)
        cuts.insert(at);
    // Inside the first entry, at every double.
    for (std::size_t at = 0; at < std::min(size, entry); at += 8)
        cuts.insert(at);
    return cuts;
}

class Truncation : public PersistTest {};

} // namespace

TEST_F(Truncation, EveryCutOfEverySimulationFileIsRefused)
{
    makeScene(808, 3);
    scene->step(200);
    const SavedFiles files = simulationFiles(w().sim, w().settings);
    // The cut points of each archive, from the records the archive writes.
    std::map<std::string, std::set<std::size_t>> boundaries;
    SimData config = configOf(w().sim, w().settings);
    config.populationCount = static_cast<int>(w().sim.population.size());
    boundaries["config.dat"] = recordEnds(config, files.front().second);
    std::size_t file = 1;
    for (const auto& a : w().sim.population) {
        boundaries[files[file].first] = recordEnds(a, files[file].second);
        ++file;
    }
    boundaries["AimPosData.dat"] = recordEnds(w().sim.foods, files[file + 1].second);

    makeScene(909, 4);
    scene->step(20);
    const auto before = fingerprint(w());
    std::mt19937 random(42);
    int refused = 0;
    for (const auto& [name, bytes] : files) {
        // The text files beside the archives (lineage, family tree,
        // founders' bodies, statistics) have checks of their own: a cut at
        // the end of a row is a shorter file of the same kind.
        if (name == kLineageFile || name == "family.csv" || name == "statistics.csv" ||
            name == "founders.csv")
            continue;
        const std::set<std::size_t> cuts =
            name == kPositionFile ? cutsOf(everyEntry(bytes.size(), 96), bytes.size(), random)
                                  : cutsOf(boundaries.at(name), bytes.size(), random);
        EXPECT_GT(cuts.size(), 10u) << name;
        for (std::size_t cut : cuts) {
            MemorySource source("saveData1");
            for (const auto& [other, contents] : files)
                source.put(other, other == name ? contents.substr(0, cut) : contents);
            try {
                loadAllFrom(w().sim, w().settings, source);
                ADD_FAILURE() << name << " cut at " << cut << " was loaded";
            } catch (const std::string& text) {
                ASSERT_EQ(text.rfind("damaged file:saveData1/" + name + " (", 0), 0u)
                    << "cut at " << cut << ": " << text;
                ++refused;
            }
            ASSERT_EQ(firstDifference(before, fingerprint(w())), -1) << name << " cut at " << cut;
        }
    }
    EXPECT_GT(refused, 500);
}

TEST_F(Truncation, EveryCutOfACreatureSaveIsRefused)
{
    scene->step(200);
    const SavedFiles files = creatureFiles(w().sim.population.front());
    const auto agentEnds = recordEnds(w().sim.population.front(), files.front().second);
    const auto before = fingerprint(w());
    std::mt19937 random(7);
    for (const auto& [name, bytes] : files) {
        const std::set<std::size_t> cuts =
            name == kPositionFile ? cutsOf(everyEntry(bytes.size(), 104), bytes.size(), random)
                                  : cutsOf(agentEnds, bytes.size(), random);
        for (std::size_t cut : cuts) {
            MemorySource source("saveDataOneCreature1");
            for (const auto& [other, contents] : files)
                source.put(other, other == name ? contents.substr(0, cut) : contents);
            try {
                loadCreatureFrom(w().sim, w().settings, source, underCamera(w()));
                ADD_FAILURE() << name << " cut at " << cut << " was loaded";
            } catch (const std::string& text) {
                ASSERT_EQ(text.rfind("damaged file:saveDataOneCreature1/" + name + " (", 0), 0u)
                    << "cut at " << cut << ": " << text;
            }
            ASSERT_EQ(firstDifference(before, fingerprint(w())), -1) << name << " cut at " << cut;
        }
    }
}
