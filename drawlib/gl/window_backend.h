// The window backend of the drawing library: a GLFW window with an OpenGL
// context, the frame loop, the main view and the mini view with their own
// cameras, primitives drawn through GlRenderer, text through Dear ImGui's
// font and draw lists, mouse and keys translated for the frame handler, and
// picking by casting the cursor's ray at the tagged primitives.
//
// Keys of the library itself: Ctrl+P pauses and resumes, Ctrl+Q and Ctrl+X
// close the window. Every other key goes to the command callback.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <map>
#include <memory>
#include <string>
#include <array>
#include <vector>

#include "drawlib/drawstuff.h"
#include "drawlib/gl/gl_renderer.h"
#include "drawlib/gl/video_recorder.h"
#include "drawlib/ray_pick.h"

struct GLFWwindow;
struct GLFWcursor;
struct ImFont;

class WindowBackend : public DrawBackend {
public:
    WindowBackend();
    ~WindowBackend() override;

    // Opens the window and its context (before the loop, so a missing
    // display is known early), of the given size or, for 0 by 0, four
    // fifths of the screen's work area. False with a reason when it cannot.
    bool open(int width, int height, const char* title, std::string& error);
    // Ends ImGui, the context and the window.
    void close();
    bool isOpen() const { return window_ != nullptr; }
    // Where the window stands on the screen (its position and width in
    // screen coordinates) and the work area of the screen it is on (from
    // areaX, areaWidth wide); false while it is not open.
    bool screenPlace(int& x, int& y, int& width, int& areaX, int& areaWidth) const;

    // After `frames` more frames, writes the window's picture to a PNG file and
    // stops the loop. An empty path only stops the loop.
    void stopAfterFrames(int frames, const std::string& screenshotPath = std::string());
    // Whether the last screenshot was written; its error text otherwise.
    bool screenshotWritten() const { return screenshotWritten_; }
    const std::string& screenshotError() const { return screenshotError_; }
    // Makes every frame wait for the renderer so the drawing time includes
    // the rasterisation (for measurements).
    void setFinishEachFrame(bool on) { finishEachFrame_ = on; }
    // The lean drawing (the default): the lean sky and ground, and bodies
    // small on the screen coarser and without shadows. Off, the earlier
    // drawing, to measure one against the other.
    void setLeanDrawing(bool on);
    bool leanDrawing() const { return leanDrawing_; }
    // Frames drawn now and then while the steps run on (skip-render): with
    // the lean drawing, bodies coarser still (see body_detail.h).
    void setGlimpse(bool on) { glimpse_ = on; }
    // The sky and the ground alone drawn another way (after setLeanDrawing,
    // which sets them too); Off measures what they cost.
    void setSkyGroundLook(SkyGround::Look look) { renderer_.setBackgroundLook(look); }

    // The steps of a frame run on a thread of their own while the loop sends the frame before to the renderer (on
    // by default); off, they run on the loop's thread, between the frames.
    void setStepsBesideDrawing(bool on) { stepsBeside_ = on; }
    bool stepsBesideDrawing() const { return stepsBeside_; }

    // Time of the last frame by stage, in milliseconds.
    struct FrameTimes {
        double step = 0.0;    // the frame's steps: simulation, requests and pacing
        double stepWait = 0.0; // the loop waiting for them (all of them unless beside)
        double picking = 0.0; // from the start to the end of the picking pass
        double panel = 0.0;   // building the panel's draw lists
        double drawing = 0.0; // views, text and the panel (minus picking)
        double swap = 0.0;    // buffer swap and event polling
        double frame = 0.0;   // the whole frame, on the loop's thread
    };
    const FrameTimes& lastFrameTimes() const { return times_; }
    const GlRenderer::Stats& lastViewStats() const { return renderer_.lastStats(); }

    // From now on the cursor over the scene is a pointing hand (over the
    // panels it stays theirs).
    void setHandCursor() override;
    // The standard cursor shape shown now (a GLFW shape), -1 for the arrow.
    int cursorShape() const { return cursorShape_; }
    // Where the text of the last frame stood, in window points: the status
    // text, the messages and the labels.
    struct TextRect {
        float x, y, width, height;
        int size;
        bool label;
    };
    const std::vector<TextRect>& lastTextRects() const { return textRects_; }

    // Whether the handler's panel is drawn over the views (Tab shows and
    // hides it); it has the window's input first.
    bool panelsShown() const { return panelsShown_; }
    void setPanelsShown(bool on) { panelsShown_ = on; }

    // Pause state of the loop (Ctrl+P).
    bool paused() const { return paused_; }
    void setPaused(bool on) { paused_ = on; }

    void simulationLoop(int argc, char** argv, int width, int height,
                        FrameHandler& frames) override;

