#pragma once
// The undo journal of a running install ("%s%s.idj" in the game folder).
//
// An install must be undoable at any moment, also after the process was killed, and the
// undo must take away only what this install made. The Install Record already lists every
// package file before its data is written; the journal adds what the record cannot say:
//   "D<folder>"            a folder this install created ("D" alone: the game folder),
//   "N<name>"              a file outside the record that this install created (Setup
//                          Copy, Settings Record),
//   "B<name>" "<backup>"   a file that existed before and was renamed to <backup> in the
//                          same folder before this install wrote <name>,
//   "C"                    the install is complete: only the set-aside copies remain to
//                          be deleted.
// Every entry is written and handed to the system before the step it announces, so the
// journal on disk always covers what has been done. A completed install deletes its
// set-aside copies and then the journal; the next install or removal of the same game
// that finds a journal finishes that work or undoes the unfinished install first.
#include "package/FileSystem.h"

#include <set>
#include <string>
#include <vector>

enum class FileStep { ok, cannotCreate, diskFull, pathTooLong };

struct InstallJournal {
    std::string folder;                  // the game folder, with its backslash
    std::string gameName;
    fsys::File file;
    std::set<std::string> writtenNames;  // folded names this install has written
    std::vector<std::string> backupNames;
};

// Creates the journal; `createdFolder` tells that this install made the game folder.
FileStep openJournal(InstallJournal& journal, const std::string& folder, const std::string& gameName,
                     bool createdFolder);
// Creates the missing folders on a relative name's path, outermost first. A folder that
// cannot be made is passed over; the file's creation then fails.
FileStep makeFoldersFor(InstallJournal& journal, const std::string& name);
// Readies <folder><name> for being written by this install: an existing file is renamed
// aside (once per name and install). A file that did not exist is journaled as new when
// `journalIfNew` (files the Install Record does not list).
FileStep prepareToWrite(InstallJournal& journal, const std::string& name, bool journalIfNew);
// Marks the install complete, deletes the set-aside copies and the journal.
bool commitInstall(InstallJournal& journal);

// Undoes an unfinished install of `gameName` in `folder` from what is on disk (journal,
// Install Record, set-aside copies), or finishes a completed one. Nothing when there is no
// journal. The journal and the record must be closed.
void recoverUnfinishedInstall(const std::string& folder, const std::string& gameName);
