// Command-line parsing: options first, then the classic run-number rule.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "app/options.h"
#include "run/run_paths.h"

namespace {

RunOptions parse(std::vector<const char*> args, bool expectOk = true)
{
    args.insert(args.begin(), "creatures");
    RunOptions o;
    std::string error;
    EXPECT_EQ(parseOptions(static_cast<int>(args.size()), args.data(), o, error), expectOk)
        << error;
    return o;
}

// The line a command line is refused with; empty when it is taken.
std::string refusal(std::vector<const char*> args)
{
    args.insert(args.begin(), "creatures");
    RunOptions o;
    std::string error;
    return parseOptions(static_cast<int>(args.size()), args.data(), o, error) ? std::string()
                                                                                : error;
}

TEST(Options, RunNumberFollowsTheRemainingArguments)
{
    EXPECT_EQ(parse({}).runNumber, 10);
    EXPECT_EQ(parse({"--headless", "7", "--steps", "5"}).runNumber, 7);
    // A whole number with an optional sign, in the range of an int.
    const struct {
        const char* text;
        int value;
    } taken[] = {{"3", 3},          {"-4", -4},         {"+5", 5},
                 {"007", 7},        {"-0", 0},          {"2147483647", INT_MAX},
                 {"-2147483648", INT_MIN}};
    for (const auto& c : taken)
        EXPECT_EQ(parse({c.text}).runNumber, c.value) << c.text;
    // Anything else is refused by name, nothing read out of it.
    for (const char* text : {"12abc", "12xyz", "7 8", " -4", "-4 ", "", "+", "-", "1.5",
                             "1e3", "0x10", "2147483648", "-2147483649",
                             "99999999999999999999"}) {
        const std::vector<const char*> args = {"creatures", text};
        RunOptions o;
        std::string error;
        EXPECT_FALSE(parseOptions(2, args.data(), o, error)) << text;
        EXPECT_EQ(error, std::string("the run number must be a whole number from -2147483648 to "
                                     "2147483647, not '") +
                             text + "'");
    }
}

TEST(Options, WhatIsNotUnderstoodIsRefusedByName)
{
    struct Case {
        std::vector<const char*> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"-seed", "5"}, "unknown option -seed (options start with two dashes)"},
        {{"-h"}, "unknown option -h"},
        {{"3", "4"}, "one run number at most, not also '4'"},
        {{"abc"}, "the run number must be a whole number from -2147483648 to 2147483647, not 'abc'"},
        {{"--summarize", "s.csv", "--headless"}, "--summarize runs nothing; it cannot go with --headless"},
        {{"--stats", "s.csv", "--summarize", "s.csv"}, "--summarize runs nothing; it cannot go with --stats"},
        {{"--summarize", "s.csv", "--set", "gravity=-2"}, "--summarize runs nothing; it cannot go with --set"},
        {{"--summarize", "s.csv", "3"}, "--summarize runs nothing; it cannot go with a run number"},
        {{"--summarize", ""}, "--summarize needs a file name"},
        {{"--founders", ""}, "--founders needs a folder name"},
        {{"--founders", "F", "--load-all", "S"}, "--founders starts a fresh world of its own; it cannot go with --load-all"},
        {{"--founders", "F", "--show-creature", "a.creature"}, "--founders starts a fresh world of its own"},
        {{"--founders", "F", "--islands", "2"}, "--founders starts a fresh world of its own"},
        {{"--trial", "a.creature", "--founders", "F"}, "--trial makes no run; it cannot go with --founders"},
        {{"--save-all"}, "option --save-all needs a value"},
        {{"--save-all", "--steps", "1"}, "option --save-all needs a value, not the option --steps"},
        {{"--seed", "0x10"}, "--seed needs a whole number"},
        {{"--steps", " 5"}, "--steps needs a whole number of steps, not ' 5'"},
        {{"--seconds", "0x10"}, "--seconds needs a number"},
        {{"--seconds", " 5"}, "--seconds needs a number"},
        {{"--set", "foodInterval=0x10"}, "--set foodInterval needs a number, not '0x10'"},
        {{"--set", "gravity= -3"}, "--set gravity needs a number"},
        {{"--autosave", "0.01"}, "--autosave needs 0 (never) or at least one step"},
        {{"--seed", "1", "--seed", "2"}, "option --seed is given twice"},
        {{"--headless", "--headless"}, "option --headless is given twice"},
        {{"--set", "foodInterval=5", "--set", "foodInterval=6"}, "--set foodInterval is given twice"},
        {{"--threads", "2"}, "--threads goes with --islands"},
        {{"--migrate-every", "60"}, "--migrate-every goes with --islands"},
        {{"--rank-wait", "5"}, "--rank-wait goes with --islands-mpi"},
        {{"--rank-wait", "0.5", "--islands-mpi"}, "--rank-wait needs a number of seconds from 1"},
    };
    for (const Case& c : cases) {
        const std::string error = refusal(c.args);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.error << " / " << error;
    }
    // Whether a loaded folder is an archipelago the program finds out.
    EXPECT_EQ(parse({"--load-all", "saved", "--threads", "2", "--migrate-every", "0"}).threads, 2);
    EXPECT_EQ(parse({"--islands-mpi", "--rank-wait", "2.5"}).rankWait, 2.5);
    // What goes with --summarize: the run's length and --help.
    const RunOptions summarize = parse({"--summarize", "s.csv", "--seconds", "1e3", "--help"});
    EXPECT_EQ(summarize.summarizeFile, "s.csv");
    EXPECT_EQ(summarize.seconds, 1000.0);
    // Decimal numbers in every form, the same for every option.
    EXPECT_EQ(parse({"--seconds", "1e2"}).seconds, 100.0);
    EXPECT_EQ(parse({"--autosave", "0"}).autosaveSeconds, 0.0);
    EXPECT_EQ(parse({"--set", "gravity=-2.5e0"}).settings[0].value, -2.5);
}

