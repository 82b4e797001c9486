// Birth markers: aging, fading and removal over frames.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ui/birth_marker.h"

namespace {

TEST(BirthMarkers, FadeOverFramesAndGoWhileOnlyPositiveTimeDeltasAgeThem)
{
    std::list<BirthMarker> markers(1);
    std::vector<double> ages;
    for (int frame = 1; frame <= 35; ++frame)
        ageBirthMarkers(markers, 0.15, [&](const BirthMarker& m) { ages.push_back(m.age); });
    // Shown a last time in frame 34 past age 1 (alpha below 0), gone in 35.
    ASSERT_EQ(ages.size(), 34u);
    EXPECT_LT(ages[32], 1.0);
    EXPECT_GT(ages[33], 1.0);
    EXPECT_TRUE(markers.empty());

    for (double dt : {0.0, -0.3, std::nan("")}) {
        std::list<BirthMarker> list{{1, 1.0, {}, 0.5}, {0, 2.0, {}, 0.5}, {1, 3.0, {}, 0.5}};
        std::vector<double> shown;
        ageBirthMarkers(list, dt, [&](const BirthMarker& m) { shown.push_back(m.size + m.age); });
        EXPECT_EQ(shown, (std::vector<double>{1.5, 3.5})) << dt;
        EXPECT_EQ(list.size(), 2u);
    }
}

} // namespace
