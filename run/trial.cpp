#include "run/trial.h"

#include <cmath>
#include <fstream>
#include <iostream>
#include <iomanip>
#include <sstream>

#include "run/run_options.h"
#include "ecology/arena.h"
#include "ecology/physics_world.h"
#include "ecology/simulation.h"
#include "ecology/simulation_step.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "persist/file_io.h"
#include "persist/world_rules.h"

namespace {

// A newborn's mean energy: a creature starts every course with it, so one
// saved when nearly starved is not starved by the trial.
constexpr double kTrialEnergy = 1.5;

struct CourseFigures {
    int foods = 0;
    double towards = 0.0;
    long long cycles = 0;
    double progress = 0.0;
    bool fell = false;
    FamilyMember body; // as the world measured it when it arrived
};

// One course; throws the loader's text when the creature cannot be read.
CourseFigures runCourse(const std::string& file, const std::string& contents,
                        const WorldSettings& given, bool fresh, int course, double seconds)
{
    WorldSettings settings = given;
    settings.minPopulation = 0;
    Simulation sim;
    sim.random.seed(static_cast<std::uint32_t>(course));
    PhysicsSession session(sim, settings, true);
    loadCreatureFileContents(sim, settings, file, contents, PlacePoint{0.0, 0.0});
    Agent& a = sim.population.back();
    a.energy = kTrialEnergy;
    if (fresh) {
        a.learning.reset(a.gene, sim.random);
        a.currentMove = nullptr;
        a.credit = Agent::PendingCredit{};
    }
    CourseFigures f;
    if (const FamilyMember* m = sim.family.find(a.creatureId))
        f.body = *m;
    const int foods0 = a.foodCount;
    const long long cycles0 = a.scoredCycles;
    const double progress0 = a.progressTotal;

    const long long steps = std::llround(seconds / sim.stepSize);
    for (long long i = 0; i < steps && !sim.population.empty(); ++i) {
        const Agent& before = sim.population.front();
        const MY_VECTOR3 from = before.centre;
        const bool heading = before.intention.mode == Intention::Food ||
                             before.intention.mode == Intention::Mate;
        const MY_VECTOR3 target = before.intention.target();
        const Agent* self = &before;
        const int eaten = before.foodCount;
        const long long cycles = before.scoredCycles;
        const double progress = before.progressTotal;
        simulationStep(sim, settings);
        if (sim.population.empty() || &sim.population.front() != self) {
            // It died and was taken away: its last figures stand.
            f.foods += eaten - foods0;
            f.cycles = cycles - cycles0;
            f.progress = progress - progress0;
            f.fell = true;
            return f;
        }
        const Agent& now = sim.population.front();
        if (heading) {
            const double tx = target.x - from.x, ty = target.y - from.y;
            const double L = std::sqrt(tx * tx + ty * ty);
            if (L > 0 && std::isfinite(L))
                f.towards += ((now.centre.x - from.x) * tx + (now.centre.y - from.y) * ty) / L;
        }
    }
    const Agent& last = sim.population.front();
    f.foods = last.foodCount - foods0;
    f.cycles = last.scoredCycles - cycles0;
    f.progress = last.progressTotal - progress0;
    f.fell = last.lifeState == Fallen;
    return f;
}

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string number(double v, int decimals)
{
    std::ostringstream o;
    o << std::fixed << std::setprecision(decimals) << v;
    return o.str();
}

} // namespace

TrialResult runTrial(const std::string& file, const WorldSettings& settings, bool fresh,
                     double seconds)
{
    TrialResult r;
    r.file = file;
    double progress = 0.0;
    double minutes = 0.0;
    try {
        const std::string contents = readCreatureFile(file);
        for (int course = 1; course <= kTrialRepeats; ++course) {
            const CourseFigures f = runCourse(file, contents, settings, fresh, course, seconds);
            r.foods += f.foods;
            r.towards += f.towards;
            r.cycles += f.cycles;
            progress += f.progress;
            r.falls += f.fell ? 1 : 0;
            r.body = f.body;
            minutes += seconds / 60.0;
        }
    } catch (const std::string&) {
        return r;
    }
    r.loaded = true;
    r.towards = minutes > 0 ? r.towards / minutes : 0.0;
    r.progress = r.cycles > 0 ? progress / static_cast<double>(r.cycles) : 0.0;
    return r;
}

WorldSettings trialSettings(const WorldSettings& fileRules,
                            const std::vector<SettingOverride>& overrides)
{
    WorldSettings settings;
    takeRules(settings, fileRules);
    for (const SettingOverride& o : overrides)
        o.setting->set(settings, o.value);
    return settings;
}

namespace {

// A file of the trial, its rules read (refused files said on standard error
// once, here): what runs, by which settings.
struct TrialEntry {
    bool readable = false;
    WorldSettings settings;
};

std::vector<TrialEntry> readTrialRules(const std::vector<std::string>& files,
                                       const std::vector<SettingOverride>& overrides)
{
    std::vector<TrialEntry> entries(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            const CreatureFileRules rules = creatureFileRules(files[i], readCreatureFile(files[i]));
            entries[i].settings = trialSettings(rules.settings, overrides);
            entries[i].readable = true;
        } catch (const std::string&) {
        }
    }
    return entries;
}

