// What a run is asked to do: the command line's options as the run reads
// them (app/options.h parses them), and the limits that go with them.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "ecology/world_settings.h"

// The run number when the command line gives none.
constexpr int kDefaultRunNumber = 10;
// Folder the autosaves go into, in the working folder.
constexpr const char* kAutosaveFolder = "autosave";
// The most islands one run may have.
constexpr int kMaxIslands = 1024;

// Seconds a process of an MPI run waits to hear from the process before it
// in the ring (they signal every second while they run) before it ends the
// run, when --rank-wait is not given.
constexpr double kDefaultRankWait = 120.0;

// The longest run --seconds takes, in simulated seconds (about 30,000 years).
constexpr double kMaxRunSeconds = 1e12;

struct RunOptions {
    bool headless = false;
    bool help = false;
    bool seedGiven = false;
    std::uint32_t seed = 0;
    long long steps = -1;       // stop after this many steps (-1: no limit)
    double seconds = -1.0;      // stop after this much simulated time (-1: none)
    std::string statsFile;      // CSV of statistics, one row per simulated second
    std::string lineageFile;    // CSV of births and deaths
    std::string championsDir;   // the best creature of every simulated hour goes here
    std::string treeFile;       // the family tree when the run ends (.nwk or .dot)
    int islands = 0;            // worlds of one experiment, on threads (0: one world)
    int threads = 0;            // threads they run on (0: one a core, at most one an island)
    double migrateEvery = 600.0; // simulated seconds between migrations (0: never)
    bool migrateGiven = false;
    bool islandsMpi = false;    // one island a process of an MPI run
    double rankWait = kDefaultRankWait; // seconds a process of an MPI run hears nothing from its neighbour before it ends the run
    bool rankWaitGiven = false;
    std::string autosaveFolder = kAutosaveFolder; // where autosaves go
    std::vector<std::string> trialFiles; // creatures set on the standard course, then exit
    std::string trialCsv;       // the trial's rows for scripts
    bool trialFresh = false;    // creatures enter the trial with a fresh movement store
    double autosaveSeconds = -1.0; // simulated seconds between autosaves (-1: default)
    std::string loadAllDir;     // simulation folder loaded before the run
    std::string saveAllDir;     // simulation folder saved when the run ends
    std::string screenshotFile; // PNG of the window after `frames` frames, then exit
    long long frames = 120;     // frames drawn before the screenshot
    bool framesGiven = false;   // --frames given: the window closes after them
    int windowWidth = 0;        // --window WxH; 0: the program's choice
    int windowHeight = 0;
    bool serialSteps = false;   // the window steps between its frames, not beside the drawing
    std::string loadCreatureFile; // a creature added to the world at start
    std::string showCreatureFile; // a creature shown alone on empty ground
    std::string foundersDir;      // creature files among the first creatures of a fresh world
    std::string recordFile;       // a video of the window, through ffmpeg
    long long recordEvery = 1;    // every Nth frame goes into the video
    bool recordScene = false;     // the video holds the scene alone, no panels or texts
    int runNumber = kDefaultRunNumber;
    // --summarize: the statistics file whose summary is printed instead of
    // running (with --seconds, the length of the run that wrote it).
    std::string summarizeFile;
    std::vector<SettingOverride> settings; // --set NAME=VALUE, in the order given
    std::vector<std::string> remaining; // non-option arguments, in order
};
