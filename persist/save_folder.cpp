// Contents: the journal (encoding, reading); folder helpers; the checks of
// what a save may replace; rolling a journal forward; finishing an earlier
// save; stale files; the staging guard; writeFolder.
#include "persist/save_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <utility>

#include "persist/folder_lock.h"
#include "persist/manifest.h"
#include "persist/sha256.h"

namespace {

constexpr const char* kJournalDraft = "journal.new";
constexpr const char* kJournalEnd = "end";
// A journal is a few lines per file; anything larger is not one of ours.
constexpr std::size_t kMaxJournalBytes = std::size_t(1) << 24;

// What a save does once it has taken effect.
struct Journal {
    std::vector<std::string> moves;   // staged files renamed into the folder
    std::vector<std::string> removes; // stale files removed from it
    std::vector<std::string> folders; // staged sub-folders put in place of the folder's own
    std::vector<std::string> drops;   // sub-folders of an earlier save removed
};

// Where a sub-folder the save replaces waits, inside the staging folder,
// between being taken out of the way and being removed with the staging
// folder.
std::string replacedName(const std::string& name)
{
    return "replaced-" + name;
}

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
    for (const auto& name : j.folders)
        text += "folder " + name + "\n";
    for (const auto& name : j.drops)
        text += "drop " + name + "\n";
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
        else if (verb == "folder")
            j.folders.push_back(name);
        else if (verb == "drop")
            j.drops.push_back(name);
        else
            return false;
    }
    return false;
}

std::string stagingOf(const std::string& folder)
{
    return folder + "/" + kStagingName;
}

// None when there is no journal; Broken when there is something else than
// a whole journal of plain names.
JournalState readJournal(const std::string& folder, Journal& j)
{
    std::string text;
    switch (readRegularFile(stagingOf(folder) + "/" + kJournalName, text, kMaxJournalBytes)) {
    case ReadResult::Done: break;
    case ReadResult::Missing: return JournalState::None;
    default: return JournalState::Broken;
    }
    return decodeJournal(text, j) ? JournalState::Complete : JournalState::Broken;
}

std::string errnoText()
{
    return std::strerror(errno);
}

// The file attributes of an entry (append-only, immutable, ...); 0 where the
// file system has none.
long attributesOf(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0)
        return 0;
    long flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        flags = 0;
    ::close(fd);
    return flags;
}

