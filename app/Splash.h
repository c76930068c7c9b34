#pragma once
// The modeless start-up splash "INITDLG" with its Cancel button.
#include <windows.h>

constexpr int kSplashTextId = 1020;

HWND createSplash(HWND owner);
// Hides the splash (it is ended, never destroyed, while the program runs).
void endSplash();
