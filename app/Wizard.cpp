#include "app/Wizard.h"

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/WindowHelpers.h"
#include "dialogs/FolderText.h"
#include "dialogs/SettingsDialogs.h"

namespace {

constexpr wchar_t kWizardClass[] = L"PelInstn-MainClass";
constexpr wchar_t kWizardCaption[] = L"インストール設定";
constexpr int kPageCount = 3;
constexpr int kFolderTextX = 14, kFolderTextY = 120;
constexpr COLORREF kFolderTextColour = 0x77D0F0;
// First frame of the first option button: frames from here on are option buttons.
constexpr int kFirstOptionGroup = 6;

struct PageEntry {
    int firstFrame;
    int x, y;
};
struct PageLayout {
    const PageEntry* entries;
    int count;
};

constexpr PageEntry kPage0[] = {{0, 24, 256}, {4, 144, 256}, {8, 264, 256}};
constexpr PageEntry kPage1[] = {{16, 144, 256}, {12, 264, 256}, {20, 264, 172}};
constexpr PageEntry kPage2[] = {{16, 144, 256}, {12, 264, 256}, {24, 30, 92},
                                {28, 160, 92},  {32, 30, 162},  {36, 160, 162}};
constexpr PageLayout kPages[kPageCount] = {{kPage0, 3}, {kPage1, 3}, {kPage2, 6}};

Picture* pagePicture() { return state.wizardPictures[state.wizardPage].get(); }

bool isIndexed(const Picture& picture) {
    return picture.type == kPictureIndexed || picture.type == kPictureIndexedPlane;
}

std::unique_ptr<Picture> loadPictureResource(const wchar_t* name, MessageReporter& reporter) {
    HRSRC info = FindResourceW(state.instance, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) return nullptr;
    HGLOBAL handle = LoadResource(state.instance, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    const DWORD size = SizeofResource(state.instance, info);
    if (!bytes || size == 0) return nullptr;
    auto picture = loadPackedPicture(static_cast<const std::uint8_t*>(bytes), size, reporter);
    if (picture && (picture->width <= 0 || picture->height <= 0)) return nullptr;
    if (picture) flipPictureRows(*picture);
    return picture;
}

std::unique_ptr<ChipSheet> loadChipResource(const wchar_t* name) {
    HRSRC info = FindResourceW(state.instance, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) return nullptr;
    HGLOBAL handle = LoadResource(state.instance, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    const DWORD size = SizeofResource(state.instance, info);
    if (!bytes) return nullptr;
    return parseChipSheet(static_cast<const std::uint8_t*>(bytes), size);
}

// Every page is composed into the one surface made for picture 0.
bool sameShape(const Picture& a, const Picture& b) {
    return a.width == b.width && a.height == b.height && isIndexed(a) == isIndexed(b);
}

void composePage() {
    if (!state.wizardSurface || !pagePicture()) return;
    composeButtons(*state.wizardSurface, *pagePicture(), state.wizardButtons, state.wizardButtonCount);
}

// The chosen option of each pair shows its pressed frame.
void refreshPage() {
    if (state.wizardPage == 2) {
        MenuButton* b = state.wizardButtons;
        b[2].state = state.shortcutChoice == 1 ? kButtonPressed : kButtonNormal;
        b[3].state = state.shortcutChoice == 0 ? kButtonPressed : kButtonNormal;
        b[4].state = state.fullScreenChoice == 1 ? kButtonPressed : kButtonNormal;
        b[5].state = state.fullScreenChoice == 0 ? kButtonPressed : kButtonNormal;
    }
    composePage();
}

void layOutPage() {
    const ChipSheet* chips = state.wizardChips.get();
    for (MenuButton& b : state.wizardButtons) b = MenuButton{0, 0, kButtonNormal, {}, chips};
    state.folderTextVisible = 0;
    const PageLayout& page = kPages[state.wizardPage];
    const int w = chips ? chips->frameWidth : 0, h = chips ? chips->frameHeight : 0;
    for (int i = 0; i < page.count; ++i) {
        const PageEntry& e = page.entries[i];
        state.wizardButtons[i] = MenuButton{1, e.firstFrame, kButtonNormal, {e.x, e.y, e.x + w, e.y + h}, chips};
    }
    state.wizardButtonCount = page.count;
    if (state.wizardPage == 1) {
        setText(state.folderText, shortenFolderText(textOf(state.installBaseFolder)));
        state.folderTextVisible = 1;
    }
    if (state.wizardPage == 2) {
        state.shortcutChoice = state.createDesktopShortcut;
        state.fullScreenChoice = state.fullScreenStart;
    }
    refreshPage();
}

int onCreate(HWND window) {
    state.wizardPage = 0;
    const Picture& first = *state.wizardPictures[0];
    state.wizardSurface = createSurface(window, first.width, first.height, isIndexed(first) ? 8 : 24);
    if (!state.wizardSurface) return -1;
    if (state.wizardFont) DeleteObject(state.wizardFont);
    state.wizardFont = CreateFontW(32, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ明朝");
    HDC dc = state.wizardSurface->memoryDc;
    if (state.wizardFont) SelectObject(dc, state.wizardFont);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, kFolderTextColour);
    layOutPage();
    setClientSize(window, state.wizardSurface->width, state.wizardSurface->height);
    centreOnScreen(window);
    state.wizardAlive = 1;
    return 0;
}

void onPaint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (state.wizardSurface && state.wizardAlive == 1) {
        HDC source = state.wizardSurface->memoryDc;
        if (state.folderTextVisible == 1) {
            const std::wstring text = widen(textOf(state.folderText));
            SetBkMode(source, OPAQUE);
            TextOutW(source, kFolderTextX, kFolderTextY, text.c_str(), static_cast<int>(text.size()));
        }
        const RECT& r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
    }
    EndPaint(window, &ps);
}

void onMouseMove(HWND window, int x, int y) {
    if (state.wizardBusy == 1) return;
    state.wizardHovered = 0;
    for (int i = 0; i < state.wizardButtonCount; ++i) {
        MenuButton& b = state.wizardButtons[i];
        if (b.state == kButtonDisabled) continue;
        if (b.state == kButtonPressed) {
            // The chosen option keeps its pressed look but can still be clicked to unchoose it.
            if (pointInButton(b.rect, x, y)) state.wizardHovered = i + 1;
            continue;
        }
        if (pointInButton(b.rect, x, y)) {
            b.state = kButtonHover;
            state.wizardHovered = i + 1;
        } else {
            b.state = kButtonNormal;
        }
    }
    composePage();
    repaintNow(window);
}

int toggled(int choice) { return choice == 0 ? 1 : 0; }

// The release point is hit-tested again: a click may come with no move before it.
void onButtonUp(HWND window, int x, int y) {
    if (state.wizardBusy == 1) return;
    onMouseMove(window, x, y);
    if (state.wizardHovered == 0) return;
    state.wizardBusy = 1;
    const int index = state.wizardHovered - 1;
    if (state.wizardButtons[index].firstFrame / 4 >= kFirstOptionGroup) {
        if (state.wizardPage == 2) {
            if (index == 2 || index == 3) state.shortcutChoice = toggled(state.shortcutChoice);
            if (index == 4 || index == 5) state.fullScreenChoice = toggled(state.fullScreenChoice);
        }
        refreshPage();
        repaintNow(window);
    } else if (state.wizardSurface && pagePicture()) {
        runPressAnimation(window, *state.wizardSurface, *pagePicture(), state.wizardButtons, state.wizardButtonCount,
                          index);
        SendMessageW(window, WM_COMMAND, CMD_PAGE_ACTION, 0);
    }
    state.wizardBusy = 0;
}

void endWizard(HWND window, WORD command, bool postFirst) {
    if (postFirst) PostMessageW(state.mainWindow, WM_COMMAND, command, 0);
    DestroyWindow(window);
    if (!postFirst) PostMessageW(state.mainWindow, WM_COMMAND, command, 0);
}

// Returns false when the window is gone.
bool turnPage(HWND window, int step) {
    state.wizardPage += step;
    if (state.wizardPage >= kPageCount) {
        endWizard(window, CMD_CONFIRM_INSTALL, false);
        return false;
    }
    if (state.wizardPage < 0) state.wizardPage = 0;
    layOutPage();
    repaintNow(window);
    return true;
}

void chooseFolder(HWND window) {
    runFolderBrowser(window);
    state.freeSpaceKB = queryFreeSpaceKb(std::string(textOf(state.installBaseFolder)));
    layOutPage();
    repaintNow(window);
}

bool onPageAction(HWND window) {
    const int h = state.wizardHovered;
    switch (state.wizardPage) {
    case 0:
        if (h == 1) return turnPage(window, 1);
        if (h == 2) endWizard(window, CMD_INSTALL_SETTINGS, false);
        if (h == 3) endWizard(window, CMD_SHOW_MENU, true);
        return h == 1;
    case 1:
        if (h == 3) {
            chooseFolder(window);
            return true;
        }
        if (h == 1) return turnPage(window, -1);
        if (h == 2) return turnPage(window, 1);
        return true;
    default:
        state.createDesktopShortcut = state.shortcutChoice;
        state.fullScreenStart = state.fullScreenChoice;
        return turnPage(window, h == 1 ? -1 : 1);
    }
}

// The new page shows the hover state under the cursor without the mouse moving.
void postCursorPosition(HWND window) {
    POINT p;
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p)) return;
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
}