bool unchangeable(const std::string& path)
{
    return (attributesOf(path) & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
}

// Whether this user may take an entry of the folder away (replace or remove
// it): in a sticky folder only the entry's owner, the folder's owner or root
// may.
bool mayTakeAway(const struct stat& folder, const struct stat& entry)
{
    if (!(folder.st_mode & S_ISVTX))
        return true;
    const uid_t me = ::geteuid();
    return me == 0 || entry.st_uid == me || folder.st_uid == me;
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
    explicit Checkpoints(SaveCheckpoint checkpoint) : checkpoint_(std::move(checkpoint)) {}
    void pass()
    {
        if (checkpoint_)
            checkpoint_(++count_);
    }
    // Just before a missing folder is made.
    void beforeFolder()
    {
        if (checkpoint_)
            checkpoint_(0);
    }

private:
    SaveCheckpoint checkpoint_;
    int count_ = 0;
};

// A new sub-folder holding the files and their manifest, flushed; the sum
// of its manifest.
std::string writeSubFolder(const std::string& path, const SavedFiles& files, Checkpoints& checkpoints)
{
    if (::mkdir(path.c_str(), 0777) != 0)
        throwCannotOpen(path);
    const std::string manifest = encodeManifest(files);
    for (const auto& [name, bytes] : files) {
        const int result = writeNewFile(path + "/" + name, bytes, O_EXCL);
        if (result == 1)
            throwCannotOpen(path + "/" + name);
        if (result == 2)
            throwCannotWrite(path + "/" + name);
        checkpoints.pass();
    }
    if (writeNewFile(path + "/" + kManifestFile, manifest, O_EXCL) != 0 || !syncFolder(path))
        throwCannotWrite(path);
    return sha256Hex(manifest);
}

// Carries out a journal: renames the staged files into the folder (a file
// already renamed is skipped, so this can run again after being cut short),
// puts each staged sub-folder in place of the folder's own (that one is
// first moved into the staging folder), moves the dropped sub-folders there
// too, removes the stale files, then the staging folder. Returns an empty text
// when done, else what could not be done; the journal then stays, so loads
// go on reading the new save through it.
std::string rollForward(const std::string& folder, const Journal& j, Checkpoints& checkpoints)
{
    const std::string staging = stagingOf(folder);
    for (const auto& name : j.moves) {
        const std::string from = staging + "/" + name;
        const std::string to = folder + "/" + name;
        if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT)
            return "cannot replace " + to + ": " + errnoText();
        checkpoints.pass();
    }
    struct stat st;
    for (const auto& name : j.folders) {
        const std::string from = staging + "/" + name;
        const std::string to = folder + "/" + name;
        const std::string aside = staging + "/" + replacedName(name);
        if (!entryExists(from, st))
            continue; // already in place
        if (entryExists(to, st)) {
            if (entryExists(aside, st))
                removeTree(aside);
            if (::rename(to.c_str(), aside.c_str()) != 0)
                return "cannot replace " + to + ": " + errnoText();
        }
        if (::rename(from.c_str(), to.c_str()) != 0)
            return "cannot replace " + to + ": " + errnoText();
        checkpoints.pass();
    }
    for (const auto& name : j.drops) {
        const std::string path = folder + "/" + name;
        if (entryExists(path, st) &&
            ::rename(path.c_str(), (staging + "/" + replacedName(name)).c_str()) != 0)
            return "cannot remove " + path + ": " + errnoText();
    }
    for (const auto& name : j.removes)
        ::unlink((folder + "/" + name).c_str());
    if (!syncFolder(folder))
        return "cannot flush " + folder + ": " + errnoText();
    ::unlink((staging + "/" + kJournalName).c_str());
    removeTree(staging);
    syncFolder(folder);
    checkpoints.pass();
    return std::string();
}

// A staging folder left by an interrupted save (the lock is ours, so its
// save no longer runs): finished when its journal was written, removed
// otherwise (a journal that is not whole was never written by a save; the
// save under way replaces every file anyway).
void finishInterruptedSave(const std::string& folder, Checkpoints& checkpoints)
{
    const std::string staging = stagingOf(folder);
    struct stat st;
    if (!entryExists(staging, st))
        return;
    if (!S_ISDIR(st.st_mode))
        throwCannotOpen(staging);
    Journal j;
    if (readJournal(folder, j) != JournalState::Complete) {
        removeTree(staging);
        return;
    }
    const std::string unfinished = rollForward(folder, j, checkpoints);
    if (!unfinished.empty())
        throwText("cannot save: " + folder + " holds an earlier save that cannot be finished (" +
                  unfinished + ")");
}

// Stale files of the folder the predicate names, other than those written.
std::vector<std::string> staleFiles(const std::string& folder, const struct stat& folderStat,
                                    const SavedFiles& files, const StaleFilePredicate& stale)
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
        if (S_ISREG(st.st_mode) && (!writable(path, st) || unchangeable(path)))
            continue;
        if (!mayTakeAway(folderStat, st))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Sub-folders of the folder the predicate names, other than those written.
std::vector<std::string> staleFolders(const std::string& folder,
                                      const std::vector<std::string>& written,
                                      const StaleFilePredicate& stale)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (plainName(name) && name != kStagingName && stale(name) &&
            std::find(written.begin(), written.end(), name) == written.end())
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
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

void reportUnfinished(const std::string& folder, const std::string& left, std::string* unfinished)
{
    if (left.empty())
        return;
    std::cerr << "warning: saved " << folder << ", but its end could not be finished (" << left
              << "); loads read the new save, and the next save into it finishes it" << std::endl;
    if (unfinished)
        *unfinished = left;
}

JournalState readSaveJournal(const std::string& folder, std::vector<std::string>& staged,
                             std::vector<std::string>* dropped)
{
    staged.clear();
    Journal j;
    const JournalState state = readJournal(folder, j);
    struct stat st;
    for (const auto& name : j.moves)
        if (entryExists(stagingOf(folder) + "/" + name, st))
            staged.push_back(name);
    for (const auto& name : j.folders)
        if (entryExists(stagingOf(folder) + "/" + name, st))
            staged.push_back(name);
    if (dropped)
        *dropped = j.drops;
    return state;
}

