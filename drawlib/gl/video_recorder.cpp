#include "drawlib/gl/video_recorder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "drawlib/drawstuff.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program's full path found on the PATH, or empty.
std::string onPath(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos
                                                                            : end - start);
        const std::string full = (dir.empty() ? "." : dir) + "/" + program;
        if (::access(full.c_str(), X_OK) == 0)
            return full;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::string();
}

double secondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Processor time a process has used, in clock ticks; -1 when it cannot be
// read.
long long processorTicks(pid_t pid)
{
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f)
        return -1;
    char line[1024];
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read)
        return -1;
    // After the command name in parentheses: state, then 10 fields, then
    // utime and stime.
    const char* at = std::strrchr(line, ')');
    long long utime = 0, stime = 0;
    if (!at || std::sscanf(at + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld",
                           &utime, &stime) != 2)
        return -1;
    return utime + stime;
}

} // namespace

VideoRecorder::~VideoRecorder()
{
    stop();
}

bool VideoRecorder::start(const std::string& path, int width, int height, int every,
                          std::string& error, const std::string& program)
{
    stop();
    failure_.clear();
    const std::string binary = onPath(program);
    if (binary.empty()) {
        error = program + " is not on the PATH (apt-get install ffmpeg)";
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
    const std::vector<std::string> args = {
        binary, "-loglevel", "error", "-y", "-f", "rawvideo", "-pixel_format", "rgb24",
        "-video_size", std::to_string(width_) + "x" + std::to_string(height_), "-framerate",
        std::to_string(kFramesPerSecond), "-i", "-", "-vf", "vflip", "-c:v", "libx264",
        "-pix_fmt", "yuv420p", "-movflags", "+faststart", "file:" + path};
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = "no pipe to ffmpeg";
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        error = "ffmpeg could not be started";
        return false;
    }
    if (pid == 0) {
        // A process group of its own: Ctrl-C in the terminal is the
        // program's to handle, and it ends the video properly.
        ::setpgid(0, 0);
        ::dup2(fds[0], STDIN_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[0]);
    fd_ = fds[1];
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    path_ = path;
    every_ = every > 0 ? every : 1;
    offered_ = written_ = 0;
    return true;
}

void VideoRecorder::fail(const std::string& why)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    failure_ = why;
    std::remove(path_.c_str());
}

bool VideoRecorder::stop()
{
    if (pid_ <= 0)
        return false;
    ::close(fd_);
    fd_ = -1;
    // ffmpeg finishes the file once its input ends. It is given the time it
    // needs while it works on it, but one that does nothing (stopped, or
    // hung) is given up soon.
    const Clock::time_point t0 = Clock::now();
    Clock::time_point lastWork = t0;
    long long ticks = processorTicks(pid_);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
            break;
        if (r < 0 && errno != EINTR) {
            pid_ = -1;
            failure_ = "ffmpeg was lost";
            std::remove(path_.c_str());
            return false;
        }
        const long long now = processorTicks(pid_);
        if (now != ticks) {
            ticks = now;
            lastWork = Clock::now();
        }
        if (secondsSince(lastWork) > kVideoStallSeconds || secondsSince(t0) > kVideoFinishSeconds) {
            fail("ffmpeg did not finish the file");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    failure_ = WIFSIGNALED(status) ? "ffmpeg was killed" : "ffmpeg failed";
    std::remove(path_.c_str());
    return false;
}

bool VideoRecorder::wantsFrame()
{
    return pid_ > 0 && (offered_++ % every_) == 0;
}

bool VideoRecorder::addFrame(const unsigned char* rgb)
{
    if (pid_ <= 0)
        return false;
    std::size_t left = static_cast<std::size_t>(width_) * height_ * 3;
    const unsigned char* at = rgb;
    Clock::time_point lastProgress = Clock::now();
    while (left > 0) {
        const ssize_t n = ::write(fd_, at, left);
        if (n > 0) {
            at += n;
            left -= static_cast<std::size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const double waited = secondsSince(lastProgress);
            if (waited > kVideoStallSeconds) {
                fail("ffmpeg took no frame for " +
                     std::to_string(static_cast<int>(kVideoStallSeconds)) + " s");
                return false;
            }
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>((kVideoStallSeconds - waited) * 1000) + 1);
            continue;
        }
        // ffmpeg is gone (a full disk, a crash, a kill).
        fail("ffmpeg stopped taking frames");
        return false;
    }
    ++written_;
    return true;
}
