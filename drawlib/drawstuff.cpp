#include "drawlib/drawstuff.h"

namespace {

DrawBackend& headless()
{
    static DrawBackend instance;
    return instance;
}

DrawBackend* active = nullptr;

} // namespace

// Headless frame loop: the same calls as a window, with nothing drawn, as
// fast as the steps let it run.
void DrawBackend::simulationLoop(int, char**, int width, int height, FrameHandler& frames)
{
    stopRequested_ = false;
    frames.windowSize(width, height);
    frames.start();
    while (!stopRequested_) {
        if (frames.prepare(0))
            frames.steps();
        frames.finish();
        if (stopRequested_)
            break;
        frames.timeDelta();
        const int views = pip_ ? 2 : 1;
        for (int view = 0; view < views; ++view) {
            frames.camera(view);
            frames.frame(view);
        }
    }
    frames.stop();
}

DrawBackend& drawBackend()
{
    return active ? *active : headless();
}

void setDrawBackend(DrawBackend* backend)
{
    active = backend;
}

void dsSimulationLoop(int argc, char** argv, int width, int height, FrameHandler& frames)
{
    drawBackend().simulationLoop(argc, argv, width, height, frames);
}
void dsStop()
{
    drawBackend().stop();
}
void dsSetViewpoint(float xyz[3], float hpr[3])
{
    drawBackend().setViewpoint(xyz, hpr);
}
void dsSetColor(float r, float g, float b)
{
    drawBackend().setColor(r, g, b);
}
void dsSetColorAlpha(float r, float g, float b, float a)
{
    drawBackend().setColorAlpha(r, g, b, a);
}
void dsSetTexture(int texture)
{
    drawBackend().setTexture(texture);
}
void dsSetShadows(int on)
{
    drawBackend().setShadows(on);
}
void N_SetTextures(int on)
{
    drawBackend().setTextures(on);
}
void dsSetSphereQuality(int level)
{
    drawBackend().setSphereQuality(level);
}
void dsSetCapsuleQuality(int level)
{
    drawBackend().setCapsuleQuality(level);
}
void dsDrawSphereD(const double pos[3], const double R[12], float radius)
{
    drawBackend().drawSphere(pos, R, radius);
}
void dsDrawCapsuleD(const double pos[3], const double R[12], float length, float radius)
{
    drawBackend().drawCapsule(pos, R, length, radius);
}
void dsDrawBoxD(const double pos[3], const double R[12], const double sides[3])
{
    drawBackend().drawBox(pos, R, sides);
}
void dsDrawLine(const float a[3], const float b[3])
{
    drawBackend().drawLine(a, b);
}
void dsDrawCapsuleArray(int n, const float* positions, const float* rotations, const float* radii,
                        const float* lengths, const int* parents, const std::uint8_t* capFlags,
                        const int* ints)
{
    drawBackend().drawCapsuleArray(n, positions, rotations, radii, lengths, parents, capFlags,
                                   ints);
}
void N_MaterialColor(float ambient, float diffuse, float specular, float shininess)
{
    drawBackend().materialColor(ambient, diffuse, specular, shininess);
}
void N_DrawArrow(const double base[3], const double R[12], double length, double thickness,
                 int quality)
{
    drawBackend().drawArrow(base, R, length, thickness, quality);
}
void N_SetMeshKey(const void* key)
{
    drawBackend().setMeshKey(key);
}

void N_SetObjName(const void* name)
{
    drawBackend().setObjName(name);
}
void N_MousePickingPreFunc(int x, int y)
{
    drawBackend().pickingPre(x, y);
}
const void* N_MousePickingAfterRenderFunc(int x, int y)
{
    return drawBackend().pickingAfterRender(x, y);
}
void N_setUserPIP(int on)
{
    drawBackend().setUserPIP(on);
}
void N_dsSetGroundSize(double size)
{
    drawBackend().setGroundSize(size);
}
void N_fogDis(float start, float end)
{
    drawBackend().fogDistance(start, end);
}
void N_drawStr(int size, int x, int y, int width, int height, const char* text)
{
    drawBackend().drawStr(size, x, y, width, height, text);
}

void N_DrawLabel(const double pos[3], const char* text)
{
    drawBackend().drawLabel(pos, text);
}

bool N_RecordVideo(const char* path, int every, bool sceneOnly)
{
    return drawBackend().recordVideo(path, every, sceneOnly);
}

bool N_StopVideo()
{
    return drawBackend().stopVideo();
}

const char* N_VideoRecording()
{
    return drawBackend().videoRecording();
}

int N_VideoFailures()
{
    return drawBackend().videoFailures();
}
void N_SetHandCursor()
{
    drawBackend().setHandCursor();
}
