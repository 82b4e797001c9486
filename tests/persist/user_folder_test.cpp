// Saves into folders the user owns and loads that cannot hang: a save
// touches only its own files, refuses what the user protected, survives
// being killed at any point, and everything it writes loads again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <set>

#include "base/interrupt.h"
#include "persist/archive_io.h"
#include "persist/creature_save.h"
#include "persist/memory_estimate.h"
#include "persist/positions.h"
#include "persist/record_checks.h"
#include "persist/folder_source.h"
#include "persist/manifest.h"
#include "persist/save_all.h"
#include "persist/save_folder.h"
#include "persist_support.h"

namespace {

using persist_test::exists;
using persist_test::readBytes;
using persist_test::writeBytes;

// Every entry under a folder, links not followed: its kind, permissions and
// contents (or link target).
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> entries;
    namespace fs = std::filesystem;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
        const std::string path = it->path().string();
        struct stat st;
        ::lstat(path.c_str(), &st);
        std::string entry = std::to_string(st.st_mode) + ":";
        if (S_ISLNK(st.st_mode))
            entry += fs::read_symlink(it->path()).string();
        else if (S_ISREG(st.st_mode))
            entry += readBytes(path);
        entries[path.substr(root.size())] = entry;
    }
    return entries;
}

// Entries of `before` missing or changed in `after`, except the named ones.
std::vector<std::string> changed(const std::map<std::string, std::string>& before,
                                 const std::map<std::string, std::string>& after,
                                 const std::set<std::string>& allowed = {})
{
    std::vector<std::string> names;
    for (const auto& [name, entry] : before) {
        const auto it = after.find(name);
        if (!allowed.count(name) && (it == after.end() || it->second != entry))
            names.push_back(name);
    }
    for (const auto& [name, entry] : after)
        if (!before.count(name) && !allowed.count(name))
            names.push_back(name + " (new)");
    return names;
}

// The files a save of `w` writes, by their path under the folder.
std::set<std::string> ownFiles(const World& w, int stalePopulation)
{
    std::set<std::string> names = {"/config.dat", "/posAgent.dat", "/AimPosData.dat",
                                   "/lineage.csv", "/SHA256SUMS"};
    for (int i = 0; i < std::max(stalePopulation, static_cast<int>(w.sim.population.size())); ++i)
        names.insert("/" + std::to_string(i) + ".dat");
    return names;
}

class UserFolder : public PersistTest {
protected:
    // An earlier save of 10 creatures in `folder`, then a smaller world of 7.
    void earlierSave(const std::string& folder)
    {
        scene->step(20);
        persist_test::printedBy([&] { saveAll(w().sim, w().settings, folder); });
        while (w().sim.population.size() > 7)
            removeLastCreature(w().sim.population);
    }
    std::string saveFails(const std::string& folder)
    {
        std::string text;
        persist_test::printedBy([&] { text = failureOf([&] { saveAll(w().sim, w().settings, folder); }); });
        return text;
    }
};

TEST_F(UserFolder, ASaveWritesOnlyItsOwnFilesAndRefusesWhatTheUserProtected)
{
    const std::string longName(255, 'n');
    struct Row {
        const char* what;
        std::string folder;                    // saved into
        std::string watched;                   // snapshot root
        std::function<void()> prepare;         // after the earlier save into `watched`
        std::string failure;                   // empty: the save succeeds
    };
    const std::vector<Row> rows = {
        {"foreign files, a sub-folder, a stray creature file", "a", "a",
         [] {
             writeBytes("a/notes.txt", "mine");
             std::filesystem::create_directory("a/sub");
             writeBytes("a/sub/15.dat", "deep");
             writeBytes("a/015.dat", "not a creature file name");
             std::filesystem::create_symlink("notes.txt", "a/link");
         },
         ""},
        {"a folder that is a link", "b", "linked",
         [] { std::filesystem::create_directory_symlink("linked", "b"); }, ""},
        {"a read-only folder", "c", "c", [] { ::chmod("c", 0555); }, "cannot open:c"},
        {"a read-only file", "d", "d", [] { ::chmod("d/config.dat", 0444); },
         "cannot open:d/config.dat"},
        {"a folder where a file goes", "e", "e",
         [] {
             std::filesystem::remove("e/posAgent.dat");
             std::filesystem::create_directory("e/posAgent.dat");
         },
         "cannot open:e/posAgent.dat"},
        {"a writable folder in a read-only parent", "p/f", "p/f", [] { ::chmod("p", 0555); },
         ""},
        {"the longest folder name", longName, longName, [] {}, ""},
        {"a trailing slash", "g/", "g", [] {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        makeScene(4321, 10);
        const auto parent = std::filesystem::path(row.watched).parent_path();
        if (!parent.empty())
            std::filesystem::create_directories(parent);
        earlierSave(row.watched);
        row.prepare();
        const auto before = snapshot(row.watched);
        if (row.failure.empty()) {
            persist_test::printedBy([&] { EXPECT_TRUE(saveAll(w().sim, w().settings, row.folder)); });
            const auto after = snapshot(row.watched);
            EXPECT_EQ(changed(before, after, ownFiles(w(), 10)), std::vector<std::string>{});
            EXPECT_FALSE(exists(row.watched + "/7.dat")) << "stale creature file kept";
            // It loads, and it is the new save.
            makeScene(1, 3);
            persist_test::printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, row.folder)); });
            EXPECT_EQ(w().sim.population.size(), 7u);
        } else {
            EXPECT_EQ(saveFails(row.folder), row.failure);
            EXPECT_EQ(changed(before, snapshot(row.watched)), std::vector<std::string>{});
        }
        ::chmod("c", 0755);
        ::chmod("p", 0755);
    }
    EXPECT_EQ(readBytes("a/notes.txt"), "mine");
    EXPECT_TRUE(std::filesystem::is_symlink("b"));

    // A single creature's folder keeps what else is in it too.
    std::filesystem::create_directory("one");
    writeBytes("one/notes.txt", "mine");
    w().view.selectedAgent = &w().sim.population.front();
    EXPECT_TRUE(saveCreature(w().sim, w().view.selectedAgent, "one"));
    EXPECT_EQ(readBytes("one/notes.txt"), "mine");
    EXPECT_TRUE(exists("one/agent.dat"));
}

