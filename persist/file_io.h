// Files of the save folders: the failure texts, the sources loads read their
// files from, and the low-level reading and writing of whole files.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <cstddef>
#include <exception>
#include <map>
#include <vector>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Failure texts. Each is thrown as a std::string (the step driver shows it)
// after being written, with a line end, to standard error.
[[noreturn]] void throwText(const std::string& text);
std::string cannotOpenText(const std::string& path);
[[noreturn]] void throwCannotOpen(const std::string& path);
[[noreturn]] void throwCannotWrite(const std::string& path);
// "damaged file:" + path + " (" + reason + ")".
[[noreturn]] void throwDamaged(const std::string& path, const std::string& reason);

// "failed:" + folder + " (" + reason + ")", for failures that are neither
// an unreadable nor a damaged file.
[[noreturn]] void throwFailed(const std::string& folder, const std::string& reason);

// Runs a folder operation so that it fails only with a text: anything else it
// throws (running out of memory, an unexpected library error) becomes the
// "failed:" text, which the step driver shows like the others.
template <class Op> bool runFolderOperation(const std::string& folder, Op op)
{
    try {
        return op();
    } catch (const std::string&) {
        throw;
    } catch (const std::bad_alloc&) {
        throwFailed(folder, "out of memory");
    } catch (const std::exception& e) {
        throwFailed(folder, e.what());
    }
}

// Largest file a load reads; a larger one is refused as damaged.
constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

// Low-level steps shared by the readers and the save folder.
enum class ReadResult { Done, Missing, NotAFile, CannotOpen, TooLarge, Interrupted };
// Reads a regular file of at most `limit` bytes without ever blocking on
// what is not one (named pipes, devices: NotAFile); no message.
ReadResult readRegularFile(const std::string& path, std::string& bytes, std::size_t limit);

// Where a load reads its files: a folder on disk, or files held in memory.
// When the source holds a manifest (manifest.h), every file it names is
// checked against its sum as it is read.
class FileSource {
public:
    explicit FileSource(std::string folder) : folder_(std::move(folder)) {}
    virtual ~FileSource() = default;
    // The folder name as messages show it.
    const std::string& folder() const { return folder_; }
    // A file's full name as messages show it: folder + "/" + name.
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    // The whole contents. Throws the "cannot open:" text for a file that
    // cannot be opened, and the damaged text for one over kMaxFileBytes or
    // whose sum is not the manifest's ("damaged file:PATH (checksum)").
    std::string read(const std::string& name) const;
    // The whole contents of a file that may be missing, of at most `limit`
    // bytes: Done, or what kept it from being read, with no message. A file
    // whose sum is not the manifest's, or that is missing or no regular file
    // though the manifest names it, throws the damaged text.
    ReadResult tryRead(const std::string& name, std::string& bytes, std::size_t limit) const;
    // When the source holds a manifest: it must name every file of `own`
    // (the save's files, present or not) and every file of `ownIfPresent`
    // that the source holds; otherwise the manifest is not this save's whole
    // list and is refused as damaged. Nothing is checked without a manifest.
    void requireManifestOf(const std::vector<std::string>& own,
                           const std::vector<std::string>& ownIfPresent) const;
    // Whether a file the save may or may not hold is the save's: named by its
    // manifest, or any file of a save without one. A file a save left behind
    // because it could not remove it is not.
    bool belongsToSave(const std::string& name) const;

protected:
    // The bytes of a file as the source holds them, unchecked.
    virtual ReadResult fetch(const std::string& name, std::string& bytes,
                             std::size_t limit) const = 0;

private:
    void verify(const std::string& name, const std::string& bytes) const;
    void readManifest() const;

    std::string folder_;
    // The manifest's sums by name, read at the first file; none without one.
    mutable bool manifestRead_ = false;
    mutable std::map<std::string, std::string> sums_;
};

// Files held in memory; a name that is not held cannot be opened.
class MemorySource : public FileSource {
public:
    using FileSource::FileSource;
    void put(const std::string& name, std::string contents) { files_[name] = std::move(contents); }

protected:
    ReadResult fetch(const std::string& name, std::string& bytes,
                     std::size_t limit) const override;

private:
    std::map<std::string, std::string> files_;
};

// Reads a whole file from disk (the rules of FileSource::read, no manifest).
std::string readWholeFile(const std::string& path);

// Throws the "failed:" text with "interrupted" once Ctrl-C or SIGTERM has
// asked the program to end; loads call it between files.
void throwIfInterrupted(const std::string& folder);

// The files of one save: names and contents, in writing order.
using SavedFiles = std::vector<std::pair<std::string, std::string>>;

// Writes one file in place (created or truncated) and flushes it to disk;
// the "cannot open:" and "cannot write:" texts on failure.
void writeWholeFile(const std::string& path, const std::string& contents);

// Creates (with `extraFlags`, such as O_EXCL or O_TRUNC), writes, flushes and
// closes a file, giving it `mode` when that is not negative; 0 when done, 1
// when it cannot be created, 2 when writing fails.
int writeNewFile(const std::string& path, const std::string& bytes, int extraFlags, int mode = -1);
// Flushes a folder's entries (new, renamed and removed files) to disk.
bool syncFolder(const std::string& folder);
