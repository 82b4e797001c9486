// Birth markers: aging, fading and removal over frames.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <vector>

#include "ecology/birth_marker.h"

namespace {

TEST(BirthMarkers, FadeOverFiveSecondsAreShownOnceMoreThenRemoved)
{
    std::list<BirthMarker> markers(1);
    std::vector<BirthMarker> shown;
    const auto record = [&](const BirthMarker& m) { shown.push_back(m); };
    for (int frame = 0; frame < 33; ++frame)
        ageBirthMarkers(markers, 0.15, record);
    ASSERT_EQ(shown.size(), 33u);
    EXPECT_EQ(shown.back().active, 1);
    EXPECT_NEAR(shown.back().age, 0.99, 1e-9);

    // Frame 34 passes age 1: shown a last time, with a slightly negative alpha.
    ageBirthMarkers(markers, 0.15, record);
    ASSERT_EQ(shown.size(), 34u);
    EXPECT_EQ(shown.back().active, 0);
    EXPECT_LT(1.0 - shown.back().age, 0.0);
    ASSERT_EQ(markers.size(), 1u);

    ageBirthMarkers(markers, 0.15, record);
    EXPECT_TRUE(markers.empty());
    EXPECT_EQ(shown.size(), 34u);
}

TEST(BirthMarkers, OnlyPositiveTimeDeltasAgeThemAndInactiveOnesGoInPlace)
{
    for (double dt : {0.0, -0.3, std::nan("")}) {
        std::list<BirthMarker> markers(3);
        int i = 0;
        for (auto& m : markers) {
            m.age = 0.5;
            m.size = ++i;
        }
        std::next(markers.begin())->active = 0;
        std::vector<double> sizes;
        ageBirthMarkers(markers, dt, [&](const BirthMarker& m) { sizes.push_back(m.size); });
        EXPECT_EQ(sizes, (std::vector<double>{1, 3})) << dt;
        ASSERT_EQ(markers.size(), 2u);
        for (const auto& m : markers)
            EXPECT_EQ(m.age, 0.5) << dt;
    }
}

} // namespace
