// What a run writes besides the world, with the real program: statistics,
// lineage and autosaves change nothing in the world; autosaves load, even
// after the run is killed; a run replayed from a save repeats exactly.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "app/scene.h"
#include "run/run_outputs.h"
#include "persist/save_all.h"
#include "../persist/persist_support.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> folder(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        files[e.path().filename().string()] = readFile(e.path());
    return files;
}

class RunOutputsProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) / ("run-outputs-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the program in `dir` with its output in `log`; the exit status.
    int run(const std::string& args, const std::string& log = "log")
    {
        const std::string cmd = "cd " + dir.string() + " && " + CREATURES_BINARY +
                                " --headless " + args + " >" + log + " 2>&1";
        return std::system(cmd.c_str());
    }
    // Simulated time of a save, from a load into a fresh world.
    double savedTime(const std::string& save)
    {
        Scene scene(1, 0);
        testing::internal::CaptureStdout();
        const bool loaded = loadAll(scene.world().sim, scene.world().settings, (dir / save).string());
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(loaded) << save;
        return scene.world().sim.time;
    }

    fs::path dir;
};

TEST_F(RunOutputsProgram, WatchingChangesNothingAndAutosavesLoad)
{
    ASSERT_EQ(run("--seed 11 --seconds 50 --save-all plain"), 0);
    ASSERT_EQ(run("--seed 11 --seconds 50 --save-all watched --stats s.csv --lineage l.csv "
                  "--autosave 15"),
              0);
    EXPECT_EQ(folder(dir / "plain"), folder(dir / "watched"));

    // The autosave is of the last multiple of 15 s, within a step.
    const double t = savedTime("autosave");
    EXPECT_GE(t, 45.0);
    EXPECT_LT(t, 45.0 + 0.031);
    EXPECT_NE(readFile(dir / "l.csv").find("time,event,id"), std::string::npos);
    EXPECT_NE(readFile(dir / "log").find("mean progress per cycle: first tenth"),
              std::string::npos);

    // A replay from a save repeats exactly: world and statistics.
    ASSERT_EQ(run("--load-all plain --seed 3 --steps 600 --save-all r1 --stats r1.csv"), 0);
    ASSERT_EQ(run("--load-all plain --seed 3 --steps 600 --save-all r2 --stats r2.csv"), 0);
    EXPECT_EQ(folder(dir / "r1"), folder(dir / "r2"));
    EXPECT_EQ(readFile(dir / "r1.csv"), readFile(dir / "r2.csv"));
    EXPECT_GT(readFile(dir / "r1.csv").size(), 100u);

    // A failed autosave is reported and the run goes on to its end.
    fs::remove_all(dir / "autosave");
    std::ofstream(dir / "autosave") << "a file where the folder goes";
    EXPECT_EQ(run("--seed 2 --seconds 12 --autosave 5", "failed"), 0);
    const std::string failed = readFile(dir / "failed");
    EXPECT_NE(failed.find("cannot open:autosave"), std::string::npos) << failed;
    EXPECT_NE(failed.find("finished after 400 steps"), std::string::npos) << failed;
}

TEST_F(RunOutputsProgram, AKilledRunLeavesItsLastCompleteAutosave)
{
    // Autosaves every simulated second, killed at three moments.
    for (int delayMs : {700, 1100, 1500}) {
        SCOPED_TRACE(delayMs);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::chdir(dir.c_str()) != 0)
                ::_exit(127);
            ::freopen("/dev/null", "w", stdout);
            ::freopen("/dev/null", "w", stderr);
            ::execl(CREATURES_BINARY, CREATURES_BINARY, "--headless", "--seed", "5",
                    "--autosave", "1", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The first autosave, however long a busy machine takes to get there.
        for (int i = 0; i < 15000 && !fs::exists(dir / "autosave" / "config.dat"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const double t = savedTime("autosave");
        EXPECT_GE(t, 1.0);
        EXPECT_LT(t - std::floor(t), 0.031) << t;
    }
}

} // namespace

namespace {

// A world made anew (the Init button, a load in the window) waits a whole
// interval before its first autosave, so the autosave of the run before is
// not replaced at once.
class AutosaveAfterALoad : public PersistTest {};

TEST_F(AutosaveAfterALoad, WaitsAWholeIntervalBeforeItsFirstAutosave)
{
    RunOptions options;
    options.autosaveSeconds = 5.0;
    RunOutputs outputs;
    std::string error;
    ASSERT_TRUE(outputs.open(w(), options, true, error)) << error;
    struct Moment {
        double time;
        bool restart; // the world is made anew first
        bool saved;   // an autosave follows
    };
    const Moment moments[] = {
        {3.0, false, false}, {5.1, false, true},     // the first interval's end
        {102.0, true, false},                        // a load of a later world
        {105.2, false, false}, {106.9, false, false}, // not at the next multiple of 5 s
        {107.1, false, true},                        // a whole interval after the load
        {2.0, true, false},                          // Init: time starts at 0
        {6.9, false, false}, {7.1, false, true},
    };
    for (const Moment& m : moments) {
        SCOPED_TRACE(m.time);
        std::filesystem::remove_all("autosave");
        if (m.restart)
            ++w().sim.restarts;
        w().sim.time = m.time;
        persist_test::printedBy([&] { outputs.afterSteps(w()); });
        EXPECT_EQ(std::filesystem::exists("autosave/config.dat"), m.saved);
    }
    outputs.finish(w());
}

// A run that starts from a loaded world (--load-all) waits a whole interval
// of simulated time too, however close the next multiple of it is.
TEST_F(AutosaveAfterALoad, ARunStartedFromALoadedWorldWaitsAWholeInterval)
{
    RunOptions options;
    options.autosaveSeconds = 600.0;
    w().sim.time = 1799.5;
    RunOutputs outputs;
    std::string error;
    ASSERT_TRUE(outputs.open(w(), options, false, error)) << error;
    const struct {
        double time;
        bool saved;
    } moments[] = {{1800.0, false}, {2000.0, false}, {2399.4, false}, {2399.6, true},
                   {2400.5, false}, {2999.7, true}};
    for (const auto& m : moments) {
        SCOPED_TRACE(m.time);
        std::filesystem::remove_all("autosave");
        w().sim.time = m.time;
        persist_test::printedBy([&] { outputs.afterSteps(w()); });
        EXPECT_EQ(std::filesystem::exists("autosave/config.dat"), m.saved);
    }
    outputs.finish(w());
}

} // namespace
