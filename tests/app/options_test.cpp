// Command-line parsing: options first, then the classic run-number rule.
#include <gtest/gtest.h>

#include <climits>

#include "app/options.h"

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

TEST(Options, RunNumberFollowsTheRemainingArguments)
{
    EXPECT_EQ(parse({}).runNumber, 10);
    EXPECT_EQ(parse({"3"}).runNumber, 3);
    EXPECT_EQ(parse({"--headless", "7", "--steps", "5"}).runNumber, 7);
    EXPECT_EQ(parse({"12xyz"}).runNumber, 12); // scanned like %d
    EXPECT_EQ(parse({" -4"}).runNumber, -4);
    EXPECT_EQ(parse({"-4"}).runNumber, -4);
    EXPECT_EQ(parse({"99999999999999999999"}).runNumber, INT_MAX);
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
        {{"abc"}, "the run number must be a whole number, not 'abc'"},
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
    };
    for (const Case& c : cases) {
        std::vector<const char*> args = c.args;
        args.insert(args.begin(), "creatures");
        RunOptions o;
        std::string error;
        EXPECT_FALSE(parseOptions(static_cast<int>(args.size()), args.data(), o, error)) << c.error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
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

} // namespace
