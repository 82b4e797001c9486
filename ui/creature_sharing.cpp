#include "ui/creature_sharing.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    return saveContents(w, encodeCreatureFile(a), a.creatureId);
}

std::string saveCreatureFile(World& w, const FameEntry& e)
{
    if (e.agent)
        return saveCreatureFile(w, *e.agent);
    if (!e.kept.record)
        return std::string();
    return saveContents(w, encodeCreatureFile(*e.kept.record, e.kept.pose), e.id);
}

bool showAlone(World& w, const std::string& file)
{
    // This very program, started twice removed so that it runs on its own:
    // the child starts the viewer and ends at once, and is waited for here.
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
            char show[] = "--show-creature", window[] = "--window", size[] = "900x650";
            char* argv[] = {self, show, const_cast<char*>(file.c_str()), window, size, nullptr};
            ::execv(self, argv);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    showMessage(w.driver.message, "Showing " + file + " alone in a second window", 3.0);
    return true;
}
