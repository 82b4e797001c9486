// Damage a load notices: files that differ from their manifest, journals
// and staging folders that are not what a save leaves, and lineage files
// that do not fit the save they lie in.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "persist/creature_save.h"
#include "persist/lineage_file.h"
#include "persist/manifest.h"
#include "persist/save_all.h"
#include "persist/save_folder.h"
#include "persist_support.h"

namespace {

using persist_test::copyFolder;
using persist_test::fingerprint;
using persist_test::firstDifference;
using persist_test::printedBy;
using persist_test::readBytes;
using persist_test::writeBytes;

class Manifest : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        makeScene(77, 5);
        scene->step(60);
        printedBy([&] {
            saveAll(w().sim, w().settings, "whole");
            w().view.selectedAgent = &w().sim.population.front();
            saveCreature(w().sim, w().view.selectedAgent, "one");
        });
        scene->step(20);
    }
    // The text a load of the folder is refused with, the world unchanged.
    template <class Load> std::string refusal(const std::string& dir, Load load)
    {
        const auto before = fingerprint(w());
        std::string text;
        printedBy([&] { text = failureOf([&] { load(dir); }); });
        EXPECT_EQ(firstDifference(before, fingerprint(w())), -1) << dir;
        return text;
    }
};

TEST_F(Manifest, AFlippedBitInAnyFileIsRefusedAsDamage)
{
    EXPECT_EQ(std::system("cd whole && sha256sum --quiet -c SHA256SUMS"), 0);
    EXPECT_EQ(std::system("cd one && sha256sum --quiet -c SHA256SUMS"), 0);
    struct Save {
        const char* folder;
        std::function<void(const std::string&)> load;
    };
    const Save saves[] = {{"whole", [&](const std::string& d) { loadAll(w().sim, w().settings, d); }},
                          {"one", [&](const std::string& d) { loadCreature(w().sim, w().settings, d, underCamera(w())); }}};
    int n = 0;
    for (const Save& save : saves) {
        for (const auto& [name, bytes] : persist_test::folderContents(save.folder)) {
            if (name == kManifestFile)
                continue;
            // A bit at the start, in the middle and at the end of the file.
            for (std::size_t at : {std::size_t(0), bytes.size() / 2, bytes.size() - 1}) {
                const std::string dir = "flip" + std::to_string(n++);
                copyFolder(save.folder, dir);
                std::string flipped = bytes;
                flipped[at] = static_cast<char>(flipped[at] ^ (1 << (at % 8)));
                writeBytes(dir + "/" + name, flipped);
                EXPECT_EQ(refusal(dir, save.load), "damaged file:" + dir + "/" + name + " (checksum)");
            }
        }
    }
    // A manifest that is not one refuses the save too.
    copyFolder("whole", "badManifest");
    writeBytes("badManifest/SHA256SUMS", "0123  config.dat\n");
    EXPECT_EQ(refusal("badManifest", [&](const std::string& d) { loadAll(w().sim, w().settings, d); }),
              "damaged file:badManifest/SHA256SUMS (line 1 is not a sum and a file name)");
}

