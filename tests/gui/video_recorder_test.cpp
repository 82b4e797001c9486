// Videos whatever ffmpeg does: one that stops taking frames, is stopped,
// dies or fails ends the video within seconds, the unfinished file is
// removed and the failure said; one that finishes gives the file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drawlib/gl/video_recorder.h"

namespace {

namespace fs = std::filesystem;

class VideoRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) / ("video_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    // A stand-in for ffmpeg: a shell script whose last argument is the file
    // ("file:PATH"), as ffmpeg is given it.
    std::string fake(const std::string& name, const std::string& body)
    {
        const fs::path p = dir / name;
        std::ofstream(p) << "#!/bin/sh\nfor a; do out=\"${a#file:}\"; done\n" << body << "\n";
        ::chmod(p.c_str(), 0755);
        return p.string();
    }
    fs::path dir;
};

TEST_F(VideoRecorderTest, WhateverFfmpegDoesTheVideoEndsAndOnlyAWholeFileStays)
{
    struct Case {
        const char* what;
        std::string body;
        int frames;        // frames offered
        bool whole;        // the video ends whole
        const char* why;   // the failure said otherwise
    };
    const Case cases[] = {
        {"finishes", "cat > \"$out\"", 5, true, ""},
        {"takes no frame", "exec sleep 30", 5, false, "ffmpeg took no frame"},
        {"is stopped", "kill -STOP $$; cat > \"$out\"", 5, false, "ffmpeg took no frame"},
        {"hangs at the end", "cat > \"$out\"; exec sleep 30", 2, false,
         "ffmpeg did not finish the file"},
        {"dies at once", "exit 3", 5, false, "ffmpeg stopped taking frames"},
        {"fails at the end", "cat > \"$out\"; exit 1", 3, false, "ffmpeg failed"},
    };
    // Frames larger than a pipe holds, so a stall shows at the first one.
    const int w = 320, h = 240;
    std::vector<unsigned char> frame(static_cast<std::size_t>(w) * h * 3, 200);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string program = fake(std::string("ffmpeg-") + c.what[0] + c.what[1], c.body);
        const fs::path video = dir / "v.mp4";
        VideoRecorder r;
        std::string error;
        ASSERT_TRUE(r.start(video.string(), w, h, 1, error, program)) << error;
        if (std::string(c.what) == "dies at once")
            ::usleep(200000); // gone before the first frame
        bool taken = true;
        for (int i = 0; i < c.frames && taken; ++i)
            taken = r.addFrame(frame.data());
        const bool whole = taken && r.stop();
        EXPECT_EQ(whole, c.whole) << r.failure();
        EXPECT_FALSE(r.recording());
        if (c.whole) {
            EXPECT_EQ(fs::file_size(video), frame.size() * c.frames);
            EXPECT_EQ(r.framesWritten(), c.frames);
        } else {
            EXPECT_EQ(r.failure().rfind(c.why, 0), 0u) << r.failure();
            EXPECT_FALSE(fs::exists(video));
        }
    }
}

} // namespace
