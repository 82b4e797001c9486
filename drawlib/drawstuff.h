// The drawing library: window, frame loop, camera, primitives, text and
// picking. The operations forward to the active backend: a headless one that
// draws nothing (the default) or the window backend of the GUI.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

#include <cstdint>

// Numbers of the drawing contract, shared by the library and the program.

// Mouse messages of the callback table, and the bits of its button mask.
enum MouseMessage : int {
    MouseMove = 512,
    LeftDown = 513,
    LeftUp = 514,
    LeftDouble = 515,
    RightDown = 516,
    RightUp = 517,
    RightDouble = 518,
    MiddleDown = 519,
    MiddleUp = 520,
};
constexpr int kLeftButton = 1;
constexpr int kMiddleButton = 2;
constexpr int kRightButton = 4;

// The per-capsule int of dsDrawCapsuleArray that lights a capsule up.
constexpr int kLitCapsule = 1;

// The mini view covers this fraction of the window's width and height, in
// its top-left corner.
constexpr double kMiniViewFraction = 0.35;

// The mini view's rectangle in a window of the given size: its width and
// height in pixels (its left and top edges are the window's).
struct ViewSize {
    int width = 0;
    int height = 0;
};
inline ViewSize miniViewSize(int windowWidth, int windowHeight)
{
    return ViewSize{static_cast<int>(windowWidth * kMiniViewFraction),
                    static_cast<int>(windowHeight * kMiniViewFraction)};
}

// Frames per second of the window's pacing and of its videos.
constexpr int kFramesPerSecond = 30;

// Text sizes of N_drawStr: the status text and the centred message.
constexpr int kStatusTextSize = 10;
constexpr int kMessageTextSize = 18;

// The window size the program starts with.
constexpr int kDefaultWindowWidth = 640;
constexpr int kDefaultWindowHeight = 480;

// The program's side of the frame loop: what a backend calls every frame
// and on every event, handed to dsSimulationLoop as one object. Every call
// but prepare has a do-nothing default.
//
// A frame's steps come in three parts, so that a window can run them beside
// its drawing: `prepare` runs first, on the loop's thread, and says whether
// steps follow; `steps` may then run on another thread while the loop sends
// the frame before to the renderer, so it touches only the world and
// nothing the other calls, the panel or the drawing library read meanwhile;
// `finish` runs on the loop's thread once they are done, every frame,
// prepared steps or not.
class FrameHandler {
public:
    virtual ~FrameHandler() = default;

    // Once, before the first frame.
    virtual void start() {}
    virtual bool prepare(int pause) = 0;
    virtual void steps() {}
    virtual void finish() {}
    // After the steps, before the views are drawn.
    virtual void timeDelta() {}
    // Each view (0 the main one, 1 the mini view): its camera, then its
    // scene.
    virtual void camera(int /*view*/) {}
    virtual void frame(int /*view*/) {}
    // The panel drawn over the views, with Dear ImGui, when one is shown.
    virtual void panel() {}
    // At the start and whenever the window's size changes.
    virtual void windowSize(int /*width*/, int /*height*/) {}
    // A key the library itself does not take.
    virtual void command(int /*key*/) {}
    // Mouse message (512..520), button mask (1 left, 2 middle, 4 right),
    // cursor x, y and picking x, y; true when the event was used.
    virtual bool mouse(int /*message*/, int /*buttons*/, int /*x*/, int /*y*/, int /*pickX*/,
                       int /*pickY*/)
    {
        return false;
    }
    // Files dropped on the window, by their paths.
    virtual void drop(int /*count*/, const char** /*paths*/) {}
    // Once, after the last frame.
    virtual void stop() {}
};

// What a backend implements. Every operation has a do-nothing default so the
// headless backend is this class itself.
class DrawBackend {
public:
    virtual ~DrawBackend() = default;

    // Runs frames until dsStop is called (or the window closes).
    virtual void simulationLoop(int argc, char** argv, int width, int height,
                                FrameHandler& frames);
    virtual void stop() { stopRequested_ = true; }

