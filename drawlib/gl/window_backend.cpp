// Contents: GLFW's callbacks; opening and closing the window; the frame
// loop; views and the overlay (text and the panel); screenshots; drawing
// state and primitives; picking; text; mouse and keys.
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>
#include <imgui_internal.h>
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "drawlib/body_detail.h"
#include "drawlib/gl/step_thread.h"

namespace {

// Mouse messages of the callback table.
// Two presses of one button closer than this in time and space are a
// double click.
constexpr double kDoubleClickSeconds = 0.5;
constexpr double kDoubleClickPixels = 4.0;

const char* kSmallFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* kLargeFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

WindowBackend* backendOf(GLFWwindow* w)
{
    return static_cast<WindowBackend*>(glfwGetWindowUserPointer(w));
}

void cursorCallback(GLFWwindow* w, double x, double y)
{
    backendOf(w)->onCursor(x, y);
}
void buttonCallback(GLFWwindow* w, int button, int action, int mods)
{
    backendOf(w)->onButton(button, action, mods);
}
void keyCallback(GLFWwindow* w, int key, int, int action, int mods)
{
    backendOf(w)->onKey(key, action, mods);
}
void charCallback(GLFWwindow* w, unsigned codepoint)
{
    backendOf(w)->onChar(codepoint);
}
void dropCallback(GLFWwindow* w, int count, const char** paths)
{
    backendOf(w)->onDrop(count, paths);
}

// Bounding sphere of a capsule or box centred at pos.
double capsuleReach(float length, float radius)
{
    return 0.5 * length + radius;
}

} // namespace

WindowBackend::WindowBackend() = default;

WindowBackend::~WindowBackend()
{
    close();
}

