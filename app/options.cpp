#include "app/options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <set>
#include <utility>

#include "run/archipelago.h"
#include "run/tree_export.h"
#include "base/decimal.h"
#include "ecology/simulation.h"

namespace {

bool readSeconds(const std::string& s, double& out)
{
    double v = 0;
    if (!readDecimal(s, v) || v < 0 || v > kMaxRunSeconds)
        return false;
    out = v;
    return true;
}

// An argument that looks like an option of one dash ("-h", "-seed"); a
// negative number is a run number instead.
bool singleDashOption(const std::string& arg)
{
    return arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

// The writable folder a path would be made in or written into, checked
// without making anything: "" when fine, else what is wrong.
std::string pathProblem(const std::string& path, bool folder)
{
    if (path.size() >= PATH_MAX)
        return "its name is too long";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end - start > NAME_MAX)
            return "a part of its name is longer than " + std::to_string(NAME_MAX) + " characters";
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (folder && !S_ISDIR(st.st_mode))
            return "it is not a folder";
        if (!folder && S_ISDIR(st.st_mode))
            return "it is a folder";
        // Only regular files are written: a named pipe without a reader, a
        // device or a socket could block the program or take the output
        // somewhere no one looks.
        if (!folder && !S_ISREG(st.st_mode))
            return "it is not a regular file (a named pipe, a device or a socket)";
        if (::access(path.c_str(), folder ? W_OK | X_OK : W_OK) != 0)
            return "it cannot be written";
        return std::string();
    }
    std::string parent = path;
    while (parent.size() > 1 && parent.back() == '/')
        parent.pop_back();
    const std::size_t slash = parent.rfind('/');
    parent = slash == std::string::npos ? "." : slash == 0 ? "/" : parent.substr(0, slash);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "the folder " + parent + " does not exist";
    if (::access(parent.c_str(), W_OK | X_OK) != 0)
        return "the folder " + parent + " cannot be written";
    return std::string();
}

// Helpers of the table below.
using Take = bool (*)(RunOptions& out, const std::string& option, const std::string& value,
                      std::string& error);

bool takeName(std::string& target, const std::string& option, const std::string& value,
              std::string& error)
{
    if (value.empty()) {
        const bool folder =
            option == "--load-all" || option == "--save-all" || option == "--founders";
        error = option + (folder ? " needs a folder name" : " needs a file name");
        return false;
    }
    target = value;
    return true;
}

// Every option: its name, its argument (none for a switch), its lines of
// --help, and what it does with its value. --set alone may be given more
// than once (once a setting, which it checks itself).
struct OptionSpec {
    const char* name;
    const char* argument; // nullptr: a switch
    const char* help;     // lines after the first are indented under it
    Take take;
    bool repeatable = false;
};

