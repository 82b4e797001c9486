// The statistics of a run: one sample per simulated second, taken at the end
// of the step that enters a new second. The statistics file and the
// statistics window both read these samples, so they always agree.
//
// Recording only reads the world: a run with or without anything reading the
// samples is the same run.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <functional>
#include <sstream>
#include <string>
#include <vector>

struct Simulation;

struct StatsSample {
    double time = 0.0; // simulated seconds
    long long population = 0;
    long long foods = 0;
    // Totals since start-up.
    long long births = 0;
    long long refills = 0;
    long long deathsStarved = 0;
    long long deathsFallen = 0;
    long long foodsEaten = 0;
    double meanEnergy = 0.0;
    double bestScore = 0.0;
    // Motor cycles scored since the previous sample, and their mean progress
    // (0 when none was scored).
    long long cyclesEvaluated = 0;
    double meanProgress = 0.0;
    int maxGeneration = 0;
    double meanGeneration = 0.0;
    // Lineages of the living: how many founders (creatures that came
    // without parents) have a living descendant, and the generation and age
    // (simulated seconds since its birth) of the living's most recent common
    // ancestor; -1 for both when they descend from several founders.
    int founderFamilies = 0;
    int commonAncestorGeneration = -1;
    double commonAncestorAge = -1.0;
    // Totals of scored cycles and their progress since start-up.
    long long totalCycles = 0;
    double totalProgress = 0.0;
    // Bodies of the living (FamilyTree::bodyFigures): mean parts, mean body
    // distance from their founders, mean distance between two of them.
    double meanParts = 0.0;
    double bodyFromFounders = 0.0;
    double bodyDiversity = 0.0;
};

// How a column is charted in the statistics window.
enum class ChartKind {
    None,         // in the file only
    Level,        // the value itself
    PerMinute,    // a running total as a rate per simulated minute
    ProgressMean, // mean progress per scored cycle over a window of time
};

// One column of the statistics: its name in the file (none for a column
// that is only charted), its chart, and how it is read from a sample. The
// file's header and rows and the window's charts all come from this list.
struct StatsColumn {
    const char* name;       // CSV header name; nullptr: charted only
    const char* chartTitle; // nullptr: not charted
    ChartKind chart;
    int decimals; // of the chart's current value
    bool whole;   // written as a whole number
    double (*value)(const StatsSample& s);
    // When set, the chart's current value also gives this one as its maximum.
    double (*maximum)(const StatsSample& s);
    // Where the chart stands among the charts, the most telling first.
    int chartPlace;
};

// The columns in file order; the columns of the first ten stay as they
// always were, the newer ones follow.
const std::vector<StatsColumn>& statsColumns();

// The statistics file: a header line and one line per sample.
std::string statsCsvHeader();
std::string statsCsvLine(const StatsSample& s);

class StatisticsRecorder {
public:
    // Samples kept for the whole run's charts; beyond it every second kept
    // sample is dropped and the spacing doubles, so memory stays bounded.
    static constexpr std::size_t kHistoryLimit = 2048;

    using Sink = std::function<void(const StatsSample&)>;

    // Called by the step at its end: takes a sample when the simulated time
    // has entered a new whole second.
    void afterStep(const Simulation& sim);
    // A sample of the world as it is now (for the closing line of a file);
    // it does not enter the history.
    StatsSample sampleNow(const Simulation& sim) const;

    // Receives every sample as it is taken.
    void addSink(Sink sink) { sinks_.push_back(std::move(sink)); }
    void clearSinks() { sinks_.clear(); }

    // The kept samples, oldest first, and the latest sample.
    const std::vector<StatsSample>& history() const { return history_; }
    bool empty() const { return taken_ == 0; }
    const StatsSample& latest() const { return latest_; }

    // Mean progress per scored cycle between two simulated times, from the
    // kept samples nearest to them; 0 when no cycle was scored.
    double meanProgressBetween(double from, double to) const;

    // The kept samples as a file of a save (every field of each sample, and
    // how they were thinned), and the recorder made again from one: the run's
    // charts and statistics go on where the save left them. False with the
    // reason for a text that is not such a file of a save whose clock stood
    // at `clock`: one row a second at most, none after the clock, no negative
    // count, numbers that fit what holds them, and as many rows as the
    // thinning keeps of the samples it says were taken.
    std::string encodeHistory() const;
    bool restoreHistory(const std::string& text, double clock, std::string& reason);
    // Takes over another recorder's samples and thinning (not its sinks).
    void takeHistoryOf(const StatisticsRecorder& other);

private:
    long long lastSecond_ = -1;
    long long taken_ = 0;
    long long stride_ = 1;
    StatsSample latest_;
    std::vector<StatsSample> history_;
    std::vector<Sink> sinks_;
    long long cyclesAtLastSample_ = 0;
    double progressAtLastSample_ = 0.0;
};
