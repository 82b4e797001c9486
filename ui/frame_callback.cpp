#include "ui/frame_callback.h"

#include "base/clock.h"
#include "ui/status_text.h"
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
    for (Agent& a : w.sim.population)
        for (BodyPart& p : a.parts)
            if (&p == name)
                return p.exists ? &p : nullptr;
    return nullptr;
}

void pickingPass(World& w)
{
    dsSetCapsuleQuality(1);
    dsSetShadows(0);
    N_MousePickingPreFunc(w.view.pickX, w.view.pickY);
    drawWorld(w, w.view.mainCamera, w.view.windowWidth, w.view.windowHeight, true, nullptr, 0.0);
    w.view.drag.grabbed = livePart(w, N_MousePickingAfterRenderFunc(w.view.pickX, w.view.pickY));
    dsSetShadows(w.view.drawShadows);
}

// The message is drawn in every frame until its duration has passed, and
// once more in the first frame after that.
void drawMessage(World& w)
{
    Message& m = w.driver.message;
    if (!m.visible)
        return;
    if (static_cast<double>(nowMs()) - m.start > m.duration)
        m.visible = false;
    N_drawStr(kMessageTextSize, w.view.windowWidth / 2, w.view.windowHeight / 2 - 9, w.view.windowWidth, w.view.windowHeight,
              m.text.c_str());
}

// The creature under the resting cursor: its id, generation and score
// beside the cursor.
void drawHoverTip(const World& w)
{
    const GrabbedPart* part = w.view.drag.grabbed;
    if (w.view.drag.active || !part || !part->owner)
        return;
    const std::string text = creatureLabel(*part->owner);
    N_drawStr(kStatusTextSize, w.view.pickX + 16, w.view.pickY + 12, w.view.windowWidth, w.view.windowHeight,
              text.c_str());
}

} // namespace

ViewSize miniViewSize(const World& w)
{
    return miniViewSize(w.view.windowWidth, w.view.windowHeight);
}

void frameCallback(World& w, int view)
{
    dsSetSphereQuality(w.view.sphereQuality);
    if (view == 1) {
        const ViewSize mini = miniViewSize(w);
        drawWorld(w, w.view.miniCamera, mini.width, mini.height, false, nullptr, w.view.timeDelta);
        return;
    }
    if (view != 0)
        return;

    // While an object drag is going on the dragged part stays the picked one.
    if (!w.view.drag.active)
        pickingPass(w);
    drawWorld(w, w.view.mainCamera, w.view.windowWidth, w.view.windowHeight, false, w.view.drag.grabbed, w.view.timeDelta);
    drawFollowMarker(w);

    // The text starts below the mini view while that is shown.
    const int y = w.view.viewCount == 1 ? 0 : miniViewSize(w).height + 3;
    N_drawStr(kStatusTextSize, 3, y, w.view.windowWidth, w.view.windowHeight, statusText(w).c_str());
    drawHoverTip(w);
    drawMessage(w);
}

void timeDeltaCallback(World& w)
{
    ViewState& v = w.view;
    if (!v.timeDeltaStarted) {
        v.timeDeltaStarted = true;
        v.previousTime = w.sim.time;
    }
    v.timeDelta = w.sim.time - v.previousTime;
    v.previousTime = w.sim.time;
}