const std::vector<OptionSpec>& optionTable()
{
    static const std::vector<OptionSpec> table = {
        {"--headless", nullptr,
         "no window and no frame pacing: run as fast as possible\n"
         "(also what happens when there is no display)",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.headless = true;
             return true;
         }},
        {"--seed", "N", "seed the random generator with N exactly (repeatable runs)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, 0xFFFFFFFFull, n)) {
                 error = "--seed needs a whole number from 0 to 4294967295, not '" + v + "'";
                 return false;
             }
             o.seedGiven = true;
             o.seed = static_cast<std::uint32_t>(n);
             return true;
         }},
        {"--steps", "N", "stop after N simulation steps of 0.03 s",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, 1ull << 62, n)) {
                 error = "--steps needs a whole number of steps, not '" + v + "'";
                 return false;
             }
             o.steps = static_cast<long long>(n);
             return true;
         }},
        {"--seconds", "S",
         "stop after S seconds of simulated time (with\n"
         "--summarize: the length of the run that wrote the file)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             if (readSeconds(v, o.seconds))
                 return true;
             error = "--seconds needs a number of simulated seconds, not '" + v + "'";
             return false;
         }},
        {"--stats", "FILE", "write a CSV row of statistics per simulated second",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.statsFile, n, v, e);
         }},
        {"--lineage", "FILE", "write a CSV row per birth and per death",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.lineageFile, n, v, e);
         }},
        {"--champions", "DIR",
         "every simulated hour (and at the end) write the hour's\n"
         "best creature to DIR/hour-N.creature (DIR is made if\n"
         "missing)",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.championsDir, n, v, e);
         }},
        {"--tree", "FILE",
         "write the family tree when the run ends: Newick for\n"
         "FILE.nwk, Graphviz DOT (both parents) for FILE.dot",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             if (!takeName(o.treeFile, n, v, e))
                 return false;
             if (treeFormatOf(v) == TreeFormat::None) {
                 e = "--tree needs a file ending in .nwk (Newick) or .dot (Graphviz), not '" + v +
                     "'";
                 return false;
             }
             return true;
         }},
        {"--islands", "N",
         "an archipelago: N worlds of one experiment, each on a thread\n"
         "(island i seeded with the seed + (i-1)*1000003), sending\n"
         "their best creature round a ring every --migrate-every s",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, kMaxIslands, n) || n < 1) {
                 error = "--islands needs a whole number from 1 to " +
                         std::to_string(kMaxIslands) + ", not '" + v + "'";
                 return false;
             }
             o.islands = static_cast<int>(n);
             return true;
         }},
        {"--threads", "K", "threads the islands run on (default: one a core)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, kMaxIslands, n) || n < 1) {
                 error = "--threads needs a whole number from 1 to " +
                         std::to_string(kMaxIslands) + ", not '" + v + "'";
                 return false;
             }
             o.threads = static_cast<int>(n);
             return true;
         }},
        {"--migrate-every", "S",
         "simulated seconds between migrations of the islands\n"
         "(default 600; 0: never)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             if (readSeconds(v, o.migrateEvery) &&
                 !(o.migrateEvery > 0 && o.migrateEvery < kStepSize)) {
                 o.migrateGiven = true;
                 return true;
             }
             error = "--migrate-every needs 0 (never) or at least one step of 0.03 simulated "
                     "seconds, not '" +
                     v + "'";
             return false;
         }},
        {"--islands-mpi", nullptr,
         "one island a process of an MPI run (mpirun -n N; builds\n"
         "with -DCREATURES_MPI=ON)",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.islandsMpi = true;
             return true;
         }},
        {"--rank-wait", "S",
         "with --islands-mpi: seconds a process waits without a word\n"
         "from the process before it in the ring (each signals every\n"
         "second) before it says so and ends the run (default 120)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             if (readSeconds(v, o.rankWait) && o.rankWait >= 1) {
                 o.rankWaitGiven = true;
                 return true;
             }
             error = "--rank-wait needs a number of seconds from 1, not '" + v + "'";
             return false;
         }},
        {"--trial", "FILE...",
         "set each creature file (this and every word after the\n"
         "options) alone on the standard course and print a row of\n"
         "figures each; no run is made (see --trial-csv and\n"
         "--trial-fresh)",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             o.trialFiles.clear();
             std::string file;
             if (!takeName(file, n, v, e))
                 return false;
             o.trialFiles.push_back(file);
             return true;
         }},
        {"--trial-csv", "FILE", "write the trial's rows as CSV",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.trialCsv, n, v, e);
         }},
        {"--trial-fresh", nullptr,
         "creatures enter the trial with a fresh movement store\n"
         "(what their genome lets them learn), not what they learned",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.trialFresh = true;
             return true;
         }},
        {"--autosave", "S",
         "save the whole simulation into the folder autosave every\n"
         "S simulated seconds (0: never; default 600 in the window,\n"
         "never headless)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             if (readSeconds(v, o.autosaveSeconds) &&
                 !(o.autosaveSeconds > 0 && o.autosaveSeconds < kStepSize))
                 return true;
             error = "--autosave needs 0 (never) or at least one step of 0.03 simulated "
                     "seconds, not '" +
                     v + "'";
             return false;
         }},
        {"--load-all", "DIR", "load a saved simulation before the run starts",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.loadAllDir, n, v, e);
         }},
        {"--load-creature", "FILE", "add the creature of a .creature file to the world at start",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.loadCreatureFile, n, v, e);
         }},
        {"--founders", "DIR",
         "start a fresh world with the creature of every\n"
         "DIR/*.creature file (in name order) among its first\n"
         "creatures, each clear of the others with what it learned,\n"
         "the rest made as usual up to minPopulation; the world runs\n"
         "by the files' rules (--set wins; files that disagree are\n"
         "refused)",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.foundersDir, n, v, e);
         }},
        {"--show-creature", "FILE",
         "show the creature of a .creature file alone on empty\n"
         "ground, the camera following it (it comes back when it\n"
         "dies)",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.showCreatureFile, n, v, e);
         }},
        {"--save-all", "DIR", "save the simulation when the run ends (also after Ctrl-C)",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.saveAllDir, n, v, e);
         }},
        {"--screenshot", "FILE", "draw --frames frames in the window, save it as a PNG, exit",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             if (!v.empty()) {
                 o.screenshotFile = v;
                 return true;
             }
             error = "--screenshot needs a file name";
             return false;
         }},
        {"--frames", "N",
         "frames drawn before the screenshot (default 120); without\n"
         "--screenshot the window closes after N frames",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, 1000000, n) || n == 0) {
                 error = "--frames needs a whole number from 1 to 1000000, not '" + v + "'";
                 return false;
             }
             o.frames = static_cast<long long>(n);
             o.framesGiven = true;
             return true;
         }},
        {"--window", "WxH",
         "the window's size in pixels (default: most of the screen;\n"
         "640x480 for --screenshot)",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             const std::size_t x = v.find('x');
             unsigned long long width = 0, height = 0;
             if (x == std::string::npos || !readWholeNumber(v.substr(0, x), 16384, width) ||
                 !readWholeNumber(v.substr(x + 1), 16384, height) || width < 320 ||
                 height < 240) {
                 error = "--window needs WIDTHxHEIGHT in pixels, at least 320x240, not '" + v +
                         "'";
                 return false;
             }
             o.windowWidth = static_cast<int>(width);
             o.windowHeight = static_cast<int>(height);
             return true;
         }},
        {"--serial-steps", nullptr,
         "run the window's steps between its frames rather than\n"
         "beside the drawing (slower; to compare the two)",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.serialSteps = true;
             return true;
         }},
        {"--record", "FILE",
         "record a video of the window (30 frames per second,\n"
         "through ffmpeg from the PATH), e.g. --record run.mp4",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.recordFile, n, v, e);
         }},
        {"--record-scene", nullptr,
         "the video holds the scene alone, without the panels and\n"
         "texts",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.recordScene = true;
             return true;
         }},
        {"--record-every", "N", "a timelapse: every Nth frame goes into the video",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             unsigned long long n = 0;
             if (!readWholeNumber(v, 1000000, n) || n == 0) {
                 error = "--record-every needs a whole number of frames from 1, not '" + v + "'";
                 return false;
             }
             o.recordEvery = static_cast<long long>(n);
             return true;
         }},
        {"--set", "NAME=VALUE",
         "change a world setting (repeatable; see below); with\n"
         "--load-all it overrides the loaded value",
         [](RunOptions& o, const std::string&, const std::string& v, std::string& error) {
             SettingOverride s;
             if (!parseSettingOverride(v, s, error))
                 return false;
             for (const SettingOverride& earlier : o.settings) {
                 if (earlier.setting == s.setting) {
                     error = std::string("--set ") + s.setting->name + " is given twice";
                     return false;
                 }
             }
             o.settings.push_back(s);
             return true;
         },
         true},
        {"--summarize", "FILE",
         "run nothing: print the summary of a run's statistics\n"
         "file (--stats) as two CSV tables: its totals at the end,\n"
         "the mean progress of the first and the last 20 simulated\n"
         "minutes and the highest generation; then per time bin (a\n"
         "400th of the run in whole seconds, at least 1) the\n"
         "population and, over the last minute, births and deaths\n"
         "per minute and the mean progress, with its trend over the\n"
         "last five minutes. The run's length is --seconds S, else\n"
         "the file's last time. Goes with --seconds only",
         [](RunOptions& o, const std::string& n, const std::string& v, std::string& e) {
             return takeName(o.summarizeFile, n, v, e);
         }},
        {"--help", nullptr, "show this text",
         [](RunOptions& o, const std::string&, const std::string&, std::string&) {
             o.help = true;
             return true;
         }},
    };
    return table;
}

