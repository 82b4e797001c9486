#include "drawlib/gl/video_recorder.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "drawlib/drawstuff.h"

namespace {

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos
                                                                            : end - start);
        if (::access(((dir.empty() ? "." : dir) + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

} // namespace

VideoRecorder::~VideoRecorder()
{
    stop();
}

bool VideoRecorder::start(const std::string& path, int width, int height, int every,
                          std::string& error)
{
    stop();
    if (!onPath("ffmpeg")) {
        error = "ffmpeg is not on the PATH (apt-get install ffmpeg)";
        return false;
    }
    // The encoder wants even sizes.
    width_ = width & ~1;
    height_ = height & ~1;
    if (width_ <= 0 || height_ <= 0) {
        error = "the window has no area";
        return false;
    }
    // A video whose ffmpeg has gone must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string command =
        "ffmpeg -loglevel error -y -f rawvideo -pixel_format rgb24 -video_size " +
        std::to_string(width_) + "x" + std::to_string(height_) +
        " -framerate " + std::to_string(kFramesPerSecond) + " -i - -vf vflip -c:v libx264 -pix_fmt yuv420p -movflags +faststart " +
        shellQuoted("file:" + path);
    pipe_ = ::popen(command.c_str(), "w");
    if (!pipe_) {
        error = "ffmpeg could not be started";
        return false;
    }
    path_ = path;
    every_ = every > 0 ? every : 1;
    offered_ = written_ = 0;
    return true;
}

bool VideoRecorder::stop()
{
    if (!pipe_)
        return false;
    const int status = ::pclose(pipe_);
    pipe_ = nullptr;
    return status == 0;
}

bool VideoRecorder::wantsFrame()
{
    return pipe_ && (offered_++ % every_) == 0;
}

bool VideoRecorder::addFrame(const unsigned char* rgb)
{
    if (!pipe_)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width_) * height_ * 3;
    if (std::fwrite(rgb, 1, bytes, pipe_) != bytes) {
        stop();
        return false;
    }
    ++written_;
    return true;
}
