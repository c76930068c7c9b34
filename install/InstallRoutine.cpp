#include "install/InstallRoutine.h"

#include "install/CopyEngine.h"
#include "install/InstallPaths.h"
#include "install/InstallTexts.h"
#include "install/SettingsRecord.h"
#include "package/PackageReader.h"
#include "package/Registry.h"
#include "package/SetupBlock.h"

#include <algorithm>

namespace {

void fileOpenError(MessageReporter& reporter, const std::string& path) {
    reporter.showMessage(texts::kFileOpenError, path);
}

// The engine's own files with the longest set-aside name they can get must fit as well.
bool fixedNamesFit(const std::string& folder, const std::string& gameName) {
    for (const std::string& name : {installpath::recordName(gameName), installpath::journalName(gameName),
                                    std::string(installpath::kSetupCopyName), std::string(installpath::kSettingsName)})
        if (!installpath::fits(folder + name + installpath::kBackupMarker + "99")) return false;
    return true;
}

bool readHeadImage(fsys::File& package, std::uint32_t headerOffset, std::vector<std::uint8_t>& image) {
    image.assign(headerOffset, 0);
    package.seek(0, SEEK_SET);
    return package.read(image.data(), image.size()) == image.size();
}

// Checks the package against its header and returns its program image in uninstall mode.
bool prepareUninstallerImage(fsys::File& package, const InstallRequest& request, std::vector<std::uint8_t>& image,
                             MessageReporter& reporter) {
    std::int64_t size = package.size();
    std::uint64_t setupImageSize = request.header.setupImageSize;
    if (size < 0 || setupImageSize < std::uint64_t(request.headerOffset) + kHeaderSize ||
        setupImageSize > std::uint64_t(size) || !readHeadImage(package, request.headerOffset, image)) {
        reportBrokenPackage(reporter);
        return false;
    }
    // The uninstaller is this program started with runMode 3 in its own Setup Block.
    if (!setRunMode(image, kRunModeUninstall)) {
        reporter.showMessage(texts::kNoUninstaller, texts::kCaptionInstall);
        return false;
    }
    return true;
}

bool copyBytes(fsys::File& from, fsys::File& to, std::uint64_t count, const std::string& path, MessageReporter& reporter) {
    std::vector<std::uint8_t> buffer(kCopyChunkSize);
    while (count != 0) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
        if (from.read(buffer.data(), chunk) != chunk) {
            reportBrokenPackage(reporter);
            return false;
        }
        if (to.write(buffer.data(), chunk) != chunk) {
            reportFileStep(reporter, FileStep::diskFull, path);
            return false;
        }
        count -= chunk;
    }
    return true;
}

bool writeFileWhole(const std::string& path, const std::uint8_t* bytes, std::size_t n) {
    fsys::File out = fsys::openWrite(path);
    if (!out) return false;
    bool written = out.write(bytes, n) == n;
    return out.close() && written;
}

// The progress total. The header's totalInstallSize saturates from 4 GB on; the file table
// tells the true sum.
std::uint64_t installBytesOf(const InstallRequest& request) {
    PackageReader reader(fsys::openRead(request.packagePath), request.headerOffset);
    PackageTables tables;
    if (!reader.readTables(request.header, tables)) return request.header.totalInstallSize;
    return totalFileBytes(tables);
}

struct Install {
    const InstallRequest& request;
    InstallServices& services;
    std::string gameName, gameTitle, folder;
    InstallJournal journal;
    fsys::File record;
    bool aborted = false;
    bool cancelled = false;
};