// The trial of a file whose rules were read; an unread one as it is.
TrialResult runEntry(const std::string& file, const TrialEntry& entry, bool fresh, double seconds)
{
    TrialResult r;
    r.file = file;
    if (!entry.readable)
        return r;
    r = runTrial(file, entry.settings, fresh, seconds);
    r.rules = rulesText(entry.settings);
    return r;
}

} // namespace

std::vector<TrialResult> runTrialsOf(const std::vector<std::string>& files,
                                     const std::vector<SettingOverride>& overrides, bool fresh,
                                     double seconds)
{
    const std::vector<TrialEntry> entries = readTrialRules(files, overrides);
    std::vector<TrialResult> results;
    for (std::size_t i = 0; i < files.size(); ++i)
        results.push_back(runEntry(files[i], entries[i], fresh, seconds));
    return results;
}

std::string trialHeader(const std::vector<TrialResult>& results, bool fresh)
{
    std::ostringstream o;
    o << "trial: " << kTrialRepeats << " courses of " << kTrialSeconds
      << " simulated s each, " << (fresh ? "with a fresh movement store" : "with what it learned")
      << "\n";
    std::vector<const TrialResult*> said;
    bool same = true;
    for (const TrialResult& r : results) {
        if (r.rules.empty())
            continue;
        same = same && (said.empty() || said.front()->rules == r.rules);
        said.push_back(&r);
    }
    if (!said.empty() && same)
        o << "rules: " << said.front()->rules << "\n";
    else if (!said.empty()) {
        o << "rules, by file:\n";
        for (const TrialResult* r : said)
            o << "  " << r->file << ": " << r->rules << "\n";
    }
    o << std::left << std::setw(32) << "file" << std::right << std::setw(7) << "foods"
      << std::setw(14) << "towards m/min" << std::setw(18) << "progress/cycle" << std::setw(8)
      << "cycles" << std::setw(7) << "falls" << std::setw(7) << "parts" << std::setw(9)
      << "limbs m" << std::setw(8) << "mass" << std::setw(8) << "span m" << std::setw(10)
      << "height m"
      << "\n";
    return o.str();
}

std::string trialRow(const TrialResult& r)
{
    std::ostringstream o;
    o << std::left << std::setw(32) << r.file << std::right;
    if (!r.loaded) {
        o << "  not read\n";
        return o.str();
    }
    o << std::setw(7) << r.foods << std::setw(14) << number(r.towards, 3) << std::setw(18)
      << number(r.progress, 4) << std::setw(8) << r.cycles << std::setw(7) << r.falls
      << std::setw(7) << r.body.parts << std::setw(9) << number(r.body.limbLength, 2)
      << std::setw(8) << number(r.body.mass, 2) << std::setw(8) << number(r.body.span, 2)
      << std::setw(10) << number(r.body.height, 2) << "\n";
    return o.str();
}

std::string trialTable(const std::vector<TrialResult>& results, bool fresh)
{
    std::string table = trialHeader(results, fresh);
    for (const TrialResult& r : results)
        table += trialRow(r);
    return table;
}

std::string trialCsv(const std::vector<TrialResult>& results, bool fresh)
{
    std::ostringstream o;
    o << "file,store,courses,seconds,foods,towards_per_min,progress_per_cycle,cycles,falls,"
         "parts,joints,limb_length,mass,span,height\n";
    for (const TrialResult& r : results) {
        if (!r.loaded)
            continue;
        o << csvField(r.file) << "," << (fresh ? "fresh" : "learned") << "," << kTrialRepeats << ","
          << kTrialSeconds << "," << r.foods << "," << number(r.towards, 6) << ","
          << number(r.progress, 6) << "," << r.cycles << "," << r.falls << "," << r.body.parts
          << "," << r.body.joints << "," << number(r.body.limbLength, 4) << ","
          << number(r.body.mass, 4) << "," << number(r.body.span, 4) << ","
          << number(r.body.height, 4) << "\n";
    }
    return o.str();
}

int runTrials(const RunOptions& options, std::ostream& out, std::ostream& progress,
              bool terminal, double seconds)
{
    const std::vector<std::string>& files = options.trialFiles;
    const std::vector<TrialEntry> entries = readTrialRules(files, options.settings);
    // The header names the rules, known before any course runs; each row
    // follows as soon as its file's courses are done.
    std::vector<TrialResult> results(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        results[i].file = files[i];
        if (entries[i].readable)
            results[i].rules = rulesText(entries[i].settings);
    }
    out << trialHeader(results, options.trialFresh) << std::flush;
    int status = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        // On a terminal a line says which file runs, replaced by its row.
        if (terminal && entries[i].readable)
            progress << "\rtrial: file " << i + 1 << " of " << files.size() << ", " << files[i]
                     << "\033[K" << std::flush;
        results[i] = runEntry(files[i], entries[i], options.trialFresh, seconds);
        if (terminal && entries[i].readable)
            progress << "\r\033[K" << std::flush;
        if (!results[i].loaded) {
            progress << "creatures: no creature was loaded from " << files[i]
                     << "; the trial goes on with the others" << std::endl;
            status = 1;
        }
        out << trialRow(results[i]) << std::flush;
    }
    if (!options.trialCsv.empty()) {
        std::ofstream csv(options.trialCsv, std::ios::out | std::ios::trunc);
        csv << trialCsv(results, options.trialFresh);
        csv.close();
        if (!csv) {
            progress << "cannot write:" << options.trialCsv << std::endl;
            status = 1;
        }
    }
    return status;
}
