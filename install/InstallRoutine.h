#pragma once
// The install routine (runInstall, declared in InstallEngine.h) and its steps after the
// copy: the Setup Copy, the shortcut set and the Settings Record.
//
// Order: game folder, journal, Install Record "%s%s.idf", package, file copy, link table,
// Setup Copy, shortcuts and links, Settings Record "env.dat", completion, registry. An
// abort (Cancel or an error) undoes only what this install made: files it created go,
// files it replaced come back, save data and settings that were there stay (see
// InstallJournal.h). The registry is written last, so it never names a half install.
#include "install/InstallEngine.h"
#include "install/InstallJournal.h"
#include "package/FileSystem.h"
#include "package/PackageFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes "SetUp.exe": `image` (the package's first headerOffset bytes, already switched to
// the uninstall run mode) and then the package's bytes up to setupImageSize.
bool writeSetupCopy(fsys::File& package, InstallJournal& journal, const std::vector<std::uint8_t>& image,
                    std::uint32_t setupImageSize, MessageReporter& reporter);

struct ShortcutSet {
    std::string installFolder, gameName, gameTitle;
    bool createDesktopShortcut = true;
    std::vector<PackageLink> links;
};
// Desktop and Start-menu launch shortcuts, the uninstall shortcut and one ".url" per link.
// A shortcut that cannot be made is passed over; link targets that are neither a URL nor
// a safe relative path, and link names that are not one plain file name, are skipped.
void createShortcuts(const ShortcutSet& set, ShellService& shell);

// Creates "env.dat" or updates only its fullScreen word. False (after its message) when the
// file could be neither updated nor created; the installation is then not registered.
bool writeSettingsRecord(InstallJournal& journal, bool fullScreenStart, MessageReporter& reporter);
