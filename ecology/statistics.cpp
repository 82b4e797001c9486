#include "ecology/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "ecology/simulation.h"
#include "ecology/simulated_second.h"

namespace {

using S = const StatsSample&;

const std::vector<StatsColumn> kColumns = {
    {"time", nullptr, ChartKind::None, 0, false, [](S s) { return s.time; }, nullptr, 0},
    {"population", "Population", ChartKind::Level, 0, true,
     [](S s) { return double(s.population); }, nullptr, 2},
    {"foods", "Foods", ChartKind::Level, 0, true, [](S s) { return double(s.foods); }, nullptr, 7},
    {"births", "Births / min", ChartKind::PerMinute, 1, true, [](S s) { return double(s.births); },
     nullptr, 3},
    {"refills", nullptr, ChartKind::None, 0, true, [](S s) { return double(s.refills); }, nullptr, 0},
    {"deaths_starved", nullptr, ChartKind::None, 0, true,
     [](S s) { return double(s.deathsStarved); }, nullptr, 0},
    {"deaths_fallen", nullptr, ChartKind::None, 0, true,
     [](S s) { return double(s.deathsFallen); }, nullptr, 0},
    {nullptr, "Deaths / min", ChartKind::PerMinute, 1, true,
     [](S s) { return double(s.deathsStarved + s.deathsFallen); }, nullptr, 4},
    {"foods_eaten", "Foods eaten", ChartKind::Level, 0, true,
     [](S s) { return double(s.foodsEaten); }, nullptr, 8},
    {"mean_energy", "Mean energy", ChartKind::Level, 2, false, [](S s) { return s.meanEnergy; },
     nullptr, 9},
    {"best_score", "Best living score", ChartKind::Level, 1, false, [](S s) { return s.bestScore; },
     nullptr, 6},
    {"cycles_evaluated", nullptr, ChartKind::None, 0, true,
     [](S s) { return double(s.cyclesEvaluated); }, nullptr, 0},
    {"mean_progress", "Mean progress", ChartKind::ProgressMean, 3, false,
     [](S s) { return s.meanProgress; }, nullptr, 1},
    {"max_generation", nullptr, ChartKind::None, 0, true,
     [](S s) { return double(s.maxGeneration); }, nullptr, 0},
    {"mean_generation", "Generation", ChartKind::Level, 2, false,
     [](S s) { return s.meanGeneration; }, [](S s) { return double(s.maxGeneration); }, 5},
    {"founder_families", "Founder families", ChartKind::Level, 0, true,
     [](S s) { return double(s.founderFamilies); }, nullptr, 10},
    {"mrca_generation", nullptr, ChartKind::None, 0, true,
     [](S s) { return double(s.commonAncestorGeneration); }, nullptr, 0},
    {"mrca_age", nullptr, ChartKind::None, 0, false, [](S s) { return s.commonAncestorAge; },
     nullptr, 0},
    {"mean_parts", "Mean parts", ChartKind::Level, 2, false, [](S s) { return s.meanParts; },
     nullptr, 11},
    {"body_from_founders", "Body from founders", ChartKind::Level, 2, false,
     [](S s) { return s.bodyFromFounders; }, nullptr, 12},
    {"body_diversity", "Body diversity", ChartKind::Level, 2, false,
     [](S s) { return s.bodyDiversity; }, nullptr, 13},
};

} // namespace

const std::vector<StatsColumn>& statsColumns()
{
    return kColumns;
}

std::string statsCsvHeader()
{
    std::string header;
    for (const StatsColumn& c : kColumns) {
        if (!c.name)
            continue;
        if (!header.empty())
            header += ',';
        header += c.name;
    }
    return header + '\n';
}

std::string statsCsvLine(const StatsSample& s)
{
    std::ostringstream o;
    o.precision(10);
    bool first = true;
    for (const StatsColumn& c : kColumns) {
        if (!c.name)
            continue;
        if (!first)
            o << ',';
        first = false;
        if (c.whole)
            o << static_cast<long long>(c.value(s));
        else
            o << c.value(s);
    }
    o << '\n';
    return o.str();
}

