#include "drawlib/gl/step_thread.h"

#include <chrono>
#include <utility>

StepThread::StepThread() : thread_([this] { run(); }) {}

StepThread::~StepThread()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void StepThread::start(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

void StepThread::wait()
{
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        std::swap(error, error_);
    }
    if (error)
        std::rethrow_exception(error);
}

void StepThread::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || ending_; });
        if (!busy_)
            return;
        std::function<void()> job = std::move(job_);
        lock.unlock();
        const auto t0 = std::chrono::steady_clock::now();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        lock.lock();
        lastMs_ = ms;
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}
