// A video of the window: every frame handed in (or every Nth, for a
// timelapse) goes, as raw pixels, to ffmpeg found on the PATH, which writes
// the file at 30 frames per second. Without ffmpeg nothing is recorded and
// one line says why.
//
// ffmpeg runs in a process group of its own, so Ctrl-C in the terminal
// reaches only the program, which then ends the video properly. Nothing
// ffmpeg does can freeze the window for long: a frame it has not taken
// within kVideoStallSeconds ends the video (ffmpeg is killed), and so does an
// ffmpeg that stops or dies. A video that did not end whole is removed, and
// the failure is counted.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <sys/types.h>

#include <string>

// Seconds ffmpeg may take to take a frame, or to finish the file without
// working on it (using no processor time), before it is given up; and the
// longest it may take to finish a file at all.
constexpr double kVideoStallSeconds = 3.0;
constexpr double kVideoFinishSeconds = 60.0;

class VideoRecorder {
public:
    VideoRecorder() = default;
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Starts a video of frames of the given size in pixels; false with the
    // reason when ffmpeg cannot be started. `program` is ffmpeg unless a test
    // asks for another.
    bool start(const std::string& path, int width, int height, int every, std::string& error,
               const std::string& program = "ffmpeg");
    // Ends the video and waits for ffmpeg to finish the file. True when it
    // did and said so; otherwise the file is removed and failure() says why.
    bool stop();
    bool recording() const { return pid_ > 0; }
    const std::string& path() const { return path_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Whether the next frame goes into the video (every Nth does).
    bool wantsFrame();
    // One frame of width x height RGB pixels, bottom row first. When ffmpeg
    // takes no frame in time or is gone, the video ends as a failure: false.
    bool addFrame(const unsigned char* rgb);
    long long framesWritten() const { return written_; }
    // Why the last video failed (empty when it did not).
    const std::string& failure() const { return failure_; }

private:
    // Ends the video as a failure: ffmpeg killed, the file removed.
    void fail(const std::string& why);

    int fd_ = -1;   // the pipe into ffmpeg, written without blocking
    pid_t pid_ = -1;
    std::string path_;
    std::string failure_;
    int width_ = 0, height_ = 0;
    int every_ = 1;
    long long offered_ = 0;
    long long written_ = 0;
};