// The checksum list is the save's whole list: a file it names must be there,
// and it must name every file of the save. Every bit flipped in a name of
// the list is caught so, as are lost files and a rules file with a key twice.
TEST_F(Manifest, TheListNamesExactlyTheSavesFilesAndAFileItNamesMustBeThere)
{
    // A whole save under other rules, so it holds rules.txt too.
    w().settings.learningRule = LearningRuleId::Improved;
    w().settings.physics = PhysicsSetupId::Fast;
    printedBy([&] { saveAll(w().sim, w().settings, "ruled"); });
    const auto loadWhole = [&](const std::string& d) { loadAll(w().sim, w().settings, d); };
    const auto loadOne = [&](const std::string& d) {
        loadCreature(w().sim, w().settings, d, underCamera(w()));
    };
    struct Case {
        const char* name;
        const char* from;
        std::function<void(const std::string&)> damage;
        const char* refusal; // after "damaged file:DIR/"
        bool whole;
    };
    const auto list = [](const std::string& dir, const std::string& was, const std::string& is) {
        std::string text = readBytes(dir + "/SHA256SUMS");
        text.replace(text.find("  " + was + "\n"), was.size() + 3, "  " + is + "\n");
        writeBytes(dir + "/SHA256SUMS", text);
    };
    const Case cases[] = {
        {"rules lost", "ruled", [](const std::string& d) { std::remove((d + "/rules.txt").c_str()); },
         "rules.txt (missing, though SHA256SUMS names it)", true},
        {"rules renamed in the list", "ruled", [&](const std::string& d) { list(d, "rules.txt", "rules.tx4"); },
         "SHA256SUMS (it does not name rules.txt)", true},
        {"lineage lost", "ruled", [](const std::string& d) { std::remove((d + "/lineage.csv").c_str()); },
         "lineage.csv (missing, though SHA256SUMS names it)", true},
        {"config renamed", "ruled", [&](const std::string& d) { list(d, "config.dat", "config.daT"); },
         "SHA256SUMS (it does not name config.dat)", true},
        {"archive renamed", "ruled", [&](const std::string& d) { list(d, "3.dat", "3.dau"); },
         "SHA256SUMS (it does not name 3.dat)", true},
        {"positions renamed", "ruled", [&](const std::string& d) { list(d, "posAgent.dat", "posAgent.dav"); },
         "SHA256SUMS (it does not name posAgent.dat)", true},
        {"rules key twice", "ruled", [](const std::string& d) {
             writeBytes(d + "/rules.txt", "learningRule=1\nlearningRule=0\n");
             std::remove((d + "/SHA256SUMS").c_str());
         }, "rules.txt (line 2 gives learningRule a second time)", true},
        {"slot archive renamed", "one", [&](const std::string& d) { list(d, "agent.dat", "agent.daT"); },
         "SHA256SUMS (it does not name agent.dat)", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = "listed" + std::to_string(n++);
        copyFolder(c.from, dir);
        c.damage(dir);
        EXPECT_EQ(refusal(dir, c.whole ? std::function<void(const std::string&)>(loadWhole)
                                       : std::function<void(const std::string&)>(loadOne)),
                  "damaged file:" + dir + "/" + c.refusal);
    }

    // Every single bit flipped in a name of the list refuses the save.
    for (const char* from : {"ruled", "one"}) {
        const std::string text = readBytes(std::string(from) + "/SHA256SUMS");
        int flips = 0;
        for (std::size_t line = 0; line < text.size(); line = text.find('\n', line) + 1) {
            const std::size_t nameAt = line + 66, end = text.find('\n', line);
            for (std::size_t at = nameAt; at < end; ++at)
                for (int bit = 0; bit < 8; bit += 3) {
                    std::string flipped = text;
                    flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
                    const std::string dir = "nameflip" + std::to_string(n++);
                    copyFolder(from, dir);
                    writeBytes(dir + "/SHA256SUMS", flipped);
                    std::string why;
                    printedBy([&] {
                        why = failureOf([&] {
                            if (std::string(from) == "one")
                                loadOne(dir);
                            else
                                loadWhole(dir);
                        });
                    });
                    EXPECT_FALSE(why.empty()) << from << " byte " << at << " bit " << bit;
                    ++flips;
                }
        }
        EXPECT_GT(flips, 20) << from;
    }

    // A save without any list still loads as before.
    copyFolder("ruled", "unlisted");
    std::remove("unlisted/SHA256SUMS");
    printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "unlisted")); });
}