void onDestroy() {
    // The press animation still draws into the surface: leave it to the next window.
    if (state.pressAnimating == 1) return;
    state.wizardAlive = 0;
    freeSurface(state.wizardSurface);
    if (state.wizardFont) DeleteObject(state.wizardFont);
    state.wizardFont = nullptr;
    ShowWindow(state.mainWindow, SW_SHOW);
}

LRESULT CALLBACK wizardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        onDestroy();
        break;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_CLOSE:
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(window, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == CMD_PAGE_ACTION) {
            if (onPageAction(window)) postCursorPosition(window);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool prepareWizard() {
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = wizardProc;
    wc.hInstance = state.instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.lpszClassName = kWizardClass;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    MessageBoxReporter reporter(state.mainWindow);
    for (int i = 0; i < kWizardPictureCount; ++i) {
        wchar_t name[] = L"IDR_DATA00";
        name[9] = static_cast<wchar_t>(L'0' + i);
        state.wizardPictures[i] = loadPictureResource(name, reporter);
        if (!state.wizardPictures[i] || !sameShape(*state.wizardPictures[i], *state.wizardPictures[0])) return false;
    }
    state.wizardChips = loadChipResource(L"IDR_DATA03");
    return state.wizardChips && state.wizardChips->frameCount > 0;
}

bool openWizard() {
    HWND window = CreateWindowExW(0, kWizardClass, kWizardCaption, WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 10, 10, state.mainWindow, nullptr, state.instance, nullptr);
    if (!window) {
        // Nothing to show instead: give the menu back.
        PostMessageW(state.mainWindow, WM_COMMAND, CMD_SHOW_MENU, 0);
        return false;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    postCursorPosition(window);
    return true;
}

void releaseWizard() {
    for (auto& picture : state.wizardPictures) picture.reset();
    state.wizardChips.reset();
}