TEST(Options, ValuesAndErrors)
{
    const RunOptions o = parse({"--headless", "--seed", "4294967295", "--seconds", "1.5", "--stats",
                                "s.csv", "--load-all", "in", "--save-all", "out"});
    EXPECT_TRUE(o.headless);
    EXPECT_TRUE(o.seedGiven);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.seconds, 1.5);
    EXPECT_EQ(o.statsFile, "s.csv");
    EXPECT_EQ(o.loadAllDir, "in");
    EXPECT_EQ(o.saveAllDir, "out");
    EXPECT_EQ(o.steps, -1);

    parse({"--seed", "4294967296"}, false);
    parse({"--seed", "-1"}, false);
    parse({"--steps"}, false);
    parse({"--seconds", "nan"}, false);
    parse({"--seconds", "-2"}, false);
    parse({"--seconds", "1e300"}, false);
    parse({"--bogus"}, false);
}

// What goes together: each rule refuses its own case with its whole line,
// and of two rules broken at once the one checked first is said (the
// trial's before the run number, the summary's after it, then the islands',
// the window's and the start's).
TEST(Options, CombinationsAreRefusedByTheirRulesInOrder)
{
    struct Case {
        std::vector<const char*> args;
        const char* error;
    };
    const char* const archipelago = "an archipelago cannot go with --load-creature or --show-creature";
    const char* const screenshot = "--screenshot needs the window; it cannot go with --headless";
    const Case cases[] = {
        {{"--trial-csv", "t.csv"}, "--trial-csv goes with --trial"},
        {{"--trial-csv", "t.csv", "--trial-fresh"}, "--trial-fresh goes with --trial"},
        {{"--trial", "a.creature", "--record-every", "1"},
         "--trial makes no run; it cannot go with --record-every"},
        {{"--islands", "2", "--islands-mpi"},
         "--islands-mpi takes its islands from the processes; it cannot go with --islands"},
        {{"--islands-mpi", "--show-creature", "a.creature"}, archipelago},
        {{"--islands", "2", "--load-creature", "a.creature"}, archipelago},
        {{"--headless", "--screenshot", "s.png"}, screenshot},
        {{"--headless", "--record", "r.mp4"}, "--record needs the window; it cannot go with --headless"},
        {{"--record-every", "2", "--record-scene"}, "--record-scene goes with --record"},
        {{"--record-every", "2"}, "--record-every goes with --record"},
        {{"--show-creature", "a.creature", "--load-creature", "b.creature"},
         "--show-creature shows one creature alone; it cannot go with --load-all or "
         "--load-creature"},
        // Two rules broken: the earlier one is said.
        {{"--trial-fresh", "3", "4"}, "--trial-fresh goes with --trial"},
        {{"--summarize", "s.csv", "3", "4"}, "one run number at most, not also '4'"},
        {{"--summarize", "s.csv", "--threads", "2"},
         "--summarize runs nothing; it cannot go with --threads"},
        {{"--threads", "2", "--rank-wait", "5"}, "--threads goes with --islands"},
        {{"--rank-wait", "5", "--islands", "2", "--load-creature", "a.creature"},
         "--rank-wait goes with --islands-mpi"},
        {{"--show-creature", "a.creature", "--islands-mpi", "--islands", "2"},
         "--islands-mpi takes its islands from the processes; it cannot go with --islands"},
        {{"--headless", "--screenshot", "s.png", "--islands", "2", "--load-creature", "a.creature"},
         archipelago},
        {{"--record", "r.mp4", "--screenshot", "s.png", "--headless"}, screenshot},
        {{"--record-every", "2", "--headless", "--screenshot", "s.png"}, screenshot},
        {{"--founders", "F", "--load-all", "S", "--record-scene"}, "--record-scene goes with --record"},
        {{"--show-creature", "a.creature", "--load-all", "S", "--founders", "F"},
         "--founders starts a fresh world of its own; it cannot go with --load-all, "
         "--load-creature, --show-creature or islands"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.args), c.error);
    // What does go together.
    EXPECT_EQ(parse({"--record-every", "1"}).recordEvery, 1); // the default, without --record
    EXPECT_EQ(parse({"--record", "r.mp4", "--record-scene", "--record-every", "3"}).recordEvery, 3);
    EXPECT_EQ(parse({"--islands-mpi", "--threads", "2", "--migrate-every", "0", "--rank-wait", "3"})
                  .threads,
              2);
    const RunOptions trial = parse({"--trial", "a.creature", "--trial-fresh", "--set", "gravity=-2",
                                    "--trial-csv", "t.csv", "--headless", "b.creature"});
    EXPECT_EQ(trial.trialFiles, (std::vector<std::string>{"a.creature", "b.creature"}));
    EXPECT_TRUE(trial.remaining.empty());
    EXPECT_EQ(parse({"--founders", "F", "--headless"}).foundersDir, "F");
}