    virtual void setViewpoint(const float* /*xyz*/, const float* /*hpr*/) {}
    virtual void setColor(float /*r*/, float /*g*/, float /*b*/) {}
    virtual void setColorAlpha(float /*r*/, float /*g*/, float /*b*/, float /*a*/) {}
    virtual void setTexture(int /*texture*/) {}
    virtual void setShadows(int /*on*/) {}
    virtual void setTextures(int /*on*/) {}
    virtual void setSphereQuality(int /*level*/) {}
    virtual void setCapsuleQuality(int /*level*/) {}
    virtual void drawSphere(const double* /*pos*/, const double* /*R*/, float /*radius*/) {}
    virtual void drawCapsule(const double* /*pos*/, const double* /*R*/, float /*length*/,
                             float /*radius*/)
    {
    }
    virtual void drawBox(const double* /*pos*/, const double* /*R*/, const double* /*sides*/) {}
    virtual void drawLine(const float* /*a*/, const float* /*b*/) {}
    // Material of what follows, as factors of the current colour: ambient
    // and diffuse scale it, specular is a white highlight of that strength.
    virtual void materialColor(float /*ambient*/, float /*diffuse*/, float /*specular*/,
                               float /*shininess*/)
    {
    }
    // A chain of capsules drawn as one smooth body. Per capsule: position (4
    // floats, the fourth unused), rotation (12 floats, ODE 3x4 layout),
    // radius, length, parent index (-1 none), cap flags (2 bytes: draw the -z
    // cap, draw the +z cap) and one int: kLitCapsule draws that capsule lit
    // (the part under the cursor), 0 as the rest.
    virtual void drawCapsuleArray(int /*n*/, const float* /*positions*/, const float* /*rotations*/,
                                  const float* /*radii*/, const float* /*lengths*/,
                                  const int* /*parents*/, const std::uint8_t* /*capFlags*/,
                                  const int* /*ints*/)
    {
    }
    virtual void drawArrow(const double* /*base*/, const double* /*R*/, double /*length*/,
                           double /*thickness*/, int /*quality*/)
    {
    }
    // The next drawCapsuleArray draws the body named `key` (null: none), so
    // a backend may keep its mesh from frame to frame.
    virtual void setMeshKey(const void* /*key*/) {}
    virtual void setObjName(const void* /*name*/) {}
    virtual void pickingPre(int /*x*/, int /*y*/) {}
    virtual const void* pickingAfterRender(int /*x*/, int /*y*/) { return nullptr; }
    virtual void setUserPIP(int on) { pip_ = on; }
    virtual void setGroundSize(double size) { groundSize_ = size; }
    virtual void fogDistance(float /*start*/, float /*end*/) {}
    // Shows the pointing-hand cursor over the window.
    virtual void setHandCursor() {}
    virtual void drawStr(int /*size*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/,
                         const char* /*text*/)
    {
    }
    // A small label centred above a point of the scene in the current view.
    virtual void drawLabel(const double* /*pos*/, const char* /*text*/) {}
    // A video of the window from the next frame on, every Nth frame of it
    // (of the scene alone, without panels and texts, when sceneOnly); false
    // (the reason said on standard error) when it cannot be made.
    virtual bool recordVideo(const char* /*path*/, int /*every*/, bool /*sceneOnly*/ = false)
    {
        return false;
    }
    // True when the video was written whole.
    virtual bool stopVideo() { return false; }
    // The file being recorded, or null.
    virtual const char* videoRecording() const { return nullptr; }
    // Videos that did not end whole since the window opened.
    virtual int videoFailures() const { return 0; }

    int pip() const { return pip_; }
    double groundSize() const { return groundSize_; }

protected:
    bool stopRequested_ = false;
    int pip_ = 0;
    double groundSize_ = 0.0;
};

// The backend all operations go to; the headless one unless another is set.
DrawBackend& drawBackend();
// Makes `backend` the active backend; null restores the headless one.
void setDrawBackend(DrawBackend* backend);

void dsSimulationLoop(int argc, char** argv, int width, int height, FrameHandler& frames);
void dsStop();
void dsSetViewpoint(float xyz[3], float hpr[3]);
void dsSetColor(float r, float g, float b);
void dsSetColorAlpha(float r, float g, float b, float a);
void dsSetTexture(int texture);
void dsSetShadows(int on);
void N_SetTextures(int on);
void dsSetSphereQuality(int level);
void dsSetCapsuleQuality(int level);
void dsDrawSphereD(const double pos[3], const double R[12], float radius);
void dsDrawCapsuleD(const double pos[3], const double R[12], float length, float radius);
void dsDrawBoxD(const double pos[3], const double R[12], const double sides[3]);
void dsDrawLine(const float a[3], const float b[3]);
void dsDrawCapsuleArray(int n, const float* positions, const float* rotations, const float* radii,
                        const float* lengths, const int* parents, const std::uint8_t* capFlags,
                        const int* ints);
void N_MaterialColor(float ambient, float diffuse, float specular, float shininess);
void N_DrawArrow(const double base[3], const double R[12], double length, double thickness,
                 int quality);
void N_SetObjName(const void* name);
void N_SetMeshKey(const void* key);
void N_MousePickingPreFunc(int x, int y);
const void* N_MousePickingAfterRenderFunc(int x, int y);
void N_setUserPIP(int on);
void N_dsSetGroundSize(double size);
void N_fogDis(float start, float end);
void N_drawStr(int size, int x, int y, int width, int height, const char* text);
void N_DrawLabel(const double pos[3], const char* text);
bool N_RecordVideo(const char* path, int every, bool sceneOnly = false);
bool N_StopVideo();
const char* N_VideoRecording();
int N_VideoFailures();
void N_SetHandCursor();
