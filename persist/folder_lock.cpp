#include "persist/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "base/interrupt.h"
#include "persist/file_io.h"

double folderLockWaitSeconds = 60.0;

FolderLock::FolderLock(const std::string& folder, Mode mode)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(folderLockWaitSeconds);
    for (;;) {
        if (::flock(fd, operation) == 0) {
            fd_ = fd;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            // No such locks here: go on unlocked.
            ::close(fd);
            return;
        }
        if (interruptRequested()) {
            ::close(fd);
            throwFailed(folder, "interrupted");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            throwText(std::string(mode == Mode::Exclusive ? "cannot save: " : "cannot load: ") +
                      folder + " is being saved by another process");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing releases the lock
}
