// The speed of the world against the wall clock: the first rate taken whole,
// later ones smoothed, short intervals and clocks going back not taken, and
// the figure as the status text and the fast-forward mark show it.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/speed_gauge.h"

namespace {

TEST(SpeedGauge, RatesOverIntervalsSmoothedAndRestartedWhenTimeGoesBack)
{
    SpeedGauge g;
    measureSpeed(g, 100.0, 10.0); // opens the first interval
    EXPECT_FALSE(g.measured);
    measureSpeed(g, 101.0, 10.1); // too short to take
    EXPECT_FALSE(g.measured);
    measureSpeed(g, 110.0, 10.5); // 10 simulated seconds in half a wall second
    ASSERT_TRUE(g.measured);
    EXPECT_DOUBLE_EQ(g.speed, 20.0);
    // A second interval at 40: a share of the way there, more for a longer one.
    SpeedGauge longer = g;
    measureSpeed(g, 120.0, 10.75);
    measureSpeed(longer, 150.0, 11.5);
    const double shortStep = (g.speed - 20.0) / 20.0, longStep = (longer.speed - 20.0) / 20.0;
    EXPECT_NEAR(shortStep, 1.0 - std::exp(-0.25 / kSpeedSmoothing), 1e-12);
    EXPECT_GT(longStep, shortStep);
    EXPECT_LT(longer.speed, 40.0);
    // Paused: the figure sinks towards zero.
    const double before = g.speed;
    for (double t = 11.0; t < 30.0; t += 0.5)
        measureSpeed(g, 120.0, t);
    EXPECT_LT(g.speed, before * 0.01);
    // A load takes the world back in time: no rate from that interval.
    const double kept = longer.speed;
    measureSpeed(longer, 5.0, 12.0);
    EXPECT_DOUBLE_EQ(longer.speed, kept);
    measureSpeed(longer, 15.0, 13.0);
    EXPECT_LT(std::fabs(longer.speed - 10.0), std::fabs(kept - 10.0));
}

TEST(SpeedGauge, TheFigureAsShown)
{
    const std::pair<double, const char*> cases[] = {
        {38.2, "\xC3\x97" "38"}, {9.96, "\xC3\x97" "10"}, {2.54, "\xC3\x97" "2.5"},
        {1.0, "\xC3\x97" "1.0"}, {0.414, "\xC3\x97" "0.41"}, {0.0, "\xC3\x97" "0.00"},
        {-3.0, "\xC3\x97" "0.00"}, {NAN, "\xC3\x97" "0.00"}, {1234.4, "\xC3\x97" "1234"}};
    for (const auto& [speed, text] : cases)
        EXPECT_EQ(speedText(speed), text) << speed;
}

} // namespace
