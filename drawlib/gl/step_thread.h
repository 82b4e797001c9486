// A thread that runs one job at a time beside the thread that hands it over:
// the window's loop gives it a frame's simulation steps while it sends the
// frame before to the renderer.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class StepThread {
public:
    StepThread();
    // Waits for the job under way, then ends the thread.
    ~StepThread();
    StepThread(const StepThread&) = delete;
    StepThread& operator=(const StepThread&) = delete;

    // Starts a job; the one before must have been waited for.
    void start(std::function<void()> job);
    // Waits until the job is done (at once when there is none). What the
    // job threw is thrown here. Whatever the job wrote is seen by the
    // caller afterwards.
    void wait();
    // Milliseconds the last job took.
    double lastJobMs() const { return lastMs_; }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool ending_ = false;
    std::exception_ptr error_;
    double lastMs_ = 0.0;
    std::thread thread_;
};
