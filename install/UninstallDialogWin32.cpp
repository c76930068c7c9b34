// The "UNINST" dialog of the Setup Copy: confirms and removes the installation.
#include "install/InstallDialogs.h"

#include "app/InstallerState.h"
#include "app/SetupBlock.h"
#include "app/SystemFolders.h"
#include "app/WindowHelpers.h"
#include "install/InstallEngine.h"
#include "install/LeftoverRemoval.h"
#include "install/ShellServiceWin32.h"
#include "install/WideText.h"
#include "package/FileSystem.h"
#include "package/PackageFormat.h"
#include "package/PackageReader.h"
#include "package/Registry.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kMessageText = 1015;
constexpr int kSaveDataCheck = 1018;

std::wstring folderOf(const std::wstring& path) {
    std::size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// The Setup Copy carries its game's Package Header where its Setup Block says. A header
// that cannot be read whole, or whose name or title is not one plain folder name, is refused:
// the dialog then removes nothing.
std::optional<PackageHeader> readOwnHeader(const std::wstring& program) {
    fsys::File file(_wfopen(program.c_str(), L"rb"));
    if (!file) return std::nullopt;
    PackageReader reader(std::move(file), setupPackageDataOffset());
    PackageHeader header;
    if (!reader.readHeader(header)) return std::nullopt;
    return header;
}

std::wstring confirmationText(const std::string& title) {
    return L"「" + toWide(title) +
           L"」をＨＤＤから削除します。\nよろしければ、削除ボタンを押して下さい。\n\n"
           L"セーブデータを残す場合は、下記のチェックを外して下さい。";
}

// The registry's "InstDIR"; when the entry is lost, the folder of this Setup Copy if it
// holds the game's Install Record (the uninstall shortcut starts it there).
std::string installFolderToRemove(const std::string& registryPath, const std::string& gameName,
                                  const std::wstring& program) {
    std::string folder = registry::installFolderOf(registryPath, gameName);
    if (folder.empty()) {
        auto own = toCp932(folderOf(program));
        if (own && fsys::exists(*own + gameName + ".idf")) folder = *own;
    }
    if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
    return folder;
}

bool sameFolder(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

void removeFromDialog(HWND dialog) {
    state.deleteSaveData = IsDlgButtonChecked(dialog, kSaveDataCheck) == BST_CHECKED ? 1 : 0;
    SetDlgItemTextW(dialog, kMessageText, L"削除しています");
    for (int id : {kSaveDataCheck, IDOK, IDCANCEL}) EnableWindow(GetDlgItem(dialog, id), FALSE);
    std::wstring program = runningProgramPath();
    std::string registryPath = registryIniPath().value_or(std::string());
    RemovalRequest request;
    request.gameName = state.packageHeader.name();
    request.gameTitle = state.packageHeader.title();
    request.installFolder = installFolderToRemove(registryPath, request.gameName, program);
    request.deleteSaveData = state.deleteSaveData != 0;
    request.registryPath = registryPath;
    Win32ShellService shell(nullptr);
    removeInstallation(request, shell);
    state.alreadyInstalled = 0;
    MessageBoxW(dialog, L"アンインストール終了", L"正常終了", MB_OK);
    std::wstring folder = toWide(request.installFolder);
    if (!request.installFolder.empty() && sameFolder(folderOf(program), folder) &&
        GetFileAttributesW((folder + L"Setup.exe").c_str()) != INVALID_FILE_ATTRIBUTES)
        startLeftoverRemoval(program, folder);
}

INT_PTR CALLBACK uninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        centreOnScreen(dialog);
        auto header = readOwnHeader(runningProgramPath());
        if (!header) {
            MessageBoxW(dialog,
                        L"アンインストール情報を読み込めませんでした。\n何も削除していません。",
                        L"Error", MB_OK | MB_ICONERROR);
            EndDialog(dialog, 0);
            return FALSE;
        }
        state.packageHeader = *header;
        SetDlgItemTextW(dialog, kMessageText, confirmationText(header->title()).c_str());
        CheckDlgButton(dialog, kSaveDataCheck, BST_CHECKED);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            removeFromDialog(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int runUninstallDialog() {
    if (runLeftoverRemovalIfAsked()) return 1;
    INT_PTR result = DialogBoxParamW(state.instance, L"UNINST", nullptr, uninstallDialogProc, 0);
    return result == 1 ? 1 : 0;
}
