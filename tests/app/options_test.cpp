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
    EXPECT_EQ(parse({"3", "4"}).runNumber, 10); // two arguments: both ignored
    EXPECT_EQ(parse({"--headless", "7", "--steps", "5"}).runNumber, 7);
    EXPECT_EQ(parse({"abc"}).runNumber, 10);
    EXPECT_EQ(parse({"12xyz"}).runNumber, 12); // scanned like %d
    EXPECT_EQ(parse({" -4"}).runNumber, -4);
    EXPECT_EQ(parse({"99999999999999999999"}).runNumber, INT_MAX);
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