bool beginInstall(Install& in) {
    MessageReporter& reporter = in.services.reporter;
    std::string recordPath = in.folder + installpath::recordName(in.gameName);
    // A crashed install of this game leaves its journal: put the folder back first.
    recoverUnfinishedInstall(in.folder, in.gameName);
    bool createdFolder = fsys::makeDirectory(in.folder);
    FileStep step = openJournal(in.journal, in.folder, in.gameName, createdFolder);
    if (step == FileStep::ok) step = prepareToWrite(in.journal, installpath::recordName(in.gameName), false);
    if (step == FileStep::ok) {
        in.record = fsys::openWrite(recordPath);
        if (in.record) return true;
        step = FileStep::cannotCreate;
    }
    if (step == FileStep::cannotCreate)
        fileOpenError(reporter, recordPath);
    else
        reportFileStep(reporter, step, recordPath);
    if (!in.journal.file) {
        if (createdFolder) fsys::removeDirectory(in.folder);
        return false;
    }
    in.journal.file.close();
    recoverUnfinishedInstall(in.folder, in.gameName);
    // On a full disk the journal may not even hold its first entry, which names the folder.
    if (createdFolder) fsys::removeDirectory(in.folder);
    return false;
}

void copyAndWriteUninstaller(Install& in, std::vector<PackageLink>& links) {
    MessageReporter& reporter = in.services.reporter;
    fsys::File package = fsys::openRead(in.request.packagePath);
    if (!package) {
        fileOpenError(reporter, in.request.packagePath);
        in.aborted = true;
        return;
    }
    withoutStreamBuffer(package);
    std::vector<std::uint8_t> image;
    if (!prepareUninstallerImage(package, in.request, image, reporter)) {
        in.aborted = true;
        return;
    }
    CopyJob job{package, in.record, in.journal, in.services.observer, reporter};
    job.totalInstallSize = installBytesOf(in.request);
    copyPackageFiles(job, in.request.header.setupImageSize);
    links = readLinkTable(job);
    if (!in.record.close() && !job.aborted) {
        reportFileStep(reporter, FileStep::diskFull, in.folder + installpath::recordName(in.gameName));
        job.aborted = true;
    }
    in.aborted = job.aborted;
    in.cancelled = job.cancelled;
    // An aborted install is undone at once, so it gets no Setup Copy.
    if (!in.aborted && !writeSetupCopy(package, in.journal, image, in.request.header.setupImageSize, reporter))
        in.aborted = true;
}

}  // namespace

bool writeSetupCopy(fsys::File& package, InstallJournal& journal, const std::vector<std::uint8_t>& image,
                    std::uint32_t setupImageSize, MessageReporter& reporter) {
    std::string path = journal.folder + installpath::kSetupCopyName;
    FileStep step = prepareToWrite(journal, installpath::kSetupCopyName, true);
    if (step != FileStep::ok) {
        reportFileStep(reporter, step, path);
        return false;
    }
    fsys::File out = fsys::openWrite(path);
    if (!out) {
        fileOpenError(reporter, path);
        return false;
    }
    if (out.write(image.data(), image.size()) != image.size()) {
        reportFileStep(reporter, FileStep::diskFull, path);
        return false;
    }
    package.seek(static_cast<std::int64_t>(image.size()), SEEK_SET);
    if (!copyBytes(package, out, setupImageSize - image.size(), path, reporter)) return false;
    if (!out.close()) {
        reportFileStep(reporter, FileStep::diskFull, path);
        return false;
    }
    return true;
}

