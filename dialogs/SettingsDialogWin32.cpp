// "INSTSET": the classic settings dialog. It keeps nothing of its own: every refresh reads
// the Installer State and every change is written back at once.
#include <windows.h>

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/WindowHelpers.h"
#include "dialogs/SettingsDialogs.h"
#include "dialogs/SizeText.h"

namespace {

constexpr int kFolderId = 1002;
constexpr int kBrowseId = 1003;
constexpr int kSizeId = 1012;
constexpr int kShortcutId = 1013;
constexpr int kFullScreenId = 1014;
constexpr int kExplanationId = 1015;

constexpr wchar_t kExplanationHead[] =
    L"　インストール先の設定は、これでよろしいですか？\n\n"
    L"インストールは、指定されたフォルダの下に「";
constexpr wchar_t kExplanationTail[] =
    L"」フォルダを作成して、ファイルをコピーします。\n\n"
    L"　また、ここに記述される容量の他、ゲームプレイ時に必要なセーブデータ等、ある程度の空き容量が必要になります。";

bool isTicked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void refreshSettingsDialog(HWND dialog) {
    SetDlgItemTextW(dialog, kFolderId, widen(textOf(state.installBaseFolder)).c_str());
    const std::uint64_t total = state.installBytes;
    EnableWindow(GetDlgItem(dialog, IDOK), spaceIsEnough(total, state.freeSpaceKB) ? TRUE : FALSE);
    SetDlgItemTextW(dialog, kSizeId, widen(settingsSizeLine(total, state.freeSpaceKB)).c_str());
    CheckDlgButton(dialog, kShortcutId, state.createDesktopShortcut ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kFullScreenId, state.fullScreenStart ? BST_CHECKED : BST_UNCHECKED);
    const std::wstring explanation = kExplanationHead + widen(state.packageHeader.name()) + kExplanationTail;
    SetDlgItemTextW(dialog, kExplanationId, explanation.c_str());
}

INT_PTR onCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        // Enter reaches here even while the button is disabled.
        if (IsWindowEnabled(GetDlgItem(dialog, IDOK))) EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case kBrowseId:
        runFolderBrowser(dialog);
        state.freeSpaceKB = queryFreeSpaceKb(std::string(textOf(state.installBaseFolder)));
        refreshSettingsDialog(dialog);
        return FALSE;
    case kShortcutId:
    case kFullScreenId:
        state.createDesktopShortcut = isTicked(dialog, kShortcutId) ? 1 : 0;
        state.fullScreenStart = isTicked(dialog, kFullScreenId) ? 1 : 0;
        refreshSettingsDialog(dialog);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK settingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        centreOnScreen(dialog);
        refreshSettingsDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}

}  // namespace

int runSettingsDialog(HWND owner) {
    return DialogBoxParamW(state.instance, L"INSTSET", owner, settingsProc, 0) == 1 ? 1 : 0;
}
