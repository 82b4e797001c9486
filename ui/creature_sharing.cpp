#include "ui/creature_sharing.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "persist/creature_file.h"

namespace {

bool taken(const std::string& name)
{
    struct stat st;
    return ::lstat(name.c_str(), &st) == 0;
}

std::string saveContents(World& w, const std::string& contents, int id)
{
    const std::string name = freeCreatureFileName(id);
    try {
        writeCreatureFile(name, contents);
    } catch (const std::string& text) {
        showMessage(w.driver.message, text, 4.0);
        return std::string();
    }
    showMessage(w.driver.message, "Saved " + name, 3.0);
    return name;
}

} // namespace

std::string freeCreatureFileName(int id)
{
    const std::string stem = "creature-" + std::to_string(id);
    std::string name = stem + kCreatureFileExtension;
    for (int k = 2; taken(name) && k < 10000; ++k)
        name = stem + "-" + std::to_string(k) + kCreatureFileExtension;
    return name;
}

std::string saveCreatureFile(World& w, const Agent& a)
{
    return saveContents(w, encodeCreatureFile(a, w.settings), a.creatureId);
}

std::string saveCreatureFile(World& w, const FameEntry& e)
{
    if (e.agent)
        return saveCreatureFile(w, *e.agent);
    if (!e.kept.record)
        return std::string();
    return saveContents(w, encodeCreatureFile(*e.kept.record, e.kept.pose, w.settings), e.id);
}

namespace {

// Hands what the viewer writes to this program's standard error, each line
// after the prefix, so the user can tell the two programs' output apart.
void relayLines(int from, const std::string& prefix)
{
    std::string line;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(from, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < n; ++i) {
            line += buffer[i];
            if (buffer[i] == '\n') {
                const std::string out = prefix + line;
                (void)!::write(STDERR_FILENO, out.data(), out.size());
                line.clear();
            }
        }
    }
    if (!line.empty()) {
        const std::string out = prefix + line + "\n";
        (void)!::write(STDERR_FILENO, out.data(), out.size());
    }
}

} // namespace

bool showAlone(World& w, const std::string& file)
{
    // This very program, started twice removed so that it runs on its own:
    // the child starts a relay and ends at once, and is waited for here; the
    // relay starts the viewer and prefixes its output until it ends.
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        showMessage(w.driver.message, "cannot start a second window", 3.0);
        return false;
    }
    self[n] = '\0';
    const pid_t child = ::fork();
    if (child < 0) {
        showMessage(w.driver.message, "cannot start a second window", 3.0);
        return false;
    }
    if (child == 0) {
        if (::fork() == 0) {
            int out[2];
            if (::pipe(out) != 0)
                ::_exit(1);
            if (::fork() == 0) {
                ::dup2(out[1], STDOUT_FILENO);
                ::dup2(out[1], STDERR_FILENO);
                ::close(out[0]);
                ::close(out[1]);
                char show[] = "--show-creature", window[] = "--window", size[] = "900x650";
                char* argv[] = {self, show, const_cast<char*>(file.c_str()), window, size,
                                nullptr};
                ::execv(self, argv);
                ::_exit(127);
            }
            ::close(out[1]);
            relayLines(out[0], "[alone " + file + "] ");
            ::_exit(0);
        }
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    showMessage(w.driver.message, "Showing " + file + " alone in a second window", 3.0);
    return true;
}