StatsSample StatisticsRecorder::sampleNow(const Simulation& sim) const
{
    StatsSample s;
    const LifeCounters& c = sim.counters;
    s.time = sim.time;
    s.population = static_cast<long long>(sim.population.size());
    s.foods = static_cast<long long>(sim.foods.foods.size());
    s.births = c.births;
    s.refills = c.refills;
    s.deathsStarved = c.deathsStarved;
    s.deathsFallen = c.deathsFallen;
    s.foodsEaten = c.foodsEaten;
    double energy = 0.0;
    double generations = 0.0;
    for (const auto& a : sim.population) {
        energy += a.energy;
        generations += a.generation;
        s.maxGeneration = std::max(s.maxGeneration, a.generation);
    }
    if (!sim.population.empty()) {
        s.meanEnergy = energy / static_cast<double>(sim.population.size());
        s.meanGeneration = generations / static_cast<double>(sim.population.size());
    }
    s.founderFamilies = sim.family.livingFounders(sim.population);
    const CommonAncestor ancestor = sim.family.commonAncestor(sim.population);
    if (ancestor.found) {
        s.commonAncestorGeneration = ancestor.generation;
        s.commonAncestorAge = sim.time - ancestor.born;
    }
    const FamilyTree::BodyFigures bodies = sim.family.bodyFigures(sim.population);
    s.meanParts = bodies.meanParts;
    s.bodyFromFounders = bodies.fromFounders;
    s.bodyDiversity = bodies.diversity;
    const Agent* best = bestByScore(sim.population);
    s.bestScore = best ? best->score : 0.0;
    s.totalCycles = c.cycles.cycles;
    s.totalProgress = c.cycles.progress;
    s.cyclesEvaluated = s.totalCycles - cyclesAtLastSample_;
    if (s.cyclesEvaluated > 0)
        s.meanProgress = (s.totalProgress - progressAtLastSample_) / s.cyclesEvaluated;
    return s;
}

void StatisticsRecorder::afterStep(const Simulation& sim)
{
    const double t = sim.time;
    if (!enteredNewSecond(t, lastSecond_))
        return;
    // Time running backwards (a reset, or a load of an earlier save) starts
    // the charts afresh; the totals since start-up go on.
    if (taken_ > 0 && t < latest_.time - 1.0) {
        history_.clear();
        stride_ = 1;
        taken_ = 0;
    }

    latest_ = sampleNow(sim);
    cyclesAtLastSample_ = latest_.totalCycles;
    progressAtLastSample_ = latest_.totalProgress;
    if (taken_ % stride_ == 0) {
        if (history_.size() >= kHistoryLimit) {
            std::size_t kept = 0;
            for (std::size_t i = 0; i < history_.size(); i += 2)
                history_[kept++] = history_[i];
            history_.resize(kept);
            stride_ *= 2;
        }
        if (taken_ % stride_ == 0)
            history_.push_back(latest_);
    }
    ++taken_;
    for (const auto& sink : sinks_)
        sink(latest_);
}

double StatisticsRecorder::meanProgressBetween(double from, double to) const
{
    if (history_.empty())
        return 0.0;
    auto nearest = [this](double t) {
        const auto it = std::lower_bound(
            history_.begin(), history_.end(), t,
            [](const StatsSample& s, double time) { return s.time < time; });
        if (it == history_.end())
            return history_.back();
        if (it != history_.begin() && t - std::prev(it)->time < it->time - t)
            return *std::prev(it);
        return *it;
    };
    const StatsSample a = nearest(from);
    const StatsSample b = nearest(to);
    const long long cycles = b.totalCycles - a.totalCycles;
    return cycles > 0 ? (b.totalProgress - a.totalProgress) / cycles : 0.0;
}

namespace {

constexpr double kMaxParts = 30; // a creature's parts
// Largest number of a sample: counts and totals of any run stay far below.
constexpr double kMaxTotal = 1e15;

constexpr const char* kHistoryHead = "creatures statistics 1";

// Every field of a sample, in this order; a save made before bodies were
// measured has the first 19.
constexpr int kSampleFields = 22;
constexpr int kOlderSampleFields = 19;

void writeSample(std::ostream& o, const StatsSample& s)
{
    o << s.time << ',' << s.population << ',' << s.foods << ',' << s.births << ',' << s.refills
      << ',' << s.deathsStarved << ',' << s.deathsFallen << ',' << s.foodsEaten << ','
      << s.meanEnergy << ',' << s.bestScore << ',' << s.cyclesEvaluated << ',' << s.meanProgress
      << ',' << s.maxGeneration << ',' << s.meanGeneration << ',' << s.totalCycles << ','
      << s.totalProgress << ',' << s.founderFamilies << ',' << s.commonAncestorGeneration << ','
      << s.commonAncestorAge << ',' << s.meanParts << ',' << s.bodyFromFounders << ','
      << s.bodyDiversity << "\n";
}

// A count of the file: a whole number from `low` to `high`, so that it fits
// what holds it.
bool countIn(double x, double low, double high)
{
    return x == std::floor(x) && x >= low && x <= high;
}

// A row of the file as a sample; false for a row that is not one.
bool readSample(const std::string& line, StatsSample& s)
{
    std::vector<double> v;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) {
        char* end = nullptr;
        const double x = std::strtod(cell.c_str(), &end);
        if (cell.empty() || *end != '\0' || !std::isfinite(x) || std::fabs(x) > kMaxTotal)
            return false;
        v.push_back(x);
    }
    if (v.size() != kSampleFields && v.size() != kOlderSampleFields)
        return false;
    const double intMax = std::numeric_limits<int>::max();
    for (int i : {1, 2, 3, 4, 5, 6, 7, 10, 14})
        if (!countIn(v[i], 0, kMaxTotal))
            return false;
    if (v[0] < 0 || !countIn(v[12], 0, intMax) || !countIn(v[16], 0, intMax) ||
        !countIn(v[17], -1, intMax) || (v[18] != -1 && v[18] < 0))
        return false;
    s.time = v[0];
    s.population = static_cast<long long>(v[1]);
    s.foods = static_cast<long long>(v[2]);
    s.births = static_cast<long long>(v[3]);
    s.refills = static_cast<long long>(v[4]);
    s.deathsStarved = static_cast<long long>(v[5]);
    s.deathsFallen = static_cast<long long>(v[6]);
    s.foodsEaten = static_cast<long long>(v[7]);
    s.meanEnergy = v[8];
    s.bestScore = v[9];
    s.cyclesEvaluated = static_cast<long long>(v[10]);
    s.meanProgress = v[11];
    s.maxGeneration = static_cast<int>(v[12]);
    s.meanGeneration = v[13];
    s.totalCycles = static_cast<long long>(v[14]);
    s.totalProgress = v[15];
    s.founderFamilies = static_cast<int>(v[16]);
    s.commonAncestorGeneration = static_cast<int>(v[17]);
    s.commonAncestorAge = v[18];
    if (v.size() == kSampleFields) {
        if (v[19] < 0 || v[19] > kMaxParts || v[20] < 0 || v[21] < 0)
            return false;
        s.meanParts = v[19];
        s.bodyFromFounders = v[20];
        s.bodyDiversity = v[21];
    }
    return true;
}