const OptionSpec* findOption(const std::string& name)
{
    for (const OptionSpec& o : optionTable())
        if (name == o.name)
            return &o;
    return nullptr;
}

// The option lines of --help: the name and argument, then the help text
// from column 20, on the next line when the name is too long for that.
std::string optionsUsage()
{
    std::string text;
    for (const OptionSpec& o : optionTable()) {
        std::string head = std::string("  ") + o.name;
        if (o.argument)
            head += std::string(" ") + o.argument;
        const std::string indent(20, ' ');
        text += head.size() < 20 ? head + std::string(20 - head.size(), ' ') : head + "\n" + indent;
        for (const char* c = o.help; *c; ++c) {
            text += *c;
            if (*c == '\n')
                text += indent;
        }
        text += "\n";
    }
    return text;
}

} // namespace

bool parseOptions(int argc, const char* const* argv, RunOptions& out, std::string& error)
{
    out = RunOptions{};
    std::vector<std::string> given; // the options, in the order given
    std::set<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (singleDashOption(arg)) {
            error = "unknown option " + arg + " (options start with two dashes)";
            return false;
        }
        if (arg.rfind("--", 0) != 0) {
            out.remaining.push_back(arg);
            continue;
        }
        const OptionSpec* option = findOption(arg);
        if (!option) {
            error = "unknown option " + arg;
            return false;
        }
        if (!option->repeatable && !seen.insert(arg).second) {
            error = "option " + arg + " is given twice";
            return false;
        }
        given.push_back(arg);
        // The value of an option: the next argument, unless it is missing or
        // is itself an option.
        std::string value;
        if (option->argument) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[i + 1];
            if (value.rfind("--", 0) == 0) {
                error = "option " + arg + " needs a value, not the option " + value;
                return false;
            }
            ++i;
        }
        if (!option->take(out, arg, value, error))
            return false;
    }

    // A trial takes the words after the options as more creature files, and
    // makes no run: only the rules (--set) and its own options go with it.
    if (!out.trialFiles.empty()) {
        out.trialFiles.insert(out.trialFiles.end(), out.remaining.begin(), out.remaining.end());
        out.remaining.clear();
        for (const std::string& option : given) {
            if (option != "--trial" && option != "--trial-csv" && option != "--trial-fresh" &&
                option != "--set" && option != "--headless") {
                error = "--trial makes no run; it cannot go with " + option;
                return false;
            }
        }
    } else if (!out.trialCsv.empty() || out.trialFresh) {
        error = std::string(out.trialFresh ? "--trial-fresh" : "--trial-csv") + " goes with --trial";
        return false;
    }

    // The run number: one word at most, a whole number with an optional
    // sign and nothing around it. It is mixed into the seed, so one the
    // program would have to change to hold (beyond an int) is refused.
    out.runNumber = kDefaultRunNumber;
    if (out.remaining.size() > 1) {
        error = "one run number at most, not also '" + out.remaining[1] + "'";
        return false;
    }
    if (out.remaining.size() == 1) {
        const std::string& text = out.remaining[0];
        const bool negative = text[0] == '-';
        const bool sign = negative || text[0] == '+';
        const unsigned long long limit =
            negative ? static_cast<unsigned long long>(INT_MAX) + 1 : INT_MAX;
        unsigned long long magnitude = 0;
        if (!readWholeNumber(text.substr(sign ? 1 : 0), limit, magnitude)) {
            error = "the run number must be a whole number from " + std::to_string(INT_MIN) +
                    " to " + std::to_string(INT_MAX) + ", not '" + text + "'";
            return false;
        }
        out.runNumber = static_cast<int>(negative ? -static_cast<long long>(magnitude)
                                                  : static_cast<long long>(magnitude));
    }
    // --summarize reads a file and runs nothing: an option of a run beside
    // it would be silently left out, so it is refused.
    if (!out.summarizeFile.empty()) {
        for (const std::string& option : given) {
            if (option != "--summarize" && option != "--seconds" && option != "--help") {
                error = "--summarize runs nothing; it cannot go with " + option;
                return false;
            }
        }
        if (!out.remaining.empty()) {
            error = "--summarize runs nothing; it cannot go with a run number";
            return false;
        }
    }
    // --threads and --migrate-every also go with the load of a saved
    // archipelago, which the program finds out when it looks at the folder.
    if (out.loadAllDir.empty()) {
        const std::string alone = archipelagoOptionWithoutIslands(out, 0);
        if (!alone.empty()) {
            error = alone + " goes with --islands";
            return false;
        }
    }
    if (out.rankWaitGiven && !out.islandsMpi) {
        error = "--rank-wait goes with --islands-mpi";
        return false;
    }
    if (out.islandsMpi && out.islands > 0) {
        error = "--islands-mpi takes its islands from the processes; it cannot go with --islands";
        return false;
    }
    if ((out.islands > 0 || out.islandsMpi) &&
        (!out.loadCreatureFile.empty() || !out.showCreatureFile.empty())) {
        error = "an archipelago cannot go with --load-creature or --show-creature";
        return false;
    }
    if (out.headless && !out.screenshotFile.empty()) {
        error = "--screenshot needs the window; it cannot go with --headless";
        return false;
    }
    if (out.headless && !out.recordFile.empty()) {
        error = "--record needs the window; it cannot go with --headless";
        return false;
    }
    if (out.recordFile.empty() && (out.recordScene || out.recordEvery != 1)) {
        error = std::string(out.recordScene ? "--record-scene" : "--record-every") +
                " goes with --record";
        return false;
    }
    if (!out.foundersDir.empty() &&
        (!out.loadAllDir.empty() || !out.loadCreatureFile.empty() ||
         !out.showCreatureFile.empty() || out.islands > 0 || out.islandsMpi)) {
        error = "--founders starts a fresh world of its own; it cannot go with --load-all, "
                "--load-creature, --show-creature or islands";
        return false;
    }
    if (!out.showCreatureFile.empty() && (!out.loadAllDir.empty() || !out.loadCreatureFile.empty())) {
        error = "--show-creature shows one creature alone; it cannot go with --load-all or "
                "--load-creature";
        return false;
    }
    return true;
}

