#include "app/Launch.h"

#include <shellapi.h>

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/SystemFolders.h"
#include "install/InstallDialogs.h"
#include "package/Registry.h"

void startInstalledGame() {
    auto iniPath = registryIniPath();
    if (!iniPath) return;
    auto base = registry::lookUp(*iniPath, state.packageHeader.name());
    if (!base || !setText(state.installBaseFolder, *base)) return;

    const std::string name = state.packageHeader.name();
    // "\tolmar.exe" is 11 bytes: the program path must fit a path buffer.
    if (base->size() + name.size() + 11 >= kFolderSize) return;
    const std::wstring folder = widen(*base + name);
    const std::wstring program = joinWide({folder, L"\\tolmar.exe"});
    std::wstring commandLine = joinWide({program, L" ", widen(name), L" ", widen(state.packageHeader.title())});
    SetCurrentDirectoryW(folder.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    // The program path is given apart from the command line, so a folder with blanks in it
    // cannot be misread.
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void openLaunchShortcut(HWND owner) {
    const std::string title = state.packageHeader.title();
    const std::string folder = startMenuProgramsFolder(owner) + title;
    // "の起動.lnk" is 10 bytes in cp932; the whole name must fit a path buffer as the shortcut
    // maker's did.
    if (folder.size() + 1 + title.size() + 10 >= kFolderSize) return;
    const std::wstring wideFolder = widen(folder);
    const std::wstring file = joinWide({wideFolder, L"\\", widen(title), L"の起動.lnk"});
    ShellExecuteW(owner, nullptr, file.c_str(), nullptr, wideFolder.c_str(), SW_SHOW);
}
