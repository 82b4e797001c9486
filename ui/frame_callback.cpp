#include "ui/frame_callback.h"

#include "ui/status_text.h"
#include "drawlib/drawstuff.h"
#include "ui/draw_world.h"
#include "ui/mouse.h"

namespace {

void pickingPass(World& w)
{
    // Timed by the backend as its picking pass.
    N_MousePickingPreFunc(w.view.pickX, w.view.pickY);
    w.view.drag.grabbed = partUnderCursor(w, w.view.pickX, w.view.pickY);
    w.view.drag.grabbedX = w.view.pickX;
    w.view.drag.grabbedY = w.view.pickY;
    N_MousePickingAfterRenderFunc(w.view.pickX, w.view.pickY);
}

// The message is drawn in every frame until its duration has passed, and
// once more in the first frame after that.
void drawMessage(World& w)
{
    Message& m = w.driver.message;
    if (!m.visible)
        return;
    const double now = w.driver.clock.ms();
    if (m.start < 0.0)
        m.start = now;
    if (now - m.start > m.duration)
        m.visible = false;
    N_drawStr(kMessageTextSize, w.view.windowWidth / 2, w.view.windowHeight / 2 - 9, w.view.windowWidth, w.view.windowHeight,
              m.text.c_str());
}

// The creature under the resting cursor: its id, generation and score
// beside the cursor.
void drawHoverTip(const World& w)
{
    const GrabbedPart* part = w.view.drag.grabbed;
    // The followed creature has its label already.
    if (w.view.drag.active || !part || !part->owner || part->owner == w.view.followedAgent)
        return;
    const std::string text = creatureLabel(*part->owner);
    N_drawStr(kStatusTextSize, w.view.pickX + 16, w.view.pickY + 12, w.view.windowWidth, w.view.windowHeight,
              text.c_str());
}

// While skip-drawing is on, a mark at the top of the view says how fast the
// world runs.
void drawFastMark(const World& w)
{
    if (!w.driver.skipRender)
        return;
    const std::string text = "Fast: " + speedText(w.driver.speed.speed);
    N_drawStr(kMessageTextSize, w.view.windowWidth / 2, kFastMarkTop, w.view.windowWidth,
              w.view.windowHeight, text.c_str());
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
        drawWorld(w, w.view.miniCamera, mini.width, mini.height, false, nullptr, w.driver.timeDelta);
        return;
    }
    if (view != 0)
        return;
    measureSpeed(w.driver.speed, w.sim.time, w.driver.clock.processMs() / 1000.0);

    // While an object drag is going on the dragged part stays the picked one.
    if (!w.view.drag.active)
        pickingPass(w);
    drawWorld(w, w.view.mainCamera, w.view.windowWidth, w.view.windowHeight, false, w.view.drag.grabbed, w.driver.timeDelta);
    drawFollowMarker(w);

    // The text starts below the mini view while that is shown.
    const int y = w.view.viewCount == 1 ? 0 : miniViewSize(w).height + 3;
    N_drawStr(kStatusTextSize, 3, y, w.view.windowWidth, w.view.windowHeight, statusText(w).c_str());
    drawHoverTip(w);
    drawFastMark(w);
    drawMessage(w);
    // The camera has framed this frame; the panels, drawn after the scene
    // when they are shown, tell the next frame where they stand.
    w.view.panelsBottomTop = -1.0f;
}

void timeDeltaCallback(World& w)
{
    DriverState& v = w.driver;
    if (!v.timeDeltaStarted) {
        v.timeDeltaStarted = true;
        v.previousTime = w.sim.time;
    }
    v.timeDelta = w.sim.time - v.previousTime;
    v.previousTime = w.sim.time;
}
