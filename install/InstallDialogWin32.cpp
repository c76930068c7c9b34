// The "INSTALL" copy dialog: runs the install engine with two progress bars and Cancel.
#include "install/InstallDialogs.h"

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/SetupBlock.h"
#include "app/SystemFolders.h"
#include "app/WindowHelpers.h"
#include "install/InstallEngine.h"
#include "install/ShellServiceWin32.h"
#include "install/WideText.h"

#include <commctrl.h>

namespace {

constexpr WORD CMD_RUN_INSTALL = 40001;
constexpr int kFileNameText = 1016;
constexpr int kFileBar = 1017;
constexpr int kTotalBar = 1018;

void setBar(HWND dialog, int id, unsigned percent) {
    SendDlgItemMessageW(dialog, id, PBM_SETPOS, percent > 100 ? 100 : percent, 0);
}

// Moves the dialog's controls as the engine reports; Cancel reaches the running copy
// through the one message pumped after every chunk.
struct DialogObserver final : InstallObserver {
    explicit DialogObserver(HWND dialog) : dialog(dialog) {}
    void beginFile(const std::string& fullPath) override {
        SetDlgItemTextW(dialog, kFileNameText, toWide(fullPath).c_str());
        setBar(dialog, kFileBar, 0);
    }
    void fileProgress(unsigned percent) override { setBar(dialog, kFileBar, percent); }
    void totalProgress(unsigned percent) override {
        setBar(dialog, kTotalBar, percent);
        pumpOneMessage();
    }
    bool cancelRequested() override { return state.installAborted != 0; }
    HWND dialog;
};

std::optional<InstallRequest> requestFromState() {
    auto registryPath = registryIniPath();
    if (!registryPath) return std::nullopt;
    InstallRequest request;
    request.packagePath = std::string(textOf(state.packagePath));
    request.headerOffset = setupPackageDataOffset();
    request.header = state.packageHeader;
    request.installBaseFolder = std::string(textOf(state.installBaseFolder));
    request.createDesktopShortcut = state.createDesktopShortcut != 0;
    request.fullScreenStart = state.fullScreenStart != 0;
    request.registryPath = *registryPath;
    return request;
}

bool installFromState(HWND dialog) {
    auto request = requestFromState();
    if (!request) return false;
    DialogObserver observer(dialog);
    Win32ShellService shell(state.mainWindow);
    MessageBoxReporter reporter(dialog);
    InstallServices services{observer, shell, reporter};
    InstallOutcome outcome = runInstall(*request, services);
    setText(state.installFolder, outcome.installFolder);
    return outcome.installed;
}

// Where the dialog is: the install runs once, and the dialog ends only after it.
enum class Phase { waiting, running, finished };
Phase phase = Phase::waiting;

void runInstallCommand(HWND dialog) {
    if (phase != Phase::waiting) return;
    phase = Phase::running;
    state.installAborted = 0;
    // The copy pumps one message per chunk: show the whole dialog before it starts.
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    // The engine's outcome decides: a Cancel that came after its last check changed nothing.
    state.installAborted = installFromState(dialog) ? 0 : 1;
    if (state.installAborted) MessageBoxW(dialog, L"キャンセルしました", L"Install", MB_OK);
    phase = Phase::finished;
    EndDialog(dialog, state.installAborted ? 0 : 1);
}

INT_PTR CALLBACK installDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        centreOnScreen(dialog);
        state.installDialog = dialog;
        phase = Phase::waiting;
        PostMessageW(dialog, WM_COMMAND, CMD_RUN_INSTALL, 0);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case CMD_RUN_INSTALL:
            runInstallCommand(dialog);
            return TRUE;
        case IDCANCEL:
            state.installAborted = 1;
            return TRUE;
        case IDOK:
            // Enter before the copy has started must not report an installation.
            if (phase == Phase::finished) EndDialog(dialog, state.installAborted ? 0 : 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int runInstallDialog(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    INT_PTR result = DialogBoxParamW(state.instance, L"INSTALL", owner, installDialogProc, 0);
    state.installDialog = nullptr;
    return result == 1 ? 1 : 0;
}

std::string startMenuProgramsFolder(HWND owner) { return getProgramsFolder(owner); }