TEST_F(Manifest, JournalsAndStagingFoldersNotLeftByASaveAreRefused)
{
    // A save cut short after it took effect: its journal names the staged files.
    auto journalled = [](const std::string& dir, const std::string& journal) {
        copyFolder("whole", dir);
        const std::string staging = dir + "/" + kStagingName;
        ::mkdir(staging.c_str(), 0700);
        writeBytes(staging + "/config.dat", readBytes("whole/config.dat"));
        writeBytes(staging + "/journal", journal);
    };
    const auto loadWhole = [&](const std::string& d) { loadAll(w().sim, w().settings, d); };

    journalled("cut", "move config.dat\n"); // its end line removed
    EXPECT_EQ(refusal("cut", loadWhole),
              std::string("damaged file:cut/") + kStagingName + "/journal (not a whole journal)");

    journalled("linked", "move config.dat\nend\n");
    const std::string staged = std::string("linked/") + kStagingName + "/config.dat";
    std::filesystem::remove(staged);
    std::filesystem::create_symlink("../config.dat", staged);
    EXPECT_EQ(refusal("linked", loadWhole), "damaged file:" + staged + " (a link, not a file)");

    copyFolder("whole", "fileStaging");
    writeBytes(std::string("fileStaging/") + kStagingName, "x");
    EXPECT_EQ(refusal("fileStaging", loadWhole),
              std::string("damaged file:fileStaging/") + kStagingName + " (not a folder)");
    copyFolder("whole", "linkStaging");
    std::filesystem::create_directory_symlink("/tmp", std::string("linkStaging/") + kStagingName);
    EXPECT_EQ(refusal("linkStaging", loadWhole),
              std::string("damaged file:linkStaging/") + kStagingName + " (a link, not a folder)");

    // A whole journal is read through: the staged file is the save's.
    journalled("whole2", "move config.dat\nend\n");
    printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "whole2")); });
}

TEST_F(Manifest, ALineageFileThatDoesNotFitIsIgnoredWithOneWarningThatQuotesNothing)
{
    const std::string lineage = readBytes("whole/lineage.csv");
    const std::string header = lineage.substr(0, lineage.find('\n') + 1);
    const std::string rows = lineage.substr(header.size());
    const std::string firstRow = rows.substr(0, rows.find('\n') + 1);
    const std::string marker = "ZQXmarkerZQX";
    std::string shifted = header;
    for (std::size_t at = 0; at < rows.size();) {
        const std::size_t end = rows.find('\n', at);
        std::string row = rows.substr(at, end - at);
        const std::size_t c1 = row.find(','), c2 = row.find(',', c1 + 1);
        row = row.substr(0, c1 + 1) + std::to_string(std::stoi(row.substr(c1 + 1, c2 - c1 - 1)) + 1) +
              row.substr(c2);
        shifted += row + "\n";
        at = end + 1;
    }
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"another save's file", [&](const std::string& f) { writeBytes(f, shifted); },
         "row 1 is for creature id"},
        {"cut rows", [&](const std::string& f) { writeBytes(f, header + firstRow); },
         "it has rows for 1 of the save's"},
        {"an index out of range",
         [&](const std::string& f) { writeBytes(f, header + "7" + firstRow.substr(1)); },
         "row 1 has index 7, not 0"},
        {"a row of text", [&](const std::string& f) { writeBytes(f, header + marker + "\n"); },
         "row 1 is not six numbers"},
        {"another file", [&](const std::string& f) { writeBytes(f, marker + "\n"); },
         "its first line is not the lineage header"},
        {"a huge file", [&](const std::string& f) { writeBytes(f, header + std::string(1 << 20, '9')); },
         "it is larger than"},
        {"a named pipe", [&](const std::string& f) { ::mkfifo(f.c_str(), 0644); },
         "it is not a regular file"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = "lineage" + std::to_string(n++);
        copyFolder("whole", dir);
        std::filesystem::remove(dir + "/" + kManifestFile); // as another program's save
        std::filesystem::remove(dir + "/lineage.csv");
        c.make(dir + "/lineage.csv");
        makeScene(9, 0);
        const auto printed = printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, dir)); });
        const std::string warning = "warning: " + dir + "/lineage.csv ignored (";
        EXPECT_EQ(printed.err.find(warning), 0u) << printed.err;
        EXPECT_NE(printed.err.find(c.reason), std::string::npos) << printed.err;
        EXPECT_EQ(printed.err.find(marker), std::string::npos) << printed.err;
        EXPECT_EQ(std::count(printed.err.begin(), printed.err.end(), '\n'), 1);
        for (const Agent& a : w().sim.population)
            EXPECT_EQ(a.generation, 0);
    }
}

} // namespace
