// The files of a save folder on disk, as loads read them.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "persist/file_io.h"
#include "persist/folder_lock.h"

// Files of a folder on disk, read under the folder's lock (a save in
// progress is waited for) and through its save journal when a save into it
// was cut short after it took effect (see save_folder.h). A journal that is
// not whole, a staging folder that is no folder, and a journalled file that
// is a link are refused with the damaged text naming them: what the folder
// holds is then not known to be one save.
class FolderSource : public FileSource {
public:
    explicit FolderSource(std::string folder);

protected:
    ReadResult fetch(const std::string& name, std::string& bytes,
                     std::size_t limit) const override;

private:
    // Where a file is read from: the staging folder for a journalled name.
    std::string diskPath(const std::string& name) const;
    FolderLock lock_;
    std::vector<std::string> journalled_; // names read from the staging folder
};