// Every path of the run that an option names takes that option's value.
TEST(Options, EveryRunPathTakesItsOptionsValue)
{
    for (const RunPath& p : runPaths()) {
        if (!p.option)
            continue;
        std::vector<const char*> args = {p.option, "p.nwk"};
        if (std::string(p.option) == "--trial-csv")
            args.insert(args.begin(), {"--trial", "a.creature"});
        EXPECT_EQ(parse(args).*p.field, "p.nwk") << p.option;
    }
}

// The files that will be replaced are said in one order, an island's files
// under its numbers, and an output that cannot be written is named by its
// option.
TEST(Options, OutputsAreCheckedAndSaidInOrder)
{
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("options-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string d = dir.string() + "/";
    for (const char* name : {"t.csv", "tree-island1.nwk", "tree-island2.nwk", "s-island2.csv",
                             "s.csv", "tree.nwk"})
        std::ofstream(d + name) << "x\n";
    RunOptions o;
    o.trialCsv = d + "t.csv";
    o.treeFile = d + "tree.nwk";
    o.statsFile = d + "s.csv";
    o.lineageFile = d + "l.csv";
    EXPECT_EQ(replacedOutputs(o), (std::vector<std::string>{d + "t.csv", d + "tree.nwk", d + "s.csv"}));
    EXPECT_EQ(replacedOutputs(o, {1, 2}),
              (std::vector<std::string>{d + "t.csv", d + "tree-island1.nwk", d + "tree-island2.nwk",
                                        d + "s-island2.csv"}));
    std::string error;
    EXPECT_TRUE(checkOutputPaths(o, error, {1, 2})) << error;
    o.saveAllDir = d + "none/save";
    o.championsDir = d + "none/champions";
    EXPECT_FALSE(checkOutputPaths(o, error));
    EXPECT_EQ(error, "--save-all " + d + "none/save: the folder " + d + "none does not exist");
    std::filesystem::remove_all(dir);
}

} // namespace
