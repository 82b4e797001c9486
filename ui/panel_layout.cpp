#include "ui/panel_layout.h"

#include <algorithm>

#include "ui/control_bar.h"

DockLayout dockLayout(int windowWidth, int windowHeight)
{
    const float h = static_cast<float>(windowHeight);
    const float margin = static_cast<float>(kControlBarMargin);
    DockLayout d;
    const ControlBarPosition bar = controlBarPosition(windowWidth);
    d.columnX = static_cast<float>(bar.x);
    d.columnWidth = static_cast<float>(kControlBarWidth);
    d.columnTop = static_cast<float>(bar.y);
    d.columnBottom = h - margin;
    // The strip takes 15% of the window's height, within bounds that
    // keep a row of charts with their axes readable and most of a large
    // window for the scene.
    const float stripHeight = std::clamp(h * 0.15f, 72.0f, 220.0f);
    d.strip = PanelRect{margin, h - margin - stripHeight, std::max(0.0f, d.columnX - 2 * margin),
                        stripHeight};
    d.stripCollapsed = d.strip;
    d.stripCollapsed.y = h - margin - kPanelTitleHeight;
    d.stripCollapsed.height = kPanelTitleHeight;
    return d;
}

PanelRect familyTreeRect(const DockLayout& d, int windowHeight, bool statisticsOpen,
                         float statisticsTop)
{
    const float h = static_cast<float>(windowHeight);
    const float margin = static_cast<float>(kControlBarMargin);
    const float bottom =
        (statisticsTop >= 0.0f ? statisticsTop : statisticsOpen ? d.strip.y : d.stripCollapsed.y) -
        margin;
    // Clear of a box of 40 pixels around the middle, where the followed
    // creature stands and the message shows.
    const float highest = h / 2 + 20.0f + margin;
    const float height =
        std::max(kPanelTitleHeight, std::min(std::clamp(h * 0.3f, 120.0f, 400.0f), bottom - highest));
    return PanelRect{d.strip.x, bottom - height, d.strip.width, height};
}

std::vector<float> shareColumn(float room, float gap, const std::vector<ColumnWish>& wishes)
{
    std::vector<float> height(wishes.size(), 0.0f);
    int shown = 0;
    for (const ColumnWish& w : wishes)
        shown += w.shown;
    float left = room - gap * static_cast<float>(std::max(0, shown - 1));
    // Every window its least, as long as there is room; a title bar always.
    for (std::size_t i = 0; i < wishes.size(); ++i) {
        if (!wishes[i].shown)
            continue;
        const float least = std::min(wishes[i].least, wishes[i].wanted);
        height[i] = std::max(std::min(kPanelTitleHeight, least), std::min(least, left));
        left -= height[i];
    }
    // Then, in turn, up to its share; then up to what it wants.
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < wishes.size(); ++i) {
            if (!wishes[i].shown || left <= 0.0f)
                continue;
            const float cap = pass == 0 ? std::min(wishes[i].wanted, wishes[i].share * room)
                                        : wishes[i].wanted;
            const float more = std::clamp(cap - height[i], 0.0f, left);
            height[i] += more;
            left -= more;
        }
    return height;
}

CellGrid cellsThatFit(float width, float height, float cellWidth, float cellHeight, float gap)
{
    CellGrid g;
    g.columns = std::max(1, static_cast<int>((width + gap) / (cellWidth + gap)));
    g.rows = std::max(1, static_cast<int>((height + gap) / (cellHeight + gap)));
    return g;
}

float uncoveredShare(int windowWidth, int windowHeight, const PanelRect* rects, int count,
                     float cell)
{
    long long free = 0, all = 0;
    for (float y = cell / 2; y < windowHeight; y += cell) {
        for (float x = cell / 2; x < windowWidth; x += cell) {
            ++all;
            bool covered = false;
            for (int i = 0; i < count && !covered; ++i)
                covered = x >= rects[i].x && x < rects[i].right() && y >= rects[i].y &&
                          y < rects[i].bottom();
            free += !covered;
        }
    }
    return all ? static_cast<float>(free) / static_cast<float>(all) : 1.0f;
}
