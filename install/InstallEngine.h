#pragma once
// The install engine: copies an Install Package into the game folder with its records,
// shortcuts and registry entry, and removes an installation again. It takes everything it
// needs as arguments so that it runs natively in tests and under Windows in the dialogs.
#include "package/PackageFormat.h"
#include "package/Reporter.h"

#include <cstdint>
#include <optional>
#include <string>

// Progress and cancel. The Windows dialog moves its bars and pumps one message per call
// of totalProgress; tests count calls or cancel at a chosen point.
struct InstallObserver {
    virtual ~InstallObserver() = default;
    virtual void beginFile(const std::string& fullPath) = 0;     // file name line, file bar 0
    virtual void fileProgress(unsigned percent) = 0;              // 0..100
    virtual void totalProgress(unsigned percent) = 0;             // 0..100, then one pump step
    virtual bool cancelRequested() = 0;                           // Cancel pressed meanwhile
};

// The shell's folders and shortcut files. Failures are reported by the result only.
struct ShellService {
    virtual ~ShellService() = default;
    virtual std::optional<std::string> desktopFolder() = 0;      // no trailing backslash
    virtual std::string programsFolder() = 0;                     // with trailing backslash
    virtual bool createShellLink(const std::string& target, const std::string& linkFile,
                                 const std::string& description, const std::string& arguments,
                                 const std::string& workingFolder) = 0;
    virtual bool createUrlShortcut(const std::string& file, const std::string& url) = 0;
};

struct InstallRequest {
    std::string packagePath;          // cp932 path of the Install Package
    std::uint32_t headerOffset = kDefaultHeaderOffset;
    PackageHeader header;             // as the loader read it
    std::string installBaseFolder;    // ends in a backslash
    bool createDesktopShortcut = true;
    bool fullScreenStart = true;
    std::string registryPath;         // full path of "TolmarInstall.INI"
};

struct InstallServices {
    InstallObserver& observer;
    ShellService& shell;
    MessageReporter& reporter;
};

struct InstallOutcome {
    bool installed = false;           // false: aborted (and rolled back where anything was made)
    bool cancelled = false;           // the user pressed Cancel
    bool registered = false;          // the registry holds the installation
    std::string installFolder;        // installBaseFolder + gameName + backslash
};

InstallOutcome runInstall(const InstallRequest& request, InstallServices& services);

struct RemovalRequest {
    // Ends in a backslash. Must be an absolute path whose last folder is gameName; any
    // other value (an empty "InstDIR" too) deletes no file, so the uninstall dialog passes
    // the Setup Copy's own folder when the registry has lost the entry.
    std::string installFolder;
    std::string gameName, gameTitle;
    bool deleteSaveData = true;
    std::string registryPath;
};

// Removes what the Install Record lists, the known files, shortcuts and emptied folders,
// and clears the registry entry. Never deletes outside the install folder. An install of
// the game that was cut off (its journal is still there) is undone first.
void removeInstallation(const RemovalRequest& request, ShellService& shell);
