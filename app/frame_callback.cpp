#include "app/frame_callback.h"

#include "app/base/clock.h"
#include "app/status_text.h"
#include "drawlib/drawstuff.h"
#include "ui/draw_world.h"

namespace {

// The part a picking name stands for, if it is a part of a creature still in
// the population; anything else (no name, a stale or foreign one) is no
// part, so the drag and the step never reach a part that is gone.
GrabbedPart* livePart(World& w, const void* name)
{
    if (!name)
        return nullptr;
    for (Agent& a : w.population)
        for (BodyPart& p : a.parts)
            if (&p == name)
                return p.exists ? &p : nullptr;
    return nullptr;
}

void pickingPass(World& w)
{
    dsSetCapsuleQuality(1);
    dsSetShadows(0);
    N_MousePickingPreFunc(w.pickX, w.pickY);
    drawWorld(w, w.mainCamera, w.windowWidth, w.windowHeight, true, nullptr, 0.0);
    w.drag.grabbed = livePart(w, N_MousePickingAfterRenderFunc(w.pickX, w.pickY));
    dsSetShadows(w.drawShadows);
}

// The message is drawn in every frame until its duration has passed, and
// once more in the first frame after that.
void drawMessage(World& w)
{
    Message& m = w.message;
    if (!m.visible)
        return;
    if (static_cast<double>(nowMs()) - m.start > m.duration)
        m.visible = false;
    N_drawStr(kMessageTextSize, w.windowWidth / 2, w.windowHeight / 2 - 9, w.windowWidth, w.windowHeight,
              m.text.c_str());
}

// The creature under the resting cursor: its id, generation and score
// beside the cursor.
void drawHoverTip(const World& w)
{
    const GrabbedPart* part = w.drag.grabbed;
    if (w.drag.active || !part || !part->owner)
        return;
    const std::string text = creatureLabel(*part->owner);
    N_drawStr(kStatusTextSize, w.pickX + 16, w.pickY + 12, w.windowWidth, w.windowHeight,
              text.c_str());
}

} // namespace

ViewSize miniViewSize(const World& w)
{
    return ViewSize{static_cast<int>(w.windowWidth * kMiniViewFraction),
                    static_cast<int>(w.windowHeight * kMiniViewFraction)};
}

void frameCallback(World& w, int view)
{
    dsSetSphereQuality(w.sphereQuality);
    if (view == 1) {
        const ViewSize mini = miniViewSize(w);
        drawWorld(w, w.miniCamera, mini.width, mini.height, false, nullptr, w.timeDelta);
        return;
    }
    if (view != 0)
        return;

    // While an object drag is going on the dragged part stays the picked one.
    if (!w.drag.active)
        pickingPass(w);
    drawWorld(w, w.mainCamera, w.windowWidth, w.windowHeight, false, w.drag.grabbed, w.timeDelta);
    drawFollowMarker(w);

    // The text starts below the mini view while that is shown.
    const int y = w.viewCount == 1 ? 0 : static_cast<int>(w.windowHeight * kMiniViewFraction + 3);
    N_drawStr(kStatusTextSize, 3, y, w.windowWidth, w.windowHeight, statusText(w).c_str());
    drawHoverTip(w);
    drawMessage(w);
}
