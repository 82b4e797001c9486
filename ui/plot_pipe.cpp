#include "ui/plot_pipe.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

std::string findOnPath(const std::string& program)
{
    if (program.empty())
        return std::string();
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::string();
}

namespace {

// The text as one word of the shell, whatever characters it holds.
std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// What a plotting program without mouse support says to "set mouse": known,
// harmless, and kept off the user's terminal.
constexpr const char* kKnownWarning = "has no mouse support";

} // namespace

PlotPipe::PlotPipe(const std::string& program)
{
    const std::string found = findOnPath(program);
    // popen succeeds even for a program that does not exist (the shell
    // fails later), so the program is looked up first.
    if (!found.empty()) {
        // A plotting program that has gone must not kill us with SIGPIPE:
        // writes then fail with an error instead.
        std::signal(SIGPIPE, SIG_IGN);
        // The program's standard error passes through a filter that drops
        // the known warning; its standard output goes where ours does.
        const std::string command = "{ " + shellQuoted(found) +
                                    " 2>&1 1>&3 3>&- | grep -v --line-buffered " +
                                    shellQuoted(kKnownWarning) + " 1>&2 3>&-; } 3>&1";
        pipe_ = popen(command.c_str(), "w");
    }
    if (!pipe_) {
        std::fprintf(stderr, "error: fail to open pipe to %s\n", program.c_str());
        std::fflush(stderr);
        return;
    }
    send("set mouse");
}

PlotPipe::~PlotPipe()
{
    if (pipe_)
        pclose(pipe_);
}

bool PlotPipe::send(const std::string& command)
{
    if (!pipe_)
        return false;
    if (std::fprintf(pipe_, "%s\n", command.c_str()) < 0 || std::fflush(pipe_) != 0) {
        pclose(pipe_);
        pipe_ = nullptr;
        return false;
    }
    return true;
}
