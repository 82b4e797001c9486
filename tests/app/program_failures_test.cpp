// The real program when things go wrong around a run: every failure ends in
// one clear line and a failure status, never a crash and never a success.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1; // exit status; 128 + signal when killed
    std::string output;
};

// Runs the program in `dir` with the arguments, its file size and address
// space limited when given, and its output collected through a pipe (which
// no file-size limit cuts short).
Outcome runIn(const fs::path& dir, std::vector<std::string> args, rlim_t fileLimit = RLIM_INFINITY,
              rlim_t addressLimit = RLIM_INFINITY)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return Outcome{};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A program that hangs is ended (SIGALRM), not the whole suite.
        ::alarm(300);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(120);
        if (fileLimit != RLIM_INFINITY) {
            struct rlimit r = {fileLimit, fileLimit};
            ::setrlimit(RLIMIT_FSIZE, &r);
        }
        if (addressLimit != RLIM_INFINITY) {
            struct rlimit r = {addressLimit, addressLimit};
            ::setrlimit(RLIMIT_AS, &r);
        }
        ::dup2(pipeEnds[1], 1);
        ::dup2(pipeEnds[1], 2);
        ::close(pipeEnds[0]);
        std::vector<char*> argv = {const_cast<char*>(CREATURES_BINARY)};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(CREATURES_BINARY, argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Outcome o;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        o.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return o;
}

