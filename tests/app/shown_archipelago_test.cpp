// An archipelago in the window: the shown island stepped by frames, the
// others by workers, the island shown changed along the way; the islands
// come out as the headless archipelago of the seed makes them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/shown_archipelago.h"
#include "run/archipelago.h"
#include "persist/save_all.h"
#include "ui/control_bar.h"

namespace {

namespace fs = std::filesystem;

RunOptions optionsOf(std::vector<const char*> args)
{
    args.insert(args.begin(), "creatures");
    RunOptions o;
    std::string error;
    EXPECT_TRUE(parseOptions(static_cast<int>(args.size()), args.data(), o, error)) << error;
    return o;
}

// Every island's whole save, file by file.
std::string savesOf(Archipelago& a, const fs::path& dir)
{
    std::string all;
    for (int i = 0; i < a.islandCount(); ++i) {
        const fs::path folder = dir / std::to_string(i);
        fs::create_directories(dir);
        RunWorld& w = a.island(i);
        EXPECT_TRUE(saveAll(w.sim, w.settings, folder.string()));
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            std::ifstream in(f, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            all += f.filename().string() + "\n" + bytes.str();
        }
    }
    return all;
}

// The stream's writes of text, each kept apart (a single character put
// alone fails the stream).
struct Writes : std::streambuf {
    std::vector<std::string> parts;
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        parts.emplace_back(s, static_cast<std::size_t>(n));
        return n;
    }
};

TEST(ShownArchipelago, FramesAndWorkersMakeTheHeadlessIslandsWhicheverIslandIsShown)
{
    const fs::path dir = fs::path(testing::TempDir()) / "shown_archipelago";
    fs::remove_all(dir);
    const RunOptions o = optionsOf({"--headless", "--seed", "7", "--islands", "3", "--seconds", "70",
                                    "--migrate-every", "20", "--set", "stepsPerFrame=3"});

    Archipelago headless;
    ASSERT_TRUE(headless.build(o, 7, 1, 3, 3));
    Writes writes;
    std::ostream progress(&writes);
    ASSERT_EQ(headless.runHeadless(progress), 0);
    // Whole lines, one a write: the processes of an MPI run share an output.
    EXPECT_GE(writes.parts.size(), 3u); // the header, progress, the closing lines
    for (const std::string& part : writes.parts)
        EXPECT_EQ(part.back(), '\n') << part;

    Archipelago windowed;
    std::vector<World*> worlds;
    ASSERT_TRUE(windowed.build(o, 7, 1, 3, 3, false, shownWorlds(worlds)));
    std::vector<int> shownAt;
    {
        ShownArchipelago shown(windowed, worlds);
        IslandsView& v = shown.view();
        EXPECT_EQ(v.count, 3);
        EXPECT_EQ(worlds[2]->view.islands, &v);
        // Keys 1 to 9 ask for an island that exists, and only such.
        keyCommand(shown.shown(), '9');
        EXPECT_EQ(v.requested, -1);
        keyCommand(shown.shown(), '3');
        EXPECT_EQ(v.requested, 2);
        EXPECT_FALSE(requestIsland(v, 3));
        int frame = 0;
        bool paused = false;
        for (; frame < 100000; ++frame) {
            if (frame == 150)
                requestIsland(v, 0);
            if (frame == 400)
                requestIsland(v, 1);
            // A paused frame steps nothing.
            paused = frame % 50 == 49;
            const double before = shown.shown().sim.time;
            const bool goesOn = shown.frame(paused ? 1 : 0);
            if (paused) {
                EXPECT_EQ(shown.shown().sim.time, before);
            }
            if (shownAt.empty() || shownAt.back() != v.shown)
                shownAt.push_back(v.shown);
            if (!v.waitingFor.empty()) {
                EXPECT_EQ(v.waitingFor.find(std::to_string(v.shown + 1)), std::string::npos)
                    << "the shown island waits for itself";
            }
            if (!goesOn)
                break;
        }
        EXPECT_LT(frame, 100000) << "the run never ended, waiting for " << v.waitingFor;
        EXPECT_EQ(shown.stepsDone(), 3 * 2334LL);
        for (const auto& trend : v.trends) {
            ASSERT_GE(trend.size(), 5u);
            for (std::size_t k = 1; k < trend.size(); ++k)
                EXPECT_GT(trend[k].time, trend[k - 1].time);
        }
    }
    // Island 3, asked for before the first frame, comes at once or after
    // its worker's steps.
    if (shownAt.size() == 4 && shownAt.front() == 0)
        shownAt.erase(shownAt.begin());
    EXPECT_EQ(shownAt, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(worlds[0]->view.islands, nullptr);
    EXPECT_EQ(savesOf(windowed, dir / "windowed"), savesOf(headless, dir / "headless"));
    fs::remove_all(dir);
}

// The window asks for an island while a worker steps it towards a far
// epoch: the frames go on, the island asked for is named as coming, and it
// is shown as soon as its worker lets it go, long before the epoch. Asked
// for at once, and after the frames have run a while.
TEST(ShownArchipelago, AFrameNeverWaitsForTheWorkerOfTheIslandAskedFor)
{
    // The epoch at 600 simulated seconds, 20000 steps.
    const RunOptions o = optionsOf({"--headless", "--seed", "7", "--islands", "2", "--threads", "2",
                                    "--migrate-every", "600", "--set", "stepsPerFrame=2"});
    for (int framesFirst : {0, 40}) {
        SCOPED_TRACE(framesFirst);
        Archipelago a;
        std::vector<World*> worlds;
        ASSERT_TRUE(a.build(o, 7, 1, 2, 2, false, shownWorlds(worlds)));
        ShownArchipelago shown(a, worlds);
        IslandsView& v = shown.view();
        for (int f = 0; f < framesFirst; ++f)
            ASSERT_TRUE(shown.frame(0));
        const double shownBefore = shown.shown().sim.time;
        requestIsland(v, 1);
        int frames = 0;
        bool named = true;
        while (v.shown != 1 && frames < 100000) {
            ASSERT_TRUE(shown.frame(0));
            ++frames;
            if (v.shown != 1)
                named = named && v.coming == 1;
        }
        ASSERT_EQ(v.shown, 1);
        EXPECT_TRUE(named) << "the island on its way was not named";
        EXPECT_EQ(v.coming, -1);
        // Shown well before its epoch, the island shown before stepped on
        // while it came.
        EXPECT_LT(shown.shown().sim.time, 300.0);
        EXPECT_GE(a.island(0).sim.time, shownBefore);
        // Asking for the shown island again changes nothing.
        requestIsland(v, 1);
        ASSERT_TRUE(shown.frame(0));
        EXPECT_EQ(v.shown, 1);
        EXPECT_EQ(v.coming, -1);
    }
}

} // namespace
