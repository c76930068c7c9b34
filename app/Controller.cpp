#include "app/Controller.h"

#include <windowsx.h>

#include "app/InstallerState.h"
#include "app/Launch.h"
#include "app/Menu.h"
#include "app/Messages.h"
#include "app/PackageChooser.h"
#include "app/PackageLoader.h"
#include "app/ScopedWin.h"
#include "app/Splash.h"
#include "app/SystemFolders.h"
#include "app/WindowHelpers.h"
#include "app/Wizard.h"
#include "dialogs/SettingsDialogs.h"
#include "install/InstallDialogs.h"

namespace {

constexpr UINT kPollPeriodMs = 100;
constexpr wchar_t kPackageFilters[] = L"Install File\0*.exe\0";

void onCreate(HWND window) {
    state.mainWindow = window;
    ShowWindow(window, SW_MINIMIZE);
    state.splashDialog = createSplash(window);
    SetTimer(window, PACKAGE_POLL_TIMER, kPollPeriodMs, nullptr);
}

void onPaint(HWND window) {
    ScopedPaint paint(window);
    if (!state.menuSurface || !state.menuReady) return;
    const RECT& r = paint.area();
    BitBlt(paint.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, state.menuSurface->memoryDc, r.left, r.top,
           SRCCOPY);
}

void pollPackage(HWND window) {
    if (state.menuReady) return;
    if (state.startupCancelled) {
        PostQuitMessage(0);
        return;
    }
    if (!state.packageFound && packagePresent()) {
        state.packageFound = 1;
        // Found once is enough: the load's own message boxes must not meet further ticks.
        KillTimer(window, PACKAGE_POLL_TIMER);
        PostMessageW(window, WM_COMMAND, CMD_PACKAGE_READY, 0);
        return;
    }
    if (state.splashDialog) SendMessageW(state.splashDialog, WM_COMMAND, CMD_PACKAGE_READY, 0);
    SendMessageW(window, WM_COMMAND, CMD_CHOOSE_PACKAGE, 0);
}

void choosePackage(HWND window) {
    if (state.chooserOpen) return;
    state.chooserOpen = 1;
    if (choosePackageFile(window, state.instance, state.packagePath, sizeof(state.packagePath), kPackageFilters,
                          state.chooserFilterIndex))
        state.chooserOpen = 0;
}

void loadFailed(HWND window) {
    showMessage(window, L"読み込みに失敗しました", L"Error", MB_OK);
    PostQuitMessage(0);
}

bool prepareSettings() {
    if (!prepareWizard()) return false;
    state.createDesktopShortcut = 1;
    state.fullScreenStart = 1;
    auto windows = windowsDirectory();
    if (windows && windows->size() >= 3) setText(state.installBaseFolder, windows->substr(0, 3));
    else setText(state.installBaseFolder, "C:\\");
    state.freeSpaceKB = queryFreeSpaceKb(std::string(textOf(state.installBaseFolder)));
    return true;
}

void packageReady(HWND window) {
    endSplash();
    if (!loadPackage()) {
        loadFailed(window);
        return;
    }
    if (state.alreadyInstalled) {
        ShowWindow(window, SW_HIDE);
        std::wstring question = joinWide({widen(state.packageHeader.title()), L" はインストールされています。　起動しますか？"});
        if (showMessage(window, question, L"起動メニュー", MB_YESNO) == IDYES) startInstalledGame();
        PostQuitMessage(0);
        return;
    }
    if (!prepareSettings()) {
        loadFailed(window);
        return;
    }
    state.menuReady = 1;
    repaintNow(window);
    menuHoverAtCursor(window);
}

void showMenu(HWND window) {
    // The quit button's own command arrives after the cleanup has released the menu.
    if (!state.menuSurface) return;
    ShowWindow(window, SW_SHOW);
    setClientSize(window, state.menuSurface->width, state.menuSurface->height);
    repaintNow(window);
}

void confirmInstall(HWND window) {
    shrinkWindow(window);
    if (!runConfirmDialog(window)) {
        SendMessageW(window, WM_COMMAND, CMD_SHOW_MENU, 0);
        return;
    }
    if (!runInstallDialog(window)) {
        showMenu(window);
        return;
    }
    const wchar_t* finished =
        L"インストールが終了しました。\nゲームを実行しますか？\n\n"
        L"なおゲームを削除するときはスタートメニューから「アンインストール」を選んで下さい。";
    if (showMessage(window, finished, L"Install", MB_YESNO | MB_ICONINFORMATION) == IDYES) openLaunchShortcut(window);
    DestroyWindow(window);
}

void onCommand(HWND window, WORD id) {
    switch (id) {
    case CMD_OPEN_SETTINGS:
        shrinkWindow(window);
        openWizard();
        break;
    case CMD_SHOW_MENU:
        showMenu(window);
        break;
    case CMD_INSTALL_SETTINGS:
        shrinkWindow(window);
        if (!runSettingsDialog(window)) {
            SendMessageW(window, WM_COMMAND, CMD_SHOW_MENU, 0);
            break;
        }
        confirmInstall(window);
        break;
    case CMD_CONFIRM_INSTALL:
        confirmInstall(window);
        break;
    case CMD_PACKAGE_READY:
        packageReady(window);
        break;
    case CMD_CHOOSE_PACKAGE:
        choosePackage(window);
        break;
    }
}

}  // namespace

void cleanupController() {
    state.menuReady = 0;
    if (state.packageFound) {
        releaseWizard();
        freeSurface(state.menuSurface);
        state.backgroundPicture.reset();
        state.menuChips.reset();
        for (MenuButton& b : state.menuButtons) b = MenuButton{};
    }
    PostQuitMessage(0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_TIMER:
        if (wParam == PACKAGE_POLL_TIMER) pollPackage(window);
        return 0;
    case WM_MOUSEMOVE:
        menuMouseMove(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        menuButtonUp(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(window, LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        cleanupController();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
