// The window's step thread: a job's writes are seen after the wait, what a
// job throws comes out of the wait and the thread goes on to the next job,
// and ending the thread waits for the job under way.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "drawlib/gl/step_thread.h"

TEST(StepThread, RunsJobsInTurnPassesOnWhatTheyThrowAndEndsAfterTheLast)
{
    int value = 0;
    {
        StepThread thread;
        thread.wait(); // no job yet: at once
        for (int i = 1; i <= 3; ++i) {
            thread.start([&value, i] { value += i; });
            thread.wait();
            EXPECT_EQ(value, i * (i + 1) / 2);
        }
        thread.start([] { throw std::runtime_error("step failed"); });
        EXPECT_THROW(thread.wait(), std::runtime_error);
        thread.wait(); // the failure is passed on once

        thread.start([&value] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            value = 100;
        });
    }
    EXPECT_EQ(value, 100);
}
