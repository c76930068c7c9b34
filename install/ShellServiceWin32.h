#pragma once
// The Windows shell behind ShellService: special folders, shell links and Internet
// shortcuts through COM (the wide interfaces, so any text survives on any system locale).
#include "install/InstallEngine.h"

#include <windows.h>

#include <optional>
#include <string>

// cp932, without a trailing backslash; nullopt when the shell cannot say.
std::optional<std::string> getDesktopFolder();
// All users' programs folder for an administrator, else the user's; with a trailing
// backslash; "" when the shell cannot say.
std::string getProgramsFolder(HWND owner);
bool isNtPlatform();
bool isAdministrator();

// Each returns the status of the last step tried; a failed step writes one debug-output
// line and sets the thread's last-error value (1 to 8, by step).
HRESULT createShellLink(const std::string& target, const std::string& linkFile,
                        const std::string& description, const std::string& arguments,
                        const std::string& workingFolder);
HRESULT createUrlShortcut(const std::string& file, const std::string& url);

// What a shell link holds, read back through the shell (for checks and tools).
struct ShellLinkContents {
    std::wstring target, arguments, workingFolder, description;
};
std::optional<ShellLinkContents> readShellLink(const std::wstring& linkFile);
std::optional<std::wstring> readUrlShortcut(const std::wstring& file);

struct Win32ShellService final : ShellService {
    explicit Win32ShellService(HWND ownerWindow) : owner(ownerWindow) {}
    std::optional<std::string> desktopFolder() override { return getDesktopFolder(); }
    std::string programsFolder() override { return getProgramsFolder(owner); }
    bool createShellLink(const std::string& target, const std::string& linkFile,
                         const std::string& description, const std::string& arguments,
                         const std::string& workingFolder) override {
        return SUCCEEDED(::createShellLink(target, linkFile, description, arguments, workingFolder));
    }
    bool createUrlShortcut(const std::string& file, const std::string& url) override {
        return SUCCEEDED(::createUrlShortcut(file, url));
    }
    HWND owner;
};
