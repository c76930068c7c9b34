#include "app/Menu.h"

#include "app/Controller.h"
#include "app/InstallerState.h"
#include "app/WindowHelpers.h"

namespace {

constexpr int kHitTestedButtons = 4;
constexpr int kComposedButtons = 2;
constexpr int kQuitButton = 2;

bool menuLive() { return state.menuReady && state.menuSurface && state.backgroundPicture; }

}  // namespace

void menuMouseMove(HWND window, int x, int y) {
    if (state.buttonAnimating || !menuLive()) return;
    state.hoveredButton = 0;
    for (int i = 0; i < kHitTestedButtons; ++i) {
        MenuButton& b = state.menuButtons[i];
        if (b.state == kButtonDisabled) continue;
        if (b.visible && pointInButton(b.rect, x, y)) {
            b.state = kButtonHover;
            state.hoveredButton = i + 1;
        } else {
            b.state = kButtonNormal;
        }
    }
    composeButtons(*state.menuSurface, *state.backgroundPicture, state.menuButtons, kComposedButtons);
    repaintNow(window);
}

void menuButtonUp(HWND window, int x, int y) {
    if (state.buttonAnimating || !menuLive()) return;
    menuMouseMove(window, x, y);
    const int pressed = state.hoveredButton;
    if (pressed == 0) return;
    state.buttonAnimating = 1;
    runPressAnimation(window, *state.menuSurface, *state.backgroundPicture, state.menuButtons, kComposedButtons,
                      pressed - 1);
    state.buttonAnimating = 0;
    PostMessageW(window, WM_COMMAND, kButtonCommandBase + pressed, 0);
    if (pressed == kQuitButton) cleanupController();
}

void menuHoverAtCursor(HWND window) {
    POINT cursor;
    if (!GetCursorPos(&cursor) || !ScreenToClient(window, &cursor)) return;
    menuMouseMove(window, cursor.x, cursor.y);
}