void createShortcuts(const ShortcutSet& set, ShellService& shell) {
    const std::string& folder = set.installFolder;
    std::string game = folder + installpath::kGameExecutableName;
    std::string launch = installpath::launchName(set.gameTitle);
    if (set.createDesktopShortcut) {
        auto desktop = shell.desktopFolder();
        std::string link = desktop ? *desktop + "\\" + launch + ".lnk" : std::string();
        if (desktop && !desktop->empty() && installpath::fits(link))
            shell.createShellLink(game, link, launch, set.gameName + " " + set.gameTitle, folder);
    }
    std::string programs = shell.programsFolder();
    // Without the programs folder the Start-menu folder would land in the current folder.
    if (programs.empty()) return;
    std::string startMenu = installpath::withSeparator(programs) + set.gameTitle + "\\";
    fsys::makeDirectory(startMenu);
    std::string launchLink = startMenu + launch + ".lnk";
    if (installpath::fits(launchLink))
        shell.createShellLink(game, launchLink, launch, set.gameName + " \"" + set.gameTitle + "\"", folder);
    std::string uninstallLink = startMenu + texts::kUninstallName + ".lnk";
    if (installpath::fits(uninstallLink))
        shell.createShellLink(folder + installpath::kSetupCopyRemovalName, uninstallLink, texts::kUninstallName,
                              set.gameName + " " + set.gameTitle + " -1", folder);
    for (const auto& link : set.links) {
        if (link.name.empty() || unsafeFolderNameReason(link.name)) continue;
        if (!link.isUrl() && (link.target.empty() || unsafeNameReason(link.target))) continue;
        std::string file = startMenu + link.name + ".url";
        std::string url = link.isUrl() ? link.target : folder + link.target;
        if (installpath::fits(file)) shell.createUrlShortcut(file, url);
    }
}

bool writeSettingsRecord(InstallJournal& journal, bool fullScreenStart, MessageReporter& reporter) {
    std::string path = journal.folder + installpath::kSettingsName;
    SettingsRecord record;
    bool kept = false;
    if (fsys::File existing = fsys::openRead(path)) {
        std::uint8_t bytes[kSettingsRecordSize];
        std::size_t n = existing.read(bytes, sizeof bytes);
        existing.close();
        record = updatedSettingsRecord(std::span<const std::uint8_t>(bytes, n), fullScreenStart);
        fsys::File update = fsys::openUpdate(path);
        bool written = update && update.write(record.data(), record.size()) == record.size();
        kept = update.close() && written;
    } else if (prepareToWrite(journal, installpath::kSettingsName, true) == FileStep::ok) {
        record = newSettingsRecord(fullScreenStart);
        kept = writeFileWhole(path, record.data(), record.size());
    }
    if (!kept) reporter.showMessage(texts::kCannotCreate, texts::kCaptionInstall);
    return kept;
}

InstallOutcome runInstall(const InstallRequest& request, InstallServices& services) {
    InstallOutcome outcome;
    Install in{request, services, request.header.name(), request.header.title(), {}, {}, {}};
    MessageReporter& reporter = services.reporter;
    if (in.gameName.empty() || in.gameTitle.empty() || unsafeFolderNameReason(in.gameName) ||
        unsafeFolderNameReason(in.gameTitle)) {
        reportBrokenPackage(reporter);
        return outcome;
    }
    // A base folder without its backslash would otherwise run into the game's name.
    std::string base = installpath::withSeparator(request.installBaseFolder);
    in.folder = base + in.gameName + "\\";
    outcome.installFolder = in.folder;
    if (!installpath::isAbsolute(base)) {
        fileOpenError(reporter, in.folder + installpath::recordName(in.gameName));
        return outcome;
    }
    if (!fixedNamesFit(in.folder, in.gameName)) {
        reportFileStep(reporter, FileStep::pathTooLong, in.folder);
        return outcome;
    }
    if (!beginInstall(in)) return outcome;

    std::vector<PackageLink> links;
    copyAndWriteUninstaller(in, links);
    if (in.aborted) {
        in.record.close();
        in.journal.file.close();
        recoverUnfinishedInstall(in.folder, in.gameName);
        outcome.cancelled = in.cancelled;
        return outcome;
    }
    createShortcuts({in.folder, in.gameName, in.gameTitle, request.createDesktopShortcut, links}, services.shell);
    bool settingsWritten = writeSettingsRecord(in.journal, request.fullScreenStart, reporter);
    commitInstall(in.journal);
    outcome.installed = true;
    if (settingsWritten)
        outcome.registered = registry::recordInstallation(request.registryPath, in.gameName, in.folder,
                                                          request.header.gameVersion);
    return outcome;
}
