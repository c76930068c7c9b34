#include "app/WindowHelpers.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstring>

void pumpOneMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        // Leave the quit for the message loop that owns it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void setClientSize(HWND window, int width, int height) {
    // The frame comes from the styles, not from the current rectangles: a minimised or
    // 0 x 0 window has no meaningful client rectangle to subtract.
    RECT frame = {0, 0, width, height};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const BOOL hasMenu = (style & WS_CHILD) == 0 && GetMenu(window) != nullptr;
    AdjustWindowRectEx(&frame, style & ~WS_MINIMIZE & ~WS_MAXIMIZE, hasMenu, exStyle);
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void centreOnScreen(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void shrinkWindow(HWND window) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
}

void composeButtons(DrawingSurface& surface, const Picture& picture, const MenuButton* buttons, int count) {
    if (!surface.pixels || picture.width != surface.width || picture.height != surface.height) return;
    const std::size_t rows = static_cast<std::size_t>(surface.height);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.rowBytes > 0 ? picture.rowBytes : picture.stride);
    const std::size_t copyBytes = std::min<std::size_t>(rowBytes, static_cast<std::size_t>(surface.pitch));
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t from = r * rowBytes;
        if (from + copyBytes > picture.colourPlane.size()) break;
        std::memcpy(surface.pixels + r * static_cast<std::size_t>(surface.pitch), picture.colourPlane.data() + from,
                    copyBytes);
    }
    if (surface.bitsPerPixel != 24) return;
    std::span<std::uint8_t> pixels(surface.pixels, surface.byteSize());
    for (int i = 0; i < count; ++i) {
        const MenuButton& b = buttons[i];
        if (!b.visible || !b.chips) continue;
        drawChip(pixels, surface.width, surface.height, *b.chips, b.firstFrame + b.state, b.rect.left, b.rect.top,
                 surface.pitch);
    }
}

void repaintNow(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void runPressAnimation(HWND window, DrawingSurface& surface, const Picture& picture, MenuButton* buttons,
                       int count, int index) {
    state.pressAnimating = 1;
    for (int step = 0; step < 6; ++step) {
        const DWORD start = timeGetTime();
        if (index >= 0 && index < count) buttons[index].state = (step % 2) ? kButtonPressed : kButtonNormal;
        composeButtons(surface, picture, buttons, count);
        repaintNow(window);
        for (DWORD elapsed; (elapsed = timeGetTime() - start) < 100;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100 - elapsed, QS_ALLINPUT);
            pumpOneMessage();
        }
    }
    state.pressAnimating = 0;
}

bool pointInButton(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}
