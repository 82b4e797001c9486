#include "persist/save_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <sstream>

std::function<void(int point)> saveCheckpointForTests;

namespace {

constexpr const char* kJournalDraft = "journal.new";
constexpr const char* kJournalEnd = "end";
// A journal is a few lines per file; anything larger is not one of ours.
constexpr std::size_t kMaxJournalBytes = std::size_t(1) << 24;

// What a save does once it has taken effect.
struct Journal {
    std::vector<std::string> moves;   // staged files renamed into the folder
    std::vector<std::string> removes; // stale files removed from it
};

// A name that stays inside its folder.
bool plainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\n') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string encodeJournal(const Journal& j)
{
    std::string text;
    for (const auto& name : j.moves)
        text += "move " + name + "\n";
    for (const auto& name : j.removes)
        text += "remove " + name + "\n";
    text += std::string(kJournalEnd) + "\n";
    return text;
}

// False for anything but a complete journal of plain names.
bool decodeJournal(const std::string& text, Journal& j)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line == kJournalEnd)
            return in.peek() == std::char_traits<char>::eof();
        const auto space = line.find(' ');
        if (space == std::string::npos)
            return false;
        const std::string verb = line.substr(0, space);
        const std::string name = line.substr(space + 1);
        if (!plainName(name))
            return false;
        if (verb == "move")
            j.moves.push_back(name);
        else if (verb == "remove")
            j.removes.push_back(name);
        else
            return false;
    }
    return false;
}

std::string stagingOf(const std::string& folder)
{
    return folder + "/" + kStagingName;
}

bool readJournal(const std::string& folder, Journal& j)
{
    std::string text;
    if (readRegularFile(stagingOf(folder) + "/" + kJournalName, text, kMaxJournalBytes) !=
        ReadResult::Done)
        return false;
    return decodeJournal(text, j);
}

bool entryExists(const std::string& path, struct stat& st)
{
    return ::lstat(path.c_str(), &st) == 0;
}

// Writable by this user, and not marked read-only by its owner: a folder or
// file with no write permission bits is refused even where the user could
// override them (root).
bool writable(const std::string& path, const struct stat& st)
{
    return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

void removeTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string withoutTrailingSlashes(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string parentOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

class Checkpoints {
public:
    void pass()
    {
        if (saveCheckpointForTests)
            saveCheckpointForTests(++count_);
    }

private:
    int count_ = 0;
};

// Carries out a journal: renames the staged files into the folder (a file
// already renamed is skipped, so this can run again after being cut short),
// removes the stale files, then the staging folder.
void rollForward(const std::string& folder, const Journal& j, Checkpoints& checkpoints)
{
    const std::string staging = stagingOf(folder);
    for (const auto& name : j.moves) {
        const std::string from = staging + "/" + name;
        const std::string to = folder + "/" + name;
        if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT)
            throwCannotWrite(to);
        checkpoints.pass();
    }
    for (const auto& name : j.removes)
        ::unlink((folder + "/" + name).c_str());
    if (!syncFolder(folder))
        throwCannotWrite(folder);
    ::unlink((staging + "/" + kJournalName).c_str());
    removeTree(staging);
    syncFolder(folder);
    checkpoints.pass();
}

// A staging folder left by an interrupted save: finished when its journal
// was written, removed otherwise.
void finishInterruptedSave(const std::string& folder, Checkpoints& checkpoints)
{
    const std::string staging = stagingOf(folder);
    struct stat st;
    if (!entryExists(staging, st))
        return;
    if (!S_ISDIR(st.st_mode))
        throwCannotOpen(staging);
    Journal j;
    if (readJournal(folder, j))
        rollForward(folder, j, checkpoints);
    else
        removeTree(staging);
}

// Stale files of the folder the predicate names, other than those written.
std::vector<std::string> staleFiles(const std::string& folder, const SavedFiles& files,
                                    const StaleFilePredicate& stale)
{
    std::vector<std::string> names;
    if (!stale)
        return names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!plainName(name) || !stale(name))
            continue;
        bool written = false;
        for (const auto& f : files)
            written = written || f.first == name;
        struct stat st;
        const std::string path = folder + "/" + name;
        // Only plain files and links; a read-only file stays.
        if (written || !entryExists(path, st) || S_ISDIR(st.st_mode))
            continue;
        if (S_ISREG(st.st_mode) && !writable(path, st))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Removes the staging folder unless the save took effect.
class StagingGuard {
public:
    explicit StagingGuard(std::string path) : path_(std::move(path)) {}
    ~StagingGuard()
    {
        if (!path_.empty())
            removeTree(path_);
    }
    StagingGuard(const StagingGuard&) = delete;
    StagingGuard& operator=(const StagingGuard&) = delete;
    void release() { path_.clear(); }

private:
    std::string path_;
};

} // namespace

std::vector<std::string> journalledFiles(const std::string& folder)
{
    std::vector<std::string> names;
    Journal j;
    if (!readJournal(folder, j))
        return names;
    struct stat st;
    for (const auto& name : j.moves)
        if (::stat((stagingOf(folder) + "/" + name).c_str(), &st) == 0)
            names.push_back(name);
    return names;
}

void writeFolder(const std::string& folderName, const SavedFiles& files,
                 const StaleFilePredicate& stale)
{
    if (folderName.empty())
        throwCannotOpen(folderName);
    const std::string folder = withoutTrailingSlashes(folderName);
    Checkpoints checkpoints;

    // The folder itself: made when missing, never replaced.
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || ::mkdir(folder.c_str(), 0777) != 0 || ::stat(folder.c_str(), &st) != 0)
            throwCannotOpen(folder);
        syncFolder(parentOf(folder));
    }
    if (!S_ISDIR(st.st_mode) || !writable(folder, st) || ::access(folder.c_str(), X_OK) != 0)
        throwCannotOpen(folder);

    finishInterruptedSave(folder, checkpoints);

    // Every file to be replaced must be one the user lets us replace; the
    // new file keeps its permissions.
    std::map<std::string, int> modes;
    for (const auto& f : files) {
        const std::string path = folder + "/" + f.first;
        if (!entryExists(path, st))
            continue;
        if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !writable(path, st)))
            throwCannotOpen(path);
        if (S_ISREG(st.st_mode))
            modes[f.first] = static_cast<int>(st.st_mode & 07777);
    }

    const std::string staging = stagingOf(folder);
    if (::mkdir(staging.c_str(), 0700) != 0)
        throwCannotOpen(folder);
    StagingGuard guard(staging);
    for (const auto& [name, bytes] : files) {
        const auto mode = modes.find(name);
        const int result = writeNewFile(staging + "/" + name, bytes, O_EXCL,
                                        mode == modes.end() ? -1 : mode->second);
        if (result == 1)
            throwCannotOpen(folder + "/" + name);
        if (result == 2)
            throwCannotWrite(folder + "/" + name);
        checkpoints.pass();
    }

    Journal j;
    for (const auto& f : files)
        j.moves.push_back(f.first);
    j.removes = staleFiles(folder, files, stale);
    const std::string draft = staging + "/" + kJournalDraft;
    if (writeNewFile(draft, encodeJournal(j), O_EXCL) != 0 || !syncFolder(staging))
        throwCannotWrite(folder);
    // The new save takes effect here.
    if (::rename(draft.c_str(), (staging + "/" + kJournalName).c_str()) != 0 ||
        !syncFolder(staging))
        throwCannotWrite(folder);
    guard.release();
    checkpoints.pass();
    rollForward(folder, j, checkpoints);
}
