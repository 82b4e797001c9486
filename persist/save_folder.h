// Writing a save into a folder the user owns.
//
// A save writes its own files into the folder and leaves everything else in
// it alone: other files, sub-folders, links, and the folder itself with its
// permissions (a folder that is a symbolic link is followed). The files are
// first written and flushed into a staging folder inside the target, named
// kStagingName. Writing a journal there (kJournalName, by rename) is the
// moment the new save takes effect; the staged files are then renamed over
// the old ones one by one, the stale files the journal names are removed, and
// the staging folder goes.
//
// Killed at any moment, the folder therefore holds either the complete
// earlier save, or a journal whose staged files complete the new one. Loads
// read a folder through its journal (FolderSource does), so they see one
// save or the other, never a mixture; the next save into the folder finishes
// a journalled save and removes an unjournalled staging folder first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "persist/file_io.h"

constexpr const char* kStagingName = ".creatures-save-in-progress";
constexpr const char* kJournalName = "journal";

// Names of files already in the folder that a save removes (creature files
// beyond the new population); an empty function removes none.
using StaleFilePredicate = std::function<bool(const std::string& name)>;

// Writes the files into the folder as described above, creating the folder
// (not its parents) when it is missing. Refused with nothing changed, by the
// "cannot open:" text: a target that is not a folder, a folder or a file to
// be replaced that the user cannot write or that has no write permission
// bits at all, and a folder in place of a file to be written. A failed
// write (a full disk, the file-size limit) gives "cannot write:" with the
// path, and the earlier save stays as it was. Stale files that cannot be
// removed are left in place; loads never read them.
void writeFolder(const std::string& folder, const SavedFiles& files,
                 const StaleFilePredicate& stale = {});

// The names whose staged copies hold the folder's current save: those of a
// complete journal whose staged file is still there. Empty for a folder with
// no journal, which is the usual case.
std::vector<std::string> journalledFiles(const std::string& folder);

// For tests: called with a growing count at every point where a save could
// be killed (after each staged file, after the journal, after each rename,
// after the clean-up). Empty in normal runs.
extern std::function<void(int point)> saveCheckpointForTests;