// The thinning keeps every stride-th of the samples taken: `taken` samples
// leave a stride of 1 up to kHistoryLimit of them, and the stride doubles
// each time the kept ones reach that many again.
bool strideKeeps(long long stride, long long taken, std::size_t kept)
{
    const long long limit = StatisticsRecorder::kHistoryLimit;
    if (taken < 0 || stride < 1 || (stride & (stride - 1)) != 0 || stride > (1LL << 40))
        return false;
    const bool thinned = stride == 1 ? taken <= limit : taken > limit * (stride / 2) &&
                                                          taken <= limit * stride;
    return thinned && static_cast<long long>(kept) == (taken + stride - 1) / stride;
}

} // namespace

std::string StatisticsRecorder::encodeHistory() const
{
    std::ostringstream o;
    o.precision(17);
    o << kHistoryHead << " stride=" << stride_ << " taken=" << taken_ << "\n";
    for (const StatsSample& s : history_)
        writeSample(o, s);
    return o.str();
}

bool StatisticsRecorder::restoreHistory(const std::string& text, double clock,
                                        std::string& reason)
{
    std::istringstream lines(text);
    std::string line;
    long long stride = 0, taken = 0;
    char rest = 0;
    if (!std::getline(lines, line) ||
        std::sscanf(line.c_str(), "creatures statistics 1 stride=%lld taken=%lld%c", &stride,
                    &taken, &rest) != 2) {
        reason = "its first line is not the statistics head";
        return false;
    }
    std::vector<StatsSample> history;
    long long number = 1;
    while (std::getline(lines, line)) {
        ++number;
        StatsSample s;
        const std::string row = "row " + std::to_string(number);
        if (history.size() >= kHistoryLimit) {
            reason = "it holds more samples than are kept";
            return false;
        }
        if (!readSample(line, s)) {
            reason = row + " is not a sample";
            return false;
        }
        // One sample a simulated second at most, each in a later second.
        if (!history.empty() && std::floor(s.time) <= std::floor(history.back().time)) {
            reason = row + " is not a second after the one before";
            return false;
        }
        if (s.time > clock) {
            reason = row + " is later than the save's clock";
            return false;
        }
        history.push_back(s);
    }
    // A sample is taken in every second the clock has entered.
    if (!strideKeeps(stride, taken, history.size()) || taken > std::floor(clock) + 1) {
        reason = "its count of samples taken (" + std::to_string(taken) + ", stride " +
                 std::to_string(stride) + ") does not fit its " + std::to_string(history.size()) +
                 " rows and its clock";
        return false;
    }
    history_ = std::move(history);
    stride_ = stride;
    taken_ = taken;
    if (!history_.empty()) {
        latest_ = history_.back();
        lastSecond_ = static_cast<long long>(std::floor(latest_.time));
        cyclesAtLastSample_ = latest_.totalCycles;
        progressAtLastSample_ = latest_.totalProgress;
    }
    return true;
}

void StatisticsRecorder::takeHistoryOf(const StatisticsRecorder& other)
{
    lastSecond_ = other.lastSecond_;
    taken_ = other.taken_;
    stride_ = other.stride_;
    latest_ = other.latest_;
    history_ = other.history_;
    cyclesAtLastSample_ = other.cyclesAtLastSample_;
    progressAtLastSample_ = other.progressAtLastSample_;
}
