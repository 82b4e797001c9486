#include "ui/live_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "ecology/statistics.h"
#include "ui/plot_pipe.h"

std::string chooseOnScreenTerminal(const std::string& terminals)
{
    std::istringstream in(terminals);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    for (const char* wanted : {"qt", "wxt", "x11"})
        if (std::find(words.begin(), words.end(), wanted) != words.end())
            return wanted;
    return std::string();
}

std::string onScreenTerminalOf(const std::string& program)
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        return std::string();
    const std::string found = findOnPath(program);
    if (found.empty())
        return std::string();
    // The program prints on its standard error.
    std::string quoted = "'";
    for (char c : found)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    FILE* p = ::popen((quoted + " -e 'print GPVAL_TERMINALS' 2>&1 </dev/null").c_str(), "r");
    if (!p)
        return std::string();
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p) && out.size() < 65536)
        out += buffer;
    ::pclose(p);
    return chooseOnScreenTerminal(out);
}

namespace {

const Chart* chartOf(const std::vector<Chart>& charts, const char* column)
{
    for (const Chart& c : charts)
        if (c.column == column)
            return &c;
    return nullptr;
}

// One inline data block: minutes and values, every nth point, the last one
// always included; non-finite values are left out.
void dataBlock(std::ostringstream& out, const Chart& c, const std::vector<float>& values,
               std::size_t maxPoints)
{
    const std::size_t n = std::min(c.times.size(), values.size());
    const std::size_t stride = n > maxPoints && maxPoints > 0 ? (n + maxPoints - 1) / maxPoints : 1;
    char line[64];
    for (std::size_t i = 0; i < n; ++i) {
        if (i % stride != 0 && i + 1 != n)
            continue;
        if (!std::isfinite(c.times[i]) || !std::isfinite(values[i]))
            continue;
        std::snprintf(line, sizeof line, "%.3f %.6g\n", c.times[i] / 60.0, values[i]);
        out << line;
    }
    out << "e\n";
}

} // namespace

std::string livePlotCommands(const std::vector<Chart>& charts, std::size_t maxPoints)
{
    const Chart* population = chartOf(charts, "population");
    const Chart* progress = chartOf(charts, "mean_progress");
    if (!population || !progress || population->times.empty())
        return std::string();
    std::ostringstream out;
    out << "set multiplot layout 2,1 title 'creatures: the run so far'\n"
           "set grid\n"
           "set key bottom right opaque\n"
           "set offsets 0, 0, graph 0.1, 0\n"
           "set xlabel 'simulated minutes'\n"
           "set yrange [0:*]\n"
           "plot '-' using 1:2 with lines lw 2 lc rgb '#3060c0' title 'population'\n";
    dataBlock(out, *population, population->values, maxPoints);
    out << "set yrange [*:*]\n"
           "plot '-' using 1:2 with lines lc rgb '#c8c8c8' title 'mean progress per cycle', "
           "'-' using 1:2 with lines lw 2 lc rgb '#d08000' title '5-minute trend'\n";
    dataBlock(out, *progress, progress->values, maxPoints);
    dataBlock(out, *progress, progress->smoothed, maxPoints);
    out << "unset multiplot\n";
    return out.str();
}

ScreenPlace livePlotPlace(int windowX, int windowY, int windowWidth, int areaX, int areaWidth)
{
    ScreenPlace p;
    if (windowWidth <= 0 || areaWidth <= 0)
        return p;
    constexpr int kGap = 8;
    p.y = std::max(0, windowY);
    if (windowX + windowWidth + kGap + kLivePlotWidth <= areaX + areaWidth)
        p.x = windowX + windowWidth + kGap;
    else if (windowX - kGap - kLivePlotWidth >= areaX)
        p.x = windowX - kGap - kLivePlotWidth;
    else
        p.x = std::max(areaX, areaX + areaWidth - kLivePlotWidth);
    return p;
}

std::string liveTerminalCommand(const std::string& terminal, ScreenPlace place)
{
    std::ostringstream out;
    // noraise: a new chart never takes the focus from the simulator.
    out << "set terminal " << terminal << " noraise title 'creatures: live chart' size "
        << kLivePlotWidth << "," << kLivePlotHeight;
    if (place.x >= 0 && place.y >= 0)
        out << " position " << place.x << "," << place.y;
    return out.str();
}

LivePlot::LivePlot(PlotPipe& pipe, std::string terminal) : pipe_(pipe), terminal_(std::move(terminal))
{
}

void LivePlot::update(const StatisticsRecorder& recorder)
{
    if (terminal_.empty() || !pipe_.isOpen() || recorder.empty())
        return;
    const double now = recorder.latest().time;
    if (now < nextTime_)
        return;
    nextTime_ = now + kLivePlotSeconds;
    if (!started_ && !pipe_.send(liveTerminalCommand(terminal_, place_))) {
        terminal_.clear();
        return;
    }
    started_ = true;
    const std::string commands = livePlotCommands(statisticsCharts(recorder));
    if (!commands.empty() && !pipe_.send(commands))
        terminal_.clear();
}
