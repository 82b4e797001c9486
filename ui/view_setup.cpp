#include "ui/view_setup.h"

#include "drawlib/drawstuff.h"

namespace {

// Ground size truncated towards zero, safe for any double.
int truncatedGroundSize(double s)
{
    if (!(s > -2147483648.0 && s < 2147483648.0))
        return 0;
    return static_cast<int>(s);
}

} // namespace

void setStartCameras(World& w)
{
    const double S = w.settings.groundSize;
    ViewState& v = w.view;
    for (OrbitCamera* c : {&v.mainCamera, &v.miniCamera}) {
        c->distance = static_cast<float>(0.5 * S);
        c->maxDistance = static_cast<float>(6.0 * S);
        c->heading = 0.4487989544868469f;
        c->pitch = 0.6283185482025146f;
        c->target[0] = 0.0f;
        c->target[1] = 0.0f;
        c->target[2] = 1.0f;
        c->setViewpoint = dsSetViewpoint;
    }
    v.mainCamera.zoomMode = 0;
    v.miniCamera.zoomMode = 1;
    v.miniCamera.zoomEnd = 7.0;
    v.miniCamera.zoomTime = 0.0;
    v.miniCamera.zoomStart = v.miniCamera.distance;
}

void startUpView(World& w)
{
    dsSetShadows(w.view.drawShadows);
    w.view.drag = DragState{};
    w.view.cameraDrag = CameraDrag{};
    setStartCameras(w);
    N_setUserPIP(w.view.miniDisplay);
}

void resetView(World& w)
{
    forgetAllCreatures(w.view);
    const double S = w.settings.groundSize;
    N_dsSetGroundSize(S);
    N_fogDis(static_cast<float>(S), static_cast<float>(20 * S));
    OrbitCamera& mini = w.view.miniCamera;
    mini.distance = 10.0f;
    mini.maxDistance = 100.0f;
    mini.heading = 0.4487989544868469f;
    mini.pitch = 0.6283185482025146f;
    mini.target[0] = mini.target[1] = mini.target[2] = 0.0f;
    mini.zoomMode = 0;
}

void followPreparedWorld(World& w, double groundAtStart)
{
    resetView(w);
    if (w.settings.groundSize != groundAtStart)
        showArena(w);
}

void showArena(World& w)
{
    const double S = w.settings.groundSize;
    N_dsSetGroundSize(S);
    N_fogDis(static_cast<float>(S), static_cast<float>(20 * S));
    w.view.mainCamera.maxDistance = static_cast<float>(S * 4.5 + 30);
}

void followViewSettings(World& w)
{
    ViewState& v = w.view;
    const double S = w.settings.groundSize;
    if (!v.settingsFollowed) {
        v.groundShown = truncatedGroundSize(S);
        v.miniShown = v.miniDisplay;
    }
    v.settingsFollowed = true;
    if (static_cast<double>(v.groundShown) != S) {
        v.groundShown = truncatedGroundSize(S);
        N_dsSetGroundSize(S);
        v.mainCamera.maxDistance = static_cast<float>(S * 4.5 + 30);
    }
    if (v.miniDisplay != v.miniShown) {
        v.miniShown = v.miniDisplay;
        N_setUserPIP(v.miniDisplay);
        OrbitCamera& mini = v.miniCamera;
        mini.zoomMode = 1;
        mini.zoomEnd = 7.0;
        mini.zoomTime = 0.0;
        mini.zoomStart = mini.distance;
        v.viewCount = v.miniDisplay ? 2 : 1;
    }
}
