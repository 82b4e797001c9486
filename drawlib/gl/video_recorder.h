// A video of the window: every frame handed in (or every Nth, for a
// timelapse) goes, as raw pixels, to ffmpeg found on the PATH, which writes
// the file at 30 frames per second. Without ffmpeg nothing is recorded and
// one line says why.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <cstdio>
#include <string>

class VideoRecorder {
public:
    VideoRecorder() = default;
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Starts a video of frames of the given size in pixels; false with the
    // reason when ffmpeg cannot be started.
    bool start(const std::string& path, int width, int height, int every, std::string& error);
    // Ends the video; ffmpeg finishes the file. True when ffmpeg says the
    // file is whole.
    bool stop();
    bool recording() const { return pipe_ != nullptr; }
    const std::string& path() const { return path_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Whether the next frame goes into the video (every Nth does).
    bool wantsFrame();
    // One frame of width x height RGB pixels, bottom row first. A failed
    // write (ffmpeg gone) ends the video; false then.
    bool addFrame(const unsigned char* rgb);
    long long framesWritten() const { return written_; }

private:
    std::FILE* pipe_ = nullptr;
    std::string path_;
    int width_ = 0, height_ = 0;
    int every_ = 1;
    long long offered_ = 0;
    long long written_ = 0;
};
