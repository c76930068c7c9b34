#include "install/Removal.h"

#include "install/InstallJournal.h"
#include "install/InstallPaths.h"
#include "install/InstallRecord.h"
#include "package/PackageFormat.h"
#include "package/Registry.h"

#include <set>

namespace {

bool isPlainName(const std::string& name) { return !name.empty() && !unsafeFolderNameReason(name); }

void noteFoldersOf(std::set<std::string>& folders, std::string name) {
    for (std::size_t cut = installpath::lastSeparator(name); cut != std::string::npos;
         cut = installpath::lastSeparator(name)) {
        name.resize(cut);
        if (!folders.insert(name).second) return;  // its outer folders are noted already
    }
}

// Each folder once, after its files are gone: a folder's subfolders sort after it, so the
// reverse order takes them first.
void removeEmptiedFolders(const std::string& folder, const std::set<std::string>& folders) {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) fsys::removeDirectory(folder + *it);
}

void removeSaveData(const std::string& folder) {
    fsys::removeFile(folder + installpath::kSettingsName);
    for (const auto& name : fsys::listFiles(folder, ".sav")) fsys::removeFile(folder + name);
}

void removeStartMenuFolder(ShellService& shell, const std::string& gameTitle) {
    std::string programs = shell.programsFolder();
    // Only the game's own folder below Programs, never Programs itself.
    if (programs.empty() || !isPlainName(gameTitle)) return;
    std::string startMenu = installpath::withSeparator(programs) + gameTitle + "\\";
    for (const auto& name : fsys::listFiles(startMenu, "")) fsys::removeFile(startMenu + name);
    fsys::removeDirectory(startMenu);
}

}  // namespace

bool isRemovableInstallFolder(const std::string& folder, const std::string& gameName) {
    if (!isPlainName(gameName) || !installpath::isAbsolute(folder)) return false;
    std::string f = installpath::withSeparator(folder);
    f.pop_back();
    // '/' is never the second byte of a double-byte character; '\' can be.
    std::size_t cut = installpath::lastSeparator(f);
    std::size_t slash = f.rfind('/');
    if (slash != std::string::npos && (cut == std::string::npos || slash > cut)) cut = slash;
    return cut != std::string::npos && installpath::sameName(f.substr(cut + 1), gameName);
}

void removeListedFiles(const std::string& folder, const std::string& gameName, bool deleteSaveData) {
    fsys::File record = fsys::openRead(folder + installpath::recordName(gameName));
    if (!record) return;
    NulListReader reader(record);
    std::string name;
    std::set<std::string> folders;
    while (reader.next(name)) {
        if (name.empty() || unsafeNameReason(name) || installpath::isEngineFileName(name, gameName)) continue;
        if (!deleteSaveData && installpath::isSaveDataName(name)) continue;
        fsys::removeFile(folder + name);
        noteFoldersOf(folders, name);
    }
    removeEmptiedFolders(folder, folders);
}

void removeInstallation(const RemovalRequest& request, ShellService& shell) {
    std::string folder = installpath::withSeparator(request.installFolder);
    bool folderUsable = isRemovableInstallFolder(folder, request.gameName);
    if (folderUsable) {
        recoverUnfinishedInstall(folder, request.gameName);
        removeListedFiles(folder, request.gameName, request.deleteSaveData);
        fsys::removeFile(folder + installpath::kSetupCopyRemovalName);
        fsys::removeFile(folder + installpath::kSetupCopyName);  // the same file where case counts
        fsys::removeFile(folder + installpath::recordName(request.gameName));
        if (request.deleteSaveData) removeSaveData(folder);
    }
    if (isPlainName(request.gameTitle)) {
        if (auto desktop = shell.desktopFolder(); desktop && !desktop->empty())
            fsys::removeFile(*desktop + "\\" + installpath::launchName(request.gameTitle) + ".lnk");
    }
    if (folderUsable) fsys::removeDirectory(folder);
    removeStartMenuFolder(shell, request.gameTitle);
    if (!request.gameName.empty()) registry::removeInstallation(request.registryPath, request.gameName);
}
