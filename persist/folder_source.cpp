#include "persist/folder_source.h"

#include <sys/stat.h>

#include <algorithm>

#include "persist/save_folder.h"

FolderSource::FolderSource(std::string folder)
    : FileSource(std::move(folder)), lock_(this->folder(), FolderLock::Mode::Shared)
{
    const std::string staging = this->folder() + "/" + kStagingName;
    struct stat st;
    if (::lstat(staging.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode))
        throwDamaged(staging, S_ISLNK(st.st_mode) ? "a link, not a folder" : "not a folder");
    switch (readSaveJournal(this->folder(), journalled_)) {
    case JournalState::None: break; // a save that never took effect: the folder's own files
    case JournalState::Complete: break;
    case JournalState::Broken: throwDamaged(staging + "/" + kJournalName, "not a whole journal");
    }
}

std::string FolderSource::diskPath(const std::string& name) const
{
    if (std::find(journalled_.begin(), journalled_.end(), name) == journalled_.end())
        return path(name);
    const std::string staged = folder() + "/" + kStagingName + "/" + name;
    struct stat st;
    if (::lstat(staged.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        throwDamaged(staged, "a link, not a file");
    return staged;
}

ReadResult FolderSource::fetch(const std::string& name, std::string& bytes,
                               std::size_t limit) const
{
    return readRegularFile(diskPath(name), bytes, limit);
}