    void setViewpoint(const float* xyz, const float* hpr) override;
    void setColor(float r, float g, float b) override;
    void setColorAlpha(float r, float g, float b, float a) override;
    void setTexture(int texture) override { texture_ = texture; }
    void setShadows(int on) override { shadows_ = on != 0; }
    void setTextures(int on) override { texturesOn_ = on != 0; }
    void setSphereQuality(int level) override { sphereQuality_ = level; }
    void setCapsuleQuality(int level) override { capsuleQuality_ = level; }
    void drawSphere(const double* pos, const double* R, float radius) override;
    void drawCapsule(const double* pos, const double* R, float length, float radius) override;
    void drawBox(const double* pos, const double* R, const double* sides) override;
    void drawLine(const float* a, const float* b) override;
    void materialColor(float ambient, float diffuse, float specular, float shininess) override;
    void drawCapsuleArray(int n, const float* positions, const float* rotations, const float* radii,
                          const float* lengths, const int* parents, const std::uint8_t* capFlags,
                          const int* ints) override;
    void drawArrow(const double* base, const double* R, double length, double thickness,
                   int quality) override;
    void setMeshKey(const void* key) override { meshKey_ = key; }
    void setObjName(const void* name) override;
    void pickingPre(int x, int y) override;
    const void* pickingAfterRender(int x, int y) override;
    void fogDistance(float start, float end) override;
    void drawStr(int size, int x, int y, int width, int height, const char* text) override;
    void drawLabel(const double* pos, const char* text) override;
    bool recordVideo(const char* path, int every, bool sceneOnly = false) override;
    bool stopVideo() override;
    const char* videoRecording() const override;
    int videoFailures() const override { return videoFailures_; }

    // GLFW event entry points (public for the C callbacks).
    void onCursor(double x, double y);
    void onButton(int button, int action, int mods);
    void onKey(int key, int action, int mods);
    void onChar(unsigned codepoint);
    void onDrop(int count, const char** paths);

private:
    struct Text {
        int size;
        float x, y;
        std::string text;
        bool label = false; // centred on x, its bottom at y
    };

    class FrameSteps;

    Style currentStyle() const;
    void finishPrimitive(const double* centre);
    // The stages of a frame of the loop (window_loop.cpp).
    void readSizes();
    void gatherFrame(FrameTimes& times);
    void drawView(int view);
    void showPreviousFrame();
    void sendFrame();
    void drawOverlay();
    // Input (window_input.cpp).
    void watchInput();
    void sendMouse(int message);
    void updateCursor();
    // The finished frame into the video, when one is being recorded.
    void recordFrame();
    bool writeScreenshot(const std::string& path);

    GLFWwindow* window_ = nullptr;
    std::map<int, GLFWcursor*> cursors_; // standard cursors by shape, made when first needed
    int cursorShape_ = -1;
    bool handWanted_ = false;
    bool imguiReady_ = false;
    ImFont* smallFont_ = nullptr;
    ImFont* largeFont_ = nullptr;
    GlRenderer renderer_;
    FrameHandler* handler_ = nullptr; // while the loop runs

    // Drawing state.
    float color_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float material_[4] = {0.5f, 0.7f, 0.4f, 20.0f};
    int texture_ = 0;
    bool texturesOn_ = true;
    bool shadows_ = true;
    bool leanDrawing_ = true;
    bool glimpse_ = false;
    int sphereQuality_ = 2;
    int capsuleQuality_ = 3;
    float fogStart_ = 60.0f, fogEnd_ = 1200.0f;
    float viewpoint_[2][6] = {{0, -10, 3, 90, -15, 0}, {0, -10, 3, 90, -15, 0}};
    int currentView_ = 0;
    // Window and framebuffer sizes of the current frame, and the window
    // size the handler was last told.
    int windowW_ = 0, windowH_ = 0, framebufferW_ = 0, framebufferH_ = 0;
    int shownW_ = -1, shownH_ = -1;

    // Picking.
    RayPicker picker_;
    const void* currentName_ = nullptr;
    std::vector<const void*> pendingNames_;

    // Text of the current frame, and where it stood.
    std::vector<Text> texts_;
    std::vector<TextRect> textRects_;

    // Mouse and keys.
    int buttons_ = 0;
    double cursorX_ = 0.0, cursorY_ = 0.0;
    double lastPressTime_[3] = {-1.0, -1.0, -1.0};
    double lastPressX_[3] = {0, 0, 0}, lastPressY_[3] = {0, 0, 0};
    bool sceneOwnsMouse_ = false;
    // The panels' windows as the last frame drew them (x0, y0, x1, y1): a
    // press is the panel's when it lands on one, wherever the cursor was at
    // that frame (a move and a press may come between two frames).
    std::vector<std::array<float, 4>> panelRects_;
    bool overPanel(double x, double y) const;
    void rememberPanelRects();
    bool paused_ = false;
    bool panelsShown_ = true;

    // Frame control and measurements.
    long long frames_ = 0;
    long long stopAfter_ = -1;
    std::string screenshotPath_;
    bool screenshotWritten_ = false;
    std::string screenshotError_;
    bool finishEachFrame_ = false;
    bool swapPending_ = false; // the frame drawn last is not on the screen yet
    bool stepsBeside_ = true;
    FrameTimes times_;
    double pickStart_ = 0.0;
    double pickTotal_ = 0.0;
    std::vector<ChainCapsule> chain_;
    const void* meshKey_ = nullptr;
    VideoRecorder video_;
    bool videoSceneOnly_ = false; // the video is read before the panels and texts
    int videoFailures_ = 0;
    // Says why the video ended unfinished and counts it.
    void videoFailed();
    std::vector<unsigned char> videoPixels_;
};
