// A live chart in the plotting program's own window: the population and the
// mean progress per cycle (raw and its trend) over the run, redrawn every
// few simulated minutes. It is drawn only when the plotting program has an
// on-screen terminal and there is a display; otherwise nothing is sent.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ui/statistics_charts.h"

class PlotPipe;
class StatisticsRecorder;

// Simulated seconds between two charts.
constexpr double kLivePlotSeconds = 120.0;

// The on-screen terminal to use among those the plotting program lists
// (qt, then wxt, then x11), or "" when it has none.
std::string chooseOnScreenTerminal(const std::string& terminals);

// Asks the plotting program which terminals it has; "" when it cannot be
// asked or there is no display to show a window on.
std::string onScreenTerminalOf(const std::string& program);

// The commands that draw the population and mean progress charts, with
// their data inline; at most `maxPoints` points per line.
std::string livePlotCommands(const std::vector<Chart>& charts, std::size_t maxPoints = 600);

// The chart's window: its size, and where it goes on the screen (screen
// pixels; -1: where the plotting program puts it).
constexpr int kLivePlotWidth = 560;
constexpr int kLivePlotHeight = 420;
struct ScreenPlace {
    int x = -1, y = -1;
};

// Beside the simulator's window, top edges level: right of it when the
// screen's work area (from areaX, areaWidth wide) has the room, else left of
// it, else at the area's right edge, over the window's right column of
// panels rather than its status text. The window at windowX, windowY,
// windowWidth wide; without a known window, the plotting program's choice.
ScreenPlace livePlotPlace(int windowX, int windowY, int windowWidth, int areaX, int areaWidth);

// The command that opens the chart's window on `terminal`: titled
// "creatures: live chart", never raised over the simulator, its size, and
// its place when known.
std::string liveTerminalCommand(const std::string& terminal, ScreenPlace place);

class LivePlot {
public:
    // `terminal` "" keeps the chart off.
    LivePlot(PlotPipe& pipe, std::string terminal);
    bool active() const { return !terminal_.empty(); }
    // Where the chart's window opens (taken until the first chart).
    void placeAt(ScreenPlace place) { place_ = place; }
    // Draws a new chart once kLivePlotSeconds of simulated time have passed
    // since the last one. A plotting program that has gone only turns the
    // chart off.
    void update(const StatisticsRecorder& recorder);

private:
    PlotPipe& pipe_;
    std::string terminal_;
    bool started_ = false;
    ScreenPlace place_;
    double nextTime_ = kLivePlotSeconds;
};
