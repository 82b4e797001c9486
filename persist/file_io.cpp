#include "persist/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace {

// Closes a descriptor on scope exit unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false when the close reports an error.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Flushes a folder's entries (new and renamed files) to disk.
bool syncFolder(const std::string& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    const bool synced = ::fsync(fd.get()) == 0;
    return fd.close() && synced;
}

// Writes, flushes and closes a new file; 0 when done, 1 when it cannot be
// created, 2 when writing fails.
int writeNewFile(const std::string& path, const std::string& bytes, int extraFlags)
{
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | extraFlags, 0666));
    if (fd.get() < 0)
        return 1;
    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const bool closed = fd.close();
    return written && closed ? 0 : 2;
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

std::string lastComponent(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void removeTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

// A new folder beside the target that is removed again unless kept.
class StagingFolder {
public:
    explicit StagingFolder(const std::string& target)
    {
        std::string name = target + ".tmp-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr)
            return;
        path_ = name;
        // mkdtemp makes the folder private; give it the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(path_.c_str(), 0777 & ~mask);
    }
    ~StagingFolder()
    {
        if (!path_.empty())
            removeTree(path_);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool created() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // The folder now lives elsewhere (or holds what is to be removed).
    void forget() { path_.clear(); }

private:
    std::string path_;
};

// Puts the staged folder in the place of target. False when the target is
// left as it was.
bool replaceFolder(StagingFolder& staged, const std::string& target)
{
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        if (::rename(staged.path().c_str(), target.c_str()) != 0)
            return false;
        staged.forget();
        return true;
    }
    // Swap both folders in one step; the staging name then holds the old
    // save, which the staging folder's removal deletes.
    if (::renameat2(AT_FDCWD, staged.path().c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) ==
        0)
        return true;
    // Without an atomic swap: move the old folder aside, the new one in,
    // and the old one back if that fails.
    std::string aside = target + ".old-XXXXXX";
    if (::mkdtemp(aside.data()) == nullptr)
        return false;
    if (::rename(target.c_str(), aside.c_str()) != 0) {
        ::rmdir(aside.c_str());
        return false;
    }
    if (::rename(staged.path().c_str(), target.c_str()) != 0) {
        ::rename(aside.c_str(), target.c_str());
        return false;
    }
    staged.forget();
    removeTree(aside);
    return true;
}

} // namespace

std::string cannotOpenText(const std::string& path)
{
    return "cannot open:" + path;
}

void throwCannotOpen(const std::string& path)
{
    const std::string text = cannotOpenText(path);
    std::cerr << text << std::flush;
    throw text;
}

namespace {

// Writes a failure text and a line end to standard error and throws it.
[[noreturn]] void reportAndThrow(const std::string& text)
{
    std::cerr << text << std::endl;
    throw text;
}

[[noreturn]] void throwTooLarge(const std::string& path)
{
    throwDamaged(path, "larger than " + std::to_string(kMaxFileBytes) + " bytes");
}

} // namespace

void throwCannotWrite(const std::string& path)
{
    reportAndThrow("cannot write:" + path);
}

void throwDamaged(const std::string& path, const std::string& reason)
{
    reportAndThrow("damaged file:" + path + " (" + reason + ")");
}

void throwFailed(const std::string& folder, const std::string& reason)
{
    reportAndThrow("failed:" + folder + " (" + reason + ")");
}

std::string readWholeFile(const std::string& path)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throwCannotOpen(path);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throwCannotOpen(path);
    if (static_cast<unsigned long long>(st.st_size) > kMaxFileBytes)
        throwTooLarge(path);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwCannotOpen(path);
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxFileBytes)
            throwTooLarge(path);
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

std::string FolderSource::read(const std::string& name) const
{
    return readWholeFile(path(name));
}

std::string MemorySource::read(const std::string& name) const
{
    const auto it = files_.find(name);
    if (it == files_.end())
        throwCannotOpen(path(name));
    if (it->second.size() > kMaxFileBytes)
        throwTooLarge(path(name));
    return it->second;
}

void writeFolder(const std::string& folder, const SavedFiles& files)
{
    const std::string target = withoutTrailingSlashes(folder);
    const std::string last = lastComponent(target);
    if (last.empty() || last == "." || last == "..")
        throwCannotOpen(folder);
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        throwCannotOpen(target);

    StagingFolder staged(target);
    if (!staged.created())
        throwCannotOpen(target);
    for (const auto& [name, bytes] : files) {
        const int result = writeNewFile(staged.path() + "/" + name, bytes, O_EXCL);
        if (result == 1)
            throwCannotOpen(target + "/" + name);
        if (result == 2)
            throwCannotWrite(target + "/" + name);
    }
    if (!syncFolder(staged.path()))
        throwCannotWrite(target);
    if (!replaceFolder(staged, target))
        throwCannotWrite(target);
    syncFolder(parentOf(target));
}

void writeWholeFile(const std::string& path, const std::string& contents)
{
    const int result = writeNewFile(path, contents, O_TRUNC);
    if (result == 1)
        throwCannotOpen(path);
    if (result == 2)
        throwCannotWrite(path);
}
