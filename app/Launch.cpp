#include "app/Launch.h"

#include <shellapi.h>

#include <string>
#include <vector>

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
    const std::string title = state.packageHeader.title();
    const std::string folder = *base + name;
    const std::string program = folder + "\\tolmar.exe";
    if (folder.size() >= kFolderSize || program.size() >= kFolderSize) return;
    SetCurrentDirectoryW(widen(folder).c_str());

    std::wstring commandLine = widen(program + " " + name + " " + title);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    // The program path is given apart from the command line, so a folder with blanks in it
    // cannot be misread.
    if (CreateProcessW(widen(program).c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       widen(folder).c_str(), &startup, &process)) {
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
    const std::wstring file = widen(folder) + L"\\" + widen(title) + L"の起動.lnk";
    ShellExecuteW(owner, nullptr, file.c_str(), nullptr, widen(folder).c_str(), SW_SHOW);
}
