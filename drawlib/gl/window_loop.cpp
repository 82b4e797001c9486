// The window's frame loop. A frame: its steps waited for, the sizes read,
// then the views gathered (camera, sky and ground, the handler's scene), the
// overlay and the panel; then the events, the previous frame's swap, and
// the views, text and panel sent to the renderer with a flush that sets it
// drawing while the next frame is gathered. With the steps beside the
// drawing, the next frame's steps start before the swap, on the step
// thread, once everything of the world the frame shows has been read;
// otherwise they run at the top of the loop.
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <memory>

#include "drawlib/gl/step_thread.h"
#include "drawlib/gl/timed_scope.h"

// The coming frame's steps: prepared and handed to the step thread (or run
// on the loop's), then waited for and finished, and their time.
class WindowBackend::FrameSteps {
public:
    // `beside`: the steps run on a thread of their own, which lives as long
    // as the loop, so that whatever the steps keep per thread is let go
    // before the world is.
    FrameSteps(FrameHandler& frames, bool beside)
        : frames_(frames), thread_(beside ? std::make_unique<StepThread>() : nullptr)
    {
    }

    bool begun() const { return begun_; }

    void begin(bool paused)
    {
        begun_ = true;
        ms_ = 0.0;
        TimedScope timed(ms_);
        running_ = frames_.prepare(paused ? 1 : 0);
        if (running_ && thread_)
            thread_->start([this] { frames_.steps(); });
        else if (running_)
            frames_.steps();
    }

    // Waits for them and finishes the frame: the steps' whole time, and what
    // the loop waited for (beside the drawing, the thread and the finish;
    // otherwise all of it).
    void end(FrameTimes& times)
    {
        begun_ = false;
        double waited = 0.0;
        {
            TimedScope timedWait(waited);
            if (running_ && thread_) {
                thread_->wait();
                ms_ += thread_->lastJobMs();
            }
            running_ = false;
            TimedScope timedFinish(ms_);
            frames_.finish();
        }
        times.step = ms_;
        times.stepWait = thread_ ? waited : ms_;
    }

private:
    FrameHandler& frames_;
    std::unique_ptr<StepThread> thread_;
    bool begun_ = false, running_ = false;
    double ms_ = 0.0;
};

void WindowBackend::simulationLoop(int, char**, int width, int height, FrameHandler& frames)
{
    std::string error;
    if (!window_ && !open(width, height, "creatures", error))
        return;
    handler_ = &frames;
    stopRequested_ = false;
    glfwShowWindow(window_);
    glfwGetWindowSize(window_, &shownW_, &shownH_);
    frames.windowSize(shownW_, shownH_);
    frames.start();

    const bool beside = stepsBeside_;
    FrameSteps steps(frames, beside);
    while (!stopRequested_ && !glfwWindowShouldClose(window_)) {
        FrameTimes times;
        {
            TimedScope whole(times.frame);
            // The steps, begun while the last frame was sent, are waited for
            // before anything reads the world.
            if (!steps.begun())
                steps.begin(paused_);
            steps.end(times);
            readSizes();
            ImGui_ImplOpenGL2_NewFrame();
            ImGui_ImplGlfw_NewFrame();
            ImGui::NewFrame();
            gatherFrame(times);
            {
                TimedScope events(times.swap);
                glfwPollEvents();
            }
            // Everything of the world this frame shows has been read and the
            // events are in: the next frame's steps may begin, unless this
            // is the last frame.
            const bool last = stopRequested_ || glfwWindowShouldClose(window_) ||
                              (stopAfter_ >= 0 && frames_ + 1 >= stopAfter_);
            if (beside && !last)
                steps.begin(paused_);
            {
                // The previous frame goes to the screen only now: its
                // commands were flushed at its end, so the renderer drew it
                // while this frame was gathered (and the next one's steps
                // run).
                TimedScope swap(times.swap);
                showPreviousFrame();
            }
            {
                TimedScope drawing(times.drawing);
                sendFrame();
            }
        }
        times.picking = pickTotal_;
        times.drawing -= pickTotal_;
        times_ = times;
    }
    if (steps.begun())
        steps.end(times_);
    showPreviousFrame();
    frames.stop();
    handler_ = nullptr;
}

void WindowBackend::readSizes()
{
    glfwGetWindowSize(window_, &windowW_, &windowH_);
    glfwGetFramebufferSize(window_, &framebufferW_, &framebufferH_);
    if ((windowW_ != shownW_ || windowH_ != shownH_) && windowW_ > 0 && windowH_ > 0) {
        shownW_ = windowW_;
        shownH_ = windowH_;
        handler_->windowSize(windowW_, windowH_);
    }
}

void WindowBackend::gatherFrame(FrameTimes& times)
{
    TimedScope drawing(times.drawing);
    handler_->timeDelta();
    pickTotal_ = 0.0;
    texts_.clear();
    renderer_.beginFrame();
    drawView(0);
    if (pip_)
        drawView(1);
    drawOverlay();
    if (panelsShown_) {
        TimedScope panel(times.panel);
        handler_->panel();
    }
    updateCursor();
    ImGui::Render();
    rememberPanelRects();
}

void WindowBackend::showPreviousFrame()
{
    if (swapPending_) {
        glfwSwapBuffers(window_);
        swapPending_ = false;
    }
}

void WindowBackend::sendFrame()
{
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
}

void WindowBackend::drawView(int view)
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
    handler_->camera(view);
    renderer_.beginView(x, y, w, h, viewpoint_[view], viewpoint_[view] + 3);
    renderer_.drawBackground(groundSize_, fogStart_, fogEnd_);
    handler_->frame(view);
    picker_.end();
    renderer_.endView();
}
