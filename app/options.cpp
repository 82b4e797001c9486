#include "app/options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <set>
#include <type_traits>
#include <utility>
#include <variant>

#include "run/archipelago.h"
#include "run/run_paths.h"
#include "run/tree_export.h"
#include "base/decimal.h"
#include "ecology/simulation.h"

namespace {

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

// What an option takes and where its value goes.
enum class Kind {
    Switch,  // no value: the flag is set
    Whole,   // a whole number from `least` to `most`
    Seconds, // simulated seconds from `least` (0 too when it means never) up to the longest run
    File,    // the name of a file the run reads
    Folder,  // the name of a folder the run reads
    Path,    // a path of the run (run/run_paths.h): written, or read by each island as its own
    Own,     // read by a function of its own
};

// A field of RunOptions.
using Field = std::variant<std::monostate, bool RunOptions::*, int RunOptions::*,
                           long long RunOptions::*, std::uint32_t RunOptions::*,
                           double RunOptions::*, std::string RunOptions::*,
                           std::vector<std::string> RunOptions::*>;

using Take = bool (*)(RunOptions& out, const std::string& value, std::string& error);

struct Value {
    Kind kind;
    Field field; // where it goes (a path's field is in its run path)
    double least = 0;
    double most = 0;
    // What a refused value is said to need ("--steps needs a whole number
    // of steps, not 'x'"); for a name, what an empty one needs. By default
    // the range of a whole number, or a file or folder name.
    const char* wanted = nullptr;
    bool zeroIsNever = false;           // seconds: 0 is taken too
    bool RunOptions::*given = nullptr;  // set once the option is taken
    bool (*accepts)(const std::string& name) = nullptr; // a name must also pass this
    const char* accepted = nullptr;     // ... said as what it needs
    Take take = nullptr;                // Kind::Own

