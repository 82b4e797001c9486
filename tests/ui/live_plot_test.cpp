// The live chart in the plotting program's window: which terminal it uses,
// what it sends and when, and that the plotting program accepts it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/ode_fixture.h"
#include "ui/live_plot.h"
#include "ui/plot_pipe.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

int count(const std::string& text, const std::string& word)
{
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

// A stand-in plotting program: lists the terminals it is told to and keeps
// what it is sent.
fs::path fakePlotter(const fs::path& dir, const std::string& terminals)
{
    const fs::path script = dir / "gnuplot";
    std::ofstream(script) << "#!/bin/sh\n"
                             "case \"$*\" in *GPVAL_TERMINALS*) echo '"
                          << terminals << "' >&2; exit 0;; esac\n"
                                          "cat > \"$(dirname \"$0\")/sent\"\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

class LivePlotTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        dir = fs::temp_directory_path() / ("creatures_live_plot_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const char* d = std::getenv("DISPLAY");
        display = d ? d : "";
    }
    void TearDown() override
    {
        if (display.empty())
            ::unsetenv("DISPLAY");
        else
            ::setenv("DISPLAY", display.c_str(), 1);
        fs::remove_all(dir);
        WorldTest::TearDown();
    }
    fs::path dir;
    std::string display;
};

TEST_F(LivePlotTest, AnOnScreenTerminalIsUsedOnlyWithADisplay)
{
    struct Case { const char* listed; const char* chosen; };
    for (const Case c : {Case{"dumb png svg", ""}, Case{"dumb x11 qt png", "qt"},
                         Case{"x11 wxt", "wxt"}, Case{"  x11\n", "x11"}, Case{"qtx x1", ""}})
        EXPECT_EQ(chooseOnScreenTerminal(c.listed), c.chosen) << c.listed;

    const fs::path fake = fakePlotter(dir, "dumb wxt x11 png");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("DISPLAY");
    EXPECT_EQ(onScreenTerminalOf(fake.string()), "");
    ::setenv("DISPLAY", ":99", 1);
    EXPECT_EQ(onScreenTerminalOf(fake.string()), "wxt");
    EXPECT_EQ(onScreenTerminalOf((dir / "missing").string()), "");
}

// The chart's window opens beside the simulator's, titled, on a screen
// where it fits right of it, left of it, or neither.
TEST(LivePlotPlace, BesideTheWindowAndTitled)
{
    struct Case {
        int x, y, width, areaX, areaWidth;
        int placeX, placeY;
    };
    const Case cases[] = {
        {0, 0, 640, 0, 2048, 648, 0},         // room on the right
        {100, 40, 1280, 0, 2048, 100 + 1280 + 8, 40},
        {1300, 20, 600, 0, 1920, 1300 - 8 - kLivePlotWidth, 20}, // room on the left only
        {0, 0, 1280, 0, 1280, 1280 - kLivePlotWidth, 0},         // no room: the right edge
        {1920, 0, 640, 1920, 1280, 1920 + 640 + 8, 0},           // a second screen's area
        {0, 0, 0, 0, 1280, -1, -1},                              // no window known
    };
    for (const Case& c : cases) {
        const ScreenPlace p = livePlotPlace(c.x, c.y, c.width, c.areaX, c.areaWidth);
        EXPECT_EQ(p.x, c.placeX) << c.x << " " << c.width << " " << c.areaWidth;
        EXPECT_EQ(p.y, c.placeY) << c.x << " " << c.width << " " << c.areaWidth;
        // Never over the window's top-left corner, where the status text is.
        if (p.x >= 0 && c.width > 0) {
            EXPECT_FALSE(p.x <= c.x + 160 && p.x + kLivePlotWidth > c.x) << c.x;
        }
    }
    EXPECT_EQ(liveTerminalCommand("x11", ScreenPlace{648, 0}),
              "set terminal x11 noraise title 'creatures: live chart' size 560,420 position 648,0");
    EXPECT_EQ(liveTerminalCommand("qt", ScreenPlace{}),
              "set terminal qt noraise title 'creatures: live chart' size 560,420");
}

TEST_F(LivePlotTest, ChartsComeEveryTwoSimulatedMinutesWithTheWholeRun)
{
    const fs::path fake = fakePlotter(dir, "qt");
    StatisticsRecorder recorder;
    {
        PlotPipe pipe(fake.string());
        ASSERT_TRUE(pipe.isOpen());
        LivePlot off(pipe, "");
        LivePlot live(pipe, "qt");
        live.placeAt(ScreenPlace{1290, 30});
        EXPECT_FALSE(off.active());
        for (int t = 0; t < 400; ++t) {
            w().sim.time = t + 0.5;
            w().sim.counters.cycles.cycles += 2;
            w().sim.counters.cycles.progress += 0.01 * t;
            recorder.afterStep(w().sim);
            off.update(recorder);
            live.update(recorder);
        }
    }
    const std::string sent = readFile(dir / "sent");
    EXPECT_EQ(sent.rfind("set mouse\n", 0), 0u) << sent.substr(0, 80);
    EXPECT_EQ(count(sent, "set terminal qt noraise"), 1);
    EXPECT_EQ(count(sent, "title 'creatures: live chart' size 560,420 position 1290,30\n"), 1);
    // At 120.5, 240.5 and 360.5 simulated seconds.
    EXPECT_EQ(count(sent, "set multiplot layout"), 3);
    EXPECT_EQ(count(sent, "unset multiplot"), 3);
    // The last chart: population, then raw and smoothed progress, each a
    // point per second so far, up to 361 minutes/60 = 6.008.
    const std::string last = sent.substr(sent.rfind("set multiplot layout"));
    EXPECT_EQ(count(last, "\ne\n"), 3);
    EXPECT_NE(last.find("\n6.008 "), std::string::npos);
    int points = 0;
    std::istringstream lines(last);
    for (std::string line; std::getline(lines, line);)
        points += !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
    EXPECT_EQ(points, 361 * 3);
    EXPECT_EQ(sent.find("nan"), std::string::npos);
}

TEST_F(LivePlotTest, ThePlottingProgramDrawsTheCommandsWithoutComplaint)
{
    if (findOnPath("gnuplot").empty())
        FAIL() << "gnuplot is not on the PATH (the setup installs it)";
    StatisticsRecorder recorder;
    for (int t = 0; t < 3000; ++t) {
        w().sim.time = t + 0.5;
        w().sim.counters.cycles.cycles += 1 + t % 3;
        w().sim.counters.cycles.progress += 0.002 * (t % 7);
        recorder.afterStep(w().sim);
    }
    const std::string commands = livePlotCommands(statisticsCharts(recorder), 200);
    ASSERT_FALSE(commands.empty());
    // Thinned to 200 points a line, the last sample always among them.
    EXPECT_LE(count(commands, "\n"), 3 * 201 + 20);
    const fs::path png = dir / "live.png";
    std::ofstream(dir / "in.gp") << "set terminal png size 640,480\nset output '" << png.string()
                                 << "'\n" << commands;
    const std::string cmd = "gnuplot " + (dir / "in.gp").string() + " > " +
                            (dir / "err").string() + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(readFile(dir / "err"), "");
    EXPECT_GT(fs::file_size(png), 5000u);
    // CREATURES_KEEP_PICTURES=DIR keeps the chart for a look.
    if (const char* keep = std::getenv("CREATURES_KEEP_PICTURES"))
        fs::copy_file(png, fs::path(keep) / "live_plot.png", fs::copy_options::overwrite_existing);
}

} // namespace
