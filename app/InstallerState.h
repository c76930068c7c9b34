#pragma once
// The Installer State: the one process-wide record of the Windows program. It starts zeroed,
// lives until the process ends and is reached directly from every window and dialog
// procedure (there is one thread). Texts are code page 932 bytes in bounded buffers; they are
// converted to UTF-16 only where they meet the wide-character API.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "app/DrawingSurface.h"
#include "package/PackageFormat.h"
#include "picture/ChipSheet.h"
#include "picture/Picture.h"

// Button State values.
enum ButtonState : int {
    kButtonNormal = 0,
    kButtonHover = 1,
    kButtonPressed = 2,
    kButtonDisabled = 3,
};

// A picture button of the menu and of the wizard. The frame drawn is firstFrame + state.
struct MenuButton {
    int visible = 0;
    int firstFrame = 0;
    int state = kButtonNormal;
    RECT rect = {};                      // draw position (left, top) and hit area
    const ChipSheet* chips = nullptr;    // not owned
};

// Commands of the main window (WM_COMMAND, low word of wParam).
enum : WORD {
    CMD_OPEN_SETTINGS = 40001,
    CMD_SHOW_MENU = 40002,
    CMD_PAGE_ACTION = 40004,      // the wizard's own page action
    CMD_INSTALL_SETTINGS = 40005,
    CMD_CONFIRM_INSTALL = 40006,
    CMD_PACKAGE_READY = 40009,    // also refreshes the splash text when sent to it
    CMD_CHOOSE_PACKAGE = 40010,
};
// A menu button press posts kButtonCommandBase + the button's 1-based index.
constexpr WORD kButtonCommandBase = 40000;
constexpr UINT_PTR PACKAGE_POLL_TIMER = 46;

constexpr int kMenuButtonCount = 5;
constexpr int kWizardButtonCount = 20;
constexpr int kWizardPictureCount = 3;

constexpr std::size_t kPackagePathSize = 256;
constexpr std::size_t kFolderSize = 260;

struct InstallerState {
    // Start-up and controller.
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HWND splashDialog = nullptr;
    char packagePath[kPackagePathSize] = {};
    PackageHeader packageHeader = {};
    std::unique_ptr<Picture> backgroundPicture;
    std::unique_ptr<ChipSheet> menuChips;
    SurfacePtr menuSurface;
    MenuButton menuButtons[kMenuButtonCount] = {};
    int alreadyInstalled = 0;
    char installBaseFolder[kFolderSize] = {};   // ends in a backslash
    char installFolder[kFolderSize] = {};       // installBaseFolder + gameName + backslash
    std::uint32_t freeSpaceKB = 0;
    int createDesktopShortcut = 0;
    int fullScreenStart = 0;
    int menuReady = 0;
    int startupCancelled = 0;
    int packageFound = 0;
    int hoveredButton = 0;
    int buttonAnimating = 0;
    int pressAnimating = 0;
    int chooserOpen = 0;
    int chooserFilterIndex = 0;
    int installAborted = 0;

    // Settings wizard screen.
    std::unique_ptr<Picture> wizardPictures[kWizardPictureCount];
    std::unique_ptr<ChipSheet> wizardChips;
    SurfacePtr wizardSurface;
    HFONT wizardFont = nullptr;
    MenuButton wizardButtons[kWizardButtonCount] = {};
    int wizardButtonCount = 0;
    int wizardPage = 0;
    int wizardHovered = 0;
    int wizardBusy = 0;
    int wizardAlive = 0;
    int folderTextVisible = 0;
    char folderText[kFolderSize] = {};
    int shortcutChoice = 0;
    int fullScreenChoice = 0;

    // Install engine and uninstall.
    HWND installDialog = nullptr;
    // The bytes the install takes: totalInstallSize, or the file table's sum where that
    // 32-bit field cannot hold it (4 GB and more).
    std::uint64_t installBytes = 0;
    std::uint32_t copiedBytes = 0;
    std::uint32_t totalKB = 0;
    int deleteSaveData = 0;
};

// Never destroyed: the record lives until the process ends, and nothing needs tearing down
// at exit (the system reclaims memory and GDI objects of an ending process).
extern InstallerState& state;

// Copies text into a fixed buffer with its NUL. False (and the buffer left unchanged) when
// it does not fit: a path is never silently cut.
template <std::size_t N>
bool setText(char (&buffer)[N], std::string_view text) {
    if (text.size() >= N) return false;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

template <std::size_t N>
std::string_view textOf(const char (&buffer)[N]) {
    return std::string_view(buffer, strnlen(buffer, N));
}
