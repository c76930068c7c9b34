#include "app/Splash.h"

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/WindowHelpers.h"

namespace {

void refreshText(HWND dialog) {
    wchar_t number[16];
    wsprintfW(number, L"%d", state.packageFound);
    std::wstring text = joinWide({number, L" ", widen(textOf(state.packagePath)), L"\n インストーラを起動しています"});
    SetDlgItemTextW(dialog, kSplashTextId, text.c_str());
}

INT_PTR CALLBACK splashProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        state.startupCancelled = 0;
        centreOnScreen(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ShowWindow(dialog, SW_HIDE);
            return TRUE;
        case IDCANCEL:
            state.startupCancelled = 1;
            ShowWindow(dialog, SW_HIDE);
            return TRUE;
        case CMD_PACKAGE_READY:
            refreshText(dialog);
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

HWND createSplash(HWND owner) { return CreateDialogParamW(state.instance, L"INITDLG", owner, splashProc, 0); }

void endSplash() {
    if (state.splashDialog) SendMessageW(state.splashDialog, WM_COMMAND, IDOK, 0);
}
