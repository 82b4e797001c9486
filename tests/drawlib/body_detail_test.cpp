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
        const BodyDetail d = bodyDetail(c.pixels, 6, DetailChoice::Earlier, true);
        EXPECT_EQ(d.level, c.level) << c.pixels;
        EXPECT_TRUE(d.shadow) << c.pixels;
    }
    EXPECT_EQ(bodyDetail(500.0f, 3, DetailChoice::Earlier, true).level, 3);
    EXPECT_EQ(bodyDetail(500.0f, 0, DetailChoice::Earlier, true).level, 1); // never below the coarsest
    EXPECT_FALSE(bodyDetail(500.0f, 6, DetailChoice::Earlier, false).shadow);
}

// The lean choice: from the far shape (level 0) up, at four times the
// earlier sizes, no shadow for the far shape, and never finer than the
// earlier choice.
TEST(BodyDetail, LeanChoiceIsCoarserAndDropsTheShadowsOfSmallBodies)
{
    const struct {
        float pixels;
        int level;
    } cases[] = {{0.5f, 0}, {31.9f, 0}, {32.0f, 1}, {64.0f, 2}, {128.0f, 4}, {256.0f, 6}};
    for (const auto& c : cases)
        EXPECT_EQ(bodyDetail(c.pixels, 6, DetailChoice::Lean, true).level, c.level) << c.pixels;
    EXPECT_EQ(bodyDetail(500.0f, 0, DetailChoice::Lean, true).level, 0);
    // The far shape casts no shadow; every finer level does.
    for (DetailChoice choice : {DetailChoice::Lean, DetailChoice::Glimpse})
        for (float pixels = 0.5f; pixels < 600.0f; pixels *= 1.1f) {
            const BodyDetail d = bodyDetail(pixels, 6, choice, true);
            EXPECT_EQ(d.shadow, d.level > 0) << pixels;
        }
    EXPECT_FALSE(bodyDetail(200.0f, 6, DetailChoice::Lean, false).shadow); // shadows off stay off
    for (float pixels = 0.5f; pixels < 300.0f; pixels *= 1.3f)
        for (int quality = 1; quality <= 6; ++quality)
            for (DetailChoice coarser : {DetailChoice::Lean, DetailChoice::Glimpse}) {
                const DetailChoice finer =
                    coarser == DetailChoice::Lean ? DetailChoice::Earlier : DetailChoice::Lean;
                const BodyDetail c = bodyDetail(pixels, quality, coarser, true);
                const BodyDetail f = bodyDetail(pixels, quality, finer, true);
                EXPECT_LE(c.level, f.level) << pixels << " " << quality;
                EXPECT_LE(c.shadow, f.shadow) << pixels << " " << quality;
            }
}

// The glimpse: the lean levels at twice their sizes, shadows from twice the
// lean size on.
TEST(BodyDetail, GlimpseIsCoarserStill)
{
    EXPECT_EQ(bodyDetail(63.9f, 6, DetailChoice::Glimpse, true).level, 0);
    EXPECT_EQ(bodyDetail(64.0f, 6, DetailChoice::Glimpse, true).level, 1);
    EXPECT_EQ(bodyDetail(511.0f, 6, DetailChoice::Glimpse, true).level, 4);
    EXPECT_EQ(bodyDetail(512.0f, 6, DetailChoice::Glimpse, true).level, 6);
    EXPECT_FALSE(bodyDetail(2 * kShadowlessPixels - 0.1f, 6, DetailChoice::Glimpse, true).shadow);
    EXPECT_TRUE(bodyDetail(2 * kShadowlessPixels, 6, DetailChoice::Glimpse, true).shadow);
}