    Value& givenIn(bool RunOptions::*flag)
    {
        given = flag;
        return *this;
    }
    Value& accepting(bool (*check)(const std::string& name), const char* what)
    {
        accepts = check;
        accepted = what;
        return *this;
    }
};

Value flag(bool RunOptions::*field)
{
    return {Kind::Switch, field};
}
Value whole(Field field, unsigned long long least, unsigned long long most,
            const char* wanted = nullptr)
{
    return {Kind::Whole, field, static_cast<double>(least), static_cast<double>(most), wanted};
}
Value seconds(double RunOptions::*field, double least, const char* wanted, bool zeroIsNever = false)
{
    return {Kind::Seconds, field, least, kMaxRunSeconds, wanted, zeroIsNever};
}
Value file(Field field)
{
    return {Kind::File, field};
}
Value folder(Field field)
{
    return {Kind::Folder, field};
}
Value path(const char* wanted = nullptr)
{
    return {Kind::Path, std::monostate(), 0, 0, wanted};
}
Value own(Take take, Field field = std::monostate())
{
    Value v{Kind::Own, field};
    v.take = take;
    return v;
}

// When a rule of combinations is checked: the trial's before the run
// number is read (the words after the options are its files), the others
// after it, a stage at a time, within a stage in the order of the table.
enum class Stage { Trial, Summary, Islands, Window, Start };

struct Rule {
    enum class Kind {
        OnlyWith,   // the option goes with `options` alone, and with no run number
        Companions, // `options` go only with this option (or one of `alsoWith`)
        Excludes,   // the option cannot go with any of `options`
    };
    Kind kind;
    Stage stage;
    std::vector<const char*> options;
    // OnlyWith: what the option does ("--trial makes no run"); Excludes: the
    // whole refusal.
    const char* text = nullptr;
    std::vector<const char*> alsoWith = {};
    // Companions: not checked while this option is given; the program
    // checks them once it has looked at what the option names.
    const char* waitsFor = nullptr;
};

Rule onlyWith(Stage stage, std::vector<const char*> options, const char* what)
{
    return {Rule::Kind::OnlyWith, stage, std::move(options), what};
}
Rule companions(Stage stage, std::vector<const char*> options,
                std::vector<const char*> alsoWith = {}, const char* waitsFor = nullptr)
{
    return {Rule::Kind::Companions, stage, std::move(options), nullptr, std::move(alsoWith),
            waitsFor};
}
Rule excludes(Stage stage, std::vector<const char*> options, const char* refusal)
{
    return {Rule::Kind::Excludes, stage, std::move(options), refusal};
}

// Every option: its name, its argument (none for a switch), its lines of
// --help, what it takes and where it goes, and what it goes with. --set
// alone may be given more than once (once a setting, which it checks
// itself).
struct OptionSpec {
    const char* name;
    const char* argument; // nullptr: a switch
    const char* help;     // lines after the first are indented under it
    Value value;
    std::vector<Rule> rules = {};
    bool repeatable = false;
};

bool knownTreeFormat(const std::string& name)
{
    return treeFormatOf(name) != TreeFormat::None;
}

bool takeWindow(RunOptions& o, const std::string& v, std::string& error)
{
    const std::size_t x = v.find('x');
    unsigned long long width = 0, height = 0;
    if (x == std::string::npos || !readWholeNumber(v.substr(0, x), 16384, width) ||
        !readWholeNumber(v.substr(x + 1), 16384, height) || width < 320 || height < 240) {
        error = "--window needs WIDTHxHEIGHT in pixels, at least 320x240, not '" + v + "'";
        return false;
    }
    o.windowWidth = static_cast<int>(width);
    o.windowHeight = static_cast<int>(height);
    return true;
}

bool takeSetting(RunOptions& o, const std::string& v, std::string& error)
{
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
}

constexpr const char* kOneStepOrNever =
    "0 (never) or at least one step of 0.03 simulated seconds";
constexpr const char* kNoArchipelago =
    "an archipelago cannot go with --load-creature or --show-creature";

const std::vector<OptionSpec>& optionTable()
{
    static const std::vector<OptionSpec> table = {
        {"--headless", nullptr,
         "no window and no frame pacing: run as fast as possible\n"
         "(also what happens when there is no display)",
         flag(&RunOptions::headless)},
        {"--seed", "N", "seed the random generator with N exactly (repeatable runs)",
         whole(&RunOptions::seed, 0, 0xFFFFFFFFull).givenIn(&RunOptions::seedGiven)},
        {"--steps", "N", "stop after N simulation steps of 0.03 s",
         whole(&RunOptions::steps, 0, 1ull << 62, "a whole number of steps")},
        {"--seconds", "S",
         "stop after S seconds of simulated time (with\n"
         "--summarize: the length of the run that wrote the file)",
         seconds(&RunOptions::seconds, 0, "a number of simulated seconds")},
        {"--stats", "FILE", "write a CSV row of statistics per simulated second", path()},
        {"--lineage", "FILE", "write a CSV row per birth and per death", path()},
        {"--champions", "DIR",
         "every simulated hour (and at the end) write the hour's\n"
         "best creature to DIR/hour-N.creature (DIR is made if\n"
         "missing)",
         path("a file name")},
        {"--tree", "FILE",
         "write the family tree when the run ends: Newick for\n"
         "FILE.nwk, Graphviz DOT (both parents) for FILE.dot",
         path().accepting(knownTreeFormat, "a file ending in .nwk (Newick) or .dot (Graphviz)")},
        {"--islands", "N",
         "an archipelago: N worlds of one experiment, each on a thread\n"
         "(island i seeded with the seed + (i-1)*1000003), sending\n"
         "their best creature round a ring every --migrate-every s",
         whole(&RunOptions::islands, 1, kMaxIslands),
         // A loaded save may be an archipelago, which the program finds out
         // when it looks at the folder.
         {companions(Stage::Islands, {"--threads", "--migrate-every"}, {"--islands-mpi"},
                     "--load-all")}},
        {"--threads", "K", "threads the islands run on (default: one a core)",
         whole(&RunOptions::threads, 1, kMaxIslands)},
        {"--migrate-every", "S",
         "simulated seconds between migrations of the islands\n"
         "(default 600; 0: never)",
         seconds(&RunOptions::migrateEvery, kStepSize, kOneStepOrNever, true)
             .givenIn(&RunOptions::migrateGiven)},
        {"--islands-mpi", nullptr,
         "one island a process of an MPI run (mpirun -n N; builds\n"
         "with -DCREATURES_MPI=ON)",
         flag(&RunOptions::islandsMpi),
         {companions(Stage::Islands, {"--rank-wait"}),
          excludes(Stage::Islands, {"--islands"},
                   "--islands-mpi takes its islands from the processes; it cannot go with "
                   "--islands")}},
        {"--rank-wait", "S",
         "with --islands-mpi: seconds a process waits without a word\n"
         "from the process before it in the ring (each signals every\n"
         "second) before it says so and ends the run (default 120)",
         seconds(&RunOptions::rankWait, 1, "a number of seconds from 1")
             .givenIn(&RunOptions::rankWaitGiven)},
        {"--trial", "FILE...",
         "set each creature file (this and every word after the\n"
         "options) alone on the standard course and print a row of\n"
         "figures each; no run is made (see --trial-csv and\n"
         "--trial-fresh)",
         file(&RunOptions::trialFiles),
         {onlyWith(Stage::Trial, {"--trial-csv", "--trial-fresh", "--set", "--headless"},
                   "--trial makes no run"),
          companions(Stage::Trial, {"--trial-fresh", "--trial-csv"})}},
        {"--trial-csv", "FILE", "write the trial's rows as CSV", path()},
        {"--trial-fresh", nullptr,
         "creatures enter the trial with a fresh movement store\n"
         "(what their genome lets them learn), not what they learned",
         flag(&RunOptions::trialFresh)},
        {"--autosave", "S",
         "save the whole simulation into the folder autosave every\n"
         "S simulated seconds (0: never; default 600 in the window,\n"
         "never headless)",
         seconds(&RunOptions::autosaveSeconds, kStepSize, kOneStepOrNever, true)},
        {"--load-all", "DIR", "load a saved simulation before the run starts", path()},
        {"--load-creature", "FILE", "add the creature of a .creature file to the world at start",
         file(&RunOptions::loadCreatureFile),
         {excludes(Stage::Islands, {"--islands", "--islands-mpi"}, kNoArchipelago)}},
        {"--founders", "DIR",
         "start a fresh world with the creature of every\n"
         "DIR/*.creature file (in name order) among its first\n"
         "creatures, each clear of the others with what it learned,\n"
         "the rest made as usual up to minPopulation; the world runs\n"
         "by the files' rules (--set wins; files that disagree are\n"
         "refused)",
         folder(&RunOptions::foundersDir),
         {excludes(Stage::Start,
                   {"--load-all", "--load-creature", "--show-creature", "--islands",
                    "--islands-mpi"},
                   "--founders starts a fresh world of its own; it cannot go with --load-all, "
                   "--load-creature, --show-creature or islands")}},
        {"--show-creature", "FILE",
         "show the creature of a .creature file alone on empty\n"
         "ground, the camera following it (it comes back when it\n"
         "dies)",
         file(&RunOptions::showCreatureFile),
         {excludes(Stage::Islands, {"--islands", "--islands-mpi"}, kNoArchipelago),
          excludes(Stage::Start, {"--load-all", "--load-creature"},
                   "--show-creature shows one creature alone; it cannot go with --load-all or "
                   "--load-creature")}},
        {"--save-all", "DIR", "save the simulation when the run ends (also after Ctrl-C)", path()},
        {"--screenshot", "FILE", "draw --frames frames in the window, save it as a PNG, exit",
         path(),
         {excludes(Stage::Window, {"--headless"},
                   "--screenshot needs the window; it cannot go with --headless")}},
        {"--frames", "N",
         "frames drawn before the screenshot (default 120); without\n"
         "--screenshot the window closes after N frames",
         whole(&RunOptions::frames, 1, 1000000).givenIn(&RunOptions::framesGiven)},
        {"--window", "WxH",
         "the window's size in pixels (default: most of the screen;\n"
         "640x480 for --screenshot)",
         own(takeWindow, &RunOptions::windowWidth)},
        {"--serial-steps", nullptr,
         "run the window's steps between its frames rather than\n"
         "beside the drawing (slower; to compare the two)",
         flag(&RunOptions::serialSteps)},
        {"--record", "FILE",
         "record a video of the window (30 frames per second,\n"
         "through ffmpeg from the PATH), e.g. --record run.mp4",
         path(),
         {excludes(Stage::Window, {"--headless"},
                   "--record needs the window; it cannot go with --headless"),
          companions(Stage::Window, {"--record-scene", "--record-every"})}},
        {"--record-scene", nullptr,
         "the video holds the scene alone, without the panels and\n"
         "texts",
         flag(&RunOptions::recordScene)},
        {"--record-every", "N", "a timelapse: every Nth frame goes into the video",
         whole(&RunOptions::recordEvery, 1, 1000000, "a whole number of frames from 1")},
        {"--set", "NAME=VALUE",
         "change a world setting (repeatable; see below); with\n"
         "--load-all it overrides the loaded value",
         own(takeSetting), {}, true},
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
         file(&RunOptions::summarizeFile),
         // Beside a reading of a file, an option of a run would be left
         // out silently.
         {onlyWith(Stage::Summary, {"--seconds", "--help"}, "--summarize runs nothing")}},
        {"--help", nullptr, "show this text", flag(&RunOptions::help)},
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

// Where the option's value goes: its own field, or its run path's.
Field fieldOf(const OptionSpec& o)
{
    if (o.value.kind != Kind::Path)
        return o.value.field;
    const RunPath* p = findRunPath(o.name);
    return p ? Field(p->field) : Field();
}

void putNumber(RunOptions& out, const Field& field, double value)
{
    std::visit(
        [&](auto f) {
            if constexpr (!std::is_same_v<decltype(f), std::monostate>) {
                using T = std::remove_reference_t<decltype(out.*f)>;
                if constexpr (std::is_arithmetic_v<T>)
                    out.*f = static_cast<T>(value);
            }
        },
        field);
}

void putName(RunOptions& out, const Field& field, const std::string& name)
{
    if (auto f = std::get_if<std::string RunOptions::*>(&field))
        out.**f = name;
    else if (auto list = std::get_if<std::vector<std::string> RunOptions::*>(&field))
        out.**list = {name};
}

// Reads the option's value into `out`; false with `error` when it is refused.
bool takeValue(const OptionSpec& o, RunOptions& out, const std::string& v, std::string& error)
{
    const Value& value = o.value;
    const Field field = fieldOf(o);
    const std::string refused = std::string(o.name) + " needs ";
    switch (value.kind) {
    case Kind::Switch: out.*std::get<bool RunOptions::*>(field) = true; break;
    case Kind::Whole: {
        // Whole numbers of the table's bounds are exact as doubles.
        const auto least = static_cast<unsigned long long>(value.least);
        const auto most = static_cast<unsigned long long>(value.most);
        unsigned long long n = 0;
        if (!readWholeNumber(v, most, n) || n < least) {
            error = refused +
                    (value.wanted ? std::string(value.wanted)
                                  : "a whole number from " + std::to_string(least) + " to " +
                                        std::to_string(most)) +
                    ", not '" + v + "'";
            return false;
        }
        putNumber(out, field, static_cast<double>(n));
        break;
    }
    case Kind::Seconds: {
        double s = 0;
        if (!readDecimal(v, s) || s < 0 || s > value.most ||
            (s < value.least && !(value.zeroIsNever && s == 0))) {
            error = refused + value.wanted + ", not '" + v + "'";
            return false;
        }
        putNumber(out, field, s);
        break;
    }
    case Kind::File:
    case Kind::Folder:
    case Kind::Path: {
        const RunPath* p = value.kind == Kind::Path ? findRunPath(o.name) : nullptr;
        const bool isFolder = value.kind == Kind::Folder || (p && p->folder);
        if (v.empty()) {
            error = refused + (value.wanted ? value.wanted
                               : isFolder   ? "a folder name"
                                            : "a file name");
            return false;
        }
        if (value.accepts && !value.accepts(v)) {
            error = refused + value.accepted + ", not '" + v + "'";
            return false;
        }
        putName(out, field, v);
        break;
    }
    case Kind::Own:
        if (!value.take(out, v, error))
            return false;
        break;
    }
    if (value.given)
        out.*value.given = true;
    return true;
}

// Whether the option holds a value: it was taken (for an option that says
// so), or its field is other than a fresh record's.
bool inEffect(const OptionSpec& o, const RunOptions& options)
{
    if (o.value.given)
        return options.*o.value.given;
    static const RunOptions fresh;
    return std::visit(
        [&](auto f) {
            if constexpr (std::is_same_v<decltype(f), std::monostate>)
                return false;
            else
                return !(options.*f == fresh.*f);
        },
        fieldOf(o));
}

bool inEffect(const char* name, const RunOptions& options)
{
    const OptionSpec* o = findOption(name);
    return o && inEffect(*o, options);
}

bool anyInEffect(const std::vector<const char*>& names, const RunOptions& options)
{
    for (const char* name : names)
        if (inEffect(name, options))
            return true;
    return false;
}

// The first of the rule's companions in effect while neither the option
// nor one it may stand for is: empty when there is none.
std::string companionAlone(const OptionSpec& o, const Rule& rule, const RunOptions& options)
{
    if (inEffect(o, options) || anyInEffect(rule.alsoWith, options))
        return std::string();
    for (const char* companion : rule.options)
        if (inEffect(companion, options))
            return companion;
    return std::string();
}

// Why the option's rule refuses the command line; empty when it does not.
std::string refusal(const OptionSpec& o, const Rule& rule, const RunOptions& options,
                    const std::vector<std::string>& given)
{
    switch (rule.kind) {
    case Rule::Kind::OnlyWith:
        if (!inEffect(o, options))
            return std::string();
        for (const std::string& option : given) {
            bool fits = option == o.name;
            for (const char* with : rule.options)
                fits = fits || option == with;
            if (!fits)
                return std::string(rule.text) + "; it cannot go with " + option;
        }
        if (!options.remaining.empty())
            return std::string(rule.text) + "; it cannot go with a run number";
        return std::string();
    case Rule::Kind::Companions: {
        if (rule.waitsFor && inEffect(rule.waitsFor, options))
            return std::string();
        const std::string alone = companionAlone(o, rule, options);
        return alone.empty() ? alone : alone + " goes with " + o.name;
    }
    case Rule::Kind::Excludes:
        return inEffect(o, options) && anyInEffect(rule.options, options) ? rule.text
                                                                           : std::string();
    }
    return std::string();
}

// The first refusal of the stage's rules, in the order of the table.
bool refusedAt(Stage stage, const RunOptions& options, const std::vector<std::string>& given,
               std::string& error)
{
    for (const OptionSpec& o : optionTable())
        for (const Rule& rule : o.rules)
            if (rule.stage == stage) {
                error = refusal(o, rule, options, given);
                if (!error.empty())
                    return true;
            }
    return false;
}

// The run number: one word at most, a whole number with an optional sign
// and nothing around it. It is mixed into the seed, so one the program
// would have to change to hold (beyond an int) is refused.
bool readRunNumber(RunOptions& out, std::string& error)
{
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
    return true;
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
        if (!takeValue(*option, out, value, error))
            return false;
    }

    // A trial takes the words after the options as more creature files.
    if (!out.trialFiles.empty()) {
        out.trialFiles.insert(out.trialFiles.end(), out.remaining.begin(), out.remaining.end());
        out.remaining.clear();
    }
    if (refusedAt(Stage::Trial, out, given, error) || !readRunNumber(out, error))
        return false;
    for (Stage stage : {Stage::Summary, Stage::Islands, Stage::Window, Stage::Start})
        if (refusedAt(stage, out, given, error))
            return false;
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
    std::vector<OutputPath> paths;
    for (const RunPath& p : runPaths()) {
        const std::string& path = options.*p.field;
        if (!p.option || !p.written || path.empty())
            continue;
        if (p.island != IslandPath::Numbered || islands.empty())
            paths.push_back({p.option, path, p.folder});
        else
            for (int island : islands)
                paths.push_back({p.option, islandFileName(path, island), p.folder});
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
    if (savedIslands > 0)
        return std::string();
    const OptionSpec& islands = *findOption("--islands");
    for (const Rule& rule : islands.rules)
        if (rule.kind == Rule::Kind::Companions)
            return companionAlone(islands, rule, options);
    return std::string();
}

std::vector<std::string> replacedOutputs(const RunOptions& options, const std::vector<int>& islands)
{
    std::vector<std::string> replaced;
    for (const OutputPath& p : outputPaths(options, islands)) {
        struct stat st;
        if (!p.folder && ::stat(p.path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            replaced.push_back(p.path);
    }
    return replaced;
}

bool checkOutputPaths(const RunOptions& options, std::string& error, const std::vector<int>& islands)
{
    for (const OutputPath& p : outputPaths(options, islands)) {
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
