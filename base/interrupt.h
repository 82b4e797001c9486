// Ctrl-C and SIGTERM as a request to stop.
//
// While the handlers are installed, the first Ctrl-C or SIGTERM only sets a
// flag: the frame loop ends the run after the current step, a load in
// progress gives up between files, and a save in progress completes. A
// second one while the first is still pending ends the process at once (the
// save folders stay consistent even then, see save_folder.h).
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <memory>

// True once Ctrl-C or SIGTERM has arrived since the handlers were installed.
bool interruptRequested();

// Sets or clears the flag as a signal would (for tests and callers that stop
// a run on their own).
void setInterruptRequested(bool requested);

// Installs the handlers for its lifetime and clears the flag; the handlers
// before it are put back at the end. It also ignores SIGXFSZ, so a write
// beyond the file-size limit fails with an error the savers report instead
// of killing the process.
class InterruptHandlers {
public:
    InterruptHandlers();
    ~InterruptHandlers();
    InterruptHandlers(const InterruptHandlers&) = delete;
    InterruptHandlers& operator=(const InterruptHandlers&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};
