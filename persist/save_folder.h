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
//
// Every save also writes the manifest of its files (manifest.h). A save
// holds the folder's lock (folder_lock.h) from before it looks at the
// staging folder to its end, so a staging folder found then was left by a
// save that no longer runs.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <functional>
#include <string>
#include <vector>

#include "persist/file_io.h"

constexpr const char* kStagingName = ".creatures-save-in-progress";
constexpr const char* kJournalName = "journal";

// Names of files already in the folder that a save removes (creature files
// beyond the new population); an empty function removes none.
using StaleFilePredicate = std::function<bool(const std::string& name)>;

// Called with a growing count at every point where a save could be killed
// (after each staged file, after the journal, after each rename, after the
// clean-up), and with 0 just before a missing folder is made: the tests
// stop or disturb a save there. The program's saves pass none.
using SaveCheckpoint = std::function<void(int point)>;

// Writes the files and their manifest into the folder as described above,
// creating the folder (not its parents) when it is missing. Refused with
// nothing changed, by the "cannot open:" text: a target that is not a
// folder, a folder the user cannot write, that has no write permission bits
// at all or that is append-only or immutable; a file to be replaced that the
// user cannot write or replace (no write bits, immutable or append-only, or
// another user's in a sticky folder); a folder in place of a file to be
// written. Another save into the folder in progress: "cannot save: DIR is
// being saved by another process" once the wait runs out. A failed write (a
// full disk, the file-size limit) gives "cannot write:" with the path, and
// the earlier save stays as it was. An earlier save cut short whose end this
// user cannot finish: "cannot save:" with the reason.
//
// Returns an empty text when the save is complete. Should the end of the
// save fail after it took effect (a rename refused by the system), the text
// says what could not be finished: the new save is the folder's save then
// (loads read it through the journal) and the next save finishes it.
// Stale files that cannot be removed are left in place; loads never read
// them.
//
// A save may also replace whole sub-folders (`sub`): each is written, with
// its own manifest, into the staging folder and put in place of the
// folder's own when the save takes effect; the sub-folders `staleFolder`
// names go then too. `complete`, when given, is called once this process's
// files and sub-folders are staged, before the save takes effect: it may
// add top-level files (the manifest names them) and name sub-folders that
// other processes staged meanwhile; a text it throws abandons the save.
struct SubFolders {
    std::vector<std::pair<std::string, SavedFiles>> folders;
    std::function<void(const std::string& staging, SavedFiles& moreFiles,
                       std::vector<std::string>& moreFolders)>
        complete;
    StaleFilePredicate staleFolder;
};
std::string writeFolder(const std::string& folder, const SavedFiles& files,
                        const StaleFilePredicate& stale = {}, const SubFolders& sub = {},
                        const SaveCheckpoint& checkpoint = {});

// Writes a new sub-folder of files and their manifest (as a save's staged
// sub-folders are written) and flushes it: the part of a save another
// process stages. Returns the SHA-256 of the manifest written.
std::string stageFolder(const std::string& path, const SavedFiles& files);

// After a save: when `left` says what could not be finished, a warning on
// standard error, and the text handed to the caller when it asked.
void reportUnfinished(const std::string& folder, const std::string& left, std::string* unfinished);

// The state of a folder's save journal, and the names whose staged copies
// hold the folder's current save (those of a complete journal whose staged
// entry is still there).
enum class JournalState { None, Complete, Broken };
// Staged sub-folders count among the names; `dropped`, when given, receives
// the sub-folders the journal removes.
JournalState readSaveJournal(const std::string& folder, std::vector<std::string>& staged,
                             std::vector<std::string>* dropped = nullptr);
