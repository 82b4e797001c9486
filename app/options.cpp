#include "app/options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool parseUnsigned(const std::string& s, unsigned long long max, unsigned long long& out)
{
    if (s.empty() || s[0] == '-' || s[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > max)
        return false;
    out = v;
    return true;
}

bool parseSeconds(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    // Up to about 30,000 years of simulated time.
    if (*end != '\0' || !std::isfinite(v) || v < 0 || v > 1e12)
        return false;
    out = v;
    return true;
}

} // namespace

bool parseOptions(int argc, const char* const* argv, RunOptions& out, std::string& error)
{
    out = RunOptions{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            out.remaining.push_back(arg);
            continue;
        }
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--headless") {
            out.headless = true;
        } else if (arg == "--help") {
            out.help = true;
        } else if (arg == "--seed") {
            unsigned long long n = 0;
            if (!value(v))
                return false;
            if (!parseUnsigned(v, 0xFFFFFFFFull, n)) {
                error = "--seed needs a whole number from 0 to 4294967295, not '" + v + "'";
                return false;
            }
            out.seedGiven = true;
            out.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--steps") {
            unsigned long long n = 0;
            if (!value(v))
                return false;
            if (!parseUnsigned(v, 1ull << 62, n)) {
                error = "--steps needs a whole number of steps, not '" + v + "'";
                return false;
            }
            out.steps = static_cast<long long>(n);
        } else if (arg == "--seconds") {
            if (!value(v))
                return false;
            if (!parseSeconds(v, out.seconds)) {
                error = "--seconds needs a number of simulated seconds, not '" + v + "'";
                return false;
            }
        } else if (arg == "--load-all" || arg == "--save-all" || arg == "--stats" ||
                   arg == "--lineage") {
            std::string& target = arg == "--load-all"   ? out.loadAllDir
                                  : arg == "--save-all" ? out.saveAllDir
                                  : arg == "--stats"    ? out.statsFile
                                                        : out.lineageFile;
            if (!value(target))
                return false;
            if (target.empty()) {
                error = arg + (arg == "--stats" || arg == "--lineage" ? " needs a file name"
                                                                      : " needs a folder name");
                return false;
            }
        } else if (arg == "--autosave") {
            if (!value(v))
                return false;
            if (!parseSeconds(v, out.autosaveSeconds)) {
                error = "--autosave needs a number of simulated seconds (0: never), not '" + v +
                        "'";
                return false;
            }
        } else if (arg == "--set") {
            SettingOverride o;
            if (!value(v) || !parseSettingOverride(v, o, error))
                return false;
            out.settings.push_back(o);
        } else if (arg == "--screenshot") {
            if (!value(out.screenshotFile))
                return false;
            if (out.screenshotFile.empty()) {
                error = "--screenshot needs a file name";
                return false;
            }
        } else if (arg == "--frames") {
            unsigned long long n = 0;
            if (!value(v))
                return false;
            if (!parseUnsigned(v, 1000000, n) || n == 0) {
                error = "--frames needs a whole number from 1 to 1000000, not '" + v + "'";
                return false;
            }
            out.frames = static_cast<long long>(n);
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }

    out.runNumber = 10;
    if (out.remaining.size() == 1) {
        // Read like "%d": leading blanks, a sign and digits; out-of-range
        // numbers are clamped instead of overflowing.
        const char* text = out.remaining[0].c_str();
        char* end = nullptr;
        errno = 0;
        const long long n = std::strtoll(text, &end, 10);
        if (end != text) {
            if (n > INT_MAX || (errno == ERANGE && n > 0))
                out.runNumber = INT_MAX;
            else if (n < INT_MIN || (errno == ERANGE && n < 0))
                out.runNumber = INT_MIN;
            else
                out.runNumber = static_cast<int>(n);
        }
    }
    if (out.headless && !out.screenshotFile.empty()) {
        error = "--screenshot needs the window; it cannot go with --headless";
        return false;
    }
    return true;
}

std::string usageText()
{
    return "usage: creatures [options] [run-number]\n"
           "\n"
           "An artificial-life simulation: creatures built from genomes learn to walk,\n"
           "eat, mate and evolve on a square of ground. The run number (default 10) is\n"
           "printed at start and mixed into the random seed.\n"
           "\n"
           "options:\n"
           "  --headless        no window and no frame pacing: run as fast as possible\n"
           "                    (also what happens when there is no display)\n"
           "  --seed N          seed the random generator with N exactly (repeatable runs)\n"
           "  --steps N         stop after N simulation steps of 0.03 s\n"
           "  --seconds S       stop after S seconds of simulated time\n"
           "  --stats FILE      write a CSV row of statistics per simulated second\n"
           "  --lineage FILE    write a CSV row per birth and per death\n"
           "  --autosave S      save the whole simulation into the folder autosave every\n"
           "                    S simulated seconds (0: never; default 600 in the window,\n"
           "                    never headless)\n"
           "  --load-all DIR    load a saved simulation before the run starts\n"
           "  --save-all DIR    save the simulation when the run ends (also after Ctrl-C)\n"
           "  --screenshot FILE draw --frames frames in the window, save it as a PNG, exit\n"
           "  --frames N        frames drawn before the screenshot (default 120)\n"
           "  --set NAME=VALUE  change a world setting (repeatable; see below); with\n"
           "                    --load-all it overrides the loaded value\n"
           "  --help            show this text\n"
           "\n"
           "world settings for --set:\n" +
           worldSettingsUsage() +
           "\n"
           "A headless run without --steps or --seconds goes on until Ctrl-C, which ends\n"
           "it cleanly after the current frame.\n"
           "\n"
           "In the window: Ctrl+P pauses and resumes, X toggles skipping the drawing\n"
           "(the simulation runs at full speed), Ctrl+Q, Ctrl+X or closing the window\n"
           "ends the run.\n";
}