std::string stageFolder(const std::string& path, const SavedFiles& files)
{
    Checkpoints none{nullptr};
    return writeSubFolder(path, files, none);
}

std::string writeFolder(const std::string& folderName, const SavedFiles& savedFiles,
                        const StaleFilePredicate& stale, const SubFolders& sub,
                        const SaveCheckpoint& checkpoint)
{
    if (folderName.empty())
        throwCannotOpen(folderName);
    const std::string folder = withoutTrailingSlashes(folderName);
    Checkpoints checkpoints(checkpoint);
    SavedFiles files = savedFiles;
    files.emplace_back(kManifestFile, encodeManifest(savedFiles));

    // The folder itself: made when missing, never replaced. One that another
    // process makes in the same instant is as good: its lock is waited for
    // below as any folder's.
    struct stat folderStat;
    if (::stat(folder.c_str(), &folderStat) != 0) {
        const int missing = errno == ENOENT;
        if (missing)
            checkpoints.beforeFolder();
        if (!missing || (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) ||
            ::stat(folder.c_str(), &folderStat) != 0)
            throwCannotOpen(folder);
        syncFolder(parentOf(folder));
    }
    if (!S_ISDIR(folderStat.st_mode) || !writable(folder, folderStat) ||
        ::access(folder.c_str(), X_OK) != 0 || unchangeable(folder))
        throwCannotOpen(folder);

    // From here to the end no other save or load of this program touches
    // the folder.
    const FolderLock lock(folder, FolderLock::Mode::Exclusive);
    finishInterruptedSave(folder, checkpoints);

    // Every file to be replaced must be one the user lets us replace; the
    // new file keeps its permissions.
    std::map<std::string, int> modes;
    struct stat st;
    for (const auto& f : files) {
        const std::string path = folder + "/" + f.first;
        if (!entryExists(path, st))
            continue;
        if (S_ISDIR(st.st_mode) || !mayTakeAway(folderStat, st) ||
            (S_ISREG(st.st_mode) && (!writable(path, st) || unchangeable(path))))
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
    for (const auto& [name, subFiles] : sub.folders) {
        writeSubFolder(staging + "/" + name, subFiles, checkpoints);
        j.folders.push_back(name);
    }
    if (sub.complete) {
        // The last files (and other processes' sub-folders) come now; the
        // manifest, written above, is written again to name them too.
        SavedFiles more;
        std::vector<std::string> moreFolders;
        sub.complete(staging, more, moreFolders);
        for (const auto& name : moreFolders)
            j.folders.push_back(name);
        if (!more.empty()) {
            SavedFiles all = savedFiles;
            for (auto& f : more) {
                if (writeNewFile(staging + "/" + f.first, f.second, O_EXCL) != 0)
                    throwCannotWrite(folder + "/" + f.first);
                checkpoints.pass();
                all.push_back(f);
                files.insert(files.end() - 1, std::move(f));
            }
            files.back().second = encodeManifest(all);
            const std::string manifest = staging + "/" + kManifestFile;
            ::unlink(manifest.c_str());
            if (writeNewFile(manifest, files.back().second, O_EXCL) != 0)
                throwCannotWrite(folder + "/" + kManifestFile);
        }
    }
    for (const auto& f : files)
        j.moves.push_back(f.first);
    j.removes = staleFiles(folder, folderStat, files, stale);
    if (sub.staleFolder)
        j.drops = staleFolders(folder, j.folders, sub.staleFolder);
    const std::string draft = staging + "/" + kJournalDraft;
    if (writeNewFile(draft, encodeJournal(j), O_EXCL) != 0 || !syncFolder(staging))
        throwCannotWrite(folder);
    // The new save takes effect here.
    if (::rename(draft.c_str(), (staging + "/" + kJournalName).c_str()) != 0 ||
        !syncFolder(staging))
        throwCannotWrite(folder);
    guard.release();
    checkpoints.pass();
    return rollForward(folder, j, checkpoints);
}
