// The window's pictures: the screenshot written after a number of frames
// and the video of its frames, both read from the back buffer before the
// swap.
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>

void WindowBackend::stopAfterFrames(int frames, const std::string& screenshotPath)
{
    stopAfter_ = frames_ + frames;
    screenshotPath_ = screenshotPath;
    screenshotWritten_ = false;
    screenshotError_.clear();
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