namespace {

struct OutputPath {
    const char* option;
    std::string path;
    bool folder;
};

// Every output path of the options, as the run writes them: the files an
// island has of its own under each island's name.
std::vector<OutputPath> outputPaths(const RunOptions& options, const std::vector<int>& islands)
{
    std::vector<OutputPath> paths = {{"--save-all", options.saveAllDir, true},
                                     {"--champions", options.championsDir, true},
                                     {"--trial-csv", options.trialCsv, false},
                                     {"--screenshot", options.screenshotFile, false},
                                     {"--record", options.recordFile, false}};
    const std::pair<const char*, const std::string*> perIsland[] = {
        {"--tree", &options.treeFile},
        {"--stats", &options.statsFile},
        {"--lineage", &options.lineageFile}};
    for (const auto& [option, path] : perIsland) {
        if (path->empty())
            continue;
        if (islands.empty())
            paths.push_back({option, *path, false});
        for (int island : islands)
            paths.push_back({option, islandFileName(*path, island), false});
    }
    return paths;
}

} // namespace

std::vector<int> islandNumbers(int n)
{
    std::vector<int> numbers;
    for (int i = 1; i <= n; ++i)
        numbers.push_back(i);
    return numbers;
}

std::string archipelagoOptionWithoutIslands(const RunOptions& options, int savedIslands)
{
    if (options.islands > 0 || options.islandsMpi || savedIslands > 0)
        return std::string();
    if (options.threads > 0)
        return "--threads";
    if (options.migrateGiven)
        return "--migrate-every";
    return std::string();
}

