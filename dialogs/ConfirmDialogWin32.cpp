// "INSTMODE": the last look at the choices before the copy starts.
#include <windows.h>

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/WindowHelpers.h"
#include "dialogs/SettingsDialogs.h"
#include "dialogs/SizeText.h"

namespace {

constexpr int kFolderId = 1002;
constexpr int kShortcutId = 1006;
constexpr int kModeId = 1008;
constexpr int kSizeId = 1012;
constexpr int kDisclaimerId = 1015;

constexpr wchar_t kDisclaimer[] =
    L"　以上の設定で問題が無い様でしたら、下の「インストール開始」ボタンを押して下さい\n"
    L"　インストールを中止する場合は、「キャンセル」を押して下さい。\n"
    L"　尚、本ソフトは出荷前に動作確認を行っておりますが、ご利用の際に生じたトラブルに付いては、"
    L"弊社では一切責任を負いかねますので、ご利用にあたってはユーザー様ご自身の判断にて行って下さい。";

void fillConfirmDialog(HWND dialog) {
    const std::string folder = std::string(textOf(state.installBaseFolder)) + state.packageHeader.name() + "\\";
    SetDlgItemTextW(dialog, kFolderId, widen(folder).c_str());
    SetDlgItemTextW(dialog, kShortcutId,
                    state.createDesktopShortcut ? L"ショートカットを作成する" : L"ショートカットを作成しない");
    SetDlgItemTextW(dialog, kModeId, state.fullScreenStart ? L"フルスクリーン起動" : L"ウィンドウ起動");
    SetDlgItemTextW(dialog, kSizeId, widen(confirmSizeLine(state.installBytes)).c_str());
    SetDlgItemTextW(dialog, kDisclaimerId, kDisclaimer);
}

INT_PTR CALLBACK confirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        centreOnScreen(dialog);
        fillConfirmDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int runConfirmDialog(HWND owner) {
    return DialogBoxParamW(state.instance, L"INSTMODE", owner, confirmProc, 0) == 1 ? 1 : 0;
}
