// The status text of the main view.
#include <gtest/gtest.h>

#include "ui/status_text.h"
#include "support/ode_fixture.h"

namespace {

using StatusTextTest = WorldTest;

TEST_F(StatusTextTest, LinesWithValuesCutNotRoundedAndTheSelectedCreature)
{
    w().driver.fps = 29;
    const std::pair<double, std::string> times[] = {
        {12.97, "12.9"}, {0.0, "0"}, {123.45, "123.4"}, {1234567.8, "1.23457e+06"}};
    for (const auto& [time, shown] : times) {
        w().sim.time = time;
        EXPECT_EQ(statusText(w()), "\nFPS:  29\nTime(sec):  " + shown +
                                       "\nNumber of Cretures:  10\nNumber of Foods:  30\n"
                                       "\nHighest Generation:  0\nBirths:  0\n"
                                       "Speed:  \xC3\x97" "0.00\n");
    }
    Agent& a = w().sim.population.back();
    a.temperature = 0.25;
    a.gene.values[geneParams[YAKINAMASI].start] = 0.99995;
    a.age = 7.9;
    a.energy = 1.4567;
    a.foodCount = 3;
    a.matingCount = 12;
    w().view.selectedAgent = &a;
    a.generation = 4;
    w().sim.counters.births = 17;
    const std::string text = statusText(w());
    EXPECT_EQ(text.substr(text.find("Foods:  30\n") + 11),
              "\nAbout Seleccted Creture\n  Yakinamasi:  0.25\n  Yakinamasi:  0.99995\n"
              "  Age(sec):  7\n  Energy:  1.45\n  Number of Food:  3\n"
              "  Number of Children:  12\n\nHighest Generation:  4\nBirths:  17\n"
              "Speed:  \xC3\x97" "0.00\n");

    // The highest generation ever reached stays when its creature is gone,
    // and the rules other than the defaults are named, two spaces after the
    // colon as every line.
    w().sim.highestGeneration = 9;
    w().settings.learningRule = LearningRuleId::Improved;
    w().settings.physics = PhysicsSetupId::Fast;
    w().sim.time = 12345.67;
    w().driver.speed.speed = 38.2;
    const std::string later = statusText(w());
    EXPECT_NE(later.find("Time(sec):  12345.6\nNumber of Cretures:  10\n"), std::string::npos)
        << later;
    EXPECT_NE(later.find("Highest Generation:  9\nBirths:  17\nSpeed:  \xC3\x97" "38\n"
                         "Learning:  improved\nPhysics:  fast\n"),
              std::string::npos)
        << later;
}

} // namespace