std::vector<std::string> replacedOutputs(const RunOptions& options, const std::vector<int>& islands)
{
    std::vector<std::string> replaced;
    for (const OutputPath& p : outputPaths(options, islands)) {
        struct stat st;
        if (!p.folder && !p.path.empty() && ::stat(p.path.c_str(), &st) == 0 &&
            S_ISREG(st.st_mode))
            replaced.push_back(p.path);
    }
    return replaced;
}

bool checkOutputPaths(const RunOptions& options, std::string& error, const std::vector<int>& islands)
{
    for (const OutputPath& p : outputPaths(options, islands)) {
        if (p.path.empty())
            continue;
        const std::string problem = pathProblem(p.path, p.folder);
        if (!problem.empty()) {
            error = std::string(p.option) + " " + p.path + ": " + problem;
            return false;
        }
    }
    return true;
}

std::string usageText()
{
    return "usage: creatures [options] [run-number]\n"
           "\n"
           "An artificial-life simulation: creatures built from genomes learn to walk,\n"
           "eat, mate and evolve on a square of ground. The run number (default " +
           std::to_string(kDefaultRunNumber) + "), a\n" + "whole number from " +
           std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX) +
           ", is printed at start and mixed\n"
           "into the random seed.\n"
           "\n"
           "New here? To see creatures walk from the first seconds, start a world with\n"
           "two walkers this program evolved (they bring the improved rules with them):\n"
           "    creatures --founders examples/walkers\n"
           "A fresh world learns from nothing. Under the improved rules\n"
           "(--set learningRule=1) the best creatures walk towards their food after 15\n"
           "to 30 simulated minutes and an hour brings some 27 births; under the\n"
           "original rules, the default, some 8 (medians of ten seeds).\n"
           "\n"
           "options:\n" +
           optionsUsage() +
           "\n"
           "world settings for --set:\n" +
           worldSettingsUsage() +
           "\n"
           "A headless run without --steps or --seconds goes on until Ctrl-C, which ends\n"
           "it cleanly after the current frame.\n"
           "\n"
           "In the window: Ctrl+P pauses and resumes, X toggles skipping the drawing\n"
           "(the simulation runs at full speed), Tab hides and shows the panels,\n"
           "Ctrl+Q, Ctrl+X or closing the window ends the run.\n";
}
