// Saves and loads of one folder by several processes, and saves that the
// system stops half-way: nothing is lost, and what is reported is what
// happened.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "persist/folder_lock.h"
#include "persist/manifest.h"
#include "persist/save_all.h"
#include "persist/save_folder.h"
#include "persist_support.h"

namespace {

using persist_test::folderDigest;
using persist_test::printedBy;

// A child process that holds the folder's lock until it is killed.
pid_t holdLock(const std::string& folder)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::flock(fd, LOCK_EX);
        const char c = 'x';
        (void)!::write(ready[1], &c, 1);
        for (;;)
            ::pause();
    }
    char c;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return pid;
}

void release(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// chattr on a path; false where the file system or the user cannot.
bool chattr(const std::string& flags, const std::string& path)
{
    return std::system(("chattr " + flags + " '" + path + "' 2>/dev/null").c_str()) == 0;
}

class FolderLockTest : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        saved = folderLockWaitSeconds;
        folderLockWaitSeconds = 0.3;
    }
    void TearDown() override
    {
        folderLockWaitSeconds = saved;
        PersistTest::TearDown();
    }
    double saved = 0.0;
};

TEST_F(FolderLockTest, AFolderBeingSavedIsWaitedForAndThenRefusedUntouched)
{
    scene->step(10);
    printedBy([&] { saveAll(w().sim, w().settings, "s"); });
    const auto before = folderDigest("s");
    const pid_t other = holdLock("s");
    ASSERT_GT(other, 0);
    scene->step(10);
    std::string saveText, loadText;
    printedBy([&] {
        saveText = failureOf([&] { saveAll(w().sim, w().settings, "s"); });
        loadText = failureOf([&] { loadAll(w().sim, w().settings, "s"); });
    });
    EXPECT_EQ(saveText, "cannot save: s is being saved by another process");
    EXPECT_EQ(loadText, "cannot load: s is being saved by another process");
    EXPECT_EQ(folderDigest("s"), before);
    release(other);
    printedBy([&] {
        EXPECT_TRUE(saveAll(w().sim, w().settings, "s"));
        EXPECT_TRUE(loadAll(w().sim, w().settings, "s"));
    });
}

TEST_F(FolderLockTest, TwoProgramsSavingIntoOneFolderLeaveOneWholeSave)
{
    // The program itself, twice at once, into one folder: both succeed (the
    // second waits), and the folder holds one save that loads.
    const std::string program = CREATURES_BINARY;
    auto start = [&](const std::string& args, const std::string& log) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string cmd = program + " --headless --steps 0 " + args + " >" + log + " 2>&1";
            ::_exit(std::system(cmd.c_str()) == 0 ? 0 : 1);
        }
        return pid;
    };
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const pid_t a = start("--seed 3 --set minPopulation=60 --save-all cc", "a.log");
        const pid_t b = start("--seed 4 --set minPopulation=50 --save-all cc", "b.log");
        int sa = 0, sb = 0;
        ::waitpid(a, &sa, 0);
        ::waitpid(b, &sb, 0);
        EXPECT_EQ(WEXITSTATUS(sa), 0) << persist_test::readBytes("a.log");
        EXPECT_EQ(WEXITSTATUS(sb), 0) << persist_test::readBytes("b.log");
        Scene loaded(9, 1);
        printedBy([&] { EXPECT_TRUE(loadAll(loaded.world().sim, loaded.world().settings, "cc")); });
        const auto n = loaded.world().sim.population.size();
        EXPECT_TRUE(n == 60u || n == 50u) << n;
        EXPECT_FALSE(persist_test::exists(std::string("cc/") + kStagingName));
    }
}

TEST_F(FolderLockTest, AMissingFolderAnotherProcessMakesInTheSameInstantIsTakenAsItIs)
{
    // Another save makes the folder between this save's look and its own
    // mkdir (the race six runs saving into one new folder lose now and
    // then): the folder is as good as one made here.
    scene->step(10);
    const SaveCheckpoint race = [](int point) {
        if (point == 0)
            ::mkdir("raced", 0777);
    };
    bool saved = false;
    std::string text;
    printedBy([&] {
        try {
            saved = saveAll(w().sim, w().settings, "raced", nullptr, race);
        } catch (const std::string& t) {
            text = t;
        }
    });
    EXPECT_TRUE(saved) << text;
    printedBy([&] { EXPECT_TRUE(loadAll(w().sim, w().settings, "raced")); });
}

TEST_F(FolderLockTest, ASaveTheSystemStopsAfterItTookEffectIsReportedAsSuch)
{
    scene->step(10);
    printedBy([&] { saveAll(w().sim, w().settings, "s"); });
    if (!chattr("+i", "s/config.dat"))
        GTEST_SKIP() << "no file attributes here";
    // Refused up front: an immutable file cannot be replaced.
    std::string text;
    printedBy([&] { text = failureOf([&] { saveAll(w().sim, w().settings, "s"); }); });
    EXPECT_EQ(text, "cannot open:s/config.dat");
    chattr("-i", "s/config.dat");

    // Made immutable only once the save has taken effect: the save is done,
    // what was left is said, loads read the new save.
    scene->step(10);
    const SaveCheckpoint lockAfterJournal = [](int) {
        if (persist_test::exists(std::string("s/") + kStagingName + "/journal"))
            chattr("+i", "s/config.dat");
    };
    std::string unfinished;
    const auto printed = printedBy(
        [&] { EXPECT_TRUE(saveAll(w().sim, w().settings, "s", &unfinished, lockAfterJournal)); });
    EXPECT_EQ(unfinished.rfind("cannot replace s/config.dat: ", 0), 0u) << unfinished;
    EXPECT_NE(printed.err.find("warning: saved s, but its end could not be finished"),
              std::string::npos);
    const auto saved = simulationFiles(w().sim, w().settings);
    Scene loaded(9, 1);
    printedBy([&] { EXPECT_TRUE(loadAll(loaded.world().sim, loaded.world().settings, "s")); });
    EXPECT_EQ(simulationFiles(loaded.world().sim, loaded.world().settings)[0].second, saved[0].second);

    // The next save says why it cannot finish the earlier one; once the
    // file can be replaced again, it does.
    printedBy([&] { text = failureOf([&] { saveAll(w().sim, w().settings, "s"); }); });
    EXPECT_EQ(text.rfind("cannot save: s holds an earlier save that cannot be finished (cannot "
                         "replace s/config.dat: ",
                         0),
              0u)
        << text;
    chattr("-i", "s/config.dat");
    printedBy([&] { EXPECT_TRUE(saveAll(w().sim, w().settings, "s")); });
    EXPECT_FALSE(persist_test::exists(std::string("s/") + kStagingName));
    EXPECT_EQ(std::system("cd s && sha256sum --quiet -c SHA256SUMS"), 0);
}

TEST_F(FolderLockTest, AnotherUsersFilesInAStickyFolderAreRefusedUntouched)
{
    scene->step(10);
    printedBy([&] { saveAll(w().sim, w().settings, "s"); });
    ASSERT_EQ(::chmod(".", 0755), 0);
    ASSERT_EQ(::chmod("s", 01777), 0);
    const auto before = folderDigest("s");
    // Saved by another user, who may write the folder but not take root's
    // files away from it.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setegid(65534) != 0 || ::seteuid(65534) != 0)
            ::_exit(2);
        std::string text;
        try {
            printedBy([&] { saveAll(w().sim, w().settings, "s"); });
        } catch (const std::string& t) {
            text = t;
        }
        ::_exit(text == "cannot open:s/config.dat" ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot act as another user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folderDigest("s"), before);
}

} // namespace
