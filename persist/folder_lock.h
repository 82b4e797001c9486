// The lock that keeps saves and loads of one folder apart across processes:
// an advisory lock (flock) on the folder itself, so it leaves no file
// behind. A save holds it alone, loads share it; a second saver or a loader
// waits for a save in progress, for a bounded time.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

// Seconds a save or a load waits for the lock before giving up.
extern double folderLockWaitSeconds;

class FolderLock {
public:
    enum class Mode { Shared, Exclusive };

    // Takes the lock on an existing folder, waiting up to
    // folderLockWaitSeconds. Throws "cannot save: DIR is being saved by
    // another process" (exclusive) or "cannot load: DIR is being saved by
    // another process" (shared) when the wait runs out, the "failed:" text
    // when Ctrl-C or SIGTERM arrives meanwhile. A folder that cannot be
    // opened, or a file system without such locks, is not locked: the
    // operation itself then says what is wrong.
    FolderLock(const std::string& folder, Mode mode);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Whether the lock is held (false for a folder that could not be locked).
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};
