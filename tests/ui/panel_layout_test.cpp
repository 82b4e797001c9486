// Sharing the right column among its windows, and whole chart cells in the
// statistics strip.
#include <gtest/gtest.h>

#include <numeric>

#include "ui/panel_layout.h"

namespace {

TEST(ShareColumn, LeastFirstThenSharesThenWhatIsWanted)
{
    const ColumnWish bar{true, 200, 100, 1.0f}, inspector{true, 150, 120, 0.6f},
                     fame{true, 100, 80, 1.0f}, hidden{false, 300, 200, 1.0f};
    struct Case {
        float room;
        std::vector<ColumnWish> wishes;
        std::vector<float> heights;
    };
    const Case cases[] = {
        // Room for all: each what it wants.
        {500, {bar, inspector, fame}, {200, 150, 100}},
        // A hidden window takes nothing, not even a gap.
        {460, {bar, hidden, fame}, {200, 0, 100}},
        // Short: each its least, the rest from the top down.
        {400, {bar, inspector, fame}, {190, 120, 80}},
        // The inspector's share caps it before the window under it is served.
        {700, {bar, {true, 600, 120, 0.5f}, fame}, {200, 390, 100}},
        // Not even the least: the lower ones go short, a title bar at least.
        {200, {bar, inspector, fame}, {100, 90, kPanelTitleHeight}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.room);
        const std::vector<float> h = shareColumn(c.room, 5.0f, c.wishes);
        ASSERT_EQ(h.size(), c.heights.size());
        for (std::size_t i = 0; i < h.size(); ++i)
            EXPECT_FLOAT_EQ(h[i], c.heights[i]) << i;
        // Within the room whenever the least of all fits.
        float least = 0.0f, gaps = -5.0f;
        for (const ColumnWish& w : c.wishes)
            if (w.shown) {
                least += w.least;
                gaps += 5.0f;
            }
        if (least + gaps <= c.room) {
            EXPECT_LE(std::accumulate(h.begin(), h.end(), 0.0f) + gaps, c.room + 1e-3f);
        }
    }
}

TEST(CellsThatFit, WholeCellsOnlyAndOneAtLeast)
{
    struct Case { float width, height; int columns, rows; };
    // Cells of 170 x 56 with 10 between them.
    for (const Case& c : {Case{530, 122, 3, 2}, Case{529, 121, 2, 1}, Case{180, 60, 1, 1},
                          Case{50, 20, 1, 1}, Case{1790, 200, 10, 3}}) {
        const CellGrid g = cellsThatFit(c.width, c.height, 170, 56, 10);
        EXPECT_EQ(g.columns, c.columns) << c.width;
        EXPECT_EQ(g.rows, c.rows) << c.height;
    }
}

} // namespace