bool WindowBackend::open(int width, int height, const char* title, std::string& error)
{
    if (window_)
        return true;
    if (!glfwInit()) {
        const char* description = nullptr;
        glfwGetError(&description);
        error = description ? description : "the window system could not be started";
        return false;
    }
    // A size asked for is one of the screen's points; one taken from the
    // work area is in them already.
    bool scaleToScreen = true;
    if (width <= 0 || height <= 0) {
        scaleToScreen = false;
        // Four fifths of the work area of the main screen (without its
        // panels and docks).
        int x = 0, y = 0, w = 0, h = 0;
        if (GLFWmonitor* monitor = glfwGetPrimaryMonitor())
            glfwGetMonitorWorkarea(monitor, &x, &y, &w, &h);
        width = w > 0 ? w * 4 / 5 : kDefaultWindowWidth;
        height = h > 0 ? h * 4 / 5 : kDefaultWindowHeight;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    glfwWindowHint(GLFW_STENCIL_BITS, 8);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    glfwWindowHint(GLFW_SCALE_TO_MONITOR, scaleToScreen ? GLFW_TRUE : GLFW_FALSE);
    window_ = glfwCreateWindow(width, height, title, nullptr, nullptr);
    if (!window_) {
        const char* description = nullptr;
        glfwGetError(&description);
        error = description ? description : "the window could not be created";
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(0); // the step driver paces the frames
    glfwSetWindowUserPointer(window_, this);
    glfwSetCursorPosCallback(window_, cursorCallback);
    glfwSetMouseButtonCallback(window_, buttonCallback);
    glfwSetKeyCallback(window_, keyCallback);
    glfwSetCharCallback(window_, charCallback);
    glfwSetDropCallback(window_, dropCallback);

    if (!renderer_.init(error)) {
        close();
        return false;
    }

    // Dear ImGui: fonts for the text and, later, the panel. Its GLFW backend
    // chains to the callbacks installed above.
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    // The backend chooses the cursor itself (updateCursor).
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    float scale = 1.0f;
    glfwGetWindowContentScale(window_, &scale, nullptr);
    scale = std::max(scale, 1.0f);
    ImFontConfig config;
    config.OversampleH = 2;
    smallFont_ = io.Fonts->AddFontFromFileTTF(kSmallFont, 14.0f * scale, &config);
    largeFont_ = io.Fonts->AddFontFromFileTTF(kLargeFont, 24.0f * scale, &config);
    if (!smallFont_ || !largeFont_) {
        io.Fonts->Clear();
        ImFontConfig fallback;
        fallback.SizePixels = 13.0f * scale;
        smallFont_ = largeFont_ = io.Fonts->AddFontDefault(&fallback);
    }
    io.FontGlobalScale = 1.0f / scale;
    ImGui_ImplGlfw_InitForOpenGL(window_, true);
    ImGui_ImplOpenGL2_Init();
    imguiReady_ = true;
    return true;
}

void WindowBackend::close()
{
    if (!window_)
        return;
    stopVideo();
    glfwMakeContextCurrent(window_);
    if (imguiReady_) {
        ImGui_ImplOpenGL2_Shutdown();
        ImGui_ImplGlfw_Shutdown();
        ImGui::DestroyContext();
        imguiReady_ = false;
    }
    renderer_.release();
    for (auto& shapeAndCursor : cursors_)
        glfwDestroyCursor(shapeAndCursor.second);
    cursors_.clear();
    cursorShape_ = -1;
    glfwDestroyWindow(window_);
    window_ = nullptr;
    glfwTerminate();
}

void WindowBackend::setLeanDrawing(bool on)
{
    leanDrawing_ = on;
    renderer_.setBackgroundLook(on ? SkyGround::Look::Lean : SkyGround::Look::Detailed);
}

void WindowBackend::stopAfterFrames(int frames, const std::string& screenshotPath)
{
    stopAfter_ = frames_ + frames;
    screenshotPath_ = screenshotPath;
    screenshotWritten_ = false;
    screenshotError_.clear();
}

void WindowBackend::setHandCursor()
{
    handWanted_ = true;
}

// The cursor of this frame: over the panels the one Dear ImGui asks for
// (its own drawing of the cursor is off, so it only tells), over the scene
// the pointing hand once the program has asked for it, else the arrow.
void WindowBackend::updateCursor()
{
    int shape = -1; // the arrow
    if (ImGui::GetIO().WantCaptureMouse && !sceneOwnsMouse_) {
        switch (ImGui::GetMouseCursor()) {
        case ImGuiMouseCursor_TextInput: shape = GLFW_IBEAM_CURSOR; break;
        case ImGuiMouseCursor_ResizeNS: shape = GLFW_VRESIZE_CURSOR; break;
        case ImGuiMouseCursor_ResizeEW: shape = GLFW_HRESIZE_CURSOR; break;
        case ImGuiMouseCursor_Hand: shape = GLFW_HAND_CURSOR; break;
        case ImGuiMouseCursor_ResizeAll:
        case ImGuiMouseCursor_ResizeNESW:
        case ImGuiMouseCursor_ResizeNWSE: shape = GLFW_CROSSHAIR_CURSOR; break;
        default: break;
        }
    } else if (handWanted_) {
        shape = GLFW_HAND_CURSOR;
    }
    if (shape == cursorShape_)
        return;
    GLFWcursor* cursor = nullptr;
    if (shape >= 0) {
        GLFWcursor*& made = cursors_[shape];
        if (!made)
            made = glfwCreateStandardCursor(shape);
        cursor = made;
    }
    glfwSetCursor(window_, cursor);
    cursorShape_ = shape;
}

// The frame loop: the steps, time delta, then each view gathered (camera,
// sky and ground, the frame callback), text and panel; then the events, the
// previous frame's swap, the views, text and panel sent to the renderer and
// a flush that sets it drawing while the next frame is gathered. With the
// steps beside the drawing (split step callbacks), the next frame's steps
// start before the swap, on the step thread, once everything of the world
// the frame shows has been read; otherwise they run at the top of the loop.
void WindowBackend::simulationLoop(int, char**, int width, int height, const DrawCallbacks& fn)
{
    std::string error;
    if (!window_ && !open(width, height, "creatures", error))
        return;
    callbacks_ = &fn;
    stopRequested_ = false;
    glfwShowWindow(window_);
    int lastW = -1, lastH = -1;
    glfwGetWindowSize(window_, &lastW, &lastH);
    if (fn.windowSize)
        fn.windowSize(lastW, lastH);
    if (fn.start)
        fn.start();

    const bool split = fn.prepare && fn.steps && fn.finish;
    const bool beside = split && stepsBeside_;
    // The step thread lives as long as the loop, so that whatever the steps
    // keep per thread is let go before the world is.
    std::unique_ptr<StepThread> stepThread;
    if (beside)
        stepThread = std::make_unique<StepThread>();
    // The coming frame's steps: whether they have begun (prepared, then
    // handed to the step thread or run), and their time so far.
    bool stepsBegun = false, stepsRunning = false;
    double stepMs = 0.0, frameStepMs = 0.0;
    auto beginSteps = [&] {
        stepsBegun = true;
        const double t = nowMs();
        stepsRunning = fn.prepare(paused_ ? 1 : 0);
        if (stepsRunning && beside)
            stepThread->start(fn.steps);
        else if (stepsRunning)
            fn.steps();
        stepMs = nowMs() - t;
    };
    auto endSteps = [&] {
        stepsBegun = false;
        const double t = nowMs();
        if (stepsRunning && beside) {
            stepThread->wait();
            stepMs += stepThread->lastJobMs();
        }
        stepsRunning = false;
        const double waited = nowMs();
        fn.finish();
        const double done = nowMs();
        stepMs += done - waited;
        frameStepMs = stepMs;
        // What the loop waited for: beside the drawing, the thread and the
        // finish; otherwise all of it.
        times_.stepWait = beside ? done - t : stepMs;
    };

    while (!stopRequested_ && !glfwWindowShouldClose(window_)) {
        const double t0 = nowMs();
        if (split) {
            // The steps, begun while the last frame was sent, are waited for
            // before anything reads the world.
            if (!stepsBegun)
                beginSteps();
            endSteps();
        }
        // The sizes of this frame, read once.
        glfwGetWindowSize(window_, &windowW_, &windowH_);
        glfwGetFramebufferSize(window_, &framebufferW_, &framebufferH_);
        const int w = windowW_, h = windowH_;
        if ((w != lastW || h != lastH) && w > 0 && h > 0) {
            lastW = w;
            lastH = h;
            if (fn.windowSize)
                fn.windowSize(w, h);
        }
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();

        if (!split && fn.step)
            fn.step(paused_ ? 1 : 0);
        const double t1 = nowMs();
        if (!split) {
            frameStepMs = t1 - t0;
            times_.stepWait = frameStepMs;
        }
        if (fn.timeDelta)
            fn.timeDelta();

        pickTotal_ = 0.0;
        texts_.clear();
        renderer_.beginFrame();
        drawView(0, fn);
        if (pip_)
            drawView(1, fn);
        drawOverlay();
        const double panelStart = nowMs();
        if (drawPanel_ && panelsShown_)
            drawPanel_();
        times_.panel = nowMs() - panelStart;
        updateCursor();
        ImGui::Render();
        rememberPanelRects();
        const double tEvents = nowMs();
        glfwPollEvents();
        const double tEventsDone = nowMs();

        // Everything of the world this frame shows has been read and the
        // events are in: the next frame's steps may begin, unless this is
        // the last frame.
        const bool last = stopRequested_ || glfwWindowShouldClose(window_) ||
                          (stopAfter_ >= 0 && frames_ + 1 >= stopAfter_);
        if (beside && !last)
            beginSteps();
        const double tSwap = nowMs();

        // The previous frame goes to the screen only now: its commands were
        // flushed at its end, so the renderer drew it while this frame was
        // gathered (and the next one's steps run).
        if (swapPending_) {
            glfwSwapBuffers(window_);
            swapPending_ = false;
        }
        const double tSwapped = nowMs();
        renderer_.drawViews();
        renderer_.endFrame();
        if (videoSceneOnly_)
            recordFrame();
        glViewport(0, 0, framebufferW_, framebufferH_);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        if (finishEachFrame_)
            glFinish();
        if (!videoSceneOnly_)
            recordFrame();
        ++frames_;
        if (stopAfter_ >= 0 && frames_ >= stopAfter_) {
            if (!screenshotPath_.empty())
                screenshotWritten_ = writeScreenshot(screenshotPath_);
            stopRequested_ = true;
        }
        glFlush();
        swapPending_ = true;
        const double t2 = nowMs();
        times_.step = frameStepMs;
        times_.frame = t2 - t0;
        times_.picking = pickTotal_;
        times_.drawing = (tEvents - t1) + (t2 - tSwapped) - pickTotal_;
        times_.swap = (tEventsDone - tEvents) + (tSwapped - tSwap);
    }
    if (stepsBegun)
        endSteps();
    if (swapPending_) {
        glfwSwapBuffers(window_);
        swapPending_ = false;
    }
    if (fn.stop)
        fn.stop();
    callbacks_ = nullptr;
}

void WindowBackend::drawView(int view, const DrawCallbacks& fn)
{
    const int fbw = framebufferW_, fbh = framebufferH_;
    int x = 0, y = 0, w = fbw, h = fbh;
    if (view == 1) {
        // The mini view, in the top-left corner.
        const ViewSize mini = miniViewSize(fbw, fbh);
        w = mini.width;
        h = mini.height;
        y = fbh - h;
    }
    if (w <= 0 || h <= 0)
        return;
    currentView_ = view;
    if (fn.camera)
        fn.camera(view);
    renderer_.beginView(x, y, w, h, viewpoint_[view], viewpoint_[view] + 3);
    renderer_.drawBackground(groundSize_, fogStart_, fogEnd_);
    if (fn.frame)
        fn.frame(view);
    picker_.end();
    renderer_.endView();
}

namespace {

// Text with a soft shadow.
void shadowedText(ImDrawList* list, ImFont* font, float size, ImVec2 at, const char* begin,
                  const char* end = nullptr)
{
    list->AddText(font, size, ImVec2(at.x + 1, at.y + 1), IM_COL32(0, 0, 0, 170), begin, end);
    list->AddText(font, size, at, IM_COL32(255, 255, 255, 255), begin, end);
}

} // namespace

// The mini view's frame under everything; the text over everything, the
// panels included, so no panel ever hides a message or the status.
void WindowBackend::drawOverlay()
{
    const ImGuiIO& io = ImGui::GetIO();
    if (pip_) {
        // A thin frame around the mini view.
        const ViewSize mini = miniViewSize(static_cast<int>(io.DisplaySize.x),
                                           static_cast<int>(io.DisplaySize.y));
        const float w = static_cast<float>(mini.width), h = static_cast<float>(mini.height);
        ImGui::GetBackgroundDrawList()->AddRect(ImVec2(0, 0), ImVec2(w, h),
                                                IM_COL32(20, 28, 40, 200), 0.0f, 0, 2.0f);
    }
    ImDrawList* list = ImGui::GetForegroundDrawList();
    const float margin = 8.0f;
    textRects_.clear();
    for (const Text& t : texts_) {
        if (t.text.empty())
            continue;
        ImFont* font = t.size >= kMessageTextSize ? largeFont_ : smallFont_;
        const float size = font->FontSize * io.FontGlobalScale;
        const ImVec2 extent = font->CalcTextSizeA(size, 1e9f, 0.0f, t.text.c_str());
        if (t.label) {
            // A label: centred above its point, on a plate of its own. It
            // belongs to the scene, so the panels and charts cover it.
            ImDrawList* scene = ImGui::GetBackgroundDrawList();
            const ImVec2 at(std::floor(t.x - extent.x * 0.5f), std::floor(t.y - extent.y - 4));
            textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, true});
            scene->AddRectFilled(ImVec2(at.x - 5, at.y - 1),
                                 ImVec2(at.x + extent.x + 5, at.y + extent.y + 1),
                                 IM_COL32(30, 24, 8, 170), 4.0f);
            shadowedText(scene, font, size, at, t.text.c_str());
            continue;
        }
        if (t.size < kMessageTextSize) {
            // Status text sits on a soft dark plate so it reads over the sky.
            const ImVec2 at(t.x, t.y);
            textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, false});
            list->AddRectFilled(ImVec2(at.x - 3, at.y + 2),
                                ImVec2(at.x + extent.x + 8, at.y + extent.y + 2),
                                IM_COL32(15, 22, 35, 110), 5.0f);
            shadowedText(list, font, size, at, t.text.c_str());
            continue;
        }
        // A message: its lines centred on the point, on a darker plate, the
        // whole kept inside the window.
        ImVec2 at(t.x - extent.x * 0.5f, t.y);
        at.x = std::max(margin, std::min(at.x, io.DisplaySize.x - margin - extent.x));
        at.y = std::max(margin, std::min(at.y, io.DisplaySize.y - margin - extent.y));
        textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, false});
        list->AddRectFilled(ImVec2(at.x - 10, at.y - 4),
                            ImVec2(at.x + extent.x + 10, at.y + extent.y + 4),
                            IM_COL32(15, 22, 35, 160), 8.0f);
        const char* line = t.text.c_str();
        float y = at.y;
        while (*line) {
            const char* end = std::strchr(line, '\n');
            if (!end)
                end = line + std::strlen(line);
            const float w = font->CalcTextSizeA(size, 1e9f, 0.0f, line, end).x;
            shadowedText(list, font, size, ImVec2(at.x + (extent.x - w) * 0.5f, y), line, end);
            y += size;
            line = *end ? end + 1 : end;
        }
    }
    if (paused_) {
        // A mark at the top of the window while the loop is paused.
        const char* text = "Paused";
        const float size = largeFont_->FontSize * io.FontGlobalScale;
        const ImVec2 extent = largeFont_->CalcTextSizeA(size, 1e9f, 0.0f, text);
        const ImVec2 at((io.DisplaySize.x - extent.x) * 0.5f, margin + 4);
        list->AddRectFilled(ImVec2(at.x - 14, at.y - 4),
                            ImVec2(at.x + extent.x + 14, at.y + extent.y + 4),
                            IM_COL32(150, 40, 30, 190), 8.0f);
        shadowedText(list, largeFont_, size, at, text);
    }
}