TEST_F(UserFolder, ASaveKilledAtAnyPointLeavesOneCompleteSaveAndTheNextSaveTidiesUp)
{
    earlierSave("pristine");
    std::map<std::string, std::string> oldFiles, newFiles;
    for (const auto& e : std::filesystem::directory_iterator("pristine"))
        oldFiles[e.path().filename().string()] = readBytes(e.path().string());
    for (const auto& [name, bytes] : simulationFiles(w().sim, w().settings))
        newFiles[name] = bytes;
    newFiles[kManifestFile] = encodeManifest(simulationFiles(w().sim, w().settings));

    // What a load of the folder sees, for the names of a save.
    auto seen = [](const std::map<std::string, std::string>& save) {
        const FolderSource source("target");
        std::map<std::string, std::string> files;
        for (const auto& entry : save)
            persist_test::printedBy([&] {
                try {
                    files[entry.first] = source.read(entry.first);
                } catch (const std::string&) {
                }
            });
        return files;
    };

    int kills = 0;
    for (int point = 1; point < 100; ++point) {
        SCOPED_TRACE("killed at point " + std::to_string(point));
        std::filesystem::remove_all("target");
        persist_test::copyFolder("pristine", "target");
        const bool killed = persist_test::killedAtCheckpoint(
            point, [&](const SaveCheckpoint& c) { saveAll(w().sim, w().settings, "target", nullptr, c); });
        const auto view = seen(newFiles);
        const bool isNew = view == newFiles;
        EXPECT_TRUE(isNew || seen(oldFiles) == oldFiles) << "a mixture of two saves";
        EXPECT_TRUE(killed || isNew);
        Scene loaded(9, 2);
        persist_test::printedBy([&] { EXPECT_TRUE(loadAll(loaded.world().sim, loaded.world().settings, "target")); });
        EXPECT_EQ(loaded.world().sim.population.size(), isNew ? 7u : 10u);

        // The next save finishes or removes what the killed one left.
        persist_test::printedBy([&] { saveAll(w().sim, w().settings, "target"); });
        EXPECT_FALSE(exists(std::string("target/") + kStagingName));
        EXPECT_EQ(persist_test::folderContents("target"), newFiles);
        if (!killed)
            break;
        ++kills;
    }
    EXPECT_GE(kills, 10) << "every staged file, the journal and every rename";
}

TEST_F(UserFolder, WhateverTheStepLeavesLoads)
{
    // The loaders accept exactly the bound the step keeps bodies within.
    EXPECT_EQ(kMaxRecordCoordinate, kMaxBodyCoordinate);
    EXPECT_EQ(kMaxPositionCoordinate, kMaxBodyCoordinate);

    // A body thrown far off within one step dies as fallen, and the save
    // made right after that step loads.
    scene->step(10);
    Agent& thrown = w().sim.population.front();
    dBodySetLinearVel(thrown.parts[0].body, 1e10, 0, 0);
    scene->step();
    EXPECT_EQ(thrown.lifeState, Fallen);
    EXPECT_FALSE(hasFarOffBody(thrown));
    persist_test::printedBy([&] { saveAll(w().sim, w().settings, "thrown"); });
    makeScene(2, 3);
    persist_test::printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "thrown")); });
    EXPECT_EQ(w().sim.population.size(), 10u);
}

