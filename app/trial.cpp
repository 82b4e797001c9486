#include "app/trial.h"

#include <cmath>
#include <fstream>
#include <iostream>
#include <iomanip>
#include <sstream>

#include "app/options.h"
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

std::vector<TrialResult> runTrialsOf(const std::vector<std::string>& files,
                                     const std::vector<SettingOverride>& overrides, bool fresh,
                                     double seconds)
{
    std::vector<TrialResult> results;
    for (const std::string& file : files) {
        // The file's rules come first; a file that cannot be read or is
        // damaged is refused here, once.
        CreatureFileRules rules;
        try {
            rules = creatureFileRules(file, readCreatureFile(file));
        } catch (const std::string&) {
            TrialResult unread;
            unread.file = file;
            results.push_back(unread);
            continue;
        }
        const WorldSettings settings = trialSettings(rules.settings, overrides);
        results.push_back(runTrial(file, settings, fresh, seconds));
        results.back().rules = rulesText(settings);
    }
    return results;
}

std::string trialTable(const std::vector<TrialResult>& results, bool fresh)
{
    std::ostringstream o;
    o << "trial: " << kTrialRepeats << " courses of " << kTrialSeconds
      << " simulated s each, " << (fresh ? "with a fresh movement store" : "with what it learned")
      << "\n";
    std::vector<const TrialResult*> said;
    bool same = true;
    for (const TrialResult& r : results) {
        if (!r.loaded || r.rules.empty())
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
    for (const TrialResult& r : results) {
        o << std::left << std::setw(32) << r.file << std::right;
        if (!r.loaded) {
            o << "  not read\n";
            continue;
        }
        o << std::setw(7) << r.foods << std::setw(14) << number(r.towards, 3) << std::setw(18)
          << number(r.progress, 4) << std::setw(8) << r.cycles << std::setw(7) << r.falls
          << std::setw(7) << r.body.parts << std::setw(9) << number(r.body.limbLength, 2)
          << std::setw(8) << number(r.body.mass, 2) << std::setw(8) << number(r.body.span, 2)
          << std::setw(10) << number(r.body.height, 2) << "\n";
    }
    return o.str();
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

int runTrials(const RunOptions& options)
{
    const std::vector<TrialResult> results =
        runTrialsOf(options.trialFiles, options.settings, options.trialFresh);
    int status = 0;
    for (const TrialResult& r : results) {
        if (!r.loaded) {
            std::cerr << "creatures: no creature was loaded from " << r.file
                      << "; the trial goes on with the others" << std::endl;
            status = 1;
        }
    }
    std::cout << trialTable(results, options.trialFresh) << std::flush;
    if (!options.trialCsv.empty()) {
        std::ofstream csv(options.trialCsv, std::ios::out | std::ios::trunc);
        csv << trialCsv(results, options.trialFresh);
        csv.close();
        if (!csv) {
            std::cerr << "cannot write:" << options.trialCsv << std::endl;
            status = 1;
        }
    }
    return status;
}