bool WindowBackend::recordVideo(const char* path, int every, bool sceneOnly)
{
    videoSceneOnly_ = sceneOnly;
    std::string error;
    if (window_)
        glfwGetFramebufferSize(window_, &framebufferW_, &framebufferH_);
    if (!path || !video_.start(path, framebufferW_, framebufferH_, every, error)) {
        std::fprintf(stderr, "creatures: no video: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool WindowBackend::stopVideo()
{
    if (!video_.recording())
        return false;
    const bool whole = video_.stop();
    if (whole)
        std::fprintf(stderr, "video written to %s (%lld frames)\n", video_.path().c_str(),
                     video_.framesWritten());
    else
        videoFailed();
    return whole;
}

void WindowBackend::videoFailed()
{
    ++videoFailures_;
    std::fprintf(stderr, "creatures: cannot write: %s (%s; the unfinished file was removed)\n",
                 video_.path().c_str(), video_.failure().c_str());
}

const char* WindowBackend::videoRecording() const
{
    return video_.recording() ? video_.path().c_str() : nullptr;
}

void WindowBackend::recordFrame()
{
    if (!video_.recording() || !video_.wantsFrame())
        return;
    if (framebufferW_ < video_.width() || framebufferH_ < video_.height() ||
        framebufferW_ > video_.width() + 1 || framebufferH_ > video_.height() + 1) {
        std::fprintf(stderr, "creatures: the window changed size; the video ends\n");
        stopVideo();
        return;
    }
    // The back buffer holds the finished frame before the swap.
    videoPixels_.resize(static_cast<std::size_t>(video_.width()) * video_.height() * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, video_.width(), video_.height(), GL_RGB, GL_UNSIGNED_BYTE,
                 videoPixels_.data());
    if (!video_.addFrame(videoPixels_.data()))
        videoFailed();
}

bool WindowBackend::writeScreenshot(const std::string& path)
{
    int w = 0, h = 0;
    glfwGetFramebufferSize(window_, &w, &h);
    if (w <= 0 || h <= 0) {
        screenshotError_ = "the window has no area";
        return false;
    }
    // The back buffer holds the finished frame before the swap.
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<unsigned char> flipped(pixels.size());
    for (int row = 0; row < h; ++row)
        std::memcpy(&flipped[static_cast<size_t>(row) * w * 3],
                    &pixels[static_cast<size_t>(h - 1 - row) * w * 3], static_cast<size_t>(w) * 3);
    if (!stbi_write_png(path.c_str(), w, h, 3, flipped.data(), w * 3)) {
        screenshotError_ = "cannot write:" + path;
        return false;
    }
    return true;
}

void WindowBackend::setViewpoint(const float* xyz, const float* hpr)
{
    std::copy(xyz, xyz + 3, viewpoint_[currentView_]);
    std::copy(hpr, hpr + 3, viewpoint_[currentView_] + 3);
}

void WindowBackend::setColor(float r, float g, float b)
{
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = 1.0f;
}

void WindowBackend::setColorAlpha(float r, float g, float b, float a)
{
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
}

void WindowBackend::materialColor(float ambient, float diffuse, float specular, float shininess)
{
    material_[0] = ambient;
    material_[1] = diffuse;
    material_[2] = specular;
    material_[3] = shininess;
}

void WindowBackend::fogDistance(float start, float end)
{
    fogStart_ = start;
    fogEnd_ = end;
}

Style WindowBackend::currentStyle() const
{
    Style s;
    std::copy(color_, color_ + 4, s.color);
    s.color[3] = std::clamp(s.color[3], 0.0f, 1.0f);
    std::copy(material_, material_ + 4, s.material);
    s.textured = (texture_ == 1 && texturesOn_) ? 1.0f : 0.0f;
    return s;
}

void WindowBackend::finishPrimitive(const double* centre)
{
    const float c[3] = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                        static_cast<float>(centre[2])};
    renderer_.endPrimitive(color_[3] < 0.999f, c);
}

namespace {
bool seen(const GlRenderer& r, const double* pos, double radius)
{
    const float c[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    return std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2]) &&
           r.visible(c, static_cast<float>(radius));
}
} // namespace

void WindowBackend::drawSphere(const double* pos, const double* R, float radius)
{
    if (picker_.active()) {
        picker_.offer(currentName_, raySphere(picker_.ray(), pos, radius));
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !(radius > 0.0f) || !seen(renderer_, pos, radius))
        return;
    // Small spheres on screen need few faces.
    const float c[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    const float pixels = renderer_.pixelRadius(c, radius);
    const int quality = std::min(sphereQuality_, pixels < 6.0f ? 0 : pixels < 20.0f ? 1 : 3);
    addSphere(renderer_.mesh(), currentStyle(), pos, R, radius, quality);
    if (shadows_)
        addSphere(renderer_.shadowMesh(), Style{}, pos, R, radius, 0);
    finishPrimitive(pos);
}

void WindowBackend::drawCapsule(const double* pos, const double* R, float length, float radius)
{
    if (picker_.active()) {
        picker_.offer(currentName_, rayCapsule(picker_.ray(), pos, R, length, radius));
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !seen(renderer_, pos, capsuleReach(length, radius)))
        return;
    addCapsule(renderer_.mesh(), currentStyle(), pos, R, length, radius, capsuleQuality_);
    if (shadows_)
        addCapsule(renderer_.shadowMesh(), Style{}, pos, R, length, radius, 1);
    finishPrimitive(pos);
}

void WindowBackend::drawBox(const double* pos, const double* R, const double* sides)
{
    if (picker_.active()) {
        picker_.offer(currentName_, rayBox(picker_.ray(), pos, R, sides));
        pendingNames_.clear();
        return;
    }
    const double reach =
        0.5 * std::sqrt(sides[0] * sides[0] + sides[1] * sides[1] + sides[2] * sides[2]);
    if (color_[3] <= 0.0f || !seen(renderer_, pos, reach))
        return;
    addBox(renderer_.mesh(), currentStyle(), pos, R, sides);
    if (shadows_)
        addBox(renderer_.shadowMesh(), Style{}, pos, R, sides);
    finishPrimitive(pos);
}

void WindowBackend::drawLine(const float* a, const float* b)
{
    if (picker_.active())
        return;
    renderer_.addLine(a, b, color_);
}

void WindowBackend::drawArrow(const double* base, const double* R, double length, double thickness,
                              int quality)
{
    if (picker_.active())
        return;
    const double tip[3] = {base[0] + R[2] * length * 0.5, base[1] + R[6] * length * 0.5,
                           base[2] + R[10] * length * 0.5};
    if (color_[3] <= 0.0f || !seen(renderer_, tip, length * 0.5 + thickness * 3))
        return;
    addArrow(renderer_.mesh(), currentStyle(), base, R, length, thickness, quality);
    if (shadows_)
        addArrow(renderer_.shadowMesh(), Style{}, base, R, length, thickness, 1);
    finishPrimitive(tip);
}

void WindowBackend::drawCapsuleArray(int n, const float* positions, const float* rotations,
                                     const float* radii, const float* lengths, const int* parents,
                                     const std::uint8_t* capFlags, const int* ints)
{
    // The key names this call's body only.
    const void* key = meshKey_;
    meshKey_ = nullptr;
    if (n <= 0)
        return;
    chain_.resize(n);
    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (int i = 0; i < n; ++i) {
        ChainCapsule& c = chain_[i];
        std::copy(positions + 4 * i, positions + 4 * i + 3, c.pos);
        std::copy(rotations + 12 * i, rotations + 12 * i + 12, c.R);
        c.radius = radii[i];
        c.length = lengths[i];
        c.parent = parents[i];
        c.capNeg = capFlags[2 * i] != 0;
        c.capPos = capFlags[2 * i + 1] != 0;
        c.lit = ints && ints[i] == kLitCapsule;
        const double reach = capsuleReach(c.length, c.radius);
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], c.pos[k] - reach);
            hi[k] = std::max(hi[k], c.pos[k] + reach);
        }
    }
    const double centre[3] = {(lo[0] + hi[0]) * 0.5, (lo[1] + hi[1]) * 0.5, (lo[2] + hi[2]) * 0.5};
    const double reach =
        0.5 * std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                        (hi[2] - lo[2]) * (hi[2] - lo[2]));
    if (picker_.active()) {
        // A ray that misses the whole body misses every capsule of it.
        if (raySphere(picker_.ray(), centre, reach) < 0.0) {
            pendingNames_.clear();
            return;
        }
        // Each capsule answers to the name set for its slot, in order.
        for (int i = 0; i < n; ++i) {
            const ChainCapsule& c = chain_[i];
            const double pos[3] = {c.pos[0], c.pos[1], c.pos[2]};
            double R[12];
            std::copy(c.R, c.R + 12, R);
            const void* name =
                i < static_cast<int>(pendingNames_.size()) ? pendingNames_[i] : currentName_;
            picker_.offer(name, rayCapsule(picker_.ray(), pos, R, c.length, c.radius));
        }
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !seen(renderer_, centre, reach))
        return;
    // A lit capsule takes the full ambient light.
    const Style style = currentStyle();
    Style lit = style;
    lit.material[0] = 1.0f;
    // Fewer slices for a body small on screen.
    const float c[3] = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                        static_cast<float>(centre[2])};
    const float pixels = renderer_.pixelRadius(c, static_cast<float>(reach));
    const DetailChoice choice = !leanDrawing_ ? DetailChoice::Earlier
                                : glimpse_    ? DetailChoice::Glimpse
                                              : DetailChoice::Lean;
    const BodyDetail detail = bodyDetail(pixels, capsuleQuality_, choice, shadows_);
    const int level = detail.level;
    // A shadow shows only an outline: the far shape's, or the coarse level's.
    const int shadowLevel = std::min(level, 1);
    if (key) {
        int litCapsule = -1;
        for (int i = 0; i < n; ++i)
            if (chain_[i].lit)
                litCapsule = i;
        if (renderer_.drawKeptSkin(key, chain_, level, detail.shadow ? shadowLevel : -1, style, lit,
                                   litCapsule))
            return;
    }
    addCapsuleChain(renderer_.mesh(), style, chain_, level, lit);
    if (detail.shadow)
        addCapsuleChain(renderer_.shadowMesh(), Style{}, chain_, shadowLevel, Style{});
    finishPrimitive(centre);
}

