#pragma once
// Hover and press of the main window's two picture buttons.
#include <windows.h>

void menuMouseMove(HWND window, int x, int y);
void menuButtonUp(HWND window);
