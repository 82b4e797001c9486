#include "base/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int signal)
{
    if (interrupted) {
        // The second request: the user wants out now.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    interrupted = 1;
}

} // namespace

struct InterruptHandlers::Saved {
    struct sigaction sigint;
    struct sigaction sigterm;
    struct sigaction sigxfsz;
};

bool interruptRequested()
{
    return interrupted != 0;
}

void setInterruptRequested(bool requested)
{
    interrupted = requested ? 1 : 0;
}

InterruptHandlers::InterruptHandlers() : saved_(std::make_unique<Saved>())
{
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call returns with EINTR, so nothing can wait
    // on after the request.
    action.sa_flags = 0;
    ::sigaction(SIGINT, &action, &saved_->sigint);
    ::sigaction(SIGTERM, &action, &saved_->sigterm);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, &saved_->sigxfsz);
}

InterruptHandlers::~InterruptHandlers()
{
    ::sigaction(SIGINT, &saved_->sigint, nullptr);
    ::sigaction(SIGTERM, &saved_->sigterm, nullptr);
    ::sigaction(SIGXFSZ, &saved_->sigxfsz, nullptr);
}
