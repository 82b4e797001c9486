// The folder operations reached through the control bar's request queue and
// through the command line.
#include <gtest/gtest.h>

#include "app/program.h"
#include "app/step_driver.h"
#include "ui/requests.h"
#include "persist_support.h"

namespace {

using persist_test::exists;
using persist_test::folderContents;

class FolderRequests : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        w().driver.targetFps = 0.0f;   // no pacing
    }
    // Runs one frame and returns the message it left.
    std::string frame()
    {
        // The requests alone, no step: the population changes only through
        // them.
        persist_test::printedBy([&] { prepareSteps(w(), 0); });
        return w().driver.message.text;
    }
};

int run(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return runProgram(static_cast<int>(args.size()), argv.data());
}

} // namespace

TEST_F(FolderRequests, ShowTheOutcomeOfEachOperation)
{
    requestSaveAll(w(), 2);
    EXPECT_EQ(w().driver.message.text, "Saved2");
    EXPECT_EQ(frame(), "Saved2...");
    EXPECT_TRUE(exists("saveData2/config.dat"));
    EXPECT_EQ(w().driver.message.duration, 2000.0);

    requestLoadAll(w(), 2);
    EXPECT_EQ(frame(), "Loaded2...");

    requestLoadAll(w(), 4);
    EXPECT_EQ(frame(), "cannot open:saveData4/config.dat");

    w().view.selectedAgent = nullptr;
    requestSaveCreature(w(), 1);
    EXPECT_EQ(frame(), "Select a Creature!\nnot saved");
    EXPECT_FALSE(exists("saveDataOneCreature1"));

    w().view.selectedAgent = &w().sim.population.front();
    requestSaveCreature(w(), 3);
    EXPECT_EQ(frame(), "Saved3...");
    const std::size_t size = w().sim.population.size();
    requestLoadCreature(w(), 3);
    EXPECT_EQ(frame(), "Loaded3...");
    EXPECT_EQ(w().sim.population.size(), size + 1);

    // Failed creature loads take nothing away, damaged or missing.
    requestLoadCreature(w(), 4);
    EXPECT_EQ(frame(), "cannot open:saveDataOneCreature4/agent.dat");
    persist_test::writeBytes("saveDataOneCreature3/agent.dat", "damaged");
    std::filesystem::remove("saveDataOneCreature3/SHA256SUMS");
    requestLoadCreature(w(), 3);
    EXPECT_EQ(frame(), "damaged file:saveDataOneCreature3/agent.dat (ends too early)");
    EXPECT_EQ(w().sim.population.size(), size + 1);
}

TEST_F(FolderRequests, CommandLineLoadsAndSavesAndFailsOnABadLoad)
{
    // A failed load prints the text and ends the program with status 1.
    int status = 0;
    const std::string err =
        persist_test::printedBy([&] {
            status = run({"creatures", "--headless", "--steps", "5", "--load-all", "missing"});
        }).err;
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("cannot open:missing/config.dat"), std::string::npos) << err;
    EXPECT_NE(err.find("creatures: nothing was loaded from missing; the run does not start\n"),
              std::string::npos)
        << err;

    // A run that saves, and one that loads that save and saves it again.
    const std::string out = persist_test::printedBy([&] {
                                EXPECT_EQ(run({"creatures", "--headless", "--seed", "3", "--steps",
                                               "20", "--save-all", "first"}),
                                          0);
                                EXPECT_EQ(run({"creatures", "--headless", "--steps", "0",
                                               "--load-all", "first", "--save-all", "second"}),
                                          0);
                            }).out;
    EXPECT_NE(out.find("write\n"), std::string::npos);
    EXPECT_NE(out.find("read\n"), std::string::npos);
    const auto first = folderContents("first");
    const auto second = folderContents("second");
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(first.at("config.dat"), second.at("config.dat"));
    EXPECT_EQ(first.at("AimPosData.dat"), second.at("AimPosData.dat"));
    EXPECT_EQ(first.at("posAgent.dat").size(), second.at("posAgent.dat").size());

    // A damaged save is refused the same way.
    persist_test::writeBytes("first/AimPosData.dat", "");
    std::filesystem::remove("first/SHA256SUMS");
    const std::string refused =
        persist_test::printedBy([&] {
            status = run({"creatures", "--headless", "--load-all", "first"});
        }).err;
    EXPECT_EQ(status, 1);
    EXPECT_NE(refused.find("damaged file:first/AimPosData.dat (ends too early)"), std::string::npos)
        << refused;
    EXPECT_NE(refused.find("creatures: nothing was loaded from first"), std::string::npos)
        << refused;
}
