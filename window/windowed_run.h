// Running the simulation in a window: the drawing library's window backend
// drives the step driver, the cameras and the frame callback at 30 frames per
// second until the window closes, the step or time limit is reached, or
// Ctrl-C. With a screenshot file it draws a number of frames on a frame
// clock, writes the picture and ends.
#pragma once
#ifndef CREATURES_FLOOR_WINDOW
#error "window/ is for window/ and the floors above it"
#endif

#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/program.h"
#include "ui/world.h"

class Archipelago;
class RunOutputs;
class WindowBackend;

// The program's window: the drawing library's backend while it is open.
// GLFW and the drawing operations know one window a process, so one
// ProgramWindow is open at a time.
class ProgramWindow final : public WindowRunner {
public:
    ProgramWindow();
    // Closes the window when it is open.
    ~ProgramWindow() override;
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;

    // Opens the window and makes it the drawing library's backend: of the
    // given size, or (0 by 0) four fifths of the screen's work area. False
    // with a reason when there is no display or no usable OpenGL.
    bool open(int width, int height, std::string& error) override;
    // A window of the size every test and benchmark draws in: 640 by 480.
    bool open(std::string& error);

    // Runs the frame loop in the open window on an already reset world.
    // Returns the process exit status.
    int run(World& w, const RunOptions& options, int argc, char** argv,
            RunOutputs* outputs = nullptr) override;

    // Runs the frame loop on an archipelago: the scene shows one island (the
    // panel's Islands window and keys 1 to 9 choose which), the others are
    // stepped on the other cores. `worlds` are its islands as the window's
    // worlds (made by shownWorlds). Returns the process exit status.
    int runIslands(Archipelago& archipelago, const std::vector<World*>& worlds,
                   const RunOptions& options, int argc, char** argv) override;

    // Closes the window and puts the headless backend back.
    void close() override;

    // The open window's backend, or null (for measurements and tests).
    WindowBackend* backend() { return backend_.get(); }

private:
    std::unique_ptr<WindowBackend> backend_;
};
