// Process entry of SetUp.exe: single-instance wait, run mode, and in install mode the main
// controller window and its message loop.
#include <windows.h>

#include <string>
#include <string_view>

#include "app/Controller.h"
#include "app/InstallerState.h"
#include "app/PathText.h"
#include "app/ScopedWin.h"
#include "app/SetupBlock.h"
#include "install/InstallDialogs.h"
#include "package/Cp932.h"
#include "package/PackageReader.h"

namespace {

constexpr int kMutexTries = 50;
constexpr DWORD kMutexWaitMs = 100;

// Waits for an earlier instance to end, at most 50 tries; runs anyway after that.
ScopedHandle waitForEarlierInstance() {
    ScopedHandle mutex;
    for (int tries = 1;; ++tries) {
        Sleep(kMutexWaitMs);
        mutex.reset(CreateMutexW(nullptr, FALSE, L"TolmarInstallSetSingleObject"));
        if (GetLastError() != ERROR_ALREADY_EXISTS || tries >= kMutexTries) return mutex;
    }
}

// A path with no cp932 form, or one too long for packagePath, is refused: the package is
// then not found and the chooser is offered.
void setPackagePath(std::wstring_view text) {
    auto converted = cp932::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
    if (!converted || !setText(state.packagePath, *converted)) state.packagePath[0] = '\0';
}

bool registerMainClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"STARTICO");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainClassName;
    return RegisterClassW(&wc) != 0;
}

int runInstallMode(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    SetCurrentDirectoryW(commandLine);
    setPackagePath(packagePathText(std::wstring_view(commandLine)));
    if (!registerMainClass(instance)) return 0;
    HWND window = CreateWindowExW(0, kMainClassName, kMainWindowCaption, kMainWindowStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 10, 10, nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (state.splashDialog && IsDialogMessageW(state.splashDialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    state.instance = instance;
    ScopedHandle mutex = waitForEarlierInstance();
    if (setupRunMode() == kRunModeUninstall) {
        runUninstallDialog();
    } else if (!runInstallMode(instance, commandLine ? commandLine : L"", showCommand)) {
        return 0;
    }
    if (mutex) ReleaseMutex(mutex.get());
    return 1;
}
