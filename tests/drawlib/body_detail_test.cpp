#include "drawlib/body_detail.h"

#include <gtest/gtest.h>

// The earlier choice: every body casts a shadow, levels step at 8, 16, 32
// and 64 pixels, never finer than the quality allows.
TEST(BodyDetail, EarlierChoiceKeepsEveryShadowAndStepsTheLevelWithTheSize)
{
    const struct {
        float pixels;
        int level;
    } cases[] = {{0.5f, 1}, {7.9f, 1}, {8.0f, 2}, {16.0f, 3}, {32.0f, 4}, {63.0f, 4}, {64.0f, 6},
                 {500.0f, 6}};
    for (const auto& c : cases) {
        const BodyDetail d = bodyDetail(c.pixels, 6, false, true);
        EXPECT_EQ(d.level, c.level) << c.pixels;
        EXPECT_TRUE(d.shadow) << c.pixels;
    }
    EXPECT_EQ(bodyDetail(500.0f, 3, false, true).level, 3);
    EXPECT_EQ(bodyDetail(500.0f, 0, false, true).level, 1); // never below the coarsest
    EXPECT_FALSE(bodyDetail(500.0f, 6, false, false).shadow);
}

// The lean choice: the same levels at twice the size, no shadow under
// kShadowlessPixels, and never finer than the earlier choice.
TEST(BodyDetail, LeanChoiceIsCoarserAndDropsTheShadowsOfSmallBodies)
{
    EXPECT_EQ(bodyDetail(15.9f, 6, true, true).level, 1);
    EXPECT_EQ(bodyDetail(16.0f, 6, true, true).level, 2);
    EXPECT_EQ(bodyDetail(64.0f, 6, true, true).level, 4);
    EXPECT_EQ(bodyDetail(128.0f, 6, true, true).level, 6);
    EXPECT_FALSE(bodyDetail(kShadowlessPixels - 0.1f, 6, true, true).shadow);
    EXPECT_TRUE(bodyDetail(kShadowlessPixels, 6, true, true).shadow);
    EXPECT_FALSE(bodyDetail(200.0f, 6, true, false).shadow); // shadows off stay off
    for (float pixels = 0.5f; pixels < 300.0f; pixels *= 1.3f)
        for (int quality = 1; quality <= 6; ++quality)
            EXPECT_LE(bodyDetail(pixels, quality, true, true).level,
                      bodyDetail(pixels, quality, false, true).level)
                << pixels << " " << quality;
}