TEST_F(UserFolder, LoadsRefuseWhatWouldHangOrExhaustMemory)
{
    scene->step(20);
    persist_test::printedBy([&] { saveAll(w().sim, w().settings, "s"); });
    const auto before = persist_test::fingerprint(w());
    auto loadFailure = [&](const std::string& folder) {
        std::string text;
        persist_test::printedBy([&] { text = failureOf([&] { loadAll(w().sim, w().settings, folder); }); });
        EXPECT_EQ(persist_test::firstDifference(before, persist_test::fingerprint(w())), -1);
        return text;
    };

    // An interrupt between files ends the load.
    setInterruptRequested(true);
    EXPECT_EQ(loadFailure("s"), "failed:s (interrupted)");
    setInterruptRequested(false);

    // A named pipe where a file belongs: refused, not waited on (a reader
    // that opened it would wait for a writer for ever).
    persist_test::copyFolder("s", "fifo");
    std::filesystem::remove("fifo/AimPosData.dat");
    ASSERT_EQ(::mkfifo("fifo/AimPosData.dat", 0644), 0);
    EXPECT_EQ(loadFailure("fifo"), "cannot open:fifo/AimPosData.dat");

    // A library version above ours is named in full.
    persist_test::copyFolder("s", "newer");
    std::filesystem::remove("newer/SHA256SUMS");
    std::string config = readBytes("newer/config.dat");
    config[8 + 22] = 0x12;
    config[8 + 23] = 0x01;
    writeBytes("newer/config.dat", config);
    EXPECT_EQ(loadFailure("newer"),
              "damaged file:newer/config.dat (written by a newer archive library (version 274))");

    // Worlds by size: refused beyond the memory there is, warned about when
    // large, whether saved or made by the refill.
    struct SizeRow {
        int saved, minimum;
        std::uint64_t available;
        MemoryVerdict verdict;
    };
    const std::uint64_t gb = std::uint64_t(1) << 30;
    for (const SizeRow& r : std::vector<SizeRow>{{10, 10, 24 * gb, MemoryVerdict::Fits},
                                                 {10, 1000, 24 * gb, MemoryVerdict::Large},
                                                 {100000, 10, 24 * gb, MemoryVerdict::TooLarge},
                                                 {150, 10, gb / 8, MemoryVerdict::Large},
                                                 {150, 10, gb / 20, MemoryVerdict::TooLarge}})
        EXPECT_EQ(judgeWorldSize(loadedPopulation(r.saved, r.minimum), r.available), r.verdict)
            << r.saved << " " << r.minimum;

    SimData huge = configOf(w().sim, w().settings);
    huge.populationCount = kMaxSavedPopulation;
    persist_test::copyFolder("s", "huge");
    std::filesystem::remove("huge/SHA256SUMS");
    writeBytes("huge/config.dat", saveArchive(huge));
    if (estimatedWorldBytes(kMaxSavedPopulation) > availableMemoryBytes()) {
        EXPECT_NE(loadFailure("huge").find("creatures needs about"), std::string::npos);
    }

    SimData crowded = configOf(w().sim, w().settings);
    crowded.populationCount = 10;
    crowded.minPopulation = kMaxMinPopulation;
    persist_test::copyFolder("s", "crowded");
    std::filesystem::remove("crowded/SHA256SUMS");
    writeBytes("crowded/config.dat", saveArchive(crowded));
    const auto printed = persist_test::printedBy([&] { loadAll(w().sim, w().settings, "crowded"); });
    EXPECT_NE(printed.err.find("warning: crowded makes a world of 1000 creatures"),
              std::string::npos)
        << printed.err;
}

// The real program: a file-size limit and an empty folder name.
TEST(UserFolderProgram, FailedWritesAreReportedAndLeaveTheEarlierSave)
{
    const std::string dir = ::testing::TempDir() + "user-folder-program";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string save = dir + "/save", out = dir + "/out";
    auto run = [&](std::vector<std::string> args, rlim_t fileLimit) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (fileLimit != RLIM_INFINITY) {
                struct rlimit r = {fileLimit, fileLimit};
                ::setrlimit(RLIMIT_FSIZE, &r);
            }
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv = {const_cast<char*>(CREATURES_BINARY)};
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(CREATURES_BINARY, argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    };
    ASSERT_EQ(run({"--headless", "--seed", "3", "--steps", "5", "--save-all", save}, RLIM_INFINITY),
              0);
    const auto before = snapshot(save);
    const int status =
        run({"--headless", "--seed", "4", "--steps", "5", "--save-all", save}, 20000);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(readBytes(out).find("cannot write:" + save + "/0.dat"), std::string::npos)
        << readBytes(out);
    EXPECT_EQ(changed(before, snapshot(save)), std::vector<std::string>{});

    const int empty = run({"--headless", "--steps", "1", "--save-all", ""}, RLIM_INFINITY);
    EXPECT_EQ(WEXITSTATUS(empty), 2);
    EXPECT_NE(readBytes(out).find("--save-all needs a folder name"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace
