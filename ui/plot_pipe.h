// The pipe to the plotting program (gnuplot, found on the PATH): started
// once, told "set mouse", closed at the end. A plotting program that is
// missing, or whose window the user closed, never ends the simulator.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <cstdio>
#include <string>

class PlotPipe {
public:
    // Starts `program` (looked up on the PATH unless it holds a slash) and
    // sends "set mouse". When it cannot be started, says so once on
    // standard error and stays closed.
    explicit PlotPipe(const std::string& program = "gnuplot");
    ~PlotPipe();
    PlotPipe(const PlotPipe&) = delete;
    PlotPipe& operator=(const PlotPipe&) = delete;

    bool isOpen() const { return pipe_ != nullptr; }
    // Writes one command line; false (and the pipe closed) once the plotting
    // program has gone.
    bool send(const std::string& command);

private:
    std::FILE* pipe_ = nullptr;
};

// Full path of an executable on the PATH, or empty.
std::string findOnPath(const std::string& program);