void WindowBackend::setObjName(const void* name)
{
    currentName_ = name;
    pendingNames_.push_back(name);
}

void WindowBackend::pickingPre(int x, int y)
{
    pickStart_ = nowMs();
    const float* vp = viewpoint_[0];
    int ww = windowW_, wh = windowH_;
    if (window_ && (ww <= 0 || wh <= 0))
        glfwGetWindowSize(window_, &ww, &wh);
    picker_.begin(cursorRay(vp, vp + 3, x, y, ww, wh));
    currentName_ = nullptr;
    pendingNames_.clear();
}

const void* WindowBackend::pickingAfterRender(int, int)
{
    picker_.end();
    pendingNames_.clear();
    pickTotal_ += nowMs() - pickStart_;
    return picker_.result();
}

void WindowBackend::drawStr(int size, int x, int y, int, int, const char* text)
{
    if (text)
        texts_.push_back(Text{size, static_cast<float>(x), static_cast<float>(y), text});
}

void WindowBackend::drawLabel(const double* pos, const char* text)
{
    if (!text || picker_.active() || currentView_ != 0 || framebufferW_ <= 0 || framebufferH_ <= 0)
        return;
    const float p[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    float x = 0, y = 0;
    if (!renderer_.project(p, x, y))
        return;
    // Framebuffer pixels to the window's points, in which text is placed.
    x *= static_cast<float>(windowW_) / framebufferW_;
    y *= static_cast<float>(windowH_) / framebufferH_;
    texts_.push_back(Text{kStatusTextSize, x, y, text, true});
}

void WindowBackend::sendMouse(int message)
{
    if (!callbacks_ || !callbacks_->mouse)
        return;
    const int x = static_cast<int>(cursorX_), y = static_cast<int>(cursorY_);
    callbacks_->mouse(message, buttons_, x, y, x, y);
}

bool WindowBackend::screenPlace(int& x, int& y, int& width, int& areaX, int& areaWidth) const
{
    if (!window_)
        return false;
    int height = 0;
    glfwGetWindowPos(window_, &x, &y);
    glfwGetWindowSize(window_, &width, &height);
    int ay = 0, ah = 0;
    areaX = 0;
    areaWidth = 0;
    if (GLFWmonitor* monitor = glfwGetPrimaryMonitor())
        glfwGetMonitorWorkarea(monitor, &areaX, &ay, &areaWidth, &ah);
    return true;
}

void WindowBackend::rememberPanelRects()
{
    panelRects_.clear();
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    for (const ImGuiWindow* win : g.Windows) {
        if (!win->WasActive || win->Hidden || (win->Flags & ImGuiWindowFlags_NoMouseInputs) ||
            win->ParentWindow)
            continue;
        panelRects_.push_back({win->Pos.x, win->Pos.y, win->Pos.x + win->Size.x, win->Pos.y + win->Size.y});
    }
}

bool WindowBackend::overPanel(double x, double y) const
{
    for (const auto& r : panelRects_)
        if (x >= r[0] && x < r[2] && y >= r[1] && y < r[3])
            return true;
    return false;
}

void WindowBackend::onCursor(double x, double y)
{
    cursorX_ = x;
    cursorY_ = y;
    // The panel has the mouse first, unless a drag began in the scene.
    if (imguiReady_ && ImGui::GetIO().WantCaptureMouse && !sceneOwnsMouse_)
        return;
    sendMouse(MouseMove);
}

void WindowBackend::onButton(int button, int action, int)
{
    int bit = 0, down = 0, up = 0, dbl = 0, index = 0;
    switch (button) {
    case GLFW_MOUSE_BUTTON_LEFT:
        bit = kLeftButton, down = LeftDown, up = LeftUp, dbl = LeftDouble, index = 0;
        break;
    case GLFW_MOUSE_BUTTON_MIDDLE:
        bit = kMiddleButton, down = MiddleDown, up = MiddleUp, dbl = MiddleDown, index = 1;
        break;
    case GLFW_MOUSE_BUTTON_RIGHT:
        bit = kRightButton, down = RightDown, up = RightUp, dbl = RightDouble, index = 2;
        break;
    default: return;
    }
    // The panel's when the press lands on one of its windows, or when one of
    // its widgets is held (a slider dragged out of its window).
    const bool panel = imguiReady_ && (overPanel(cursorX_, cursorY_) || ImGui::IsAnyItemActive());
    if (action == GLFW_PRESS) {
        if (panel && !sceneOwnsMouse_)
            return;
        sceneOwnsMouse_ = true;
        buttons_ |= bit;
        const double t = glfwGetTime();
        const bool isDouble = t - lastPressTime_[index] < kDoubleClickSeconds &&
                              std::fabs(cursorX_ - lastPressX_[index]) <= kDoubleClickPixels &&
                              std::fabs(cursorY_ - lastPressY_[index]) <= kDoubleClickPixels;
        lastPressTime_[index] = isDouble ? -1.0 : t;
        lastPressX_[index] = cursorX_;
        lastPressY_[index] = cursorY_;
        sendMouse(isDouble ? dbl : down);
    } else if (action == GLFW_RELEASE) {
        if (!(buttons_ & bit))
            return; // pressed over the panel
        buttons_ &= ~bit;
        sendMouse(up);
        if (buttons_ == 0)
            sceneOwnsMouse_ = false;
    }
}

void WindowBackend::onKey(int key, int action, int mods)
{
    // Tab shows and hides the panels, unless one is taking the keys.
    if (key == GLFW_KEY_TAB && action == GLFW_PRESS && mods == 0 &&
        !(imguiReady_ && ImGui::GetIO().WantTextInput)) {
        panelsShown_ = !panelsShown_;
        return;
    }
    if (action != GLFW_PRESS || !(mods & GLFW_MOD_CONTROL))
        return;
    if (key == GLFW_KEY_P)
        paused_ = !paused_;
    else if (key == GLFW_KEY_Q || key == GLFW_KEY_X)
        glfwSetWindowShouldClose(window_, GLFW_TRUE);
}

void WindowBackend::onDrop(int count, const char** paths)
{
    if (callbacks_ && callbacks_->drop && count > 0 && paths)
        callbacks_->drop(count, paths);
}

void WindowBackend::onChar(unsigned codepoint)
{
    if (imguiReady_ && ImGui::GetIO().WantCaptureKeyboard)
        return;
    if (callbacks_ && callbacks_->command && codepoint < 128)
        callbacks_->command(static_cast<int>(codepoint));
}
