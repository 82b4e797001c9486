// Files of the save folders: the failure texts, the sources loads read their
// files from, and the low-level reading and writing of whole files.
#pragma once

#include <cstddef>
#include <exception>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Failure texts. Each is thrown as a std::string (the step driver shows it)
// after being written to standard error: the "cannot open:" text with no line
// end, the others with one.
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

// Where a load reads its files: a folder on disk, or files held in memory.
class FileSource {
public:
    explicit FileSource(std::string folder) : folder_(std::move(folder)) {}
    virtual ~FileSource() = default;
    // The folder name as messages show it.
    const std::string& folder() const { return folder_; }
    // A file's full name as messages show it: folder + "/" + name.
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    // The whole contents. Throws the "cannot open:" text for a file that
    // cannot be opened, and the damaged text for one over kMaxFileBytes.
    virtual std::string read(const std::string& name) const = 0;
    // The whole contents of a file that may be missing: false, with no
    // message, when it cannot be read (a source that has no such files
    // keeps this default).
    virtual bool tryRead(const std::string& name, std::string& bytes) const
    {
        (void)name;
        (void)bytes;
        return false;
    }

private:
    std::string folder_;
};

// Files of a folder on disk, read through the folder's save journal when a
// save into it was cut short after it took effect (see save_folder.h).
class FolderSource : public FileSource {
public:
    explicit FolderSource(std::string folder);
    std::string read(const std::string& name) const override;
    bool tryRead(const std::string& name, std::string& bytes) const override;

private:
    // Where a file is read from: the staging folder for a journalled name.
    std::string diskPath(const std::string& name) const;
    std::vector<std::string> journalled_; // names read from the staging folder
};

// Files held in memory; a name that is not held cannot be opened.
class MemorySource : public FileSource {
public:
    using FileSource::FileSource;
    void put(const std::string& name, std::string contents) { files_[name] = std::move(contents); }
    std::string read(const std::string& name) const override;
    bool tryRead(const std::string& name, std::string& bytes) const override;

private:
    std::map<std::string, std::string> files_;
};

// Reads a whole file from disk (the rules of FileSource::read).
std::string readWholeFile(const std::string& path);

// Throws the "failed:" text with "interrupted" once Ctrl-C or SIGTERM has
// asked the program to end; loads call it between files.
void throwIfInterrupted(const std::string& folder);

// The files of one save: names and contents, in writing order.
using SavedFiles = std::vector<std::pair<std::string, std::string>>;

// Writes one file in place (created or truncated) and flushes it to disk;
// the "cannot open:" and "cannot write:" texts on failure.
void writeWholeFile(const std::string& path, const std::string& contents);

// Low-level steps shared by the readers and the save folder.
enum class ReadResult { Done, CannotOpen, TooLarge, Interrupted };
// Reads a regular file of at most `limit` bytes without ever blocking on
// what is not one (named pipes, devices); no message.
ReadResult readRegularFile(const std::string& path, std::string& bytes, std::size_t limit);
// Creates (with `extraFlags`, such as O_EXCL or O_TRUNC), writes, flushes and
// closes a file, giving it `mode` when that is not negative; 0 when done, 1
// when it cannot be created, 2 when writing fails.
int writeNewFile(const std::string& path, const std::string& bytes, int extraFlags, int mode = -1);
// Flushes a folder's entries (new, renamed and removed files) to disk.
bool syncFolder(const std::string& folder);