int lines(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class ProgramFailures : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) / ("program-failures-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(ProgramFailures, AStatisticsOrLineageFileThatCannotBeWrittenFailsTheRun)
{
    struct Case {
        const char* what;
        std::vector<std::string> args;
        rlim_t fileLimit;
        const char* said;
    };
    // (A full device such as /dev/full is no regular file: it is refused at
    // the start, see below.)
    const std::vector<Case> cases = {
        {"statistics beyond the file-size limit", {"--stats", "s.csv"}, 2000, "cannot write:s.csv"},
        {"lineage beyond the file-size limit", {"--lineage", "l.csv"}, 100, "cannot write:l.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"--headless", "--seed", "2", "--seconds", "40"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = runIn(dir, args, c.fileLimit);
        EXPECT_EQ(o.status, 1) << o.output;
        EXPECT_EQ(lines(o.output, c.said), 1) << o.output;
        // The run itself went on to its end.
        EXPECT_NE(o.output.find("finished after 1334 steps"), std::string::npos) << o.output;
    }
}

TEST_F(ProgramFailures, ACommandLineItDoesNotUnderstandRunsNothingAndWritesNothing)
{
    const std::string longName(300, 'n');
    const std::vector<std::vector<std::string>> commandLines = {
        {"-seed", "5"},
        {"-h"},
        {"7", "8"},
        {"12abc"},
        {"7 8"},
        {"--summarize", "s.csv"},
        {"--save-all", "--steps", "1"},
        {"--seconds", "0x10"},
        {"--autosave", "0.001"},
        {"--seed", "1", "--seed", "1"},
        {"--save-all", "no/such/folder/save"},
        {"--save-all", longName},
        {"--lineage", "missing/l.csv"},
    };
    for (const auto& args : commandLines) {
        std::vector<std::string> all = {"--headless", "--steps", "5", "--stats", "s.csv"};
        all.insert(all.end(), args.begin(), args.end());
        if (args.front() != "--save-all")
            all.insert(all.end(), {"--save-all", "out"});
        const Outcome o = runIn(dir, all);
        SCOPED_TRACE(o.output);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(lines(o.output, "\n"), 1);
        EXPECT_EQ(o.output.rfind("creatures: ", 0), 0u);
        EXPECT_NE(o.output.find("; see creatures --help"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "s.csv"));
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_FALSE(fs::exists(dir / "no"));
    }
}

// Outputs are regular files or new names: a named pipe without a reader
// would block the program for ever, a device or socket takes the output
// where no one looks. Each is refused at the start; an existing file is said
// to be replaced.
TEST_F(ProgramFailures, OutputsThatAreNoRegularFilesAreRefusedAndReplacedOnesAreSaid)
{
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> commandLines = {
        {"--stats", "pipe"},
        {"--lineage", "pipe"},
        {"--stats", "/dev/null"},
        {"--lineage", "/dev/full"},
        {"--screenshot", "pipe"},
        {"--record", "pipe"},
        {"--trial", "x.creature", "--trial-csv", "pipe"},
    };
    for (const auto& args : commandLines) {
        std::vector<std::string> all = {"--steps", "1"};
        if (args.front() == "--trial")
            all.clear();
        else if (args.front() != "--screenshot" && args.front() != "--record")
            all.push_back("--headless");
        all.insert(all.end(), args.begin(), args.end());
        const Outcome o = runIn(dir, all);
        SCOPED_TRACE(o.output);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(lines(o.output, "\n"), 1);
        EXPECT_NE(o.output.find("it is not a regular file"), std::string::npos);
    }
    std::ofstream(dir / "old.csv") << "an earlier run's\n";
    const Outcome o = runIn(dir, {"--headless", "--steps", "3", "--stats", "old.csv"});
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("creatures: old.csv exists and will be replaced\n"), std::string::npos)
        << o.output;
}

// An archipelago writes a file an island under the island's number: those
// are the names checked (a pipe there would block the run at its start or
// its end) and said to be replaced, for islands asked for or loaded.
TEST_F(ProgramFailures, AnArchipelagosFilesAreCheckedUnderTheNamesItWrites)
{
    ASSERT_EQ(runIn(dir, {"--headless", "--islands", "2", "--seed", "1", "--steps", "3",
                          "--save-all", "two"})
                  .status,
              0);
    const struct {
        const char* pipe;
        std::vector<std::string> args;
    } cases[] = {
        {"st-island2.csv", {"--islands", "2", "--stats", "st.csv"}},
        {"is-island2.nwk", {"--islands", "2", "--tree", "is.nwk"}},
        {"li-island1.csv", {"--islands", "2", "--lineage", "li.csv"}},
        {"st-island2.csv", {"--load-all", "two", "--stats", "st.csv"}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(::mkfifo((dir / c.pipe).c_str(), 0600), 0);
        std::vector<std::string> args = {"--headless", "--seed", "1", "--steps", "30"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = runIn(dir, args);
        fs::remove(dir / c.pipe);
        SCOPED_TRACE(o.output);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(lines(o.output, "\n"), 1);
        EXPECT_NE(o.output.find(std::string(c.pipe) + ": it is not a regular file"),
                  std::string::npos);
    }
    std::ofstream(dir / "st.csv") << "not written by an archipelago\n";
    std::ofstream(dir / "st-island1.csv") << "an earlier run's\n";
    const Outcome o = runIn(dir, {"--headless", "--islands", "2", "--steps", "3", "--stats", "st.csv"});
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_EQ(lines(o.output, "exists and will be replaced"), 1) << o.output;
    EXPECT_EQ(lines(o.output, "creatures: st-island1.csv exists and will be replaced\n"), 1);
}

// A loaded save that is an archipelago takes the options of one; a world
// does not. A champion that cannot be written is said once.
TEST_F(ProgramFailures, ArchipelagoOptionsGoWithASavedArchipelagoAndFailuresAreSaidOnce)
{
    ASSERT_EQ(runIn(dir, {"--headless", "--islands", "2", "--seed", "1", "--steps", "3",
                          "--save-all", "two"})
                  .status,
              0);
    ASSERT_EQ(runIn(dir, {"--headless", "--seed", "1", "--steps", "3", "--save-all", "one"}).status,
              0);
    fs::create_directories(dir / "c" / "hour-1.creature");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* said;
    } cases[] = {
        {{"--load-all", "two", "--threads", "1"}, 0, "2 islands, 2 here on 1 thread,"},
        {{"--load-all", "two", "--migrate-every", "0"}, 0, "migration never\n"},
        {{"--load-all", "one", "--threads", "1"}, 2,
         "creatures: --threads goes with --islands or a saved archipelago, and one holds a "
         "single world; see creatures --help\n"},
        {{"--champions", "c"}, 1, "cannot open:c/hour-1.creature\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--headless", "--steps", "3"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = runIn(dir, args);
        SCOPED_TRACE(o.output);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(lines(o.output, c.said), 1);
    }
}

TEST_F(ProgramFailures, SummarizeReadsAFileAndRunsNothing)
{
    // A real run's statistics: summarized, with no run number, no world.
    ASSERT_EQ(runIn(dir, {"--headless", "--seed", "3", "--seconds", "30", "--stats", "run.csv"})
                  .status,
              0);
    const Outcome ok = runIn(dir, {"--summarize", "run.csv", "--seconds", "30"});
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_EQ(ok.output.rfind("sim_seconds,final_population,", 0), 0u) << ok.output;
    EXPECT_NE(ok.output.find("\n\ntime,population,births_per_min,"), std::string::npos);
    // A bin a second: the 1000 steps of 0.03 s end just short of 30 s.
    EXPECT_EQ(lines(ok.output, "\n"), 2 + 1 + 1 + 30) << ok.output;
    EXPECT_FALSE(fs::exists(dir / "autosave"));

    fs::create_directories(dir / "folder.csv");
    std::ofstream(dir / "cut.csv") << "time,population,births\n1,10,0\n2,10\n";
    const struct {
        const char* file;
        const char* said;
    } cases[] = {
        {"missing.csv", "creatures: --summarize missing.csv: no such file\n"},
        {"folder.csv", "creatures: --summarize folder.csv: it is a folder\n"},
        {"cut.csv", "creatures: --summarize cut.csv: line 3: 2 values, not 3 as in the first "
                    "line\n"},
    };
    for (const auto& c : cases) {
        const Outcome o = runIn(dir, {"--summarize", c.file});
        EXPECT_EQ(o.status, 2) << c.file;
        EXPECT_EQ(o.output, c.said);
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define SKIP_UNDER_ADDRESS_SANITIZER() GTEST_SKIP() << "the sanitizer's shadow memory needs no limit"
#else
#define SKIP_UNDER_ADDRESS_SANITIZER()
#endif

TEST_F(ProgramFailures, RunningOutOfMemoryEndsTheRunWithOneLineAndAStatus)
{
    SKIP_UNDER_ADDRESS_SANITIZER();
    // A large world saved, then loaded and stepped under limits that do not
    // hold it: refused before the run, or ended with the out-of-memory
    // status; never a crash.
    ASSERT_EQ(runIn(dir, {"--headless", "--seed", "1", "--steps", "0", "--set",
                          "minPopulation=600", "--set", "groundSize=150", "--save-all", "big"})
                  .status,
              0);
    for (rlim_t megabytes : {150, 200, 250, 300, 350}) {
        SCOPED_TRACE(megabytes);
        const rlim_t limit = megabytes << 20;
        const Outcome load = runIn(dir, {"--headless", "--load-all", "big", "--steps", "30"},
                                   RLIM_INFINITY, limit);
        EXPECT_TRUE(load.status == 0 || load.status == 1 || load.status == 3) << load.output;
        if (load.status == 1) {
            EXPECT_NE(load.output.find("failed:big (a world of 600 creatures needs about"),
                      std::string::npos)
                << load.output;
        }
        const Outcome fresh =
            runIn(dir, {"--headless", "--seed", "1", "--set", "minPopulation=600", "--set",
                        "groundSize=150", "--steps", "30"},
                  RLIM_INFINITY, limit);
        EXPECT_TRUE(fresh.status == 0 || fresh.status == 3) << fresh.output;
        if (fresh.status == 3) {
            EXPECT_EQ(lines(fresh.output, "creatures: out of memory; the run ends"), 1);
        }
    }
    // The smallest limit holds neither.
    EXPECT_EQ(runIn(dir, {"--headless", "--load-all", "big", "--steps", "30"}, RLIM_INFINITY,
                    rlim_t(150) << 20)
                  .status,
              1);
    EXPECT_EQ(runIn(dir,
                    {"--headless", "--seed", "1", "--set", "minPopulation=600", "--steps", "30"},
                    RLIM_INFINITY, rlim_t(150) << 20)
                  .status,
              3);
}

} // namespace
