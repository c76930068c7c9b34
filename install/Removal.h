#pragma once
// The removal of an installation (removeInstallation, declared in InstallEngine.h), also
// used after an install that was cut off. Order: an unfinished install's undo, the files
// the Install Record lists with their emptied folders deepest first, the Setup Copy, the
// record, the save data on request, the desktop launch shortcut, the game folder when
// empty, the Start-menu folder's files and the folder, and the registry entry.
#include "install/InstallEngine.h"

#include <string>

// True when `folder` may be worked in: absolute, and its last folder is `gameName`.
bool isRemovableInstallFolder(const std::string& folder, const std::string& gameName);
// Deletes what the record in `folder` lists (safe names only) and the folders that became
// empty, deepest first. Save data names are passed over unless `deleteSaveData`.
void removeListedFiles(const std::string& folder, const std::string& gameName, bool deleteSaveData);
