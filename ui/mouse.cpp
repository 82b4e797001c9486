#include "ui/mouse.h"

#include <cmath>

#include "drawlib/drawstuff.h"

namespace {

constexpr float kPi = 3.1415927f;

bool isPress(int message)
{
    return message == LeftDown || message == RightDown || message == MiddleDown;
}

bool isRelease(int message)
{
    return message == LeftUp || message == RightUp || message == MiddleUp;
}

// The object drag: a left press on a part starts it, moving pulls the target
// across the ground relative to the camera's heading (up and down with left
// and right held), releasing every button ends it.
bool objectHandler(World& w, int message, int buttons, int x, int y)
{
    DragState& d = w.view.drag;
    d.buttons = buttons;
    if (isPress(message)) {
        // What is under the cursor now (a limb may have moved since the
        // last frame's look), else what that look found if it was made at
        // this pixel.
        if (buttons == 1) {
            if (GrabbedPart* now = partUnderCursor(w, w.view.pickX, w.view.pickY))
                d.grabbed = now;
            else if (d.grabbedX != w.view.pickX || d.grabbedY != w.view.pickY)
                d.grabbed = nullptr;
        }
        if (buttons == 1 && d.grabbed) {
            // The press's creature is the lit one too: the steps until the
            // next frame keep the lit creature selected, and the last frame
            // may have lit another.
            w.view.selectedAgent = d.grabbed->owner;
            w.view.hoveredAgent = d.grabbed->owner;
            d.active = true;
            const dReal* p = dGeomGetPosition(d.grabbed->geom);
            d.target[0] = p[0];
            d.target[1] = p[1];
            d.target[2] = p[2];
            d.lastX = x;
            d.lastY = y;
        }
    } else if (isRelease(message)) {
        if (d.active && buttons == 0)
            d.active = false;
    } else if (message == MouseMove && d.active) {
        const int sx = static_cast<int>((x - d.lastX) * 3.0);
        const int sy = static_cast<int>((y - d.lastY) * 3.0);
        d.lastX = x;
        d.lastY = y;
        const double h = w.view.mainCamera.heading;
        if (buttons == 1) {
            d.target[0] += (std::cos(h) * sy - std::sin(h) * sx) * 0.03;
            d.target[1] += (std::cos(h) * sx + std::sin(h) * sy) * 0.03;
        } else if (buttons == 5) {
            d.target[2] -= sy * 0.03;
        }
    }
    return d.active;
}

// The camera drag of the main camera.
bool cameraHandler(World& w, int message, int buttons, int x, int y)
{
    CameraDrag& c = w.view.cameraDrag;
    c.buttons = buttons;
    if (isPress(message)) {
        if (!c.active) {
            c.lastX = x;
            c.lastY = y;
            c.active = true;
        }
        return true;
    }
    if (isRelease(message)) {
        if (buttons != 0)
            return true;
        c.active = false;
        return false;
    }
    if (message == MouseMove) {
        if (!c.active)
            return false;
        const int dx = x - c.lastX, dy = y - c.lastY;
        c.lastX = x;
        c.lastY = y;
        mouseMotion(w.view.mainCamera, buttons, dx, dy);
        return true;
    }
    return false;
}

} // namespace

GrabbedPart* partUnderCursor(World& w, int x, int y)
{
    const ViewState& v = w.view;
    const Ray ray = viewRay(v.mainCamera, x, y, v.windowWidth, v.windowHeight);
    return w.view.picker.pick(w.sim.population, v.followedAgent, ray,
                              pixelSlack(v.windowWidth, v.windowHeight, kPickSlackPixels));
}

void mouseMotion(OrbitCamera& camera, int buttons, int dx, int dy)
{
    switch (buttons) {
    case 4:
        camera.heading += dx * 0.01f;
        if (camera.heading > kPi)
            camera.heading -= 2 * kPi;
        else if (camera.heading < -kPi)
            camera.heading += 2 * kPi;
        camera.distance += dy * 0.1f;
        if (camera.distance < 0.1f)
            camera.distance = 0.1f;
        break;
    case 5:
        camera.pitch += dy * 0.01f;
        if (camera.pitch < 0.0f)
            camera.pitch = 0.0f;
        if (camera.pitch > kPi / 2)
            camera.pitch = kPi / 2;
        break;
    case 6: camera.target[2] -= dy * 0.05f; break;
    case 2: {
        const float h = camera.heading;
        camera.target[0] += (std::cos(h) * dy - std::sin(h) * dx) * 0.05f;
        camera.target[1] += (std::sin(h) * dy + std::cos(h) * dx) * 0.05f;
        break;
    }
    default: break;
    }
}

bool mouseCallback(World& w, int message, int buttons, int x, int y, int pickX, int pickY)
{
    N_SetHandCursor();
    w.view.pickX = pickX;
    w.view.pickY = pickY;
    if (buttons == 1 && !w.view.cameraDrag.active) {
        w.view.mouseMode = 0;
        return objectHandler(w, message, buttons, x, y);
    }
    if ((buttons == 2 || buttons == 4) && !w.view.drag.active) {
        w.view.mouseMode = 1;
        return cameraHandler(w, message, buttons, x, y);
    }
    switch (w.view.mouseMode) {
    case 0: return objectHandler(w, message, buttons, x, y);
    case 1: return cameraHandler(w, message, buttons, x, y);
    default: return false;
    }
}

void applyDragForce(World& w)
{
    DragState& drag = w.view.drag;
    if (!drag.active || !drag.grabbed)
        return;
    w.view.selectedAgent = w.view.hoveredAgent;
    const double h = w.sim.stepSize;
    GrabbedPart& part = *drag.grabbed;
    dBodyEnable(part.body);
    const dReal* p = dGeomGetPosition(part.geom);
    const double d[3] = {drag.target[0] - p[0], drag.target[1] - p[1], drag.target[2] - p[2]};
    if (std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) == 0) {
        drag.force[0] = drag.force[1] = drag.force[2] = 0.0;
        return;
    }
    const dReal* v = dBodyGetLinearVel(part.body);
    for (int i = 0; i < 3; ++i)
        drag.force[i] = part.mass * (d[i] * (1 / h) - v[i]) * (1 / h);
    dBodySetForce(part.body, drag.force[0], drag.force[1], drag.force[2]);
}
