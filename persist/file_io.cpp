#include "persist/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>

#include "base/interrupt.h"
#include "persist/manifest.h"
#include "persist/sha256.h"

namespace {

// Closes a descriptor on scope exit unless closed before.
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


[[noreturn]] void throwTooLarge(const std::string& path)
{
    throwDamaged(path, "larger than " + std::to_string(kMaxFileBytes) + " bytes");
}

// The whole contents, or the failure text for the file named `shown`.
std::string readOrThrow(ReadResult result, std::string& bytes, const std::string& shown)
{
    switch (result) {
    case ReadResult::Done: return std::move(bytes);
    case ReadResult::TooLarge: throwTooLarge(shown);
    case ReadResult::Interrupted: throwFailed(shown, "interrupted");
    case ReadResult::Missing:
    case ReadResult::NotAFile:
    case ReadResult::CannotOpen: break;
    }
    throwCannotOpen(shown);
}

} // namespace

ReadResult readRegularFile(const std::string& path, std::string& bytes, std::size_t limit)
{
    // Non-blocking, so a named pipe or a device in place of a file is
    // refused at once instead of waiting for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::CannotOpen;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return ReadResult::CannotOpen;
    if (!S_ISREG(st.st_mode))
        return ReadResult::NotAFile;
    if (static_cast<unsigned long long>(st.st_size) > limit)
        return ReadResult::TooLarge;
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                if (interruptRequested())
                    return ReadResult::Interrupted;
                continue;
            }
            return ReadResult::CannotOpen;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            return ReadResult::TooLarge;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return ReadResult::Done;
}

int writeNewFile(const std::string& path, const std::string& bytes, int extraFlags, int mode)
{
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | extraFlags, 0666));
    if (fd.get() < 0)
        return 1;
    if (mode >= 0 && ::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0)
        return 2;
    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const bool closed = fd.close();
    return written && closed ? 0 : 2;
}

bool syncFolder(const std::string& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    const bool synced = ::fsync(fd.get()) == 0;
    return fd.close() && synced;
}

std::string cannotOpenText(const std::string& path)
{
    return "cannot open:" + path;
}

void throwCannotOpen(const std::string& path)
{
    throwText(cannotOpenText(path));
}

void throwText(const std::string& text)
{
    std::cerr << text << std::endl;
    throw text;
}

void throwCannotWrite(const std::string& path)
{
    throwText("cannot write:" + path);
}

void throwDamaged(const std::string& path, const std::string& reason)
{
    throwText("damaged file:" + path + " (" + reason + ")");
}

void throwFailed(const std::string& folder, const std::string& reason)
{
    throwText("failed:" + folder + " (" + reason + ")");
}

void throwIfInterrupted(const std::string& folder)
{
    if (interruptRequested())
        throwFailed(folder, "interrupted");
}

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    return readOrThrow(readRegularFile(path, bytes, kMaxFileBytes), bytes, path);
}

void FileSource::readManifest() const
{
    if (!manifestRead_) {
        manifestRead_ = true;
        std::string text;
        const ReadResult r = fetch(kManifestFile, text, kMaxManifestBytes);
        if (r == ReadResult::TooLarge)
            throwDamaged(path(kManifestFile), "too large for a manifest");
        if (r == ReadResult::NotAFile)
            throwDamaged(path(kManifestFile), "not a file");
        std::string reason;
        if (r == ReadResult::Done && !decodeManifest(text, sums_, reason))
            throwDamaged(path(kManifestFile), reason);
    }
}

bool FileSource::belongsToSave(const std::string& name) const
{
    readManifest();
    return sums_.empty() || sums_.count(name) > 0;
}

void FileSource::verify(const std::string& name, const std::string& bytes) const
{
    readManifest();
    const auto sum = sums_.find(name);
    if (sum != sums_.end() && sha256Hex(bytes) != sum->second)
        throwDamaged(path(name), "checksum");
}

std::string FileSource::read(const std::string& name) const
{
    throwIfInterrupted(folder());
    std::string bytes;
    const ReadResult r = fetch(name, bytes, kMaxFileBytes);
    std::string contents = readOrThrow(r, bytes, path(name));
    verify(name, contents);
    return contents;
}

ReadResult FileSource::tryRead(const std::string& name, std::string& bytes,
                               std::size_t limit) const
{
    const ReadResult r = fetch(name, bytes, limit);
    if (r == ReadResult::Done)
        verify(name, bytes);
    if (r == ReadResult::Missing || r == ReadResult::NotAFile) {
        readManifest();
        if (sums_.count(name) > 0)
            throwDamaged(path(name), r == ReadResult::Missing
                                         ? std::string("missing, though ") + kManifestFile +
                                               " names it"
                                         : std::string("not a regular file"));
    }
    return r;
}

void FileSource::requireManifestOf(const std::vector<std::string>& own,
                                   const std::vector<std::string>& ownIfPresent) const
{
    readManifest();
    if (sums_.empty())
        return;
    for (const std::string& name : own)
        if (sums_.count(name) == 0)
            throwDamaged(path(kManifestFile), "it does not name " + name);
    for (const std::string& name : ownIfPresent) {
        std::string bytes;
        if (sums_.count(name) == 0 && fetch(name, bytes, 0) != ReadResult::Missing)
            throwDamaged(path(kManifestFile), "it does not name " + name);
    }
}

ReadResult MemorySource::fetch(const std::string& name, std::string& bytes,
                               std::size_t limit) const
{
    const auto it = files_.find(name);
    if (it == files_.end())
        return ReadResult::Missing;
    if (it->second.size() > limit)
        return ReadResult::TooLarge;
    bytes = it->second;
    return ReadResult::Done;
}

void writeWholeFile(const std::string& path, const std::string& contents)
{
    const int result = writeNewFile(path, contents, O_TRUNC);
    if (result == 1)
        throwCannotOpen(path);
    if (result == 2)
        throwCannotWrite(path);
}
